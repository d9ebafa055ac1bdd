#pragma once

#include "platform/SaveOutcome.h"

#include <QByteArray>
#include <QString>

// Replaces a file as a whole: the bytes go to a temporary file in the target's
// folder, which is then renamed over the target. A crash, a full disk or a
// refused write therefore leaves either the old file or the new one, never a
// mixture, and a failed save leaves the old content in place.
class AtomicFile
{
public:
    static SaveOutcome write(const QString& path, const QByteArray& bytes);
};
