#pragma once

#include "settings/RunPreferences.h"

#include <QObject>
#include <QString>

// The run preferences of one process, read once: the window's workspace and
// the headless command each hold one, and every run, test, robots.txt lookup
// and re-check takes its values from it, so that a change (the run strip's
// boxes, "My sites:") reaches them all alike.
class RunPreferencesHolder : public QObject
{
    Q_OBJECT

public:
    // path: the file each change is written to; empty: changes are kept in
    // memory only (the command line's own values are no one's preferences).
    explicit RunPreferencesHolder(const RunPreferences& values, const QString& path = QString(),
                                  QObject* parent = nullptr);

    const RunPreferences& values() const { return m_values; }
    const QString& path() const { return m_path; }

    // Takes the new values: changed() follows when they differ, then they
    // are written to the file. The values hold even when the file cannot be
    // written; the outcome says so.
    SaveOutcome change(const RunPreferences& values);

Q_SIGNALS:
    void changed(const RunPreferences& values);

private:
    RunPreferences m_values;
    QString m_path;
};
