#pragma once

#include <QString>

// The result list's and the search runs' user-visible texts, in one place.
namespace SearchTexts {
// Row statuses, written by the analysis and read by the list commands and the list exchange. Every failure begins
// with 失败 and every skip with the skip group's word.
inline const QString 正在分析 = QStringLiteral("正在分析");
inline const QString 正在分析下层 = QStringLiteral("正在分析下层");
inline const QString 跳过曾经下载 = QStringLiteral("跳过(曾经下载)");
inline const QString 跳过文件存在 = QStringLiteral("跳过(文件存在)");
inline const QString 成功 = QStringLiteral("成功");
inline const QString 无pdf = QStringLiteral("无pdf");
inline const QString 失败下载 = QStringLiteral("失败(下载)");
inline const QString 失败 = QStringLiteral("失败");
inline const QString kSkippedGroup = QStringLiteral("跳过");

// Reasons the program words itself for the windows: %1 the seconds waited; %1 the page's text and %2 the limit,
// in MiB.
inline const QString kNoAnswerWithin = QStringLiteral("%1 秒内没有应答");
inline const QString kPageTooLarge = QStringLiteral("网页文字 %1 MiB，超过读取上限 %2 MiB");

// The title of a row added from a plain address list until its analysis names it.
inline const QString 待定 = QStringLiteral("待定");

// The result list's columns.
inline const QString kTitleColumn = QStringLiteral("标题");
inline const QString kStatusColumn = QStringLiteral("分析状态      ");
inline const QString kTypeColumn = QStringLiteral("类型  ");
inline const QString kFolderColumn = QStringLiteral("保存路径");
// The result's link, a column of the CSV export.
inline const QString kAddressColumn = QStringLiteral("网址");
// The optional citation columns.
inline const QString kAuthorsColumn = QStringLiteral("作者");
inline const QString kSourceColumn = QStringLiteral("来源");
inline const QString kYearColumn = QStringLiteral("年份");
inline const QString kCitationsColumn = QStringLiteral("被引量");
inline const QString kAbstractColumn = QStringLiteral("摘要");
// The saved PDF's DOI, the CSV export's last column.
inline const QString kDoiColumn = QStringLiteral("DOI");

// Refusals and questions of the runs and list commands.
inline const QString kBusyRefusal = QStringLiteral("正在工作，请停止以后使用该功能！");
// A batch over a keyword box with nothing in it would otherwise end without a word.
inline const QString kNoKeyword = QStringLiteral("关键词框里没有关键词：请每行输入一组关键词，再开始批量搜索采集。");
inline const QString kBusyTryLater = QStringLiteral("正在工作，请稍后再试！");
inline const QString kClearRefusal = QStringLiteral("正在分析，不能清除！");
inline const QString kAskText = QStringLiteral("请输入指定字符：");
inline const QString kClearAllQuestion = QStringLiteral("您确定要清空辛辛苦苦搜索的列表数据吗？");

// The list exchange: progress captions and closing messages (the export's is followed by the file's size in
// kilobytes, the import's and the address list's surround a count).
inline const QString kExportFinished = QStringLiteral("导出到文件完毕：");
inline const QString kExportingAll = QStringLiteral("正在导出全部列表到文件,请稍候...");
inline const QString kExportingFailed = QStringLiteral("正在导出未分析项和下载失败项到文件,请稍候...");
inline const QString kImporting = QStringLiteral("正在导入数据文件,请稍候...");
inline const QString kImportFinished = QStringLiteral("导入文件到列表完成，共成功导入：");
inline const QString kImportFinishedUnit = QStringLiteral("条数据。");
inline const QString kAddressesImported = QStringLiteral("已经导入合格网址：");
inline const QString kAddressesImportedUnit = QStringLiteral("条。");
// A failed export or import says so instead of ending in silence (%1: the reason; %2: rows imported until then).
inline const QString kExportFailed = QStringLiteral("导出到文件失败：%1");
inline const QString kImportFailed = QStringLiteral("导入数据文件失败：%1\n已导入：%2条数据。");
// A stopped export leaves the file as it was; a stopped import keeps the rows read until then (%1).
inline const QString kExportStopped = QStringLiteral("导出已停止，文件未改动。");
inline const QString kImportStopped = QStringLiteral("导入已停止，已导入：%1条数据。");
// An export with no row to write leaves the file as it was.
inline const QString kNothingToExport = QStringLiteral("没有要导出的数据，文件未改动。");
// Rows whose address is longer than the list file's column (%1 of them) are left out rather than cut.
inline const QString kLongAddressesNotExported = QStringLiteral("\n%1条数据的网址超过500个字符，未导出。");
inline const QString kLongAddressesNotImported = QStringLiteral("\n%1条数据的网址超过500个字符，未导入。");
} // namespace SearchTexts
