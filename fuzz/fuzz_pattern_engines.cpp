// The two engines behind the pattern primitives must give the same answers:
// every pattern RE2 can take is run once through the normal choice (RE2
// first) and once on PCRE2 alone, and the primitives' results compared.
// Pattern and subject stay small, so PCRE2 decides them within its limits.
#include "FuzzInput.h"
#include "analysis/Pattern.h"
#include "analysis/PatternEngine.h"

#include <QRegularExpression>

namespace {

constexpr qsizetype kMaxPattern = 64;
constexpr qsizetype kMaxSubject = 512;

QString describe(const QString& pattern, const QString& subject, const QString& a, const QString& b)
{
    const auto codes = [](const QString& s) {
        QString out;
        for (QChar c : s)
            out += (c.unicode() >= 0x20 && c.unicode() < 0x7F) ? QString(c)
                                                               : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'));
        return out;
    };
    return QStringLiteral("pattern <%1> subject <%2>: RE2 <%3> PCRE2 <%4>")
        .arg(codes(pattern), codes(subject), codes(a), codes(b));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static PatternEngine usual(32, PatternEngine::Engines::Auto);
    static PatternEngine pcre2Only(32, PatternEngine::Engines::Pcre2Only);

    const FuzzInput in(data, size, 3);
    const QString pattern = FuzzInput::text(in.part(0), in.option(0)).left(kMaxPattern);
    const QString subject = FuzzInput::text(in.part(1), in.option(1)).left(kMaxSubject);
    QString replacement = FuzzInput::text(in.part(2), false).left(32);
    if (replacement.isEmpty())
        replacement = QStringLiteral("[$&|$1|$2|$$]");
    const bool caseSensitive = in.option(2);

    // Only patterns that RE2 takes are of interest.
    const PatternEngine::Compiled* c = usual.compiled(pattern, caseSensitive);
    if (!c || !c->re2)
        return 0;

    using namespace PatternPrimitives;
    const PatternOutcome reference = PatternEvaluate(pcre2Only, pattern, subject, caseSensitive);
    if (reference == PatternOutcome::Undecided)
        return 0;
    const PatternOutcome outcome = PatternEvaluate(usual, pattern, subject, caseSensitive);
    if (outcome != reference)
        fuzzFail("PatternEvaluate differs",
                 describe(pattern, subject, QString::number(int(outcome)), QString::number(int(reference))));

    const QString last = RegexLastMatch(usual, pattern, subject);
    const QString lastReference = RegexLastMatch(pcre2Only, pattern, subject);
    if (last != lastReference)
        fuzzFail("RegexLastMatch differs", describe(pattern, subject, last, lastReference));

    // A group under a quantifier is where the engines part: after an
    // iteration that matched text, PCRE2 tries one more that matches the
    // empty text and keeps its empty capture ('(a?)*' on "a" gives group 1
    // empty), while RE2, like ECMAScript, refuses an empty iteration and keeps
    // "a". RE2 runs such patterns in the program, so only the whole matches
    // are compared for them here.
    static const QRegularExpression quantifiedGroup(QStringLiteral("\\)[*+?{]"));
    if (pattern.contains(quantifiedGroup))
        replacement = QStringLiteral("[$&]");
    const QString replaced = PatternReplace(usual, pattern, subject, replacement, caseSensitive);
    const QString replacedReference = PatternReplace(pcre2Only, pattern, subject, replacement, caseSensitive);
    if (replaced != replacedReference)
        fuzzFail("PatternReplace differs", describe(pattern, subject, replaced, replacedReference));
    return 0;
}
