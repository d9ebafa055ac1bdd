#include "pattern/PatternParser.h"

#include <algorithm>

namespace {

// Groups nested deeper than this are refused as too deep (an undecided
// pattern, never an invalid one); no hand-written pattern comes near.
constexpr int kMaxDepth = 200;

} // namespace

PatternParser::Result PatternParser::parse(const QString& pattern, bool caseSensitive)
{
    PatternParser parser(pattern, caseSensitive);
    Result r;
    const int root = parser.disjunction(0);
    if (parser.m_status == Status::Ok && !parser.m_in.atEnd())
        parser.fail(Status::Invalid); // an unmatched ')'
    r.status = parser.m_status;
    if (r.status == Status::Ok) {
        parser.m_tree.root = root;
        parser.m_tree.captures = parser.m_in.groups();
        r.tree = std::move(parser.m_tree);
    }
    return r;
}

PatternParser::PatternParser(const QString& pattern, bool caseSensitive)
    : m_in(pattern), m_caseSensitive(caseSensitive)
{}

int PatternParser::fail(Status status)
{
    if (m_status == Status::Ok)
        m_status = status;
    return -1;
}

int PatternParser::setNode(PatternCharClass members)
{
    return m_tree.addSet(m_caseSensitive ? std::move(members) : members.caseBlind());
}

int PatternParser::disjunction(int depth)
{
    if (depth > kMaxDepth)
        return fail(Status::TooDeep);
    std::vector<int> alternatives;
    std::vector<int> sequence;
    const auto close = [&] {
        PatternNode n;
        if (sequence.size() == 1) {
            alternatives.push_back(sequence.front());
        } else {
            n.kind = sequence.empty() ? PatternNode::Kind::Empty : PatternNode::Kind::Sequence;
            n.children = std::move(sequence);
            alternatives.push_back(m_tree.add(std::move(n)));
        }
        sequence.clear();
    };
    for (;;) {
        if (m_in.atEnd() || m_in.peek() == u')')
            break;
        if (m_in.peek() == u'|') {
            m_in.skip();
            close();
            continue;
        }
        if (!term(sequence, depth))
            return -1;
    }
    close();
    if (alternatives.size() == 1)
        return alternatives.front();
    PatternNode n;
    n.kind = PatternNode::Kind::Alternation;
    n.children = std::move(alternatives);
    return m_tree.add(std::move(n));
}

bool PatternParser::term(std::vector<int>& sequence, int depth)
{
    bool quantifiable = true;
    int atom = -1;
    const char16_t c = m_in.peek();
    switch (c) {
    case u'^':
    case u'$': {
        m_in.skip();
        PatternNode n;
        n.kind = c == u'^' ? PatternNode::Kind::InputStart : PatternNode::Kind::InputEnd;
        atom = m_tree.add(std::move(n));
        quantifiable = false;
        break;
    }
    case u'.':
        m_in.skip();
        atom = setNode(PatternCharClass::dot());
        break;
    case u'(':
        atom = group(depth, quantifiable);
        break;
    case u'[':
        atom = characterClass();
        break;
    case u'*':
    case u'+':
    case u'?':
        return fail(Status::Invalid), false; // nothing to repeat
    case u'{': {
        quint32 min = 0, max = 0;
        if (m_in.readBraces(min, max))
            return fail(Status::Invalid), false; // nothing to repeat
        m_in.skip();
        atom = setNode(PatternCharClass::unit(c));
        break;
    }
    case u'\\':
        m_in.skip();
        atom = atomEscape(quantifiable);
        break;
    default:
        // Any other unit is itself, ']' and '}' and lone surrogates included.
        m_in.skip();
        atom = setNode(PatternCharClass::unit(c));
        break;
    }
    if (atom < 0)
        return false;

    const char16_t q = m_in.peek();
    quint32 min = 0, max = 0;
    if (q == u'*') {
        max = PatternNode::kUnbounded;
    } else if (q == u'+') {
        min = 1;
        max = PatternNode::kUnbounded;
    } else if (q == u'?') {
        max = 1;
    } else if (q != u'{' || !m_in.readBraces(min, max)) {
        sequence.push_back(atom);
        return true;
    }
    if (q != u'{')
        m_in.skip();
    if (!quantifiable)
        return fail(Status::Invalid), false;
    if (max != PatternNode::kUnbounded && max == PatternReader::kUnboundedCount)
        max = PatternNode::kUnbounded;
    if (min > max)
        return fail(Status::Invalid), false; // numbers out of order
    bool greedy = true;
    if (m_in.peek() == u'?') {
        m_in.skip();
        greedy = false;
    }
    quantify(sequence, atom, min, max, greedy);
    return true;
}

