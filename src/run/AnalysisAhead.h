#pragma once

#include "run/PageJob.h"

#include <QHash>
#include <QObject>
#include <QThreadPool>
#include <QtGlobal>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class PatternEngine;

// The analysis of pages that arrived before their turn, on worker threads,
// each with the settings and the lists of the moment it began. At the turn
// the run asks for the entry's analysis with the job it would run then: it
// gets one only if that job reads exactly the same settings, lists, URL and
// page, so a run that analyses ahead adds the very rows a run that waits
// would add. An analysis that ran out of time is not handed over either: at
// its turn the page is analysed again, alone.
class AnalysisAhead : public QObject
{
    Q_OBJECT

public:
    explicit AnalysisAhead(QObject* parent = nullptr);
    // Tells every analysis to give up and waits for them.
    ~AnalysisAhead() override;

    // Analyses job (its page given) for entry `index`, in place of an
    // earlier analysis of that entry.
    void start(int index, PageJob job);
    // The entry's analysis, when it is done and `now` would give the same;
    // the entry is let go either way.
    std::optional<PageJobResult> take(int index, const PageJob& now);
    // Lets go of every entry's analysis but that of `keep` (0: of all).
    void dropAllBut(int keep);
    int count() const { return int(m_pieces.size()); }

private:
    struct Piece
    {
        quint64 serial = 0;
        PageJob job;
        std::optional<PageJobResult> result;
    };
    void onDone(int index, quint64 serial, PageJobResult result);
    std::shared_ptr<PatternEngine> takeEngine();
    void giveBack(std::shared_ptr<PatternEngine> engine);
    static bool sameWork(const PageJob& a, const PageJob& b);

    QHash<int, Piece> m_pieces;
    quint64 m_lastSerial = 0;
    // An engine serves one analysis at a time; each worker takes a free one.
    std::mutex m_enginesLock;
    std::vector<std::shared_ptr<PatternEngine>> m_engines;
    // Last, so that it goes first: its destructor waits for every analysis.
    QThreadPool m_workers;
};
