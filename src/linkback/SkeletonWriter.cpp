#include "linkback/SkeletonWriter.h"

#include "linkback/LinkScreen.h"

#include <algorithm>
#include <array>

using namespace std::string_view_literals;

namespace {

using Scan = HtmlTagScan;

// Characters whose loss could change how the page is read, in any state the
// parser may be in: the markup characters, quotes, dashes of comment ends,
// brackets of CDATA ends, character references and NUL. A run of text that
// holds one of them is kept whole.
const std::array<bool, 256> kSignificant = [] {
    std::array<bool, 256> table{};
    for (const char c : {'<', '>', '&', '-', ']', '"', '\'', '=', '`', '!', '/', '?', '\0'})
        table[uchar(c)] = true;
    return table;
}();

bool isRawText(const std::string& name)
{
    if (name.size() < 3 || name.size() > 8)
        return false;
    for (const std::string_view raw :
         {"script"sv, "style"sv, "xmp"sv, "iframe"sv, "noembed"sv, "noframes"sv, "textarea"sv, "title"sv})
        if (name == raw)
            return true;
    return false;
}

// The attributes the parser or the proof may read on an element outside the
// links into the sites: visibility, the signals of <meta>, <base> and
// <link>, the few that steer the tree (an <input type=hidden> in a table,
// <font> leaving SVG, ...). A link elsewhere loses its href.
bool keepsAttribute(const std::string& tag, const char* s, const HtmlAttribute& attribute)
{
    const qsizetype length = attribute.nameEnd - attribute.begin;
    const auto is = [&](std::string_view name) {
        return qsizetype(name.size()) == length &&
               Scan::startsWithNoCase(s, attribute.nameEnd, attribute.begin, name);
    };
    if (length < 3 || length > 10)
        return false;
    for (const std::string_view kept : {"style"sv, "hidden"sv, "rel"sv, "name"sv, "content"sv, "http-equiv"sv,
                                        "type"sv, "encoding"sv, "color"sv, "face"sv, "size"sv})
        if (is(kept))
            return true;
    return is("href") && (tag == "base" || tag == "link");
}

// href, or a namespaced one (xlink:href on an SVG link).
bool isHref(const char* s, const HtmlAttribute& attribute)
{
    const qsizetype length = attribute.nameEnd - attribute.begin;
    return length >= 4 && Scan::startsWithNoCase(s, attribute.nameEnd, attribute.nameEnd - 4, "href") &&
           (length == 4 || s[attribute.nameEnd - 5] == ':');
}

} // namespace

SkeletonWriter::SkeletonWriter(const QByteArray& page, const MySites& sites, bool everyAnchor)
    : m_s(page.constData()), m_n(page.size()), m_sites(sites), m_everyAnchor(everyAnchor)
{
    m_out.reserve(page.size() / 4 + 64);
    for (const MySite& site : sites.sites())
        m_hosts.push_back(site.host.toStdString());
}

void SkeletonWriter::copy(qsizetype a, qsizetype b)
{
    if (b <= a)
        return;
    if (a != m_next)
        m_edits.emplace_back(m_out.size(), a);
    m_out.append(m_s + a, b - a);
    m_next = b;
}

void SkeletonWriter::insert(const char* text)
{
    m_edits.emplace_back(m_out.size(), m_next);
    m_out.append(text);
    m_next = -1;
}

void SkeletonWriter::rest(qsizetype from)
{
    // Whatever is not looked at may hold a link.
    m_mayLink = true;
    copy(from, m_n);
}

// Text between tags: its leading blanks and first character decide how the
// parser places it; the rest only fills the text node.
void SkeletonWriter::text(qsizetype a, qsizetype b)
{
    if (m_openLinks > 0) {
        copy(a, b);
        return;
    }
    qsizetype k = a;
    while (k < b && Scan::isSpace(m_s[k]))
        ++k;
    if (k >= b || m_s[k] == '&' || m_s[k] == '\0') {
        copy(a, b);
        return;
    }
    ++k;
    while (k < b && (uchar(m_s[k]) & 0xC0) == 0x80)
        ++k;
    for (qsizetype j = k; j < b; ++j)
        if (kSignificant[uchar(m_s[j])]) {
            copy(a, b);
            return;
        }
    copy(a, k);
    if (k < b)
        m_cuts.push_back(m_out.size());
}

