#pragma once

#include <QString>
#include <QStringList>

class Settings;

// What the acceptance checks and the title/description rules T1-T5, D1-D5 make
// of one fetched page, before the decision whether it becomes a row.
struct PageVerdict
{
    bool contentTypeOk = true; // C1
    bool statusOk = true;      // C2
    bool addOk = true;         // C3, C4, C5
    QString title;             // after T1-T5
    QString description;       // after D1-D5

    bool accepted() const { return contentTypeOk && statusOk && addOk; }
};

// The three cells of an accepted page, after T6-T8, E1-E3 and D6-D8.
struct RowCells
{
    QString urlDomain;
    QString title;
    QString email;
    QString description;
};

// The batch run's analysis of one page, shared by the window and the headless
// batch command. Settings are read at the moment of use.
PageVerdict AnalysePage(const Settings& settings, const QString& pageText, const QString& headerText,
                        const QStringList& badWords, const QStringList& validStatus);

RowCells FillRowCells(const Settings& settings, const PageVerdict& verdict, const QString& url,
                      const QString& pageText);
