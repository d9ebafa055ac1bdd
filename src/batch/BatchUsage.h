#pragma once

#include <QString>

// The text of quillmark-batch --help: its forms, options, exit codes and
// files, as the manual page has them.
class BatchUsage
{
public:
    static QString text();
};
