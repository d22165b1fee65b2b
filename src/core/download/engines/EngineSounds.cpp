#include "core/download/engines/EngineSounds.h"

#include "core/download/DownloadEngine.h"
#include "core/download/DownloadItem.h"

namespace {
constexpr int kPageSound = 101;
constexpr int kFailedSound = 103;
} // namespace

void PlayTransferEndSounds(DownloadContext &context, const DownloadItem &row)
{
    if (!context.soundEnabled())
        return;
    const QString type = row.type.toLower();
    if (type == QLatin1String("htm") || type == QLatin1String("html"))
        context.playSound(kPageSound);
    if (row.state == ItemState::Failed)
        context.playSound(kFailedSound);
}
