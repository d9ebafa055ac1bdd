#pragma once

#include "linkback/GumboArena.h"

#include <QByteArray>
#include <QString>
#include <gumbo.h>

// One page read by gumbo, a real HTML5 parser: the same tree a browser builds
// from the same text with scripting off (so <noscript> holds elements, not
// text). The page comes as decoded text and is handed to gumbo as UTF-8 once;
// positions in the tree point into that UTF-8 copy.
class HtmlTree
{
public:
    HtmlTree(const QString& html, const GumboArena::Limits& limits);
    HtmlTree(const QByteArray& utf8, const GumboArena::Limits& limits);
    ~HtmlTree() = default;
    HtmlTree(const HtmlTree&) = delete;
    HtmlTree& operator=(const HtmlTree&) = delete;

    // False when a limit (time, memory, the owner's cancel) stopped the parse;
    // the tree is then empty.
    bool isComplete() const { return m_output != nullptr; }
    const GumboNode* document() const { return m_output ? m_output->document : nullptr; }
    qint64 peakBytes() const { return m_arena.peakBytes(); }

    // The page text from a to b (positions into the UTF-8 copy), at most
    // maxBytes of it.
    QString text(const char* a, const char* b, qsizetype maxBytes) const;
    bool contains(const char* p) const
    {
        return p >= m_source.constData() && p <= m_source.constData() + m_source.size();
    }

    // An attribute's decoded value; a null QString when the element lacks it.
    // The plain attribute wins over a namespaced one of the same name
    // (href before xlink:href).
    static QString attribute(const GumboElement& element, const char* name);
    static bool hasAttribute(const GumboElement& element, const char* name);

private:
    void parse(const GumboArena::Limits& limits);

    QByteArray m_source;
    GumboArena m_arena;
    GumboOutput* m_output = nullptr;
};
