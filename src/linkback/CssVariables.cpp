#include "linkback/CssVariables.h"

#include <algorithm>

namespace {

using Tokens = QList<CssToken>;
using Type = CssToken::Type;

// A chain of var()s deeper than this, a value with more var()s, or one grown
// past this many tokens by its var()s, is taken as one that does not
// resolve; an element keeps at most so many custom properties. No real page
// comes near any of them, and a hostile one must not make the proof recurse,
// take time by the square of its size or grow without end.
constexpr int MaxDepth = 32;
constexpr int MaxVarCalls = 64;
constexpr qsizetype MaxTokens = 4096;
constexpr qsizetype MaxProperties = 1024;

qsizetype varCalls(const Tokens& value)
{
    return std::count_if(value.cbegin(), value.cend(),
                         [](const CssToken& t) { return t.isFunction(u"var"); });
}

// "initial", "inherit", "unset", "revert" or "revert-layer" alone.
std::optional<QString> cssWideKeyword(const Tokens& value)
{
    if (value.size() != 1 || !value.front().is(Type::Ident))
        return std::nullopt;
    const QString word = CssToken::asciiLower(value.front().value);
    if (word == u"initial" || word == u"inherit" || word == u"unset" || word == u"revert" ||
        word == u"revert-layer")
        return word;
    return std::nullopt;
}

struct VarCall
{
    QString name;
    std::optional<Tokens> fallback;
    qsizetype end = 0; // after the call
};

// The var() call at i: "var(--name)" or "var(--name, fallback)"; none when malformed.
std::optional<VarCall> varCall(const Tokens& value, qsizetype i)
{
    bool closed = false;
    VarCall call;
    call.end = CssDeclarations::afterComponent(value, i, &closed);
    const Tokens inside = CssDeclarations::trimmed(value.mid(i + 1, call.end - i - 1 - (closed ? 1 : 0)));
    if (inside.isEmpty() || !inside.front().is(Type::Ident) || !inside.front().value.startsWith(u"--"))
        return std::nullopt;
    call.name = inside.front().value;
    const Tokens rest = CssDeclarations::trimmed(inside.mid(1));
    if (!rest.isEmpty() && !rest.front().is(Type::Comma))
        return std::nullopt;
    if (!rest.isEmpty())
        call.fallback = rest.mid(1);
    return call;
}

} // namespace

CssVariables::CssVariables(const QList<CssDeclaration>& declarations, const Values& inherited)
    : m_inherited(inherited)
{
    for (const CssDeclaration& d : declarations) {
        if (!d.name.startsWith(u"--"))
            continue;
        const auto it = m_own.constFind(d.name);
        if (it == m_own.cend() || d.important || !it->important)
            m_own.insert(d.name, d);
    }
}

bool CssVariables::usesVar(const Tokens& value)
{
    for (const CssToken& token : value)
        if (token.isFunction(u"var"))
            return true;
    return false;
}

bool CssVariables::varsWellFormed(const Tokens& value)
{
    if (varCalls(value) > MaxVarCalls)
        return true; // and it does not resolve
    for (qsizetype i = 0; i < value.size(); ++i)
        if (value[i].isFunction(u"var") && !varCall(value, i))
            return false;
    return true;
}

CssVariables::Values CssVariables::all()
{
    Values result = m_inherited;
    for (auto it = m_own.cbegin(); it != m_own.cend(); ++it) {
        if (const auto value = resolve(it.key()); !value)
            result.remove(it.key());
        else if (result.contains(it.key()) || result.size() < MaxProperties)
            result.insert(it.key(), *value);
    }
    return result;
}

std::optional<Tokens> CssVariables::value(const QString& name)
{
    if (m_own.contains(name))
        return resolve(name);
    const auto it = m_inherited.constFind(name);
    return it == m_inherited.cend() ? std::nullopt : std::optional<Tokens>(*it);
}

std::optional<Tokens> CssVariables::substituted(const Tokens& value)
{
    if (varCalls(value) > MaxVarCalls)
        return std::nullopt;
    return substituted(value, [this](const QString& name) { return this->value(name); });
}

std::optional<Tokens> CssVariables::substituted(const Tokens& value, const Lookup& lookup)
{
    Tokens out;
    for (qsizetype i = 0; i < value.size();) {
        if (!value[i].isFunction(u"var")) {
            out.append(value[i++]);
            continue;
        }
        const std::optional<VarCall> call = varCall(value, i);
        if (!call)
            return std::nullopt;
        i = call->end;
        std::optional<Tokens> replacement = lookup(call->name);
        if (!replacement && call->fallback)
            replacement = substituted(*call->fallback, lookup);
        if (!replacement || out.size() + replacement->size() > MaxTokens)
            return std::nullopt;
        out += *replacement;
    }
    return out;
}

std::optional<Tokens> CssVariables::resolve(const QString& name)
{
    if (const auto done = m_done.constFind(name); done != m_done.cend())
        return *done;
    const qsizetype onStack = m_stack.indexOf(name);
    if (onStack >= 0) {
        for (qsizetype k = onStack; k < m_stack.size(); ++k)
            m_inRing.insert(m_stack[k]);
        return std::nullopt;
    }
    if (m_stack.size() >= MaxDepth)
        return std::nullopt;
    const Tokens& declared = m_own[name].value;
    std::optional<Tokens> result;
    if (const auto keyword = cssWideKeyword(declared)) {
        // The property is inherited: all but "initial" take the parent's.
        if (*keyword != u"initial")
            result = m_inherited.contains(name) ? std::optional<Tokens>(m_inherited[name]) : std::nullopt;
    } else {
        m_stack.append(name);
        result = substituted(declared);
        m_stack.removeLast();
        if (m_inRing.contains(name))
            result.reset();
    }
    m_done.insert(name, result);
    return result;
}
