#pragma once

#include <QString>
#include <QStringList>
#include <array>

// One case of the differential test: a pattern, a subject and a replacement,
// put to both sides through the primitives.
struct OracleCase
{
    QString pattern;
    QString subject;
    QString replacement;
    bool caseSensitive = false; // for the replacement with `replacement`
};

// What one side answers for a case; the fields in the order the JavaScript
// side writes them.
struct OracleAnswer
{
    enum Field
    {
        LastMatch,         // RegexLastMatch
        TestIgnoringCase,  // PatternTest, case ignored: match, nomatch, invalid (or undecided)
        TestWithCase,      // PatternTest, case significant
        Replace,           // PatternReplace with the case's replacement
        MatchesIgnoringCase, // every global match bracketed, case ignored
        MatchesWithCase,   // the same, case significant
        FieldCount
    };
    std::array<QString, FieldCount> fields;

    static const char* fieldName(int field);
};

// The case as one line of JSON for the JavaScript side.
QString caseToJson(const OracleCase& c);
// A line the JavaScript side wrote; false when it is not one.
bool answerFromJson(const QString& line, OracleAnswer& answer);
// The same questions put to the primitives of this program.
OracleAnswer productAnswer(const OracleCase& c);
// A text as a JavaScript string literal body: printable ASCII as itself, the
// rest as \u escapes.
QString jsEscaped(const QString& text);
