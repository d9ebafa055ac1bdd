#include "rendering/RenderResult.h"

#include <array>
#include <utility>

namespace {

const std::array<std::pair<RenderEnd, const char*>, 6> kEndTexts{{
    {RenderEnd::Settled, "settled"},
    {RenderEnd::TimeLimit, "time limit"},
    {RenderEnd::Crashed, "crashed"},
    {RenderEnd::TooLarge, "too large"},
    {RenderEnd::LoadFailed, "load failed"},
    {RenderEnd::Failed, "render failed"},
}};

} // namespace

QString renderEndText(RenderEnd end)
{
    for (const auto& [value, text] : kEndTexts) {
        if (value == end)
            return QString::fromLatin1(text);
    }
    return {};
}

bool renderEndFromText(const QString& text, RenderEnd* end)
{
    for (const auto& [value, name] : kEndTexts) {
        if (text == QLatin1String(name)) {
            *end = value;
            return true;
        }
    }
    return false;
}
