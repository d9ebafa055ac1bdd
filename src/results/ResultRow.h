#pragma once

#include <QString>

// One data row of the results table, by field: what the batch run builds for
// an accepted page and what the table inserts. The table's columns hold the
// fields in the order "#", "Title", "Email", "Description", "URL".
struct ResultRow
{
    int number = 0; // the row's place in the run, from 1
    QString title;
    QString email;
    QString description;
    QString url;
};
