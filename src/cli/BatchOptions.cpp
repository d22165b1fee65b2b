#include "cli/BatchOptions.h"

#include "cli/HelpText.h"
#include "core/download/DownloadTexts.h"

#include <QCommandLineParser>

namespace {
struct IntRange {
    int low;
    int high;
};

// Reads option `name` as a whole number in range; false (with `error` set) when it is not.
bool readInt(const QCommandLineParser &parser, const QString &name, IntRange range, int &out, QString &error)
{
    bool ok = false;
    const QString text = parser.value(name);
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < range.low || value > range.high) {
        error = QStringLiteral("--%1: expected a whole number from %2 to %3, got \"%4\"")
                    .arg(name)
                    .arg(range.low)
                    .arg(range.high)
                    .arg(text);
        return false;
    }
    out = value;
    return true;
}

QList<QCommandLineOption> batchOptionList()
{
    return {
        {QStringLiteral("keywords-file"), QStringLiteral("One keyword (group) per line; GBK or UTF-8."),
         QStringLiteral("FILE")},
        {QStringLiteral("type"), QStringLiteral("0..5 = 全部 期刊 学位 会议 图书 专利 (default 0)."),
         QStringLiteral("N")},
        {QStringLiteral("year"), QStringLiteral("0..3 = 全部 2017年来 2016年来 2015年来 (default 0)."),
         QStringLiteral("N")},
        {QStringLiteral("delay"), QStringLiteral("Pause in seconds, 0..120 (default: the stored main-window delay)."),
         QStringLiteral("S")},
        {QStringLiteral("out"), QStringLiteral("Save folder (default: the stored download folder)."),
         QStringLiteral("DIR")},
        {QStringLiteral("name-from-address"), QStringLiteral("Name files after the download address (原文件名).")},
        {QStringLiteral("skip-visited"), QStringLiteral("Do not analyse an address twice (相同网址不重复保存).")},
        {QStringLiteral("skip-existing"), QStringLiteral("Skip rows whose file exists (文件已存在，跳过保存).")},
        {QStringLiteral("engine"), QStringLiteral("Download engine 1|2 (default: the stored choice)."),
         QStringLiteral("1|2")},
        {QStringLiteral("threads"), QStringLiteral("Engine-2 slots 1..6 (default 3)."), QStringLiteral("N")},
        {QStringLiteral("same-name"), QStringLiteral("skip|overwrite|rename (default: the stored choice)."),
         QStringLiteral("RULE")},
        {QStringLiteral("max-size"), QStringLiteral("Largest file to download in MB (default: the stored limit)."),
         QStringLiteral("MB")},
        {QStringLiteral("export"),
         QStringLiteral("Write the result list as a list exchange file at the end, once the downloads and their PDF "
                        "checks are done, so each row carries its PDF's DOI and page count (nothing when it has no "
                        "rows). The file is checked before the search."),
         QStringLiteral("FILE")},
        {QStringLiteral("export-format"),
         QStringLiteral("csv|ris|bibtex|zxul: the format of --export (default: from its extension, .csv .ris .bib, "
                        "otherwise a list exchange file). CSV, RIS and BibTeX carry the citation fields for "
                        "spreadsheets and reference managers, and the DOI a saved PDF gives."),
         QStringLiteral("FORMAT")},
        {QStringLiteral("overwrite"),
         QStringLiteral("Let --export replace an existing file this program did not export (otherwise refused).")},
        {QStringLiteral("import"),
         QStringLiteral("Load rows before the search, from a list exchange file (.zxul, written by --export or the "
                        "windows) or a plain list of document addresses (one per line, GBK or UTF-8). Repeatable; "
                        "with no keyword only the imported rows are analysed and downloaded. Rows already "
                        "analysed keep their status and are not analysed again."),
         QStringLiteral("FILE")},
        {QStringLiteral("no-download"), QStringLiteral("Stop after the analysis.")},
        {QStringLiteral("check-pdf"),
         QStringLiteral("off|mark|move: open every saved PDF and name the damaged, locked, non-PDF and "
                        "other-paper ones (default mark); move also puts them into a folder 待核对 inside their "
                        "save folder, under the same-name rule. A damaged file counts as a failed one."),
         QStringLiteral("MODE")},
        {{QStringLiteral("q"), QStringLiteral("quiet")},
         QStringLiteral("No progress lines and no bar: errors on stderr and the summary on stdout only.")},
        {QStringLiteral("json"),
         QStringLiteral("Write the summary as one JSON document on stdout (counts per status; per file its row "
                        "title, address, path, bytes, result, reason, PDF check and pages) and nothing else there.")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")},
    };
}

const QString kDescription =
    QStringLiteral("Searches every keyword, walks all result pages, analyses the results for free PDF links and "
                   "downloads the files, without windows.");
const QString kKeywordsDescription =
    QStringLiteral("Keywords (groups) to search; none with --import: only the imported rows.");

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(kDescription);
    parser.addOptions(batchOptionList());
    parser.addPositionalArgument(QStringLiteral("KEYWORD"), kKeywordsDescription, QStringLiteral("[KEYWORD ...]"));
}
} // namespace

