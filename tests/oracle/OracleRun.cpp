#include "OracleRun.h"

#include "OracleGenerator.h"

#include "pattern/PatternEngine.h"

#include <QElapsedTimer>
#include <QRegularExpression>

namespace {

constexpr qsizetype kBatch = 4000;
constexpr int kMaxShrinkRounds = 300;
constexpr qint64 kMaxShrinkMs = 20000;
constexpr qsizetype kShrinkSlice = 12;

// Where the bracket or parenthesis that opens at `open` closes; -1 if never.
qsizetype closing(const QString& p, qsizetype open)
{
    int depth = 0;
    bool inClass = false;
    for (qsizetype i = open; i < p.size(); ++i) {
        const QChar c = p.at(i);
        if (c == u'\\') {
            ++i;
            continue;
        }
        if (inClass) {
            if (c == u']') {
                inClass = false;
                if (p.at(open) == u'[')
                    return i;
            }
            continue;
        }
        if (c == u'[') {
            inClass = true;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')' && --depth == 0) {
            return i;
        }
    }
    return -1;
}

// Smaller cases made from one: groups and classes dropped or unwrapped,
// characters of the pattern, subject and replacement dropped. The largest
// cuts first.
QList<OracleCase> smallerCases(const OracleCase& c)
{
    QList<OracleCase> out;
    const auto withPattern = [&](const QString& p) {
        OracleCase k = c;
        k.pattern = p;
        out << k;
    };
    const auto withSubject = [&](const QString& s) {
        OracleCase k = c;
        k.subject = s;
        out << k;
    };
    const QString& p = c.pattern;
    for (qsizetype i = 0; i < p.size(); ++i) {
        if (p.at(i) == u'\\') {
            ++i;
            continue;
        }
        if (p.at(i) != u'(' && p.at(i) != u'[')
            continue;
        const qsizetype j = closing(p, i);
        if (j < 0)
            continue;
        withPattern(p.left(i) + p.mid(j + 1));
        if (p.at(i) == u'(') {
            qsizetype body = i + 1;
            if (p.mid(i, 2) == u"(?") {
                body = p.indexOf(QRegularExpression(QStringLiteral("[:=!>]")), i + 2) + 1;
                if (body <= 0 || body > j)
                    continue;
            }
            withPattern(p.left(i) + p.mid(body, j - body) + p.mid(j + 1));
        }
    }
    if (c.subject.size() > 1) {
        withSubject(c.subject.left(c.subject.size() / 2));
        withSubject(c.subject.mid(c.subject.size() / 2));
    }
    for (qsizetype i = 0; i < p.size(); ++i)
        withPattern(p.left(i) + p.mid(i + 1));
    for (qsizetype i = 0; i < c.subject.size(); ++i)
        withSubject(c.subject.left(i) + c.subject.mid(i + 1));
    if (c.replacement != u"$&" && c.replacement.size() > 2) {
        OracleCase k = c;
        k.replacement = QStringLiteral("$&");
        out << k;
    }
    for (qsizetype i = 0; i < c.replacement.size(); ++i) {
        OracleCase k = c;
        k.replacement = c.replacement.left(i) + c.replacement.mid(i + 1);
        out << k;
    }
    if (c.caseSensitive) {
        OracleCase k = c;
        k.caseSensitive = false;
        out << k;
    }
    return out;
}

// Printable ASCII as itself, the rest as \\u escapes.
QString shown(const QString& text)
{
    QString out;
    for (const QChar ch : text) {
        if (ch.unicode() >= 0x20 && ch.unicode() < 0x7F)
            out += ch;
        else
            out += QStringLiteral("\\u%1").arg(uint(ch.unicode()), 4, 16, QChar(u'0'));
    }
    return out;
}

QString describe(const OracleRun::Finding& f)
{
    const OracleCase& c = f.minimal;
    QString text = QStringLiteral("/%1/ on \"%2\"").arg(shown(c.pattern), shown(c.subject));
    if (f.field == OracleAnswer::Replace)
        text += QStringLiteral(" with \"%1\"%2").arg(shown(c.replacement), c.caseSensitive ? "" : " (i)");
    text += QStringLiteral("\n      %1: V8 \"%2\", here \"%3\"  [case %4]")
                .arg(QString::fromLatin1(OracleAnswer::fieldName(f.field)),
                     shown(f.reference.fields[size_t(f.field)]), shown(f.product.fields[size_t(f.field)]))
                .arg(f.index);
    return text;
}

} // namespace

