#include "pattern/PatternTranslator.h"

using Kind = PatternNode::Kind;

namespace {

// RE2 refuses larger counts.
constexpr uint32_t kRe2MaxCount = 1000;
// Writing a loop's mandatory iterations out one by one, and the rewriting
// of loops that could match the empty text, can grow a pattern; past this
// size the backtracking engine takes it instead.
constexpr qsizetype kMaxText = 20000;
constexpr uint32_t kMaxCopies = 50;
// The same for the time the rewriting takes: pieces written.
constexpr int kMaxWork = 20000;

QString wrapped(const QString& text)
{
    return QStringLiteral("(?:") + text + u')';
}

} // namespace

PatternTranslator::Result PatternTranslator::translate(const PatternTree& tree, bool withCaptures)
{
    PatternTranslator t(tree, withCaptures);
    Result r;
    const QString text = t.text(tree.root);
    if (!t.m_ok || t.tooLarge(text))
        return r;
    r.usable = true;
    r.text = text.toStdString();
    r.groupsExact = withCaptures && t.m_groupsExact;
    return r;
}

PatternTranslator::PatternTranslator(const PatternTree& tree, bool withCaptures)
    : m_tree(tree), m_withCaptures(withCaptures), m_written(size_t(tree.captures) + 1, 0)
{}

bool PatternTranslator::tooLarge(const QString& text)
{
    if (text.size() > kMaxText)
        m_ok = false;
    return !m_ok;
}

QString PatternTranslator::group(const PatternNode& n, const QString& body)
{
    if (n.capture == 0 || !m_withCaptures)
        return wrapped(body);
    if (++m_written[size_t(n.capture)] > 1 || m_loops > 0)
        m_groupsExact = false;
    return u'(' + body + u')';
}

QString PatternTranslator::quantifier(uint32_t min, uint32_t max, bool greedy)
{
    QString q;
    if (min == 0 && max == PatternNode::kUnbounded)
        q = QStringLiteral("*");
    else if (min == 1 && max == PatternNode::kUnbounded)
        q = QStringLiteral("+");
    else if (min == 0 && max == 1)
        q = QStringLiteral("?");
    else if (max == PatternNode::kUnbounded)
        q = QStringLiteral("{%1,}").arg(min);
    else if (min == max)
        q = QStringLiteral("{%1}").arg(min);
    else
        q = QStringLiteral("{%1,%2}").arg(min).arg(max);
    return greedy ? q : q + u'?';
}

int PatternTranslator::repeatNode(int child, uint32_t min, uint32_t max, bool greedy)
{
    PatternNode n;
    n.kind = Kind::Repeat;
    n.children = {child};
    n.min = min;
    n.max = max;
    n.greedy = greedy;
    return m_tree.add(std::move(n));
}

QString PatternTranslator::text(int i)
{
    if (!m_ok || ++m_work > kMaxWork) {
        m_ok = false;
        return {};
    }
    const PatternNode n = m_tree.node(i);
    switch (n.kind) {
    case Kind::Empty:
        return QStringLiteral("(?:)");
    case Kind::Set:
        return m_tree.sets[size_t(n.set)].re2Text();
    case Kind::InputStart:
        return QStringLiteral("\\A");
    case Kind::InputEnd:
        return QStringLiteral("\\z");
    case Kind::WordBoundary:
        return QStringLiteral("\\b");
    case Kind::NotWordBoundary:
        return QStringLiteral("\\B");
    case Kind::Look:
    case Kind::BackReference:
        m_ok = false;
        return {};
    case Kind::Group:
        return group(n, text(n.children[0]));
    case Kind::Alternation: {
        QString out;
        for (size_t k = 0; k < n.children.size(); ++k) {
            if (k > 0)
                out += u'|';
            out += text(n.children[k]);
        }
        return wrapped(out);
    }
    case Kind::Sequence: {
        QString out;
        for (int c : n.children) {
            out += text(c);
            if (tooLarge(out))
                return {};
        }
        return out;
    }
    case Kind::Repeat:
        return repeat(i);
    }
    return {};
}

