#pragma once

#include <QString>

// The download manager's user-visible texts, in one place.
namespace DownloadTexts {
inline const QString kModeLabel = QStringLiteral("下载方式：");
inline const QString kStopBeforeSetting = QStringLiteral("停止下载后方可设置！");
inline const QString kStopBeforeOperation = QStringLiteral("停止下载以后，才能执行此操作！");
inline const QString kForceCloseQuestion = QStringLiteral("正在下载文件或者下载没有完成，要强制关闭窗口吗？");
inline const QString kDownloading = QStringLiteral("正在下载:");
inline const QString kFinished = QStringLiteral("完成下载:");
inline const QString kWaitingAgain = QStringLiteral("等待重新下载");
inline const QString kCancelled = QStringLiteral("下载取消");
// The whole body arrived and is being written to the disk; the row is done once its file holds its name.
inline const QString kWriting = QStringLiteral("正在写入");
// The server asked to wait (%1 seconds; retry %2 of this file, %3 in all; %4 the file's name).
inline const QString kRetryWaiting = QStringLiteral("服务器繁忙，%1秒后重试（第%2次，共重试%3次）:%4");
inline const QString kTooBig = QStringLiteral("大文件，跳过");
inline const QString kFolderNotCreated = QStringLiteral("创建文件夹出错！");

// The site login's refusals.
inline const QString kLoginAddressMissing = QStringLiteral("必须先设置登录网址！");
inline const QString kLoginAccountMissing = QStringLiteral("帐号登录,必须先设置登录帐号和登录密码！");

// The same-name choices: the captions of the download window's option buttons, which are also the stored values.
inline const QString kSkip = QStringLiteral("跳过");
inline const QString kOverwrite = QStringLiteral("覆盖");
inline const QString kRename = QStringLiteral("重命名");

// What the same-name rules and the file check write into a row's percent column.
inline const QString kExistsSkipped = QStringLiteral("已存在，跳过");
inline const QString kMissing = QStringLiteral("不存在");

// A transfer's failures and unknowns, as its row shows them.
inline const QString kCannotDownload = QStringLiteral("无法下载");
inline const QString kTimedOut = QStringLiteral("超时");
inline const QString kCannotReplace = QStringLiteral("无法替换");
inline const QString kUnknownSize = QStringLiteral("未知");
// The server answered with an error page instead of the document (%1: its status code).
inline const QString kHttpError = QStringLiteral("HTTP %1");
// Why no answer came: the server refused the connection, its name did not resolve, the connection broke off,
// the secure channel could not be set up.
inline const QString kRefused = QStringLiteral("连接被拒绝");
inline const QString kHostNotFound = QStringLiteral("找不到服务器");
inline const QString kConnectionLost = QStringLiteral("连接中断");
inline const QString kSecureChannelFailed = QStringLiteral("安全连接出错");
// The same failures when it was the proxy server, not the document's server, that failed.
inline const QString kProxyRefused = QStringLiteral("代理服务器连接被拒绝");
inline const QString kProxyNotFound = QStringLiteral("找不到代理服务器");
inline const QString kProxyTimedOut = QStringLiteral("代理服务器超时");
inline const QString kProxyConnectionLost = QStringLiteral("代理服务器连接中断");
inline const QString kProxyFailed = QStringLiteral("代理服务器出错");
// Why the body could not be kept: the disk is full, or writing failed for another reason.
inline const QString kDiskFull = QStringLiteral("磁盘已满");
inline const QString kWriteFailed = QStringLiteral("写入文件出错");

// The list's columns and its statistics line (%1 to %5: total, downloading, waiting, done, failed).
inline const QString kNameColumn = QStringLiteral("名称");
inline const QString kTypeColumn = QStringLiteral("类型");
inline const QString kSizeColumn = QStringLiteral("文件大小");
inline const QString kDownloadedColumn = QStringLiteral("已下载数");
inline const QString kPercentColumn = QStringLiteral("百分比");
inline const QString kFolderColumn = QStringLiteral("保存路径");
inline const QString kCheckColumn = QStringLiteral("文件检查");
inline const QString kStatistics = QStringLiteral("总数:%1 正在下载:%2 等待:%3 已完成:%4 失败:%5");

// The file-type tools (%1: the number of files corrected).
inline const QString kTypeUnknown = QStringLiteral("目前还无法判断。");
inline const QString kTypeIs = QStringLiteral("文件类型为：");
inline const QString kTypesCorrected = QStringLiteral("纠正文件类型：%1个.");

// The transfer control's states 0 to 12 in the status bar; state 11 is followed by the server's response.
inline const QString kTransferStates[] = {
    QStringLiteral("0 无状态可报告。"),
    QStringLiteral("1 正在查询所指定的主机的 IP 地址..."),
    QStringLiteral("2 已成功地找到所指定的主机的 IP 地址。"),
    QStringLiteral("3 正在与主机连接..."),
    QStringLiteral("4 已与主机连接成功。"),
    QStringLiteral("5 正在向主机发送请求..."),
    QStringLiteral("6 发送请求已成功。"),
    QStringLiteral("7 正在接收主机的响应..."),
    QStringLiteral("8 已成功地接收到主机的响应。"),
    QStringLiteral("9 正在解除与主机的连接..."),
    QStringLiteral("10 已成功地与主机解除了连接。"),
    QStringLiteral("11 与主机通讯时出现了错误:"),
    QStringLiteral("12 该请求已经完成，并且所有数据均已接收到。"),
};
} // namespace DownloadTexts
