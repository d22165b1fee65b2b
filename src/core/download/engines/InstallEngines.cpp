#include "core/download/engines/InstallEngines.h"

#include "core/download/DownloadScheduler.h"
#include "core/download/engines/Engine1.h"
#include "core/download/engines/Engine2.h"

void InstallEngines(DownloadScheduler &scheduler)
{
    scheduler.setEngines(std::make_unique<Engine1>(scheduler), std::make_unique<Engine2>(scheduler));
}
