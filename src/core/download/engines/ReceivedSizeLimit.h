#pragma once

#include "core/download/DownloadSettings.h"

#include <QtGlobal>
#include <cmath>
#include <limits>

// The largest body the settings let a transfer receive, in bytes. The limit counts what arrives, not only what a
// server announces: a body without a length (or with a false one) could otherwise fill the disk.
inline qint64 ReceivedSizeLimit(const DownloadSettings &settings)
{
    const double bytes = std::floor(settings.maxFileSizeMb * 1024.0 * 1024.0);
    if (!(bytes < static_cast<double>(std::numeric_limits<qint64>::max())))
        return std::numeric_limits<qint64>::max();
    return bytes < 0 ? 0 : static_cast<qint64>(bytes);
}
