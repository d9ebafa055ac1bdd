#pragma once

#include <QString>
#include <optional>

// What an element's own style attribute says about showing it. Only the
// inline style is read: a stylesheet rule would need the whole cascade, and a
// link hidden to fool a checker is nearly always hidden inline.
class InlineStyle
{
public:
    struct Visibility
    {
        bool displayNone = false;      // the element and all inside it are not shown
        std::optional<bool> invisible; // visibility: hidden or collapse (true), visible (false); inherited
    };

    static Visibility read(const QString& style);
};
