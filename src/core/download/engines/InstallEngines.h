#pragma once

class DownloadScheduler;

// Gives the scheduler its two engines (engine 1 over the transfer control, engine 2 with its six slots), both
// talking to the scheduler as their download context.
void InstallEngines(DownloadScheduler &scheduler);
