#include "gui/fFileDownload/DownloadWindowHooks.h"

DownloadWindowHooks &DownloadWindowHooks::instance()
{
    static DownloadWindowHooks hooks;
    return hooks;
}