QString BatchUsageText()
{
    // Laid out here rather than by QCommandLineParser, which counts characters, not the columns the Chinese ones
    // take: every line fits a terminal of 80 columns.
    constexpr int kColumns = 79;
    QString text = QStringLiteral("Usage: paperharvest batch [options] [KEYWORD ...]\n");
    text += WrapText(kDescription, 0, kColumns);
    text += QStringLiteral("\nOptions:\n") + OptionsHelp(batchOptionList(), kColumns);
    text += QStringLiteral("\nArguments:\n  KEYWORD ...\n") + WrapText(kKeywordsDescription, 4, kColumns);
    text += QStringLiteral("\nExit status:\n"
                           "  0    the road ran to its end and nothing failed\n"
                           "  1    a fatal local error (save folder, export file)\n"
                           "  2    bad arguments\n"
                           "  3    the search service could not be used (unreachable, refused, asking\n"
                           "       for a verification)\n"
                           "  4    the road ran to its end, but some rows or files failed\n"
                           "  130  interrupted (Ctrl-C)\n"
                           "\nOn a terminal a bar shows the files finished, the bytes received, the rate\n"
                           "over the last five seconds, the time elapsed and the time left (--:-- while\n"
                           "unknown); on a narrow terminal the least useful of them give way. Piped, stderr\n"
                           "gets plain lines only. Every error line starts with \"paperharvest batch:\".\n");
    return text;
}

