#include "linkback/WebUrl.h"

#include "linkback/UrlEncoding.h"
#include "linkback/WebHost.h"

#include <QStringList>
#include <QUrl>
#include <cstring>

namespace {

bool isSpecialScheme(const QString& scheme)
{
    return scheme == u"http" || scheme == u"https" || scheme == u"ftp" || scheme == u"ws" ||
           scheme == u"wss" || scheme == u"file";
}

int defaultPort(const QString& scheme)
{
    if (scheme == u"http" || scheme == u"ws")
        return 80;
    if (scheme == u"https" || scheme == u"wss")
        return 443;
    if (scheme == u"ftp")
        return 21;
    return -1;
}

// Browsers drop leading and trailing controls and blanks, and every tab and
// line break inside, before they read an address: an href split over two
// lines is still a link.
QString strippedInput(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    QString out;
    out.reserve(end - begin);
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c != u'\t' && c != u'\n' && c != u'\r')
            out.append(QChar(c));
    }
    return out;
}

bool isSingleDot(const QString& s)
{
    return s == u"." || s.compare(u"%2e", Qt::CaseInsensitive) == 0;
}

bool isDoubleDot(const QString& s)
{
    if (s.size() == 2)
        return s == u"..";
    if (s.size() == 4)
        return s.compare(u".%2e", Qt::CaseInsensitive) == 0 || s.compare(u"%2e.", Qt::CaseInsensitive) == 0;
    return s.size() == 6 && s.compare(u"%2e%2e", Qt::CaseInsensitive) == 0;
}

} // namespace

bool WebUrl::isSpecial() const
{
    return isSpecialScheme(m_scheme);
}

int WebUrl::effectivePort() const
{
    return m_port >= 0 ? m_port : defaultPort(m_scheme);
}

bool WebUrl::parseAuthority(const QString& authority)
{
    QString hostPort = authority;
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        // The user name and the password, each encoded; the colon between them stays.
        const QString userinfo = authority.left(at);
        const qsizetype colon = userinfo.indexOf(u':');
        m_userinfo = UrlEncoding::percentEncoded(userinfo.left(colon), UrlEncoding::Set::Userinfo);
        if (colon >= 0)
            m_userinfo +=
                u':' + UrlEncoding::percentEncoded(userinfo.mid(colon + 1), UrlEncoding::Set::Userinfo);
        hostPort = authority.mid(at + 1);
    }
    qsizetype colon = -1;
    bool inBrackets = false;
    for (qsizetype i = 0; i < hostPort.size() && colon < 0; ++i) {
        const QChar c = hostPort.at(i);
        if (c == u'[')
            inBrackets = true;
        else if (c == u']')
            inBrackets = false;
        else if (c == u':' && !inBrackets)
            colon = i;
    }
    const QString host = colon >= 0 ? hostPort.left(colon) : hostPort;
    const QString port = colon >= 0 ? hostPort.mid(colon + 1) : QString();
    if (isSpecial()) {
        m_host = WebHost::canonical(host);
        if (m_host.isEmpty() && m_scheme != u"file")
            return false;
    } else {
        for (const QChar c : host)
            if (c.unicode() < 0x80 && std::strchr(" #/<>?@[\\]^|", char(c.unicode())))
                return false;
        m_host = UrlEncoding::percentEncoded(host, UrlEncoding::Set::Control);
    }
    m_hasHost = true;
    m_port = -1;
    if (!port.isEmpty()) {
        if (port.size() > 5)
            return false;
        for (const QChar c : port)
            if (!c.isDigit() || c.unicode() >= 0x80)
                return false;
        const int value = port.toInt();
        if (value > 65535)
            return false;
        m_port = value == defaultPort(m_scheme) ? -1 : value;
    }
    return true;
}

void WebUrl::setPath(const QString& rawPath, bool merge, const QString& basePath)
{
    QString whole = rawPath;
    if (merge) {
        const qsizetype slash = basePath.lastIndexOf(u'/');
        whole = (slash >= 0 ? basePath.left(slash + 1) : QStringLiteral("/")) + rawPath;
    }
    const bool special = isSpecial();
    if (special)
        whole.replace(u'\\', u'/');
    if (whole.isEmpty() && !special) {
        m_path.clear();
        return;
    }
    QStringList segments = whole.split(u'/');
    if (!segments.isEmpty() && segments.first().isEmpty())
        segments.removeFirst();
    QStringList out;
    for (qsizetype k = 0; k < segments.size(); ++k) {
        const bool last = k + 1 == segments.size();
        const QString& segment = segments.at(k);
        if (isDoubleDot(segment)) {
            if (!out.isEmpty())
                out.removeLast();
            if (last)
                out.append(QString());
        } else if (isSingleDot(segment)) {
            if (last)
                out.append(QString());
        } else {
            out.append(
                UrlEncoding::percentEncoded(UrlEncoding::unreservedDecoded(segment), UrlEncoding::Set::Path));
        }
    }
    m_path = u'/' + out.join(u'/');
}

namespace {

// Splits "path?query#fragment" at the first '?' and the first '#'.
struct Tail
{
    QString path;
    QString query;
    bool hasQuery = false;
    QString fragment;
    bool hasFragment = false;
};

Tail splitTail(const QString& text)
{
    Tail tail;
    QString rest = text;
    const qsizetype hash = rest.indexOf(u'#');
    if (hash >= 0) {
        tail.fragment = rest.mid(hash + 1);
        tail.hasFragment = true;
        rest.truncate(hash);
    }
    const qsizetype question = rest.indexOf(u'?');
    if (question >= 0) {
        tail.query = rest.mid(question + 1);
        tail.hasQuery = true;
        rest.truncate(question);
    }
    tail.path = rest;
    return tail;
}

} // namespace

