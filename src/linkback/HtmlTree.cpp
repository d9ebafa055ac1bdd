#include "linkback/HtmlTree.h"

#include <cstring>

HtmlTree::HtmlTree(const QString& html, const GumboArena::Limits& limits) : HtmlTree(html.toUtf8(), limits) {}

HtmlTree::HtmlTree(const QByteArray& utf8, const GumboArena::Limits& limits)
    : HtmlTree(PageSkeleton(utf8), limits)
{}

HtmlTree::HtmlTree(const PageSkeleton& page, const GumboArena::Limits& limits) : m_page(page), m_arena(limits)
{
    parse(limits);
}

void HtmlTree::parse(const GumboArena::Limits&)
{
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = &GumboArena::allocate;
    options.deallocator = &GumboArena::deallocate;
    options.userdata = &m_arena;
    // Parse errors are not wanted; recording each one costs time and memory
    // on a malformed page.
    options.max_errors = 0;
    std::jmp_buf escape;
    m_arena.escape = &escape;
    // Nothing with a destructor lives between here and the parse: the arena
    // may jump back out of gumbo to this point, and then owns all it left.
    if (setjmp(escape) == 0)
        m_output =
            gumbo_parse_with_options(&options, m_page.bytes().constData(), size_t(m_page.bytes().size()));
    else
        m_output = nullptr;
    m_arena.escape = nullptr;
}

QString HtmlTree::text(const char* a, const char* b, qsizetype maxBytes) const
{
    if (!a || !b || b < a || !contains(a) || !contains(b))
        return {};
    const char* parsed = m_page.bytes().constData();
    const qsizetype from = m_page.originalOffset(a - parsed);
    const qsizetype to = m_page.originalOffset(b - parsed);
    if (from < 0 || to < from)
        return {};
    const char* text = m_page.original().constData() + from;
    qsizetype length = qMin<qsizetype>(to - from, maxBytes);
    // Never cut a character in two.
    while (length > 0 && length < to - from && (uchar(text[length]) & 0xC0) == 0x80)
        --length;
    return QString::fromUtf8(text, length);
}

static const GumboAttribute* findAttribute(const GumboElement& element, const char* name)
{
    const GumboAttribute* namespaced = nullptr;
    for (unsigned i = 0; i < element.attributes.length; ++i) {
        const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
        if (strcasecmp(attribute->name, name) != 0)
            continue;
        if (attribute->attr_namespace == GUMBO_ATTR_NAMESPACE_NONE)
            return attribute;
        if (!namespaced)
            namespaced = attribute;
    }
    return namespaced;
}

QString HtmlTree::attribute(const GumboElement& element, const char* name)
{
    const GumboAttribute* attribute = findAttribute(element, name);
    if (!attribute)
        return {};
    QString value = QString::fromUtf8(attribute->value);
    if (value.isNull())
        value = QLatin1String("");
    return value;
}

bool HtmlTree::hasAttribute(const GumboElement& element, const char* name)
{
    return findAttribute(element, name) != nullptr;
}
