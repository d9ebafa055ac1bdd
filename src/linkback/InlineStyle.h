#pragma once

#include "linkback/CssVariables.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

// What an element's own style attribute says about showing it, read the way
// a browser reads a style attribute: the last valid declaration of a property
// wins and an invalid one counts for nothing, "!important" beats a later
// plain declaration, escapes are decoded, and var() takes the custom
// properties the element has. Only the inline style is read: a stylesheet
// rule would need the whole cascade, and a link hidden to fool a checker is
// nearly always hidden inline. So a var() naming a custom property no inline
// style sets reads as it does on a page without stylesheets.
class InlineStyle
{
public:
    // The custom properties ("--name") an element has, its own and those it
    // inherits, by name, each with every var() in it already replaced.
    using CustomProperties = CssVariables::Values;

    struct Visibility
    {
        // The element's own display, when its style decides it: none (true)
        // or any other (false). Unset, or given back with "revert-layer",
        // when the hidden attribute decides it.
        std::optional<bool> displayNone;
        // visibility: hidden or collapse (true); visible, or initial (false);
        // unset when the element takes its parent's.
        std::optional<bool> invisible;
    };

    // inherited: the parent's custom properties; custom, when given, gets the
    // element's own and inherited ones.
    static Visibility read(const QString& style, const CustomProperties& inherited = {},
                           CustomProperties* custom = nullptr);
};