// Most values are plain ASCII without character references, percent signs,
// backslashes or blanks: written so, a value names a site only by holding
// its host, in any letter case, as a whole name (what the closer look of
// the link screen decides too, here without copies).
bool SkeletonWriter::cannotName(const char* value, qsizetype length)
{
    if (length > qsizetype(sizeof m_lower))
        return false;
    for (qsizetype k = 0; k < length; ++k) {
        const char c = value[k];
        if (c <= ' ' || c >= 0x7F || c == '&' || c == '%' || c == '\\')
            return false;
        m_lower[k] = c >= 'A' && c <= 'Z' ? char(c | 0x20) : c;
    }
    // The host counts as a whole name only: "//example.com", "@www.example.com",
    // not "blog.example.com" nor "notexample.com".
    const std::string_view lower(m_lower, size_t(length));
    for (const std::string& host : m_hosts)
        for (size_t at = lower.find(host); at != std::string_view::npos; at = lower.find(host, at + 1)) {
            size_t before = at;
            if (before >= 4 && lower.substr(before - 4, 4) == "www.")
                before -= 4;
            const char c = before > 0 ? lower[before - 1] : '/';
            if (!(Scan::isAlpha(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'))
                return false;
        }
    return true;
}

bool SkeletonWriter::mayNameSite(const HtmlTag& tag)
{
    for (const HtmlAttribute& attribute : tag.attributes) {
        if (!isHref(m_s, attribute))
            continue;
        const char* value = m_s + attribute.valueBegin;
        const qsizetype length = attribute.valueEnd - attribute.valueBegin;
        if (cannotName(value, length))
            continue;
        if (std::all_of(value, value + length, [](char c) { return uchar(c) < 0x80; }))
            m_value = QLatin1StringView(value, length); // keeps the buffer of the last one
        else
            m_value = QString::fromUtf8(value, length);
        if (LinkScreen::mayName(m_value, m_sites))
            return true;
    }
    return false;
}

void SkeletonWriter::startTag(const HtmlTag& tag)
{
    const bool link = tag.name == "a" || tag.name == "area";
    if (m_openLinks > 0 || (link && (m_everyAnchor || mayNameSite(tag)))) {
        m_mayLink = m_mayLink || link;
        if (tag.name == "a")
            ++m_openLinks;
        copy(tag.nameBegin - 1, tag.end);
        return;
    }
    std::vector<const HtmlAttribute*> kept;
    for (const HtmlAttribute& attribute : tag.attributes)
        if (keepsAttribute(tag.name, m_s, attribute))
            kept.push_back(&attribute);
    if (kept.size() == tag.attributes.size()) {
        copy(tag.nameBegin - 1, tag.end);
        return;
    }
    copy(tag.nameBegin - 1, tag.nameEnd);
    for (const HtmlAttribute* attribute : kept) {
        insert(" ");
        copy(attribute->begin, attribute->end);
    }
    insert(tag.selfClosing ? "/>" : ">");
}

// Where the text of a <script>, <style>, <title>, ... ends: at its own end
// tag; -1 when the page ends first or the text may not be read as text.
qsizetype SkeletonWriter::rawTextEnd(const std::string& name, qsizetype from) const
{
    const std::string close = "</" + name;
    qsizetype end = from;
    while (true) {
        end = Scan::find(m_s, m_n, end, '<');
        if (end < 0)
            return -1;
        const qsizetype length = qsizetype(close.size());
        if (Scan::startsWithNoCase(m_s, m_n, end, close) && end + length < m_n) {
            const char after = m_s[end + length];
            if (Scan::isSpace(after) || after == '/' || after == '>')
                break;
        }
        ++end;
    }
    bool markup = false;
    bool opensComment = false;
    bool namesScript = false;
    for (qsizetype at = Scan::find(m_s, m_n, from, '<'); at >= 0 && at < end;
         at = Scan::find(m_s, m_n, at + 1, '<')) {
        const char next = at + 1 < m_n ? m_s[at + 1] : ' ';
        markup = markup || Scan::isAlpha(next) || next == '!' || next == '/' || next == '?';
        opensComment = opensComment || Scan::startsWithNoCase(m_s, m_n, at, "<!--");
        namesScript = namesScript || Scan::startsWithNoCase(m_s, m_n, at, "<script");
    }
    // In HTML a script's text is text whatever it holds, unless it opens a
    // comment and names a script, where its end moves; in SVG or a frameset
    // it is markup. Other such text is text in HTML but markup in SVG or
    // <select>: read as such when it holds nothing that looks like a tag.
    if (name == "script")
        return (markup && (m_foreign || m_frameset)) || (opensComment && namesScript) ? -1 : end;
    return markup ? -1 : end;
}

// Where a comment, doctype or other <! or <? construct ends; -1 at the end
// of the page.
qsizetype SkeletonWriter::markupEnd(qsizetype lt) const
{
    if (Scan::startsWithNoCase(m_s, m_n, lt, "<!--")) {
        const qsizetype body = lt + 4;
        if (body < m_n && m_s[body] == '>')
            return body + 1;
        if (body + 1 < m_n && m_s[body] == '-' && m_s[body + 1] == '>')
            return body + 2;
        for (qsizetype at = Scan::find(m_s, m_n, body, '-'); at >= 0;
             at = Scan::find(m_s, m_n, at + 1, '-')) {
            if (at + 2 < m_n && m_s[at + 1] == '-' && m_s[at + 2] == '>')
                return at + 3;
            if (at + 3 < m_n && m_s[at + 1] == '-' && m_s[at + 2] == '!' && m_s[at + 3] == '>')
                return at + 4;
        }
        return -1;
    }
    const qsizetype close = Scan::find(m_s, m_n, lt + 2, '>');
    return close < 0 ? -1 : close + 1;
}

void SkeletonWriter::run()
{
    qsizetype textStart = 0;
    qsizetype scan = 0;
    while (true) {
        const qsizetype lt = Scan::find(m_s, m_n, scan, '<');
        if (lt < 0 || lt + 1 >= m_n) {
            text(textStart, m_n);
            return;
        }
        const char next = m_s[lt + 1];
        const bool endTag = next == '/' && lt + 2 < m_n && Scan::isAlpha(m_s[lt + 2]);
        if (!Scan::isAlpha(next) && !endTag && next != '!' && next != '/' && next != '?') {
            scan = lt + 1; // a '<' that starts nothing is text
            continue;
        }
        text(textStart, lt);
        if (next == '!' && Scan::startsWithNoCase(m_s, m_n, lt, "<![cdata[")) {
            rest(lt); // a CDATA section in SVG, a comment in HTML
            return;
        }
        if (next == '!' || next == '?' || (next == '/' && !endTag)) {
            const qsizetype end = markupEnd(lt);
            if (end < 0) {
                rest(lt);
                return;
            }
            if (next == '!' && Scan::startsWithNoCase(m_s, m_n, lt, "<!--")) {
                for (qsizetype at = lt; !m_mayLink && at + 4 <= end; ++at)
                    m_mayLink = Scan::startsWithNoCase(m_s, end, at, "href");
            }
            copy(lt, end);
            textStart = scan = end;
            continue;
        }
        if (!Scan::readTag(m_s, m_n, lt, endTag, m_tag)) {
            rest(lt);
            return;
        }
        textStart = scan = m_tag.end;
        if (endTag) {
            copy(lt, m_tag.end);
            if (m_tag.name == "a" && m_openLinks > 0)
                --m_openLinks;
            continue;
        }
        if (m_tag.name == "plaintext") {
            rest(lt);
            return;
        }
        m_foreign = m_foreign || m_tag.name == "svg" || m_tag.name == "math";
        m_frameset = m_frameset || m_tag.name == "frameset";
        startTag(m_tag);
        if (isRawText(m_tag.name)) {
            const qsizetype end = rawTextEnd(m_tag.name, m_tag.end);
            if (end < 0) {
                rest(m_tag.end);
                return;
            }
            copy(m_tag.end, end);
            textStart = scan = end;
        }
    }
}
