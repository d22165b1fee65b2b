#pragma once

#include <QString>

// The program-wide download settings: read from the settings store at start-up and when the download window
// loads, held in memory for the whole run, changed by the options dialog. Engines read them through
// DownloadSettings::program().
struct DownloadSettings {
    int mode = 2; // 1 = engine 1, anything else = engine 2
    bool proxyEnabled = false;
    QString proxyAddress;
    QString proxyPort;
    double maxFileSizeMb = 10; // larger files are skipped

    // Reads the proxy and size values (and the mode) from their keys.
    static DownloadSettings fromStore();
    // The process's instance.
    static DownloadSettings &program();
};
