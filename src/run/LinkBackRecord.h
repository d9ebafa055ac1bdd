#pragma once

#include "linkback/LinkBackChange.h"
#include "linkback/LinkBackVerdict.h"
#include "store/UrlRecord.h"

#include <optional>

// A link-back verdict as the run journal keeps it, part by part, so that a
// later re-check can say what changed.
class LinkBackRecord
{
public:
    static UrlRecord::LinkBackFields fieldsOf(const LinkBackVerdict& verdict);
    // The verdict a record holds; none when the run that made it did not
    // prove the link back.
    static std::optional<LinkBackVerdict> verdictOf(const UrlRecord& record);
    // The check a record holds, as a re-check compares it; none as above.
    static std::optional<LinkBackCheck> checkOf(const UrlRecord& record);
};
