// The two engines behind the pattern primitives must give the same answers:
// every pattern RE2 can take is run once through the normal choice (RE2
// first) and once on the backtracking engine alone, and the primitives'
// results compared, group values included. Pattern and subject stay small,
// so the backtracking engine decides them within its budget.
#include "FuzzInput.h"
#include "pattern/Pattern.h"
#include "pattern/PatternEngine.h"

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
    return QStringLiteral("pattern <%1> subject <%2>: RE2 <%3> backtracking <%4>")
        .arg(codes(pattern), codes(subject), codes(a), codes(b));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static PatternEngine usual(32, PatternEngine::Engines::Auto);
    static PatternEngine backtrackerOnly(32, PatternEngine::Engines::BacktrackerOnly);

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

    // A pattern that makes the backtracking engine go over its budget in
    // any search of the global loop is no comparison.
    const PatternEngine::Compiled* b = backtrackerOnly.compiled(pattern, caseSensitive);
    for (const bool cs : {caseSensitive, false}) {
        b = backtrackerOnly.compiled(pattern, cs);
        if (backtrackerOnly.scan(*b, subject, true, PatternEngine::Report::Every, [](const qsizetype*) {
                return true;
            }) == PatternEngine::Scan::Undecided)
            return 0;
    }

    using namespace PatternPrimitives;
    const PatternOutcome reference = PatternEvaluate(backtrackerOnly, pattern, subject, caseSensitive);
    const PatternOutcome outcome = PatternEvaluate(usual, pattern, subject, caseSensitive);
    if (outcome != reference)
        fuzzFail("PatternEvaluate differs",
                 describe(pattern, subject, QString::number(int(outcome)), QString::number(int(reference))));

    const QString last = RegexLastMatch(usual, pattern, subject);
    const QString lastReference = RegexLastMatch(backtrackerOnly, pattern, subject);
    if (last != lastReference)
        fuzzFail("RegexLastMatch differs", describe(pattern, subject, last, lastReference));

    const QString replaced = PatternReplace(usual, pattern, subject, replacement, caseSensitive);
    const QString replacedReference = PatternReplace(backtrackerOnly, pattern, subject, replacement, caseSensitive);
    if (replaced != replacedReference)
        fuzzFail("PatternReplace differs", describe(pattern, subject, replaced, replacedReference));
    return 0;
}
