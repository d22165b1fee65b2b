#pragma once

#include <QString>

// Every text the main window shows, in one place.
// clang-format off
namespace fWebSearchTexts {
inline QString formCaption() { return QStringLiteral("zaruzuva"); }

inline QString batchStart() { return QStringLiteral("开始批量搜索采集"); }
inline QString batchStop() { return QStringLiteral("停止批量搜索采集"); }
inline QString walkStart() { return QStringLiteral("采集全部搜索结果"); }
inline QString walkStop() { return QStringLiteral("停止采集全部"); }
inline QString harvestOnce() { return QStringLiteral("采集本页到列表"); }
inline QString analyse() { return QStringLiteral("分析下载"); }
inline QString importExport() { return QStringLiteral("导入导出数据..."); }
inline QString stop() { return QStringLiteral("停止"); }

inline QString keywordsLabel() { return QStringLiteral("每行一组关键词："); }
inline QString typeFrame() { return QStringLiteral("类型"); }
inline QString yearFrame() { return QStringLiteral("时间"); }
inline QString delayLabel() { return QStringLiteral("限速延时：       秒"); }
inline QString check1() { return QStringLiteral("文件已存在，跳过保存"); }
inline QString check1Hint() { return QStringLiteral("此处指同一个文件夹里面，已经存在相同文件名"); }
inline QString check2() { return QStringLiteral("禁止弹出脚本提示"); }
inline QString check3() { return QStringLiteral("相同网址不重复保存"); }
inline QString frame1() { return QStringLiteral("自动提取文档链接"); }
inline QString check6() { return QStringLiteral("自动下载未分析项"); }
inline QString check7() { return QStringLiteral("自动定位到分析项"); }
inline QString listLabel() { return QStringLiteral("待下载列表："); }
inline QString proxyAtStart() { return QStringLiteral("当前代理IP："); }

inline QString busyRefusal() { return QStringLiteral("正在工作，请停止以后使用该功能！"); }
inline QString busyTryLater() { return QStringLiteral("正在工作，请稍后再试！"); }
inline QString busyStopFirst() { return QStringLiteral("正在工作，请停止后执行此功能！"); }
inline QString closeRefusal() { return QStringLiteral("正在工作，停止以后才能退出窗口！"); }
inline QString clearRefusal() { return QStringLiteral("正在分析，不能清除！"); }
inline QString listEmpty() { return QStringLiteral("列表没有数据哦！"); }
inline QString askText() { return QStringLiteral("请输入指定字符："); }
inline QString clearAllQuestion() { return QStringLiteral("您确定要清空辛辛苦苦搜索的列表数据吗？"); }
inline QString fileMissing() { return QStringLiteral("该文件不存在！"); }
inline QString folderMissing() { return QStringLiteral("文件夹不存在！"); }
inline QString openFailed() { return QStringLiteral("打开失败！"); }
inline QString openAddressPrompt() { return QStringLiteral("请输入需要打开的网址："); }
inline QString openAddressTitle() { return QStringLiteral("请输入..."); }
inline QString unblocked() { return QStringLiteral("已经破除！"); }
} // namespace fWebSearchTexts
// clang-format on
