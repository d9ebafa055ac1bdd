#include "linkback/RobotsTxt.h"

namespace {

bool isUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// What an address may hold as it is: the unreserved characters and those that
// delimit its parts (RFC 3986). Everything else is only ever sent encoded.
bool standsAsIs(char c)
{
    static const QByteArray delimiters = QByteArrayLiteral(":/?#[]@!$&'()*+,;=");
    return isUnreserved(c) || delimiters.contains(c);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The field name of a line, allowing the misspellings crawlers forgive.
enum class Field
{
    UserAgent,
    Allow,
    Disallow,
    Other
};

Field fieldOf(const QByteArray& key)
{
    const QByteArray k = key.toLower();
    if (k == "user-agent" || k == "useragent" || k == "user agent")
        return Field::UserAgent;
    if (k == "allow")
        return Field::Allow;
    if (k == "disallow" || k == "dissallow" || k == "dissalow" || k == "disalow" || k == "diasllow" ||
        k == "disallaw")
        return Field::Disallow;
    return Field::Other;
}

// "ExampleBot/1.0" names the crawler ExampleBot.
QByteArray productToken(const QByteArray& value)
{
    qsizetype end = 0;
    while (end < value.size()) {
        const char c = value.at(end);
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '-' || c == '*'))
            break;
        ++end;
    }
    return value.left(end);
}

} // namespace

QByteArray RobotsTxt::normalisedPath(const QByteArray& path)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char c = path.at(i);
        if (c == '%' && i + 2 < path.size() && hexValue(path.at(i + 1)) >= 0 &&
            hexValue(path.at(i + 2)) >= 0) {
            const char decoded = char(hexValue(path.at(i + 1)) * 16 + hexValue(path.at(i + 2)));
            if (isUnreserved(decoded)) {
                out += decoded;
            } else {
                out += '%';
                out += hex[(uchar(decoded) >> 4) & 0xF];
                out += hex[uchar(decoded) & 0xF];
            }
            i += 2;
        } else if (!standsAsIs(c) && c != '%') {
            out += '%';
            out += hex[(uchar(c) >> 4) & 0xF];
            out += hex[uchar(c) & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

RobotsTxt RobotsTxt::disallowAll()
{
    RobotsTxt robots;
    robots.m_disallowAll = true;
    return robots;
}

// The file's bytes are UTF-8 by the protocol, so a rule is compared as those
// octets, percent-encoded, never as text decoded by a charset the server named.
RobotsTxt RobotsTxt::parse(const QByteArray& content)
{
    RobotsTxt robots;
    QByteArrayView text(content);
    if (text.size() > MaxBytes) {
        // A line cut by the limit could be a shorter rule than the file meant.
        text = text.first(MaxBytes);
        const qsizetype lastBreak = qMax(text.lastIndexOf('\n'), text.lastIndexOf('\r'));
        text = text.first(qMax<qsizetype>(lastBreak, 0));
    }
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);

    bool lastWasAgent = false;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text.at(end) != '\n' && text.at(end) != '\r')
            ++end;
        QByteArrayView line = text.sliced(pos, end - pos);
        pos = end + 1;
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line = line.first(hash);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const Field field = fieldOf(line.first(colon).trimmed().toByteArray());
        const QByteArray value = line.sliced(colon + 1).trimmed().toByteArray();
        if (field == Field::UserAgent) {
            if (!lastWasAgent || robots.m_groups.isEmpty())
                robots.m_groups.append(Group{});
            const QByteArray name = productToken(value);
            robots.m_groups.last().agents.append(name.toLower());
            robots.m_groups.last().names.append(name);
            lastWasAgent = true;
            continue;
        }
        if (field == Field::Other)
            continue;
        lastWasAgent = false;
        // Rules before any user-agent line belong to no group; an empty
        // Disallow is no rule at all.
        if (robots.m_groups.isEmpty() || value.isEmpty())
            continue;
        QByteArray pattern = normalisedPath(value);
        if (!pattern.startsWith('/') && !pattern.startsWith('*'))
            pattern.prepend('/');
        Rule rule;
        rule.text = value;
        rule.allow = field == Field::Allow;
        rule.length = pattern.size();
        if (pattern.endsWith('$')) {
            rule.anchored = true;
            pattern.chop(1);
        }
        rule.pieces = pattern.split('*');
        robots.m_groups.last().rules.append(rule);
    }
    return robots;
}

int RobotsTxt::ruleCount() const
{
    int count = 0;
    for (const Group& group : m_groups)
        count += int(group.rules.size());
    return count;
}

// Each piece between stars taken at its first place after the one before:
// if the pattern matches at all, it also matches this way, so one pass does.
bool RobotsTxt::Rule::matches(const QByteArray& path) const
{
    const QByteArray& first = pieces.first();
    if (pieces.size() == 1)
        return anchored ? path == first : path.startsWith(first);
    if (!path.startsWith(first))
        return false;
    qsizetype at = first.size();
    for (qsizetype i = 1; i + 1 < pieces.size(); ++i) {
        const qsizetype found = path.indexOf(pieces.at(i), at);
        if (found < 0)
            return false;
        at = found + pieces.at(i).size();
    }
    const QByteArray& last = pieces.last();
    if (anchored)
        return path.size() - last.size() >= at && path.endsWith(last);
    return last.isEmpty() || path.indexOf(last, at) >= 0;
}

RobotsTxt::Decision RobotsTxt::decide(const QString& pathAndQuery, const QString& agent) const
{
    if (m_disallowAll)
        return {false, QString()};
    QByteArray path = normalisedPath(pathAndQuery.toUtf8());
    if (path.isEmpty())
        path = "/";
    if (path == "/robots.txt")
        return {};
    const QByteArray token = productToken(agent.trimmed().toUtf8());
    const QByteArray wanted = token.isEmpty() ? QByteArray("*") : token.toLower();
    struct Chosen
    {
        const Group* group;
        QByteArray name; // the User-agent line that chose it
    };
    const auto pick = [this](const QByteArray& lower) {
        QList<Chosen> chosen;
        for (const Group& group : m_groups) {
            const qsizetype at = group.agents.indexOf(lower);
            if (at >= 0)
                chosen.append({&group, group.names.at(at)});
        }
        return chosen;
    };
    QList<Chosen> groups = pick(wanted);
    if (groups.isEmpty() && wanted != "*")
        groups = pick("*");
    const Rule* best = nullptr;
    QByteArray bestAgent;
    for (const Chosen& chosen : groups) {
        for (const Rule& rule : chosen.group->rules) {
            if (best && (rule.length < best->length || (rule.length == best->length && !rule.allow)))
                continue;
            if (rule.matches(path)) {
                best = &rule;
                bestAgent = chosen.name;
            }
        }
    }
    if (!best || best->allow)
        return {};
    return {false, QStringLiteral("User-agent: %1, Disallow: %2")
                       .arg(QString::fromUtf8(bestAgent), QString::fromUtf8(best->text))};
}