bool OracleRun::undecided(const OracleCase& c)
{
    static PatternEngine engine;
    for (const bool caseSensitive : {true, false}) {
        const PatternEngine::Compiled* compiled = engine.compiled(c.pattern, caseSensitive);
        if (compiled && engine.scan(*compiled, c.subject, true, PatternEngine::Report::Every, [](const qsizetype*) {
                return true;
            }) == PatternEngine::Scan::Undecided)
            return true;
    }
    return false;
}

int OracleRun::firstDifference(const OracleAnswer& a, const OracleAnswer& b)
{
    for (int k = 0; k < OracleAnswer::FieldCount; ++k) {
        if (a.fields[size_t(k)] != b.fields[size_t(k)])
            return k;
    }
    return -1;
}

bool OracleRun::documented(const QString& kind)
{
    return kind == u"undecided (a limit reached)";
}

bool OracleRun::run(uint64_t count, int maxShrunk)
{
    OracleGenerator generator(m_seed, m_realistic);
    int shrunk = 0;
    for (uint64_t first = 0; first < count; first += kBatch) {
        const uint64_t last = std::min<uint64_t>(count, first + kBatch);
        QList<OracleCase> cases;
        for (uint64_t i = first; i < last; ++i)
            cases << generator.make(i);
        QList<std::optional<OracleAnswer>> reference;
        QList<OracleAnswer> products(cases.size());
        const auto answerHere = [&](qsizetype from, qsizetype to) {
            for (qsizetype k = from; k < to; ++k)
                products[k] = productAnswer(cases[k]);
        };
        if (!m_node.evaluate(cases, reference, answerHere))
            return false;
        for (qsizetype k = 0; k < cases.size(); ++k) {
            if (!reference[k]) {
                ++m_skipped;
                continue;
            }
            ++m_casesRun;
            const OracleAnswer& product = products[k];
            const int field = firstDifference(product, *reference[k]);
            if (field < 0)
                continue;
            Finding f;
            f.index = first + uint64_t(k);
            f.original = f.minimal = cases[k];
            f.field = field;
            f.product = product;
            f.reference = *reference[k];
            if (shrunk < maxShrunk) {
                ++shrunk;
                if (!shrink(f))
                    return false;
            }
            f.kind = classify(f.minimal, f.product, f.reference);
            m_findings << f;
        }
    }
    return true;
}

bool OracleRun::shrink(Finding& f)
{
    // A case that makes node backtrack for seconds would take minutes.
    QElapsedTimer clock;
    clock.start();
    const QString startKind = classify(f.minimal, f.product, f.reference);
    for (int round = 0; round < kMaxShrinkRounds && clock.elapsed() < kMaxShrinkMs; ++round) {
        const QList<OracleCase> candidates = smallerCases(f.minimal);
        QList<std::optional<OracleAnswer>> references;
        bool smaller = false;
        for (qsizetype k = 0; k < candidates.size() && !smaller; ++k) {
            // The first cuts usually do: node is asked a few at a time.
            if (k % kShrinkSlice == 0) {
                QList<std::optional<OracleAnswer>> slice;
                if (!m_node.evaluate(candidates.mid(k, kShrinkSlice), slice))
                    return false;
                references = QList<std::optional<OracleAnswer>>(k) + slice;
            }
            if (!references[k])
                continue;
            const OracleAnswer product = productAnswer(candidates[k]);
            if (product.fields[size_t(f.field)] == references[k]->fields[size_t(f.field)])
                continue;
            // Never shrink into another kind of disagreement that is easier
            // to reach: a syntax error on one side, or a missing group.
            const QString kind = classify(candidates[k], product, *references[k]);
            if (kind != startKind && (kind == u"replacement names a missing group" ||
                                      kind == u"valid pattern refused" || kind == u"invalid pattern accepted"))
                continue;
            f.minimal = candidates[k];
            f.product = product;
            f.reference = *references[k];
            smaller = true;
        }
        if (!smaller)
            break;
    }
    f.field = firstDifference(f.product, f.reference);
    return true;
}

