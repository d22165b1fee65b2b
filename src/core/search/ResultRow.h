#pragma once

#include "core/search/Citation.h"
#include "core/util/LargePageAllocator.h"

#include <QString>
#include <vector>

// One search result in the main window's result list.
struct ResultRow {
    // The result's link (document page or direct file address); unique within the list. Not shown.
    QString key;
    // Column "标题": the link text, or "待定" for addresses imported from a plain list.
    QString title;
    // Column "分析状态": empty until analysed, then one of the analysis status words.
    QString status;
    // Column "类型": "htm" for a result page link, a file type for direct links, the chosen link's type after a
    // successful analysis, empty when no link was found.
    QString type;
    // Column "保存路径": the folder the document is saved to.
    QString saveFolder;
    // The result page the row came from (empty for imported addresses); the referring page of its fetch. Not shown.
    QString sourcePage;
    // Authors, source, year, citation count and abstract, as far as the result block showed them. Shown in
    // optional columns.
    RowCitation citation = {};

    friend bool operator==(const ResultRow &, const ResultRow &) = default;
};

// The list's rows, one array in large pages (LargePageAllocator.h).
using ResultRows = std::vector<ResultRow, LargePageAllocator<ResultRow>>;

// The status group a command works on: the status's first two characters ("成功", "跳过", "失败"), empty for an
// unanalysed row.
inline QString StatusGroup(const QString &status)
{
    return status.left(2);
}
