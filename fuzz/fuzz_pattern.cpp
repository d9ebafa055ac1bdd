// The pattern primitives with any pattern, subject and replacement: they never
// crash, never run long, and agree with one another.
#include "FuzzInput.h"
#include "analysis/FieldRules.h"
#include "pattern/Pattern.h"

#include <QElapsedTimer>

namespace {

// Generous: a sanitizer build is slower, and the machine is shared. The
// fuzzer's inputs are small, so RE2 and the backtracking budget end every
// search well before this.
constexpr qint64 kMaxCallMs = 4000;

template <typename F> auto timed(const char* what, F&& call)
{
    QElapsedTimer clock;
    clock.start();
    auto result = call();
    if (clock.elapsed() > kMaxCallMs)
        fuzzFail(what, QStringLiteral("took %1 ms").arg(clock.elapsed()));
    return result;
}

QString referenceStripLineBreaks(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzInput in(data, size, 3);
    const QString pattern = FuzzInput::text(in.part(0), in.option(0));
    const QString subject = FuzzInput::text(in.part(1), in.option(1));
    const QString replacement = FuzzInput::text(in.part(2), in.option(0));
    const bool caseSensitive = in.option(2);

    const QString last = timed("RegexLastMatch", [&] { return RegexLastMatch(pattern, subject); });
    if (!last.isEmpty() && !subject.contains(last))
        fuzzFail("the last match is not a piece of the subject");

    const PatternOutcome ci = timed("PatternEvaluate", [&] { return PatternEvaluate(pattern, subject); });
    const PatternOutcome outcome =
        timed("PatternEvaluate", [&] { return PatternEvaluate(pattern, subject, caseSensitive); });
    const bool found = outcome == PatternOutcome::Match || outcome == PatternOutcome::Invalid;
    if (PatternTest(pattern, subject, caseSensitive) != found)
        fuzzFail("PatternTest disagrees with PatternEvaluate");

    const QString replaced =
        timed("PatternReplace", [&] { return PatternReplace(pattern, subject, replacement, caseSensitive); });
    if (outcome == PatternOutcome::NoMatch && replaced != subject)
        fuzzFail("a pattern without a match changed the subject");
    if (ci == PatternOutcome::NoMatch && !last.isEmpty())
        fuzzFail("a pattern without a match gave a last match");

    // Every match replaced by itself, or the pattern is invalid or undecided:
    // either way the subject comes back unchanged.
    const QString same = timed("PatternReplace", [&] {
        return PatternReplace(pattern, subject, QStringLiteral("$&"), caseSensitive);
    });
    if (same != subject)
        fuzzFail("replacing every match by itself changed the subject",
                 QStringLiteral("<%1> -> <%2>").arg(subject, same));

    if (StripLineBreaks(subject) != referenceStripLineBreaks(subject))
        fuzzFail("StripLineBreaks");
    if (ApplyCaseMode(subject, CaseMode::Unchanged) != subject)
        fuzzFail("ApplyCaseMode Unchanged changed the text");
    const QString proper = ApplyCaseMode(subject, CaseMode::Proper);
    if (proper.size() < subject.size() / 4)
        fuzzFail("Proper Case lost text");
    ApplyCaseMode(subject, CaseMode::Lower);
    ApplyCaseMode(subject, CaseMode::Upper);

    if (timed("DomainFromUrl", [&] { return DomainFromUrl(subject, pattern); }) != last)
        fuzzFail("DomainFromUrl is not the last match of the domain pattern");
    return 0;
}
