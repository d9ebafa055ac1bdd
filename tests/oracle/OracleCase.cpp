#include "OracleCase.h"

#include "pattern/Pattern.h"

const char* OracleAnswer::fieldName(int field)
{
    switch (field) {
    case LastMatch:
        return "RegexLastMatch";
    case TestIgnoringCase:
        return "PatternTest (case ignored)";
    case TestWithCase:
        return "PatternTest (case significant)";
    case Replace:
        return "PatternReplace";
    case MatchesIgnoringCase:
        return "PatternReplace [$&] (case ignored)";
    case MatchesWithCase:
        return "PatternReplace [$&] (case significant)";
    default:
        return "?";
    }
}

QString jsEscaped(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c >= 0x20 && c < 0x7F && c != u'"' && c != u'\\')
            out += ch;
        else
            out += QStringLiteral("\\u%1").arg(uint(c), 4, 16, QChar(u'0'));
    }
    return out;
}

QString caseToJson(const OracleCase& c)
{
    return QStringLiteral(R"({"p":"%1","s":"%2","r":"%3","cs":%4})")
        .arg(jsEscaped(c.pattern), jsEscaped(c.subject), jsEscaped(c.replacement),
             c.caseSensitive ? QStringLiteral("true") : QStringLiteral("false"));
}

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

// Only the shape oracle.js writes: an array of strings in which every
// character that needs it is a \u escape.
bool answerFromJson(const QString& line, OracleAnswer& answer)
{
    qsizetype i = 0;
    const qsizetype n = line.size();
    if (n < 2 || line.at(0) != u'[')
        return false;
    ++i;
    for (int field = 0; field < OracleAnswer::FieldCount; ++field) {
        if (field > 0) {
            if (i >= n || line.at(i) != u',')
                return false;
            ++i;
        }
        if (i >= n || line.at(i) != u'"')
            return false;
        ++i;
        QString value;
        for (;;) {
            if (i >= n)
                return false;
            const QChar c = line.at(i++);
            if (c == u'"')
                break;
            if (c != u'\\') {
                value += c;
                continue;
            }
            if (i + 5 > n || line.at(i) != u'u')
                return false;
            int code = 0;
            for (int k = 1; k <= 4; ++k) {
                const int d = hexValue(line.at(i + k));
                if (d < 0)
                    return false;
                code = code * 16 + d;
            }
            value += QChar(char16_t(code));
            i += 5;
        }
        answer.fields[size_t(field)] = value;
    }
    return i < n && line.at(i) == u']';
}

namespace {

QString outcomeName(PatternOutcome outcome)
{
    switch (outcome) {
    case PatternOutcome::Match:
        return QStringLiteral("match");
    case PatternOutcome::NoMatch:
        return QStringLiteral("nomatch");
    case PatternOutcome::Invalid:
        return QStringLiteral("invalid");
    case PatternOutcome::Undecided:
        break;
    }
    return QStringLiteral("undecided");
}

} // namespace

OracleAnswer productAnswer(const OracleCase& c)
{
    OracleAnswer a;
    a.fields[OracleAnswer::LastMatch] = RegexLastMatch(c.pattern, c.subject);
    a.fields[OracleAnswer::TestIgnoringCase] = outcomeName(PatternEvaluate(c.pattern, c.subject, false));
    a.fields[OracleAnswer::TestWithCase] = outcomeName(PatternEvaluate(c.pattern, c.subject, true));
    a.fields[OracleAnswer::Replace] = PatternReplace(c.pattern, c.subject, c.replacement, c.caseSensitive);
    const QString bracket = QStringLiteral("[$&]");
    a.fields[OracleAnswer::MatchesIgnoringCase] = PatternReplace(c.pattern, c.subject, bracket, false);
    a.fields[OracleAnswer::MatchesWithCase] = PatternReplace(c.pattern, c.subject, bracket, true);
    return a;
}
