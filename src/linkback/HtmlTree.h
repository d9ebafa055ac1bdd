#pragma once

#include "linkback/GumboArena.h"
#include "linkback/PageSkeleton.h"

#include <QByteArray>
#include <QString>
#include <gumbo.h>

// One page read by gumbo, a real HTML5 parser: the same tree a browser builds
// from the same text with scripting off (so <noscript> holds elements, not
// text). The page comes as decoded text and is handed to gumbo as UTF-8 once,
// or as a skeleton of it; positions in the tree point into what gumbo read.
class HtmlTree
{
public:
    HtmlTree(const QString& html, const GumboArena::Limits& limits);
    HtmlTree(const QByteArray& utf8, const GumboArena::Limits& limits);
    HtmlTree(const PageSkeleton& page, const GumboArena::Limits& limits);
    ~HtmlTree() = default;
    HtmlTree(const HtmlTree&) = delete;
    HtmlTree& operator=(const HtmlTree&) = delete;

    // False when a limit (time, memory, the owner's cancel) stopped the parse;
    // the tree is then empty.
    bool isComplete() const { return m_output != nullptr; }
    const GumboNode* document() const { return m_output ? m_output->document : nullptr; }
    qint64 peakBytes() const { return m_arena.peakBytes(); }

    // The page text from a to b (positions in the tree), as the page has it,
    // at most maxBytes of it.
    QString text(const char* a, const char* b, qsizetype maxBytes) const;
    bool contains(const char* p) const
    {
        const QByteArray& source = m_page.bytes();
        return p >= source.constData() && p <= source.constData() + source.size();
    }

    // Whether the text of this node lacks words of the page: the tree was
    // built from a skeleton that left them out.
    bool isCut(const GumboText& text) const
    {
        const char* parsed = m_page.bytes().constData();
        const qsizetype from = text.original_text.data - parsed;
        return contains(text.original_text.data) &&
               m_page.cutWithin(from, from + qsizetype(text.original_text.length));
    }

    // An attribute's decoded value; a null QString when the element lacks it.
    // The plain attribute wins over a namespaced one of the same name
    // (href before xlink:href).
    static QString attribute(const GumboElement& element, const char* name);
    static bool hasAttribute(const GumboElement& element, const char* name);

private:
    void parse(const GumboArena::Limits& limits);

    PageSkeleton m_page;
    GumboArena m_arena;
    GumboOutput* m_output = nullptr;
};
