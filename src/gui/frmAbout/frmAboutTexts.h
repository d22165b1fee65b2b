#pragma once

#include <QString>

// Every caption of the about box, in one place.
namespace frmAboutTexts {
// The caption is kCaptionStart + application title + kCaptionEnd.
inline const QString kCaptionStart = QStringLiteral("关于『");
inline const QString kCaptionEnd = QStringLiteral("』 ");
// Followed by the version, e.g. "版本 1.2.3".
inline const QString kVersion = QStringLiteral("版本 ");
// The newer version's notice: kNewerStart + version + kNewerEnd.
inline const QString kNewerStart = QStringLiteral("[有最新版本可以升级：");
inline const QString kNewerEnd = QStringLiteral("]");
inline const QString kUpToDate = QStringLiteral("[已经是最新版本]");
inline const QString kUpdateTip = QStringLiteral("点击打开查看");
// Followed by the maker's name.
inline const QString kMadeBy = QStringLiteral("软件制作：");
inline const QString kSupportTip = QStringLiteral("访问支持网站");
// Followed by the maker's contact number.
inline const QString kQq = QStringLiteral("QQ：");
// Followed by the maker's mail address.
inline const QString kMail = QStringLiteral("Email：");
inline const QString kMailTip = QStringLiteral("给软件作者写邮件");
// Followed by the operating-system description.
inline const QString kSystem = QStringLiteral("OP:");
// What a screen reader calls the box with the system's description.
inline const QString kSystemBox = QStringLiteral("操作系统");
inline const QString kCopy = QStringLiteral("复制信息");
inline const QString kOk = QStringLiteral("确定");
} // namespace frmAboutTexts