QString OracleRun::classify(const OracleCase& c, const OracleAnswer& p, const OracleAnswer& r)
{
    const QString& pattern = c.pattern;
    const auto matches = [&](const char* re) { return pattern.contains(QRegularExpression(QString::fromLatin1(re))); };
    const bool newer = pattern.contains(u"(?<") || pattern.contains(u"\\k<");
    const auto differs = [&](int field) { return p.fields[size_t(field)] != r.fields[size_t(field)]; };

    for (int k : {int(OracleAnswer::TestIgnoringCase), int(OracleAnswer::TestWithCase)}) {
        if (p.fields[size_t(k)] == u"undecided")
            return QStringLiteral("undecided (a limit reached)");
    }
    // A replacement or a last match over the budget leaves no trace in its
    // answer: the global loop itself tells.
    if (undecided(c))
        return QStringLiteral("undecided (a limit reached)");
    bool onlyReplace = differs(OracleAnswer::Replace);
    for (int k = 0; k < OracleAnswer::FieldCount; ++k)
        onlyReplace = onlyReplace && (k == OracleAnswer::Replace || !differs(k));
    // JavaScript copies "$2" as it stands when the pattern has fewer groups.
    if (onlyReplace) {
        const int groups = int(pattern.count(QRegularExpression(QStringLiteral("(?<!\\\\)\\((?!\\?)|\\(\\?<(?![=!])"))));
        static const QRegularExpression reference(QStringLiteral("\\$([1-9])"));
        for (auto it = reference.globalMatch(c.replacement); it.hasNext();) {
            if (it.next().captured(1).toInt() > groups)
                return QStringLiteral("replacement names a missing group");
        }
    }
    const auto hasSurrogate = [](const QString& s) {
        for (const QChar ch : s) {
            if (ch.isSurrogate())
                return true;
        }
        return false;
    };
    if (hasSurrogate(pattern) || hasSurrogate(c.subject) || matches("\\\\u[dD][89a-fA-F]"))
        return QStringLiteral("code units");
    const bool productInvalid = p.fields[OracleAnswer::TestIgnoringCase] == u"invalid";
    const bool referenceInvalid = r.fields[OracleAnswer::TestIgnoringCase] == u"invalid";
    if (productInvalid != referenceInvalid) {
        if (newer)
            return QStringLiteral("named groups, look-behind");
        return productInvalid ? QStringLiteral("valid pattern refused") : QStringLiteral("invalid pattern accepted");
    }
    if (matches("\\[([^\\]\\\\]|\\\\.)*\\\\c"))
        return QStringLiteral("\\c in a class");
    if (matches("\\{0+(,0+)?\\}"))
        return QStringLiteral("{0} quantifier");
    if (matches("(\\\\[1-9]|\\\\k<[^>]*>)[*+?{]"))
        return QStringLiteral("quantified back reference");
    const bool sameWithCase = !differs(OracleAnswer::TestWithCase) && !differs(OracleAnswer::MatchesWithCase) &&
                              !(c.caseSensitive && differs(OracleAnswer::Replace));
    if (sameWithCase)
        return QStringLiteral("case folding");
    const bool quantifiedGroup = matches("\\)[*+?{]");
    if (onlyReplace && quantifiedGroup)
        return QStringLiteral("captures of repeated groups");
    if (quantifiedGroup)
        return QStringLiteral("empty iterations");
    if (newer)
        return QStringLiteral("named groups, look-behind");
    return QStringLiteral("other");
}

QMap<QString, int> OracleRun::countsByKind() const
{
    QMap<QString, int> counts;
    for (const Finding& f : m_findings)
        ++counts[f.kind];
    return counts;
}

QString OracleRun::report(int examplesPerKind) const
{
    QString text = QStringLiteral("%1 cases compared, %2 skipped (no answer from node in time), %3 disagreements\n")
                       .arg(m_casesRun)
                       .arg(m_skipped)
                       .arg(m_findings.size());
    const QMap<QString, int> counts = countsByKind();
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        text += QStringLiteral("  %1: %2%3\n").arg(it.key()).arg(it.value()).arg(documented(it.key()) ? " (documented)" : "");
        int shown = 0;
        for (const Finding& f : m_findings) {
            if (f.kind != it.key() || shown >= examplesPerKind)
                continue;
            text += QStringLiteral("    ") + describe(f) + u'\n';
            ++shown;
        }
    }
    return text;
}
