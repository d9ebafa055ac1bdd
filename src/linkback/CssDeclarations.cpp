#include "linkback/CssDeclarations.h"

#include <optional>
#include <vector>

namespace {

using Tokens = QList<CssToken>;
using Type = CssToken::Type;

std::optional<CssDeclaration> declaration(const Tokens& t)
{
    qsizetype i = 1;
    while (i < t.size() && t[i].is(Type::Whitespace))
        ++i;
    if (i >= t.size() || !t[i].is(Type::Colon))
        return std::nullopt;
    CssDeclaration d;
    const QString& name = t.front().value;
    d.name = name.startsWith(u"--") ? name : CssToken::asciiLower(name);
    d.value = CssDeclarations::trimmed(t.mid(i + 1));
    // "! important" at the end, blanks allowed between and around.
    const qsizetype last = d.value.size() - 1;
    if (last >= 0 && d.value[last].isIdent(u"important")) {
        qsizetype bang = last - 1;
        while (bang >= 0 && d.value[bang].is(Type::Whitespace))
            --bang;
        if (bang >= 0 && d.value[bang].isDelim(u'!')) {
            d.important = true;
            d.value = CssDeclarations::trimmed(d.value.first(bang));
        }
    }
    for (qsizetype k = 0; k < d.value.size(); k = CssDeclarations::afterComponent(d.value, k)) {
        const CssToken& token = d.value[k];
        if (token.isDelim(u'!') || token.is(Type::CloseParen) || token.is(Type::CloseSquare) ||
            token.is(Type::CloseCurly))
            return std::nullopt;
    }
    for (const CssToken& token : d.value)
        if (token.is(Type::BadString) || token.is(Type::BadUrl))
            return std::nullopt;
    return d;
}

} // namespace

qsizetype CssDeclarations::afterComponent(const Tokens& t, qsizetype i, bool* closed)
{
    std::vector<Type> closers;
    do {
        const Type type = t[i++].type;
        if (type == Type::OpenParen || type == Type::Function)
            closers.push_back(Type::CloseParen);
        else if (type == Type::OpenSquare)
            closers.push_back(Type::CloseSquare);
        else if (type == Type::OpenCurly)
            closers.push_back(Type::CloseCurly);
        else if (!closers.empty() && type == closers.back())
            closers.pop_back();
    } while (!closers.empty() && i < t.size());
    if (closed)
        *closed = closers.empty();
    return i;
}

Tokens CssDeclarations::trimmed(Tokens t)
{
    while (!t.isEmpty() && t.front().is(Type::Whitespace))
        t.removeFirst();
    while (!t.isEmpty() && t.back().is(Type::Whitespace))
        t.removeLast();
    return t;
}

QList<CssDeclaration> CssDeclarations::parse(const QString& style)
{
    const Tokens t = CssTokenizer::tokenize(style);
    QList<CssDeclaration> list;
    qsizetype i = 0;
    while (i < t.size()) {
        const CssToken& first = t[i];
        if (first.is(Type::Whitespace) || first.is(Type::Semicolon)) {
            ++i;
            continue;
        }
        // An at-rule has no place here: Chromium passes over it, its block
        // and what follows up to the next ";".
        const qsizetype begin = i;
        while (i < t.size() && !t[i].is(Type::Semicolon))
            i = afterComponent(t, i);
        if (first.is(Type::Ident))
            if (const auto d = declaration(t.mid(begin, i - begin)))
                list.append(*d);
    }
    return list;
}
