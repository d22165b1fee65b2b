#pragma once

#include <QString>
#include <QStringList>

// Every caption and message of the options dialog, in one place.
namespace fOptionTexts {
inline const QString kCaption = QStringLiteral("设置");
inline const QString kEngineFrame = QStringLiteral("下载方式");
inline const QString kEngine1 = QStringLiteral("下载方式一 (支持HTTP，单线程，代理服务器下载)");
inline const QString kEngine2 = QStringLiteral("下载方式二 (支持HTTP，多线程下载)");
inline const QString kProxyOn = QStringLiteral("下载使用代理服务器");
inline const QString kAddressLabel = QStringLiteral("地址：");
inline const QString kAddressHint = QStringLiteral("(如：proxy.example.com 或者 192.168.1.1)");
inline const QString kPortLabel = QStringLiteral("端口：");
inline const QString kPortHint = QStringLiteral("(如：3128 或者 80 等等)");
inline const QString kAskSaveFolder = QStringLiteral("提取网页信息时，提示下载保存路径");
inline const QString kSizeLabel = QStringLiteral("下载文件大小不超过：       MB");
inline const QString kSizeDefault = QStringLiteral("10");
inline const QString kListFrame = QStringLiteral("代理IP设置");
inline const QString kNoRotation = QStringLiteral("不使用代理");
inline const QString kRotation = QStringLiteral("交替使用以下代理IP：");
inline const QString kListHelp =
    QStringLiteral("每一行一组代理ip\n\n格式为：ip地址:端口\n\n格式举例：123.45.67.890:123 \n\n"
                   "请确保你的代理ip是有效的\n\n这些代理ip仅用于下载\n\n"
                   "连续5次下载失败，软件会自动更换ip代理");
inline const QString kOk = QStringLiteral("确定");

// The check of the proxy-address list.
inline const QString kCheck = QStringLiteral("验证代理IP的有效性");
inline const QString kStopCheck = QStringLiteral("停止验证代理IP");
inline const QString kResponseTime = QStringLiteral("响应速度：          秒内");
inline const QStringList kResponseSeconds{QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15"),
                                          QStringLiteral("20")};
inline const QString kFailedList = QStringLiteral("验证后的无效代理IP：");
inline const QString kProxyTool = QStringLiteral("获取更多代理IP：PaperHarvest 代理IP采集工具");
inline const QString kCheckFailed = QStringLiteral("验证出错！");
inline const QString kBusy = QStringLiteral("正在工作，停止以后再试！");
inline const QString kListNotSaved = QStringLiteral("代理IP列表保存失败！");
// "代理IP一共：<n>个，验证后有效的有：<n>个，无效的有：<n>个，未验证的有：<n>个。"
inline const QString kSummaryLines = QStringLiteral("代理IP一共：");
inline const QString kSummaryValid = QStringLiteral("个，验证后有效的有：");
inline const QString kSummaryInvalid = QStringLiteral("个，无效的有：");
inline const QString kSummaryNotTested = QStringLiteral("个，未验证的有：");
inline const QString kSummaryEnd = QStringLiteral("个。");

inline const QString kBadProxy = QStringLiteral("代理服务器网址或者端口格式不对！");
inline const QString kBadSize = QStringLiteral("下载文件大小请填写大于0的数字（单位MB）！");
} // namespace fOptionTexts