BatchOptionsResult ParseBatchOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    describe(parser);
    // QCommandLineParser expects the program name first.
    if (!parser.parse(QStringList{QStringLiteral("paperharvest-batch")} + arguments))
        return {std::nullopt, parser.errorText()};

    BatchOptions o;
    QString error;
    if (parser.isSet(QStringLiteral("help"))) {
        o.helpRequested = true;
        return {o, {}};
    }
    o.keywords = parser.positionalArguments();
    o.keywordsFile = parser.value(QStringLiteral("keywords-file"));
    if (parser.isSet(QStringLiteral("type")) && !readInt(parser, QStringLiteral("type"), {0, 5}, o.typeIndex, error))
        return {std::nullopt, error};
    if (parser.isSet(QStringLiteral("year")) && !readInt(parser, QStringLiteral("year"), {0, 3}, o.yearIndex, error))
        return {std::nullopt, error};
    if (parser.isSet(QStringLiteral("delay"))) {
        int delay = 0;
        if (!readInt(parser, QStringLiteral("delay"), {0, 120}, delay, error))
            return {std::nullopt, error};
        o.delaySeconds = delay;
    }
    if (parser.isSet(QStringLiteral("out"))) {
        const QString folder = parser.value(QStringLiteral("out"));
        if (folder.trimmed().isEmpty())
            return {std::nullopt, QStringLiteral("--out: the save folder must not be empty")};
        o.saveFolder = folder;
    }
    o.nameFromAddress = parser.isSet(QStringLiteral("name-from-address"));
    o.skipVisited = parser.isSet(QStringLiteral("skip-visited"));
    o.skipExisting = parser.isSet(QStringLiteral("skip-existing"));
    if (parser.isSet(QStringLiteral("engine"))) {
        int engine = 0;
        if (!readInt(parser, QStringLiteral("engine"), {1, 2}, engine, error))
            return {std::nullopt, error};
        o.engine = engine;
    }
    if (parser.isSet(QStringLiteral("threads")) &&
        !readInt(parser, QStringLiteral("threads"), {1, 6}, o.threads, error))
        return {std::nullopt, error};
    if (parser.isSet(QStringLiteral("same-name"))) {
        const QString rule = parser.value(QStringLiteral("same-name")).trimmed().toLower();
        if (rule == QLatin1String("skip"))
            o.sameNameChoice = DownloadTexts::kSkip;
        else if (rule == QLatin1String("overwrite"))
            o.sameNameChoice = DownloadTexts::kOverwrite;
        else if (rule == QLatin1String("rename"))
            o.sameNameChoice = DownloadTexts::kRename;
        else
            return {std::nullopt, QStringLiteral("--same-name: expected skip, overwrite or rename, got \"%1\"")
                                      .arg(parser.value(QStringLiteral("same-name")))};
    }
    if (parser.isSet(QStringLiteral("max-size"))) {
        bool ok = false;
        const QString text = parser.value(QStringLiteral("max-size"));
        const double mb = text.trimmed().toDouble(&ok);
        if (!ok || !(mb > 0))
            return {std::nullopt,
                    QStringLiteral("--max-size: expected a positive number of megabytes, got \"%1\"").arg(text)};
        o.maxSizeMb = mb;
    }
    if (parser.isSet(QStringLiteral("export"))) {
        o.exportFile = parser.value(QStringLiteral("export"));
        if (o.exportFile.trimmed().isEmpty())
            return {std::nullopt, QStringLiteral("--export: the file name must not be empty")};
    }
    if (parser.isSet(QStringLiteral("export-format"))) {
        o.exportFormat = ListFormatNamed(parser.value(QStringLiteral("export-format")));
        if (!o.exportFormat)
            return {std::nullopt, QStringLiteral("--export-format: expected csv, ris, bibtex or zxul, got \"%1\"")
                                      .arg(parser.value(QStringLiteral("export-format")))};
        if (o.exportFile.isEmpty())
            return {std::nullopt, QStringLiteral("--export-format: needs --export FILE")};
    }
    o.overwriteExport = parser.isSet(QStringLiteral("overwrite"));
    if (o.overwriteExport && o.exportFile.isEmpty())
        return {std::nullopt, QStringLiteral("--overwrite: needs --export FILE")};
    o.importFiles = parser.values(QStringLiteral("import"));
    for (const QString &file : std::as_const(o.importFiles))
        if (file.trimmed().isEmpty())
            return {std::nullopt, QStringLiteral("--import: the file name must not be empty")};
    o.noDownload = parser.isSet(QStringLiteral("no-download"));
    if (parser.isSet(QStringLiteral("check-pdf"))) {
        const QString mode = parser.value(QStringLiteral("check-pdf")).trimmed().toLower();
        if (mode == QLatin1String("off"))
            o.checkPdf = PdfCheckMode::Off;
        else if (mode == QLatin1String("mark"))
            o.checkPdf = PdfCheckMode::Mark;
        else if (mode == QLatin1String("move"))
            o.checkPdf = PdfCheckMode::Move;
        else
            return {std::nullopt, QStringLiteral("--check-pdf: expected off, mark or move, got \"%1\"")
                                      .arg(parser.value(QStringLiteral("check-pdf")))};
    }
    o.quiet = parser.isSet(QStringLiteral("quiet"));
    o.json = parser.isSet(QStringLiteral("json"));
    return {o, {}};
}
