#pragma once

#include <QString>

// Every text of the update check and the about box's fixed lines, in one place.
namespace AboutTexts {
inline const QString kNetworkError = QStringLiteral("请保持网络畅通！");
inline const QString kNewerVersionMessage = QStringLiteral("有最新版本可以升级，请下载安装！");
// The cover's notice, followed by the version found.
inline const QString kNewerVersionNotice = QStringLiteral("有最新版本：V");
} // namespace AboutTexts