// Like browsers, an atom that can only match the empty text (an assertion,
// an empty group) is dropped under a quantifier that allows no iteration,
// and kept once under any other: repeating it changes nothing.
void PatternParser::quantify(std::vector<int>& sequence, int atom, quint32 min, quint32 max, bool greedy)
{
    if (m_tree.alwaysEmpty(atom)) {
        if (min > 0)
            sequence.push_back(atom);
        return;
    }
    PatternNode n;
    n.kind = PatternNode::Kind::Repeat;
    n.min = min;
    n.max = max;
    n.greedy = greedy;
    n.children = {atom};
    sequence.push_back(m_tree.add(std::move(n)));
}

int PatternParser::group(int depth, bool& quantifiable)
{
    PatternNode n;
    n.kind = PatternNode::Kind::Group;
    if (m_in.lookingAt(u"(?:")) {
        m_in.skip(3);
    } else if (m_in.lookingAt(u"(?=") || m_in.lookingAt(u"(?!")) {
        n.kind = PatternNode::Kind::Look;
        n.negative = m_in.peek(2) == u'!';
        m_in.skip(3);
    } else if (m_in.lookingAt(u"(?<=") || m_in.lookingAt(u"(?<!")) {
        n.kind = PatternNode::Kind::Look;
        n.behind = true;
        n.negative = m_in.peek(3) == u'!';
        quantifiable = false;
        m_in.skip(4);
    } else if (m_in.lookingAt(u"(?<")) {
        m_in.skip(2);
        QString name;
        if (!m_in.readGroupName(name) || m_namesSeen.contains(name))
            return fail(Status::Invalid);
        m_namesSeen << name;
        n.capture = ++m_nextGroup;
    } else if (m_in.lookingAt(u"(?")) {
        return fail(Status::Invalid);
    } else {
        m_in.skip();
        n.capture = ++m_nextGroup;
    }
    if (n.capture > 0)
        m_openGroups.push_back(n.capture);
    const int body = disjunction(depth + 1);
    if (n.capture > 0)
        m_openGroups.pop_back();
    if (body < 0)
        return -1;
    if (m_in.peek() != u')')
        return fail(Status::Invalid); // unterminated group
    m_in.skip();
    n.children = {body};
    return m_tree.add(std::move(n));
}

int PatternParser::atomEscape(bool& quantifiable)
{
    if (m_in.atEnd())
        return fail(Status::Invalid); // '\' at the end
    const char16_t c = m_in.peek();
    PatternNode n;
    switch (c) {
    case u'b':
    case u'B':
        m_in.skip();
        n.kind = c == u'b' ? PatternNode::Kind::WordBoundary : PatternNode::Kind::NotWordBoundary;
        quantifiable = false;
        return m_tree.add(std::move(n));
    case u'd':
    case u'D':
    case u'w':
    case u'W':
    case u's':
    case u'S':
        m_in.skip();
        return setNode(PatternCharClass::escape(char(c)));
    case u'c': {
        const char16_t letter = m_in.peek(1);
        if ((letter >= u'a' && letter <= u'z') || (letter >= u'A' && letter <= u'Z')) {
            m_in.skip(2);
            return setNode(PatternCharClass::unit(letter % 32));
        }
        // Without a letter the backslash is itself and the 'c' comes next.
        return setNode(PatternCharClass::unit(u'\\'));
    }
    case u'k':
        if (m_in.hasNamedGroups()) {
            m_in.skip();
            QString name;
            if (!m_in.readGroupName(name) || m_in.groupNamed(name) == 0)
                return fail(Status::Invalid);
            return backReference(m_in.groupNamed(name));
        }
        break;
    default:
        break;
    }
    if (c >= u'1' && c <= u'9') {
        // A back reference when the pattern has that many groups.
        const qsizetype at = m_in.position();
        quint64 number = 0;
        while (m_in.peek() >= u'0' && m_in.peek() <= u'9') {
            number = std::min<quint64>(number * 10 + (m_in.peek() - u'0'), 1u << 30);
            m_in.skip();
        }
        if (number <= quint64(m_in.groups()))
            return backReference(int(number));
        m_in.setPosition(at);
    }
    return setNode(PatternCharClass::unit(m_in.readCharacterEscape()));
}

