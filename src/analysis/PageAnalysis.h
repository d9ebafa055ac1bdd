#pragma once

#include "analysis/PageRefusal.h"

#include <QString>
#include <QStringList>

class SettingsSnapshot;

// What the acceptance checks and the title and description rules up to the
// bad words make of one fetched page, before the decision whether it becomes a row.
struct PageVerdict
{
    bool contentTypeOk = true; // the header declares text/html, or that check is off
    bool statusOk = true;      // an accepted status code matches, or the list is empty
    bool addOk = true;         // the reciprocal link is there and no bad word refused the page
    QString title;             // found, stripped, without line breaks, after the bad words
    QString description;       // the same
    // Why the page is not accepted; Kind::None exactly when accepted(). When
    // several checks fail, the first of: status line, content type,
    // reciprocal link, bad word in the title, bad word in the description.
    PageRefusal refusal;

    bool accepted() const { return contentTypeOk && statusOk && addOk; }
};

// The three cells of an accepted page, after the fallback, case and replace
// rules (and the e-mail source option).
struct RowCells
{
    QString urlDomain;
    QString title;
    QString email;
    QString description;
};

// The batch run's analysis of one page, shared by the window and the headless
// batch command. The settings are the snapshot taken when the analysis of
// this page began.
PageVerdict AnalysePage(const SettingsSnapshot& settings, const QString& pageText, const QString& headerText,
                        const QStringList& badWords, const QStringList& validStatus);

RowCells FillRowCells(const SettingsSnapshot& settings, const PageVerdict& verdict, const QString& url,
                      const QString& pageText);
