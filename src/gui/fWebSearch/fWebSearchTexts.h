#pragma once

#include "gui/shell/ShellTexts.h"

#include <QString>
#include <QStringList>

// Every caption and message of the main window, in one place.
namespace fWebSearchTexts {
inline const QString kCaption = QStringLiteral("zaruzuva");

// The run buttons, each with its text while its run is active.
inline const QString kBatchStart = QStringLiteral("开始批量搜索采集");
inline const QString kBatchStop = QStringLiteral("停止批量搜索采集");
inline const QString kWalkStart = QStringLiteral("采集全部搜索结果");
inline const QString kWalkStop = QStringLiteral("停止采集全部");
inline const QString kHarvestOnce = QStringLiteral("采集本页到列表");
inline const QString kAnalyse = QStringLiteral("分析下载");
inline const QString kImportExport = QStringLiteral("导入导出数据...");
inline const QString kStop = QStringLiteral("停止");

// The search column.
inline const QString kKeywordsLabel = QStringLiteral("每行一组关键词：");
inline const QString kTypeFrame = QStringLiteral("类型");
inline const QStringList kTypes{ShellTexts::kAll,       QStringLiteral("期刊"), QStringLiteral("学位"),
                                QStringLiteral("会议"), QStringLiteral("图书"), QStringLiteral("专利")};
inline const QString kYearFrame = QStringLiteral("时间");
inline const QStringList kYears{ShellTexts::kAll, QStringLiteral("2017年来"), QStringLiteral("2016年来"),
                                QStringLiteral("2015年来")};
inline const QString kDelayLabel = QStringLiteral("限速延时：       秒");
inline const QString kCheck1 = QStringLiteral("文件已存在，跳过保存");
inline const QString kCheck1Hint = QStringLiteral("此处指同一个文件夹里面，已经存在相同文件名");
inline const QString kCheck2 = QStringLiteral("禁止弹出脚本提示");
inline const QString kCheck3 = QStringLiteral("相同网址不重复保存");
inline const QString kFrame1 = QStringLiteral("自动提取文档链接");
inline const QString kCheck6 = QStringLiteral("自动下载未分析项");
inline const QString kCheck7 = QStringLiteral("自动定位到分析项");
inline const QString kListLabel = QStringLiteral("待下载列表：");
inline const QString kProxyAtStart = QStringLiteral("当前代理IP：");

// The menu bar.
inline const QString kMenuBrowse = QStringLiteral("浏览(&B)");
inline const QString kOpenHomePage = QStringLiteral("打开百度学术首页");
inline const QString kOpenAddress = QStringLiteral("打开指定网址...");
inline const QString kOpenLocalPage = QStringLiteral("打开本地网页文件");
inline const QString kBack = QStringLiteral("后退");
inline const QString kForward = QStringLiteral("前进");
inline const QString kRefresh = QStringLiteral("刷新");
inline const QString kCloseWindow = QStringLiteral("关闭本窗口");
inline const QString kOptions = QStringLiteral("设置");
inline const QString kSetSaveFolder = QStringLiteral("设置保存文件夹");
inline const QString kOpenDownloadWindow = QStringLiteral("打开下载窗口");
inline const QString kViewBrowserCache = QStringLiteral("查看IE浏览器缓存");
inline const QString kClearBrowserCache = QStringLiteral("清空IE浏览器缓存");
inline const QString kSaveSource = QStringLiteral("源码另存为");
inline const QString kUnblockPage = QStringLiteral("破除网页鼠标右键封锁和复制封锁");
inline const QString kMenuClear = QStringLiteral("清除及打开(&C)");
inline const QString kRemoveSelected = QStringLiteral("清除选中项");
inline const QString kRemoveSucceeded = QStringLiteral("清除分析成功项");
inline const QString kRemoveSkipped = QStringLiteral("清除分析跳过项");
inline const QString kRemoveTitleContaining = QStringLiteral("清除标题含指定字符项");
inline const QString kRemoveTitleNotContaining = QStringLiteral("清除标题不含指定字符项");
inline const QString kClearAll = QStringLiteral("清空全部");
inline const QString kOpenSavedFile = QStringLiteral("打开保存文件");
inline const QString kOpenSavedFileFolder = QStringLiteral("打开保存文件所在目录");
inline const QString kAutoSizeColumns = QStringLiteral("自动列宽");
inline const QString kAbout = QStringLiteral("关于(&A)");
// The maker's pages: the product's page on the update server, and the support site.
inline const QString kProductPage = QStringLiteral("软件主页");
inline const QString kSupportSite = QStringLiteral("技术支持网站");

// The analysis pop-up menu of "分析下载".
inline const QString kAnalyseUnanalysed = QStringLiteral("分析下载未分析项");
inline const QString kAnalyseFailed = QStringLiteral("分析下载失败项");
inline const QString kAnalyseSelected = QStringLiteral("分析下载选中项");
inline const QString kAnalyseAll = QStringLiteral("分析下载全部");

// The list exchange pop-up menu of "导入导出数据...".
inline const QString kImportAddressList = QStringLiteral("导入网址清单到列表");
inline const QString kImportDataFile = QStringLiteral("导入数据文件到列表");
inline const QString kExportAll = QStringLiteral("导出列表数据到文件");
inline const QString kExportFailed = QStringLiteral("导出分析失败项和未分析项到文件");
inline const QString kExportReferences = QStringLiteral("导出列表为文献格式(CSV/RIS/BibTeX)...");

// Messages.
inline const QString kBusyStopFirst = QStringLiteral("正在工作，请停止后执行此功能！");
inline const QString kCloseRefusal = QStringLiteral("正在工作，停止以后才能退出窗口！");
inline const QString kListEmpty = QStringLiteral("列表没有数据哦！");
inline const QString kOpenAddressPrompt = QStringLiteral("请输入需要打开的网址：");
inline const QString kOpenAddressTitle = QStringLiteral("请输入...");
inline const QString kUnblocked = QStringLiteral("已经破除！");

// The walk waits because the service answered with something other than a result page (%1: the reason; then
// the keyword and the page's address).
inline const QString kServiceWaitCaption = QStringLiteral("采集已暂停");
inline const QString kServiceVerification =
    QStringLiteral("百度学术要求安全验证：请在浏览器中完成验证，完成后采集自动继续。");
inline const QString kServiceRefused =
    QStringLiteral("百度学术拒绝了请求（%1）：请稍后用“浏览 > 刷新”（F5）重新载入页面，出现结果页后采集自动继续。");
inline const QString kServiceUnreachable =
    QStringLiteral("无法连接百度学术（%1）：请检查网络后用“浏览 > 刷新”（F5）重新载入页面，出现结果页后采集自动继续。");
inline const QString kServiceTooLarge =
    QStringLiteral("页面太大，无法读取（%1）：请在浏览器中打开结果页，出现结果页后采集自动继续。");
// A 429 or 503 asked again by itself (%1 the reason, %2 the seconds it waits, %3 this retry, %4 the most retries).
inline const QString kServiceRetrying = QStringLiteral(
    "百度学术拒绝了请求（%1）：%2 秒后自动重新载入（第%3次，最多%4次）；也可用“浏览 > 刷新”（F5）立即重新载入。");
// The browser stays on a page that is no result page (%1 its address); the walk offers its own address again.
inline const QString kServiceNotResultPage =
    QStringLiteral("浏览器显示的不是结果页（%1）：采集仍在等待结果页。可点“重新载入采集页”回到采集所在的网址。");
inline const QString kReloadWalkPage = QStringLiteral("重新载入采集页");
// A next-page link led back to a page the walk had shown (%1: its address).
// Where the walk reads: the keyword and the result page (%1 the keyword, %2 the page), or only the page.
inline const QString kWalkAtKeywordPage = QStringLiteral("正在采集：%1 第%2页");
inline const QString kWalkAtPage = QStringLiteral("正在采集：第%1页");
inline const QString kWalkedBefore = QStringLiteral("下一页回到已采集过的页面，采集结束：%1");
inline const QString kServiceWhere = QStringLiteral("\n关键词：%1\n网址：%2");
} // namespace fWebSearchTexts
