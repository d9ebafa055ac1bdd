#include "linkback/InlineStyle.h"

#include "linkback/CssDeclarations.h"
#include "linkback/CssVariables.h"

#include <QStringList>

namespace {

using Tokens = QList<CssToken>;
using Type = CssToken::Type;

// What a declaration makes of the property.
enum class Effect
{
    Invalid, // not a value of the property: the declaration counts for nothing
    Hides,   // display: none; visibility: hidden or collapse
    Shows,   // any other display; visibility: visible or initial
    Default, // as if the style did not set it: the hidden attribute's display, the parent's visibility
};

bool isCssWide(const QString& word)
{
    return word == u"initial" || word == u"inherit" || word == u"unset" || word == u"revert" ||
           word == u"revert-layer";
}

// The words of a value made of keywords alone, in lower case; none when it
// holds anything else.
std::optional<QStringList> keywords(const Tokens& value)
{
    QStringList words;
    for (const CssToken& token : value) {
        if (token.is(Type::Whitespace))
            continue;
        if (!token.is(Type::Ident))
            return std::nullopt;
        words.append(CssToken::asciiLower(token.value));
    }
    return words;
}

// The display values Chromium takes, the engine of the browser pane and of
// Google's crawler: no "run-in", and none of the other engines' prefixed boxes.
Effect displayEffect(const Tokens& value)
{
    const std::optional<QStringList> words = keywords(value);
    if (!words || words->isEmpty() || words->size() > 3)
        return Effect::Invalid;
    static const QStringList single{
        QStringLiteral("contents"),           QStringLiteral("inline-block"),
        QStringLiteral("inline-table"),       QStringLiteral("inline-flex"),
        QStringLiteral("inline-grid"),        QStringLiteral("table-row-group"),
        QStringLiteral("table-header-group"), QStringLiteral("table-footer-group"),
        QStringLiteral("table-row"),          QStringLiteral("table-cell"),
        QStringLiteral("table-column-group"), QStringLiteral("table-column"),
        QStringLiteral("table-caption"),      QStringLiteral("ruby-text"),
        QStringLiteral("-webkit-box"),        QStringLiteral("-webkit-inline-box"),
        QStringLiteral("-webkit-flex"),       QStringLiteral("-webkit-inline-flex")};
    const QString& word = words->front();
    if (words->size() == 1) {
        if (word == u"none")
            return Effect::Hides;
        // Chromium gives the hidden attribute's display:none as the page's
        // own style, below the style attribute: revert goes back past it to
        // the browser's rules, revert-layer only down to it.
        if (word == u"revert-layer")
            return Effect::Default;
        if (isCssWide(word) || single.contains(word))
            return Effect::Shows;
    }
    // [ block | inline ] || [ flow | flow-root | table | flex | grid | ruby | math ],
    // or list-item with at most one of block/inline and one of flow/flow-root.
    int outside = 0, inside = 0, flow = 0, listItem = 0;
    for (const QString& w : *words) {
        if (w == u"block" || w == u"inline") {
            ++outside;
        } else if (w == u"flow" || w == u"flow-root") {
            ++inside;
            ++flow;
        } else if (w == u"table" || w == u"flex" || w == u"grid" || w == u"ruby" || w == u"math") {
            ++inside;
        } else if (w == u"list-item") {
            ++listItem;
        } else {
            return Effect::Invalid;
        }
    }
    if (outside > 1 || inside > 1 || listItem > 1 || (listItem == 1 && inside != flow))
        return Effect::Invalid;
    return Effect::Shows;
}

Effect visibilityEffect(const Tokens& value)
{
    const std::optional<QStringList> words = keywords(value);
    if (!words || words->size() != 1)
        return Effect::Invalid;
    const QString& word = words->front();
    if (word == u"hidden" || word == u"collapse")
        return Effect::Hides;
    // initial is visible. The property is inherited and no rule of the
    // browser's own sets it, so inherit, unset, revert and revert-layer all
    // take the parent's.
    if (word == u"visible" || word == u"initial")
        return Effect::Shows;
    return isCssWide(word) ? Effect::Default : Effect::Invalid;
}

// The effect of the property's winning declaration: the last valid one, an
// important one before any plain one. A well-formed var() makes a
// declaration valid as it stands; if what it gives is no value of the property, the property is
// unset: display then shows, and visibility is the parent's.
Effect cascaded(const QList<CssDeclaration>& list, QStringView property, Effect (*effect)(const Tokens&),
                Effect unset, CssVariables& variables)
{
    const CssDeclaration* winner = nullptr;
    for (const CssDeclaration& d : list) {
        if (d.name != property)
            continue;
        const bool valid = CssVariables::usesVar(d.value) ? CssVariables::varsWellFormed(d.value)
                                                          : effect(d.value) != Effect::Invalid;
        if (valid && (!winner || d.important || !winner->important))
            winner = &d;
    }
    if (!winner)
        return Effect::Default;
    if (!CssVariables::usesVar(winner->value))
        return effect(winner->value);
    const std::optional<Tokens> value = variables.substituted(winner->value);
    const Effect result = value ? effect(*value) : Effect::Invalid;
    return result == Effect::Invalid ? unset : result;
}

std::optional<bool> hides(Effect effect)
{
    if (effect == Effect::Hides)
        return true;
    if (effect == Effect::Shows)
        return false;
    return std::nullopt;
}

} // namespace

InlineStyle::Visibility InlineStyle::read(const QString& style, const CustomProperties& inherited,
                                          CustomProperties* custom)
{
    // Most styles set colours and margins: only a name written out or
    // escaped can make one of them count.
    if (!style.contains(u"display", Qt::CaseInsensitive) &&
        !style.contains(u"visibility", Qt::CaseInsensitive) && !style.contains(u"--") &&
        !style.contains(u'\\')) {
        if (custom)
            *custom = inherited;
        return {};
    }
    const QList<CssDeclaration> list = CssDeclarations::parse(style);
    CssVariables variables(list, inherited);
    Visibility visibility;
    visibility.displayNone = hides(cascaded(list, u"display", displayEffect, Effect::Shows, variables));
    visibility.invisible = hides(cascaded(list, u"visibility", visibilityEffect, Effect::Default, variables));
    if (custom)
        *custom = variables.hasOwn() ? variables.all() : inherited;
    return visibility;
}
