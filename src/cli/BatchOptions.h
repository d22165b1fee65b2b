#pragma once

#include "core/search/ReferenceExport.h"

#include <QString>
#include <QStringList>
#include <optional>

// What the batch does with a saved PDF that the check finds damaged, locked, not a PDF or another paper.
enum class PdfCheckMode { Off, Mark, Move };

// What `paperharvest batch` was asked to do. Unset optionals fall back to the stored settings.
struct BatchOptions {
    QStringList keywords; // from the command line, then from --keywords-file
    QString keywordsFile;
    int typeIndex = 0; // 0..5: 全部 期刊 学位 会议 图书 专利
    int yearIndex = 0; // 0..3: 全部 2017年来 2016年来 2015年来
    std::optional<int> delaySeconds;
    std::optional<QString> saveFolder;
    bool nameFromAddress = false;
    bool skipVisited = false;
    bool skipExisting = false;
    std::optional<int> engine;             // 1 or 2
    int threads = 3;                       // engine-2 slots
    std::optional<QString> sameNameChoice; // "跳过", "覆盖" or "重命名"
    std::optional<double> maxSizeMb;
    QString exportFile;
    std::optional<ListFormat> exportFormat; // unset: from the export file's extension
    bool overwriteExport = false;           // --export may replace a file that is not this program's export
    QStringList importFiles;                // list exchange files and plain address lists, loaded before the search
    bool noDownload = false;
    PdfCheckMode checkPdf = PdfCheckMode::Mark; // --check-pdf
    bool quiet = false;                         // stderr carries the errors only
    bool json = false; // stdout carries one JSON document at the end instead of the summary lines
    bool helpRequested = false;
};

struct BatchOptionsResult {
    std::optional<BatchOptions> options;
    QString error; // one line naming the offending argument when options is empty
};

// Parses the arguments that follow "batch".
BatchOptionsResult ParseBatchOptions(const QStringList &arguments);

QString BatchUsageText();