WebUrl WebUrl::parse(const QString& text)
{
    return WebUrl().resolved(text);
}

WebUrl WebUrl::resolved(const QString& target) const
{
    const QString input = strippedInput(target);
    WebUrl url;
    const WebUrl* base = m_valid ? this : nullptr;

    qsizetype schemeEnd = -1;
    if (!input.isEmpty() && input.at(0).unicode() < 0x80 && input.at(0).isLetter()) {
        qsizetype j = 1;
        while (j < input.size()) {
            const char16_t c = input.at(j).unicode();
            if (!(c < 0x80 && (QChar(c).isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.')))
                break;
            ++j;
        }
        if (j < input.size() && input.at(j) == u':')
            schemeEnd = j;
    }

    QString rest = input;
    bool relative = schemeEnd < 0;
    if (schemeEnd >= 0) {
        url.m_scheme = input.left(schemeEnd).toLower();
        rest = input.mid(schemeEnd + 1);
        // "http:page.html" on an http page is a relative link in browsers.
        if (url.isSpecial() && base && base->m_scheme == url.m_scheme && !base->m_opaque &&
            !(rest.startsWith(u'/') || rest.startsWith(u'\\')))
            relative = true;
    }

    const auto finishTail = [&url](const Tail& tail) {
        if (tail.hasQuery) {
            url.m_hasQuery = true;
            url.m_query = UrlEncoding::percentEncoded(
                tail.query, url.isSpecial() ? UrlEncoding::Set::SpecialQuery : UrlEncoding::Set::Query);
        }
        if (tail.hasFragment) {
            url.m_hasFragment = true;
            url.m_fragment = UrlEncoding::percentEncoded(tail.fragment, UrlEncoding::Set::Fragment);
        }
    };
    // "//host/path": an authority, then the path.
    const auto withAuthority = [&](const QString& text) -> WebUrl {
        const bool special = url.isSpecial();
        qsizetype start = 0;
        if (special) {
            while (start < text.size() && (text.at(start) == u'/' || text.at(start) == u'\\'))
                ++start;
        } else {
            start = 2;
        }
        qsizetype end = start;
        while (end < text.size()) {
            const QChar c = text.at(end);
            if (c == u'/' || c == u'?' || c == u'#' || (special && c == u'\\'))
                break;
            ++end;
        }
        if (!url.parseAuthority(text.mid(start, end - start)))
            return {};
        const Tail tail = splitTail(text.mid(end));
        url.setPath(tail.path, false, {});
        finishTail(tail);
        url.m_valid = true;
        return url;
    };

    if (!relative) {
        const bool special = url.isSpecial();
        if (special || rest.startsWith(u"//"))
            return withAuthority(rest);
        const Tail tail = splitTail(rest);
        if (rest.startsWith(u'/')) {
            url.setPath(tail.path, false, {});
        } else {
            url.m_opaque = true;
            url.m_path = UrlEncoding::percentEncoded(tail.path, UrlEncoding::Set::Control);
        }
        finishTail(tail);
        url.m_valid = true;
        return url;
    }

    if (!base)
        return {};
    if (base->m_opaque) {
        if (!rest.startsWith(u'#'))
            return {};
        url = *base;
        url.m_hasFragment = true;
        url.m_fragment = UrlEncoding::percentEncoded(rest.mid(1), UrlEncoding::Set::Fragment);
        return url;
    }
    url.m_scheme = base->m_scheme;
    const bool special = url.isSpecial();
    const auto isSlash = [special](QChar c) { return c == u'/' || (special && c == u'\\'); };
    if (rest.size() >= 2 && isSlash(rest.at(0)) && isSlash(rest.at(1)))
        return withAuthority(rest);
    url.m_userinfo = base->m_userinfo;
    url.m_host = base->m_host;
    url.m_hasHost = base->m_hasHost;
    url.m_port = base->m_port;
    const Tail tail = splitTail(rest);
    if (!rest.isEmpty() && isSlash(rest.at(0))) {
        url.setPath(tail.path, false, {});
    } else if (tail.path.isEmpty()) {
        url.m_path = base->m_path;
        if (!tail.hasQuery) {
            url.m_hasQuery = base->m_hasQuery;
            url.m_query = base->m_query;
        }
    } else {
        url.setPath(tail.path, true, base->m_path);
    }
    finishTail(tail);
    url.m_valid = true;
    return url;
}

QString WebUrl::withoutFragment() const
{
    if (!m_valid)
        return {};
    QString out = m_scheme + u':';
    if (m_hasHost) {
        out += QStringLiteral("//");
        if (!m_userinfo.isEmpty())
            out += m_userinfo + u'@';
        out += m_host;
        if (m_port >= 0)
            out += u':' + QString::number(m_port);
    }
    out += m_path;
    if (m_hasQuery)
        out += u'?' + m_query;
    return out;
}

QString WebUrl::toString() const
{
    if (!m_valid)
        return {};
    return m_hasFragment ? withoutFragment() + u'#' + m_fragment : withoutFragment();
}

QString WebUrl::pathAndQuery() const
{
    return m_hasQuery ? m_path + u'?' + m_query : m_path;
}
