#pragma once

#include <QString>

// Which rows one analysis run looks at: the four commands of the "分析下载" menu.
enum class AnalysisSet {
    Unanalysed, // 分析下载未分析项: status empty (also the automatic analysis)
    Failed,     // 分析下载失败项: status beginning with "失败"
    Selected,   // 分析下载选中项: rows selected in the list
    All,        // 分析下载全部
};

// Whether a row with `status` (and selected or not) belongs to the set.
bool RowInAnalysisSet(AnalysisSet set, const QString &status, bool selected);
