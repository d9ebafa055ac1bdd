#include "linkback/LinkScreen.h"

#include <QStringView>

namespace {

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The value as a browser's address parser would see it, lower case; false
// when a character reference could spell something the text does not show.
bool decodedValue(QStringView raw, QString* out)
{
    out->clear();
    out->reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char16_t c = raw.at(i).unicode();
        if (c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if (c != u'&') {
            if (c < 0x80)
                out->append(QChar(c >= u'A' && c <= u'Z' ? char16_t(c | 0x20) : c));
            else
                out->append(QChar(c).toLower());
            continue;
        }
        qsizetype end = i + 1;
        if (end < raw.size() && raw.at(end) == u'#')
            return false; // a numeric reference can be any character
        while (end < raw.size() && end - i < 10 && raw.at(end).unicode() < 0x80 &&
               raw.at(end).isLetterOrNumber())
            ++end;
        const QStringView name = raw.sliced(i + 1, end - i - 1);
        if (name.isEmpty()) {
            out->append(u'&');
            continue;
        }
        static const char16_t* const plain[] = {u"amp", u"lt", u"gt", u"quot", u"apos", u"nbsp"};
        bool known = false;
        for (const char16_t* p : plain)
            known = known || name == QStringView(p);
        if (!known)
            return false; // "&period;", "&sol;": named references spell punctuation too
        // The five stand for characters that are no part of a host; what they
        // stand for does not matter here, only that it is not a host letter.
        out->append(u' ');
        i = end < raw.size() && raw.at(end) == u';' ? end : end - 1;
    }
    return true;
}

// The host part of an address written in full ("http://host/...",
// "//host/...", "https:host"); empty for a relative one.
QStringView hostPart(QStringView value)
{
    qsizetype start = 0;
    qsizetype colon = -1;
    if (!value.isEmpty() && isAsciiLetter(value.at(0).unicode())) {
        qsizetype j = 1;
        while (j < value.size() && value.at(j).unicode() < 0x80 &&
               (value.at(j).isLetterOrNumber() || value.at(j) == u'+' || value.at(j) == u'-' ||
                value.at(j) == u'.'))
            ++j;
        if (j < value.size() && value.at(j) == u':')
            colon = j;
    }
    if (colon >= 0)
        start = colon + 1;
    qsizetype slashes = start;
    while (slashes < value.size() && (value.at(slashes) == u'/' || value.at(slashes) == u'\\'))
        ++slashes;
    if (colon < 0 && slashes - start < 2)
        return {};
    qsizetype end = slashes;
    while (end < value.size() && value.at(end) != u'/' && value.at(end) != u'\\' && value.at(end) != u'?' &&
           value.at(end) != u'#')
        ++end;
    return value.sliced(slashes, end - slashes);
}

bool hostIsPlain(QStringView host)
{
    for (const QChar c : host)
        if (c.unicode() >= 0x80 || c.unicode() < 0x20 || c == u'%')
            return false;
    return true;
}

bool isHostChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'.';
}

// The site's host as a whole name in the value: "//example.com",
// "@www.example.com", not "blog.example.com" nor "notexample.com" (what
// follows it is not looked at: "example.com.evil.org" is read in full).
bool namesHost(QStringView value, const QString& host)
{
    for (qsizetype at = value.indexOf(host); at >= 0; at = value.indexOf(host, at + 1)) {
        qsizetype before = at;
        if (before >= 4 && value.sliced(before - 4, 4) == u"www.")
            before -= 4;
        if (before == 0 || !isHostChar(value.at(before - 1)))
            return true;
    }
    return false;
}

bool isIpLiteral(const QString& host)
{
    if (host.startsWith(u'['))
        return true;
    for (const QChar c : host)
        if (!(c.isDigit() || c == u'.'))
            return false;
    return true;
}

} // namespace

bool LinkScreen::linksEverywhere(const QString& pageUrl, const MySites& sites)
{
    // A page on a site's host links into it with any relative target, also
    // into a site given as a folder of that host.
    QString pageHost = WebUrl::parse(pageUrl).host();
    while (pageHost.endsWith(u'.'))
        pageHost.chop(1);
    if (pageHost.startsWith(u"www."))
        pageHost = pageHost.mid(4);
    for (const MySite& site : sites.sites())
        if (isIpLiteral(site.host) || site.host == pageHost)
            return true;
    return false;
}

bool LinkScreen::mayName(QStringView raw, const MySites& sites)
{
    thread_local QString value;
    if (!decodedValue(raw, &value))
        return true;
    const QStringView trimmed = QStringView(value).trimmed();
    for (const MySite& site : sites.sites())
        if (namesHost(trimmed, site.host))
            return true;
    return !hostIsPlain(hostPart(trimmed));
}