QString PatternTranslator::repeat(int i)
{
    const PatternNode n = m_tree.node(i);
    const int body = n.children[0];
    const bool loops = n.max > 1;
    if (!m_tree.canBeEmpty(body)) {
        if (n.min > kRe2MaxCount || (n.max != PatternNode::kUnbounded && n.max > kRe2MaxCount)) {
            m_ok = false;
            return {};
        }
        m_loops += loops;
        const QString b = text(body);
        m_loops -= loops;
        return wrapped(b) + quantifier(n.min, n.max, n.greedy);
    }
    // The first `min` iterations may match the empty text: written out one
    // by one. The rest must not: a loop over the body's non-empty matches.
    if (n.min > kMaxCopies) {
        m_ok = false;
        return {};
    }
    QString out;
    for (uint32_t k = 0; k < n.min; ++k) {
        out += wrapped(text(body));
        if (tooLarge(out))
            return {};
    }
    if (n.max == n.min)
        return out;
    const uint32_t more = n.max == PatternNode::kUnbounded ? PatternNode::kUnbounded : n.max - n.min;
    if (more != PatternNode::kUnbounded && more > kRe2MaxCount) {
        m_ok = false;
        return {};
    }
    m_loops += more > 1;
    const std::optional<QString> nonEmptyBody = nonEmpty(body);
    m_loops -= more > 1;
    if (!nonEmptyBody)
        return out.isEmpty() ? QStringLiteral("(?:)") : out;
    return out + wrapped(*nonEmptyBody) + quantifier(0, more, n.greedy);
}

// The matches of the node that are not empty, in the same order; nullopt
// when it has none.
std::optional<QString> PatternTranslator::nonEmpty(int i)
{
    return nonEmptySequence({i}, 0);
}

// The non-empty matches of items[from..] in sequence, in their order: each
// match of the first item followed by each of the rest, keeping those that
// are not empty as a whole.
std::optional<QString> PatternTranslator::nonEmptySequence(const std::vector<int>& items, size_t from)
{
    if (!m_ok || from >= items.size() || ++m_work > kMaxWork) {
        m_ok = m_ok && m_work <= kMaxWork;
        return std::nullopt;
    }
    const int first = items[from];
    const auto rest = [&] {
        QString out;
        for (size_t k = from + 1; k < items.size() && m_ok; ++k)
            out += text(items[k]);
        return out;
    };
    if (!m_tree.canBeEmpty(first)) {
        const QString head = text(first);
        return head + rest();
    }
    if (m_tree.alwaysEmpty(first)) {
        const QString head = text(first);
        const std::optional<QString> tail = nonEmptySequence(items, from + 1);
        if (!tail)
            return std::nullopt;
        return head + *tail;
    }
    const PatternNode n = m_tree.node(first);
    std::vector<std::vector<int>> alternatives;
    const auto with = [&](std::vector<int> head) {
        head.insert(head.end(), items.begin() + qsizetype(from) + 1, items.end());
        alternatives.push_back(std::move(head));
    };
    switch (n.kind) {
    case Kind::Group:
        if (n.capture == 0 || !m_withCaptures) {
            with({n.children[0]});
            break;
        }
        // A capturing group cannot be taken apart.
        m_ok = false;
        return std::nullopt;
    case Kind::Sequence:
        with(n.children);
        break;
    case Kind::Alternation:
        for (int c : n.children)
            with({c});
        break;
    case Kind::Repeat:
        if (n.min > 0) {
            // One iteration, then the rest of the count.
            const uint32_t max = n.max == PatternNode::kUnbounded ? n.max : n.max - 1;
            with({n.children[0], repeatNode(n.children[0], n.min - 1, max, n.greedy)});
        } else {
            // Greedy: one more non-empty iteration first, then none.
            const std::optional<QString> once = nonEmpty(n.children[0]);
            const uint32_t max = n.max == PatternNode::kUnbounded ? n.max : n.max - 1;
            std::optional<QString> more;
            if (once) {
                const QString again = max == 0 ? QString() : text(repeatNode(n.children[0], 0, max, n.greedy));
                more = wrapped(*once) + again + rest();
            }
            const std::optional<QString> none = nonEmptySequence(items, from + 1);
            std::optional<QString> a = n.greedy ? more : none;
            std::optional<QString> b = n.greedy ? none : more;
            if (!a)
                return b;
            if (!b)
                return a;
            return wrapped(*a + u'|' + *b);
        }
        break;
    default:
        m_ok = false;
        return std::nullopt;
    }
    QString out;
    for (const std::vector<int>& alternative : alternatives) {
        const std::optional<QString> one = nonEmptySequence(alternative, 0);
        if (!one)
            continue;
        out += (out.isEmpty() ? QString() : QStringLiteral("|")) + *one;
        if (tooLarge(out))
            return std::nullopt;
    }
    if (out.isEmpty())
        return std::nullopt;
    return wrapped(out);
}