// A reference inside the group it names always finds that group unset,
// cleared when the group's iteration began or never set: it matches the
// empty text, as it does in browsers.
int PatternParser::backReference(int group)
{
    PatternNode n;
    const bool inside = std::find(m_openGroups.begin(), m_openGroups.end(), group) != m_openGroups.end();
    n.kind = inside ? PatternNode::Kind::Empty : PatternNode::Kind::BackReference;
    n.capture = inside ? 0 : group;
    return m_tree.add(std::move(n));
}

int PatternParser::characterClass()
{
    m_in.skip(); // '['
    const bool negated = m_in.peek() == u'^';
    if (negated)
        m_in.skip();
    PatternCharClass members;
    for (;;) {
        if (m_in.atEnd())
            return fail(Status::Invalid); // unterminated class
        if (m_in.peek() == u']') {
            m_in.skip();
            break;
        }
        PatternCharClass first;
        bool firstEscape = false;
        char16_t lo = 0;
        if (!classAtom(first, firstEscape, lo))
            return -1;
        if (m_in.peek() != u'-' || m_in.peek(1) == u']' || m_in.atEnd()) {
            members.add(first);
            continue;
        }
        m_in.skip(); // '-'
        if (m_in.atEnd())
            return fail(Status::Invalid);
        PatternCharClass second;
        bool secondEscape = false;
        char16_t hi = 0;
        if (!classAtom(second, secondEscape, hi))
            return -1;
        if (firstEscape || secondEscape) {
            // A class escape cannot bound a range: all three are members.
            members.add(first);
            members.add(u'-', u'-');
            members.add(second);
            continue;
        }
        if (lo > hi)
            return fail(Status::Invalid); // range out of order
        members.add(lo, hi);
    }
    // Without regard to case a unit matches when its form is among the
    // members' forms; a negated class when it is not.
    if (!m_caseSensitive)
        members = members.caseBlind();
    return m_tree.addSet(negated ? members.negated() : members);
}

bool PatternParser::classAtom(PatternCharClass& members, bool& isEscape, char16_t& unit)
{
    isEscape = false;
    const char16_t c = m_in.peek();
    m_in.skip();
    if (c != u'\\') {
        unit = c;
        members = PatternCharClass::unit(c);
        return true;
    }
    if (m_in.atEnd())
        return fail(Status::Invalid), false;
    const char16_t e = m_in.peek();
    switch (e) {
    case u'd':
    case u'D':
    case u'w':
    case u'W':
    case u's':
    case u'S':
        m_in.skip();
        isEscape = true;
        members = PatternCharClass::escape(char(e));
        return true;
    case u'b':
        m_in.skip();
        unit = 0x08;
        break;
    case u'k':
        // With named groups in the pattern '\k' is a reference, which a
        // class cannot hold.
        if (m_in.hasNamedGroups())
            return fail(Status::Invalid), false;
        m_in.skip();
        unit = u'k';
        break;
    case u'c': {
        // In a class a digit or '_' after '\c' makes a control character too.
        const char16_t x = m_in.peek(1);
        if ((x >= u'a' && x <= u'z') || (x >= u'A' && x <= u'Z') || (x >= u'0' && x <= u'9') || x == u'_') {
            m_in.skip(2);
            unit = x % 32;
        } else {
            unit = u'\\'; // the 'c' is read next, as itself
        }
        break;
    }
    default:
        unit = m_in.readCharacterEscape();
        break;
    }
    members = PatternCharClass::unit(unit);
    return true;
}
