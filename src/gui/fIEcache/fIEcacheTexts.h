#pragma once

#include <QString>
#include <QStringList>

// Every caption and message of the browser-cache window and of the cache clearing, in one place.
namespace fIEcacheTexts {
inline const QString kCaption = QStringLiteral("IE浏览器Cookie 缓存和历史列表");
inline const QString kViewMine = QStringLiteral("查看我的缓存");
inline const QString kViewAllUsers = QStringLiteral("查看所有用户缓存");
inline const QString kDeleteSelected = QStringLiteral("删除所选文件");
inline const QString kDeleteAll = QStringLiteral("全部删除");
inline const QString kCopySelected = QStringLiteral("复制选中...");
inline const QString kClose = QStringLiteral("关闭");
inline const QStringList kUserColumns{QStringLiteral("用户名"), QStringLiteral("文件夹")};
inline const QStringList kFolderColumns{QStringLiteral("文件夹")};
inline const QString kNoRowsYet = QStringLiteral("000");

// The view tag: which view the list shows, so that deleting rebuilds it.
inline const QString kTagMine = QStringLiteral("我的缓存");
inline const QString kTagAllUsers = QStringLiteral("所有缓存");

// The row count: "共有25 个文件"; after a failure while reading, "出错!!!共有3 个文件".
inline QString rowCount(qsizetype rows)
{
    return QStringLiteral("共有") + QString::number(rows) + QStringLiteral(" 个文件");
}
inline QString rowCountAfterError(qsizetype rows)
{
    return QStringLiteral("出错!!!") + rowCount(rows);
}

inline const QString kCacheCleared = QStringLiteral("IE缓存清空完毕！");
// Clearing left files of the program's own cache behind (%1: how many entries).
inline const QString kCacheNotCleared = QStringLiteral("IE缓存没有清空：%1 个文件无法删除！");
} // namespace fIEcacheTexts
