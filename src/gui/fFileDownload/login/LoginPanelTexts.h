#pragma once

#include <QString>

// The login panel's captions, in one place.
namespace LoginPanelTexts {
inline const QString kAddress = QStringLiteral("网址：");
inline const QString kAccountLogin = QStringLiteral("帐号登录：");
inline const QString kPassword = QStringLiteral("密码：");
inline const QString kIpLogin = QStringLiteral("IP登录");
inline const QString kCondition = QStringLiteral("自动登录条件：");
inline const QString kConditionPage = QStringLiteral("下载到网页文件(htm/html/asp)文件");
inline const QString kAutoLogin = QStringLiteral("自动登录");
inline const QString kAutoRefresh = QStringLiteral("自动刷新(每分钟)");
inline const QString kBrowse = QStringLiteral("浏览");
inline const QString kTestLogin = QStringLiteral("测试登录");
inline const QString kHide = QStringLiteral("关闭(隐藏)");
} // namespace LoginPanelTexts
