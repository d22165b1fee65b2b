#pragma once

#include <QString>
#include <QStringList>

// Every caption and message of the download window, in one place.
namespace DownloadWindowTexts {
inline const QString kCaption = QStringLiteral("文件下载");
inline const QString kListLabel = QStringLiteral("下载列表：");
inline const QString kCountSuffix = QStringLiteral("条");
inline const QString kSwitch = QStringLiteral("切换");
inline const QString kSwitchTip = QStringLiteral("更改下载方式");
inline const QString kThreads = QStringLiteral("线程数：");
inline const QString kSameName = QStringLiteral("同名文件：");
inline const QString kSkip = QStringLiteral("跳过");
inline const QString kOverwrite = QStringLiteral("覆盖");
inline const QString kRename = QStringLiteral("重命名");
inline const QString kPause = QStringLiteral("两个文件下载间隔：        秒");
inline const QString kStart = QStringLiteral("开始下载");
inline const QString kStop = QStringLiteral("停止下载");
inline const QString kAutoReDownload = QStringLiteral("自动重新下载：");
inline const QStringList kReDownloadRows{QStringLiteral("出错项"), QStringLiteral("文件类型为HTM和HTML项"),
                                         QStringLiteral("出错项和文件类型为HTM和HTML项")};
inline const QString kAutoStart = QStringLiteral("当有待下载项时，自动启动下载");
inline const QString kStopRule = QStringLiteral("有5个以上下载出错或者网页文件，就停止下载");
inline const QString kSound = QStringLiteral("声音提示");
inline const QString kLogin = QStringLiteral("网页登录");
inline const QString kListTip = QStringLiteral("双击鼠标：下载当前项或者打开文件");
inline const QString kPanel1 = QStringLiteral("就绪");

inline const QString kMenuList = QStringLiteral("列表操作(&D)");
inline const QString kMenuWindow = QStringLiteral("窗口(&W)");
inline const QString kMenuTools = QStringLiteral("工具(&T)");
inline const QString kMenuHelp = QStringLiteral("帮助(&H)");
inline const QString kCancelSelected = QStringLiteral("取消下载选中项");
inline const QString kMainWindow = QStringLiteral("资料检索分析窗口");
inline const QString kOptions = QStringLiteral("设置");
inline const QString kAutoLocate = QStringLiteral("自动定位到下载项");
inline const QString kCheckFiles = QStringLiteral("检查文件是否存在");
inline const QString kCorrectTypes = QStringLiteral("检查并纠正磁盘文件类型");
inline const QString kJudgeType = QStringLiteral("打开文件判断类型");
inline const QString kClearCache = QStringLiteral("清空IE浏览器缓存");
inline const QString kAbout = QStringLiteral("关于");
inline const QString kCloseWindow = QStringLiteral("关闭本下载窗口");
} // namespace DownloadWindowTexts
