#include "core/download/DownloadSettings.h"

#include "core/store/Settings.h"

DownloadSettings DownloadSettings::fromStore()
{
    DownloadSettings s;
    s.mode = SettingKeys::下载方式.read();
    s.proxyEnabled = SettingKeys::代理服务器有效.read();
    s.proxyAddress = SettingKeys::代理服务器网址.read();
    s.proxyPort = SettingKeys::代理服务器端口.read();
    s.maxFileSizeMb = SettingKeys::文件最大值.read();
    return s;
}

DownloadSettings &DownloadSettings::program()
{
    static DownloadSettings settings;
    return settings;
}
