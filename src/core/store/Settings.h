#pragma once

#include "core/store/SettingValue.h"
#include "core/store/SettingsStore.h"

#include <QString>

// Every key the program uses, in one place, with its type and the default its readers get.
namespace SettingKeys {
inline const SettingValue<double> 文件最大值{"设置", "文件最大值", 10};
inline const SettingValue<int> 下载方式{"设置", "下载方式", 2};
inline const SettingValue<bool> 代理服务器有效{"设置", "代理服务器有效", false};
inline const SettingValue<QString> 代理服务器网址{"设置", "代理服务器网址", QString()};
inline const SettingValue<QString> 代理服务器端口{"设置", "代理服务器端口", QString()};
inline const SettingValue<bool> 使用ip代理{"设置", "使用ip代理", false};
// Written by the options dialog, read at start-up: a run starts with the question as the user last left it.
inline const SettingValue<bool> 提取网页信息时提示下载保存路径{"设置", "提取网页信息时提示下载保存路径", true};

// "c:\12345" of the original platform; see StoredDownloadFolder().
inline const SettingValue<QString> 下载文件保存路径{"fWebSearch", "下载文件保存路径", QString()};
inline const SettingValue<int> combo1{"fWebSearch", "combo1", 4};
inline const SettingValue<bool> check1{"fWebSearch", "check1", false};
inline const SettingValue<bool> check3{"fWebSearch", "check3", false};
inline const SettingValue<bool> check7{"fWebSearch", "check7", false};
inline const SettingValue<int> 代理ip使用index{"fWebSearch", "代理ip使用index", 0};
inline const SettingValue<QString> 指定网址{"fWebSearch", "指定网址", QString()};

// The position of the selected entry of the thread-count box "1".."6".
inline const SettingValue<int> 线程{"下载", "线程", 2};
inline const SettingValue<QString> 重复文件名设置{"专利下载", "重复文件名设置", QStringLiteral("重命名")};

// Remembered placement of the download window: the screen size it was saved on ("0*0" when closed maximized,
// "000" never saved) and its edges in twips.
inline const SettingValue<QString> 下载窗口分辨率{"fFileDownload", "分辨率", QStringLiteral("000")};
inline const SettingValue<double> 下载窗口上{"fFileDownload", "上", 100};
inline const SettingValue<double> 下载窗口左{"fFileDownload", "左", 100};
inline const SettingValue<double> 下载窗口宽{"fFileDownload", "宽", 15000};
inline const SettingValue<double> 下载窗口高{"fFileDownload", "高", 10000};

// Ends in a separator; see StoredCopyDestinationFolder().
inline const SettingValue<QString> 目的文件夹{"Form_Copy_Move", "目的文件夹", QString()};
inline const SettingValue<int> OpIndex{"Form_Copy_Move", "OpIndex", 4};
} // namespace SettingKeys

// The default download folder: "c:\12345" on the original platform, <home>/12345 here.
QString DefaultDownloadFolder();
// 下载文件保存路径, or the default download folder while it is empty.
QString StoredDownloadFolder();
// 目的文件夹, or the data folder with a trailing separator while it is empty.
QString StoredCopyDestinationFolder();
