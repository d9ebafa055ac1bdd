#pragma once

#include <QStringList>

// The status lines of HTTP/1.1 (RFC 2616), one per code in ascending order:
// the fixed "Available" list from which the user picks the accepted statuses.
class StatusCodes
{
public:
    static constexpr int Count = 41;
    static const QStringList& available();
};
