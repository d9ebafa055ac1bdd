#pragma once

#include "analysis/AnalysisStyle.h"
#include "analysis/PageRefusal.h"
#include "results/ResultRow.h"

#include <QString>
#include <QStringList>
#include <QVector>

class SettingsSnapshot;

// What the acceptance checks and the title and description rules up to the
// bad words make of one fetched page, before the decision whether it becomes a row.
struct PageVerdict
{
    bool contentTypeOk = true; // the header declares text/html, or that check is off
    bool statusOk = true;      // an accepted status code matches, or the list is empty
    bool addOk = true;         // the reciprocal link is there and no bad word refused the page
    // Found and stripped of its start and end parts, then, as the style says,
    // without its line breaks or with its fallback; after the bad words.
    QString title;
    QString description; // the same
    // What each check found, for reporting them one by one.
    QVector<bool> statusMatches; // per accepted status code, as StatusMatches() gives them
    bool recipFound = true;      // the reciprocal link is there, or that check is off
    int titleBadWords = 0;       // the bad words that refuse the page for its title
    int descriptionBadWords = 0; // the same for its description
    // Why the page is not accepted; Kind::None exactly when accepted(). When
    // several checks fail, the first of: status line, content type,
    // reciprocal link, bad word in the title, bad word in the description.
    PageRefusal refusal;

    bool accepted() const { return contentTypeOk && statusOk && addOk; }
};

// The analysis of one page, in the batch run and in the configuration test
// (see AnalysisStyle). The settings are the snapshot taken when the analysis
// of this page began. url is needed only by a style that gives the fallbacks
// before the bad words: its domain is the fallback for an empty field.
PageVerdict AnalysePage(const SettingsSnapshot& settings, const QString& pageText, const QString& headerText,
                        const QStringList& badWords, const QStringList& validStatus,
                        const AnalysisStyle& style = AnalysisStyle::batchRun(),
                        const QString& url = QString());

// The row of the page at url, not numbered yet: its title, e-mail and
// description after the fallback, case and replace rules (and the e-mail
// source option), and url as its URL cell. emailWhenNone is the e-mail cell
// when no e-mail option is selected.
ResultRow FillRowCells(const SettingsSnapshot& settings, const PageVerdict& verdict, const QString& url,
                       const QString& pageText, const AnalysisStyle& style = AnalysisStyle::batchRun(),
                       const QString& emailWhenNone = QString());
// The domain the fallbacks and the e-mail rule take from url.
QString RowUrlDomain(const SettingsSnapshot& settings, const QString& url);
