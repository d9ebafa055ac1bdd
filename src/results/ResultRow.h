#pragma once

#include <QString>

// One data row of the results table, by field: what the analysis makes of an
// accepted page, what the batch run numbers and the table inserts, and what
// the run's outcome and the run store keep of it. The table's columns hold
// the fields in the order "#", "Title", "Email", "Description", "URL".
struct ResultRow
{
    int number = 0; // the row's place in the run, from 1
    QString title;
    QString email;
    QString description;
    QString url;
};
