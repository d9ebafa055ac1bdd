#pragma once

#include <QString>

class WebHost
{
public:
    // The host part of an address in the canonical form browsers give it:
    // percent-decoded, lower case, international names in ASCII, IPv4
    // numbers in dotted decimal ("0x7f.1" is 127.0.0.1). Empty when it is not
    // a valid host.
    static QString canonical(const QString& host);
};
