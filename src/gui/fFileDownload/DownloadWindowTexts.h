#pragma once

#include <QString>
#include <QStringList>

// Every caption and message of the download window, its list menu and its address-replace dialog, in one place.
namespace DownloadWindowTexts {
inline const QString kCaption = QStringLiteral("文件下载");
inline const QString kListLabel = QStringLiteral("下载列表：");
inline const QString kCountSuffix = QStringLiteral("条");
inline const QString kSwitch = QStringLiteral("切换");
inline const QString kSwitchTip = QStringLiteral("更改下载方式");
inline const QString kThreads = QStringLiteral("线程数：");
inline const QString kSameName = QStringLiteral("同名文件：");
inline const QString kPause = QStringLiteral("两个文件下载间隔：        秒");
inline const QString kStart = QStringLiteral("开始下载");
inline const QString kStop = QStringLiteral("停止下载");
inline const QString kAutoReDownload = QStringLiteral("自动重新下载：");
inline const QString kFailedRows = QStringLiteral("出错项");
inline const QStringList kReDownloadRows{kFailedRows, QStringLiteral("文件类型为HTM和HTML项"),
                                         QStringLiteral("出错项和文件类型为HTM和HTML项")};
inline const QString kAutoStart = QStringLiteral("当有待下载项时，自动启动下载");
inline const QString kStopRule = QStringLiteral("有5个以上下载出错或者网页文件，就停止下载");
inline const QString kSound = QStringLiteral("声音提示");
inline const QString kLogin = QStringLiteral("网页登录");
inline const QString kListTip = QStringLiteral("双击鼠标：下载当前项或者打开文件");
inline const QString kPanel1 = QStringLiteral("就绪");

// The menu bar.
inline const QString kMenuList = QStringLiteral("列表操作(&D)");
inline const QString kMenuWindow = QStringLiteral("窗口(&W)");
inline const QString kMainWindow = QStringLiteral("资料检索分析窗口");
inline const QString kOptions = QStringLiteral("设置");
inline const QString kAutoLocate = QStringLiteral("自动定位到下载项");
inline const QString kCheckFiles = QStringLiteral("检查文件是否存在");
inline const QString kCorrectTypes = QStringLiteral("检查并纠正磁盘文件类型");
inline const QString kJudgeType = QStringLiteral("打开文件判断类型");
inline const QString kClearCache = QStringLiteral("清空IE浏览器缓存");
inline const QString kAbout = QStringLiteral("关于");

// The list menu's entries.
inline const QString kSelectAll = QStringLiteral("全选");
inline const QString kSelectNone = QStringLiteral("全不选");
inline const QString kShuffle = QStringLiteral("随机排序列表(打乱)");
inline const QString kAutoSizeColumns = QStringLiteral("自动调整列宽");
inline const QString kReDownload = QStringLiteral("重新下载");
inline const QString kRecheckFiles = QStringLiteral("重新检查选中文件");
inline const QString kSelectedRows = QStringLiteral("选中项");
inline const QString kPageRows = QStringLiteral("网页类型文件(HTM/HTML/xml)项");
inline const QString kFailedAndPageRows = QStringLiteral("重新下载出错项和网页类型文件项");
inline const QString kSmallerRows = QStringLiteral("文件大小小于指定数字的项");
inline const QString kClear = QStringLiteral("清除");
inline const QString kAllFailedRows = QStringLiteral("全部出错项");
inline const QString kDoneRows = QStringLiteral("完成项");
inline const QString kEmpty = QStringLiteral("清空");
inline const QString kDeleteFiles = QStringLiteral("删除文件");
inline const QString kCancelSelected = QStringLiteral("取消下载选中项");
inline const QString kOpenFile = QStringLiteral("打开下载文件");
inline const QString kOpenFolder = QStringLiteral("打开所在文件夹");
inline const QString kOpenInEditor = QStringLiteral("用记事本打开文件");
inline const QString kCopyName = QStringLiteral("复制名称");
inline const QString kReplaceAddresses = QStringLiteral("批量替换网址");
inline const QString kOpenAddress = QStringLiteral("打开网址");
inline const QString kExportNames = QStringLiteral("导出名称");
inline const QString kUnfinishedRows = QStringLiteral("未完成项");
inline const QString kCloseWindow = QStringLiteral("关闭本下载窗口");

// The list menu's messages.
inline const QString kShuffled = QStringLiteral("随机排序完成！");
inline const QString kEnterNumber = QStringLiteral("请输入数字：");
inline const QString kEmptyQuestion = QStringLiteral("您确定要清空列表的所有信息吗？");
inline const QString kTooBigForEditor = QStringLiteral("该文件太大，超过了2M，不便于用记事本打开！");
inline const QString kStopBeforeSorting = QStringLiteral("停止下载后方可排序！");

// The address-replace dialog.
inline const QString kReplaceCaption = QStringLiteral("网址批量替换");
inline const QString kReplaceFind = QStringLiteral("所有网址中的字符串：");
inline const QString kReplaceWith = QStringLiteral("将被全部替换为字符串：");
inline const QString kReplace = QStringLiteral("替换");
inline const QString kReplaceEnterText = QStringLiteral("请输入字符串！");
inline const QString kReplaceDone = QStringLiteral("全部网址替换完成！");
} // namespace DownloadWindowTexts
