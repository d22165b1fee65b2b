#pragma once

#include <QString>
#include <QStringList>

// Every caption and message of the copy tool's window, in one place.
namespace Form_Copy_MoveTexts {
inline const QString kCaption = QStringLiteral("复制文件...");
// The caption the opener sets: the number of files to copy.
inline QString captionFor(qsizetype files)
{
    return QStringLiteral("复制文件：") + QString::number(files) + QStringLiteral(" 个文件...");
}
inline const QString kDestinationLabel = QStringLiteral("目的文件夹：");
inline const QString kBrowse = QStringLiteral("浏览");
inline const QString kBrowsePrompt = QStringLiteral("请选择要浏览的文件夹:");
inline const QString kClashFrame = QStringLiteral("如果同名文件已经存在");
// The clash rules, numbered from 1 as the window numbers them.
inline const QStringList kClashRules{QStringLiteral("跳过"), QStringLiteral("覆盖"), QStringLiteral("自动重命名"),
                                     QStringLiteral("文件大小和修改时间均相同：覆盖；否则：自动重命名"),
                                     QStringLiteral("文件大小相同：覆盖；否则：自动重命名")};
inline const QString kCurrentFileLabel = QStringLiteral("当前文件：");
inline const QString kProgressLabel = QStringLiteral("进度;");
inline const QString kStart = QStringLiteral("开始");
inline const QString kStop = QStringLiteral("停止");
inline const QString kClose = QStringLiteral("关闭");
inline const QString kCreateFolderFailed = QStringLiteral("创建文件夹出错！");
inline const QString kFinished = QStringLiteral("复制文件完成！");
} // namespace Form_Copy_MoveTexts
