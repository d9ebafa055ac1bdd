#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class SettingsSnapshot;

// The checks on a fetched response that do not depend on the extracted fields.
// The bad-word checks on the title and description are ApplyBadWords() in
// FieldRules.h. Every check ignores letter case, and a pattern that fails to
// evaluate takes the branch of a match.

// Whether the header block contains "Content-Type: text/html" anywhere, in any
// letter case (a charset parameter may follow). The batch run and the test run
// both ask this one question.
bool ContentTypeIsHtml(const QString& header);

// Content type: true when ContentTypeCheck is not on, or ContentTypeIsHtml().
bool CheckContentType(const SettingsSnapshot& settings, const QString& header);

// Valid status codes: true when the list is empty or any entry matches the
// header block. An empty entry matches every header block.
bool CheckStatus(const QStringList& validStatus, const QString& header);
// Whether each entry matches the header block, in list order. Unless every
// entry is wanted, the scan stops at the first match and the list ends there.
QVector<bool> StatusMatches(const QStringList& validStatus, const QString& header, bool everyEntry);

// Reciprocal link: true when UseRecip is not on, or when Reciptext matches the page.
bool CheckRecip(const SettingsSnapshot& settings, const QString& pageText);

// What the checks looked at, for telling people why a page was refused: the
// first line of the header block (the status line), and the value of its first
// Content-Type line without the blanks around it. Empty when absent.
QString HeaderStatusLine(const QString& header);
QString HeaderContentType(const QString& header);
