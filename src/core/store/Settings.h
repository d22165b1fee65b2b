#pragma once

#include <QString>

// The per-user settings store: text values addressed by application, section and key. A key that was never
// written reads as the caller's default; nothing is ever deleted. The store is an INI file named after the
// application: in the data folder when PAPERHARVEST_HOME is set, else in the per-user configuration folder.
QString ReadSetting(const QString &application, const QString &section, const QString &key,
                    const QString &defaultValue);
void WriteSetting(const QString &application, const QString &section, const QString &key, const QString &value);

// The application title every call of the program uses.
inline QString ApplicationTitle()
{
    return QStringLiteral("PaperHarvest");
}

// One key of the store with its section and the default its readers use.
struct SettingKey {
    const char *section;
    const char *key;
    const char *defaultValue;

    QString read() const;
    // The stored text as a whole number; the default when it does not parse.
    int readInt() const;
    // The stored text as a decimal number; the default when it does not parse.
    double readDouble() const;
    // "1" is yes, anything else no.
    bool readFlag() const;
    void write(const QString &value) const;
    void write(int value) const { write(QString::number(value)); }
    void writeFlag(bool value) const { write(QString::fromLatin1(value ? "1" : "0")); }
};

// Every key the program uses, in one place.
namespace SettingKeys {
inline constexpr SettingKey 文件最大值{"设置", "文件最大值", "10"};
inline constexpr SettingKey 下载方式{"设置", "下载方式", "2"};
inline constexpr SettingKey 代理服务器有效{"设置", "代理服务器有效", "0"};
inline constexpr SettingKey 代理服务器网址{"设置", "代理服务器网址", ""};
inline constexpr SettingKey 代理服务器端口{"设置", "代理服务器端口", ""};
inline constexpr SettingKey 使用ip代理{"设置", "使用ip代理", "0"};
// Written by the options dialog, never read at start-up: each run starts with the question on.
inline constexpr SettingKey 提取网页信息时提示下载保存路径{"设置", "提取网页信息时提示下载保存路径", "1"};

// "c:\12345" of the original platform; see DefaultDownloadFolder().
inline constexpr SettingKey 下载文件保存路径{"fWebSearch", "下载文件保存路径", ""};
inline constexpr SettingKey combo1{"fWebSearch", "combo1", "4"};
inline constexpr SettingKey check1{"fWebSearch", "check1", "0"};
inline constexpr SettingKey check3{"fWebSearch", "check3", "0"};
inline constexpr SettingKey check7{"fWebSearch", "check7", "0"};
inline constexpr SettingKey 代理ip使用index{"fWebSearch", "代理ip使用index", "0"};
inline constexpr SettingKey 指定网址{"fWebSearch", "指定网址", ""};

inline constexpr SettingKey 线程{"下载", "线程", "2"};
inline constexpr SettingKey 重复文件名设置{"专利下载", "重复文件名设置", "重命名"};

// Remembered placement of the download window: the screen size it was saved on ("0*0" when closed maximized,
// "000" never saved) and its edges in twips.
inline constexpr SettingKey 下载窗口分辨率{"fFileDownload", "分辨率", "000"};
inline constexpr SettingKey 下载窗口上{"fFileDownload", "上", "100"};
inline constexpr SettingKey 下载窗口左{"fFileDownload", "左", "100"};
inline constexpr SettingKey 下载窗口宽{"fFileDownload", "宽", "15000"};
inline constexpr SettingKey 下载窗口高{"fFileDownload", "高", "10000"};

// Ends in a separator; the default is the data folder, see StoredCopyDestinationFolder().
inline constexpr SettingKey 目的文件夹{"Form_Copy_Move", "目的文件夹", ""};
inline constexpr SettingKey OpIndex{"Form_Copy_Move", "OpIndex", "4"};
} // namespace SettingKeys

// The default download folder: "c:\12345" on the original platform, <home>/12345 here.
QString DefaultDownloadFolder();
// 下载文件保存路径 with its default applied.
QString StoredDownloadFolder();
// 目的文件夹 with its default applied: the data folder with a trailing separator.
QString StoredCopyDestinationFolder();
