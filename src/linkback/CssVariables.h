#pragma once

#include "linkback/CssDeclarations.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The custom properties ("--name") of one element and the var()s that use
// them, worked out as a browser does: an element has its own and those it
// inherits; "initial" takes one away; a var() takes the property's tokens,
// else its fallback; properties that take their values from each other in a
// ring have none.
class CssVariables
{
public:
    // By name, each with every var() in it already replaced.
    using Values = QHash<QString, QList<CssToken>>;

    // declarations: the element's own (others than custom properties are passed over).
    CssVariables(const QList<CssDeclaration>& declarations, const Values& inherited);

    bool hasOwn() const { return !m_own.isEmpty(); }
    // The element's custom properties, own and inherited.
    Values all();
    // One of them; none when the element has no value for it.
    std::optional<QList<CssToken>> value(const QString& name);
    // value with every var() replaced; none when a var() is malformed, names a
    // property without a value and has no fallback, or the value grows too large.
    std::optional<QList<CssToken>> substituted(const QList<CssToken>& value);

    static bool usesVar(const QList<CssToken>& value);
    // Every var() in value names a custom property, with or without a
    // fallback: else the declaration is no declaration at all.
    static bool varsWellFormed(const QList<CssToken>& value);

private:
    using Lookup = std::function<std::optional<QList<CssToken>>(const QString&)>;
    static std::optional<QList<CssToken>> substituted(const QList<CssToken>& value, const Lookup& lookup);
    std::optional<QList<CssToken>> resolve(const QString& name);

    const Values& m_inherited;
    QHash<QString, CssDeclaration> m_own;
    QHash<QString, std::optional<QList<CssToken>>> m_done;
    QStringList m_stack;
    QSet<QString> m_inRing;
};
