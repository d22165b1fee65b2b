#include "cli/BatchSummary.h"

#include "cli/TransferMeter.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadTexts.h"
#include "core/download/SameNameRules.h"
#include "core/download/engines/Downloader.h"
#include "core/search/ResultRow.h"
#include "core/search/SearchTexts.h"
#include "core/util/ControlCharacters.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {
const PdfVerdict kVerdicts[] = {PdfVerdict::Ok,     PdfVerdict::Damaged,    PdfVerdict::Encrypted,
                                PdfVerdict::NotPdf, PdfVerdict::OtherPaper, PdfVerdict::Unchecked};

QString countKey(PdfVerdict verdict)
{
    QString key = VerdictKey(verdict);
    for (qsizetype dash = key.indexOf(u'-'); dash >= 0 && dash + 1 < key.size(); dash = key.indexOf(u'-'))
        key.replace(dash, 2, key.at(dash + 1).toUpper());
    return key;
}

QString outcomeWord(FileOutcome outcome)
{
    switch (outcome) {
    case FileOutcome::Done:
        return QStringLiteral("done");
    case FileOutcome::Failed:
        return QStringLiteral("failed");
    case FileOutcome::Skipped:
        return QStringLiteral("skipped");
    case FileOutcome::Unfinished:
        break;
    }
    return QStringLiteral("not reached");
}

// The words scripts match on: ASCII, and the same whatever the display text.
QString outcomeKey(FileOutcome outcome)
{
    return outcome == FileOutcome::Unfinished ? QStringLiteral("notReached") : outcomeWord(outcome);
}

// A row status as a word for scripts; a status the program does not write itself (a list file from elsewhere) is
// "other", its text still beside it as the label.
QString statusKey(const QString &status)
{
    static const QList<QPair<QString, QString>> keys{
        {SearchTexts::成功, QStringLiteral("succeeded")},
        {SearchTexts::无pdf, QStringLiteral("noPdf")},
        {SearchTexts::失败下载, QStringLiteral("pageFailed")},
        {SearchTexts::失败, QStringLiteral("failed")},
        {SearchTexts::跳过曾经下载, QStringLiteral("skippedVisited")},
        {SearchTexts::跳过文件存在, QStringLiteral("skippedExisting")},
        {SearchTexts::正在分析, QStringLiteral("analysing")},
        {SearchTexts::正在分析下层, QStringLiteral("analysing")},
        {SearchTexts::待定, QStringLiteral("pending")},
    };
    for (const auto &[text, key] : keys)
        if (status == text)
            return key;
    return QStringLiteral("other");
}
} // namespace

FileOutcome OutcomeOf(const DownloadItem &item)
{
    if (item.percent == DownloadTexts::kExistsSkipped || item.percent == DownloadTexts::kTooBig)
        return FileOutcome::Skipped;
    switch (item.state) {
    case ItemState::Done:
        return FileOutcome::Done;
    case ItemState::Failed:
        return FileOutcome::Failed;
    case ItemState::Waiting:
    case ItemState::Downloading:
        break;
    }
    return FileOutcome::Unfinished;
}

QString FetchedAddress(const DownloadItem &item, int engine)
{
    return engine == 1 ? item.address : Downloader::CleanAddress(item.address);
}

QString EndReason(const DownloadItem &item)
{
    static const QRegularExpression share(QStringLiteral("^\\d+%$"));
    if (!item.percent.isEmpty() && !share.match(item.percent).hasMatch())
        return item.percent;
    // A share is all a body that ended before its announced length leaves behind.
    if (!item.percent.isEmpty())
        return QStringLiteral("cut short at %1").arg(item.percent);
    return QStringLiteral("no file received");
}

BatchSummary BatchSummary::of(const QList<ResultRow> &rows, const DownloadListModel *downloads,
                              const QHash<QString, QString> &titles, int engine,
                              const QHash<QString, PdfReport> &checks)
{
    BatchSummary s;
    s.rowsCollected = static_cast<int>(rows.size());
    for (const ResultRow &row : rows) {
        if (row.status.isEmpty()) {
            ++s.unanalysed;
            continue;
        }
        auto known = std::find_if(s.statuses.begin(), s.statuses.end(),
                                  [&](const QPair<QString, int> &entry) { return entry.first == row.status; });
        if (known == s.statuses.end())
            s.statuses.append({row.status, 1});
        else
            ++known->second;
    }
    if (!downloads)
        return s;
    s.downloadsRan = true;
    for (int i = 0; i < downloads->size(); ++i) {
        const DownloadItem &item = downloads->item(i);
        const FileOutcome outcome = OutcomeOf(item);
        const qint64 bytes = item.downloaded.toLongLong();
        s.bytesReceived += bytes;
        const bool ended = outcome == FileOutcome::Failed || outcome == FileOutcome::Skipped;
        s.files.append({titles.value(item.address), FetchedAddress(item, engine),
                        QDir::toNativeSeparators(ItemFilePath(item)), bytes, outcome,
                        ended ? EndReason(item) : QString()});
        const PdfReport check = checks.value(item.address);
        s.files.back().check = check.verdict;
        s.files.back().pages = check.pages;
        ++s.checkCounts[static_cast<std::size_t>(check.verdict)];
        switch (outcome) {
        case FileOutcome::Done:
            ++s.filesDone;
            break;
        case FileOutcome::Failed:
            ++s.filesFailed;
            break;
        case FileOutcome::Skipped:
            ++s.filesSkipped;
            break;
        case FileOutcome::Unfinished:
            ++s.filesWaiting;
            break;
        }
    }
    return s;
}

QString BatchSummary::text() const
{
    QString out = QStringLiteral("rows collected: %1\n").arg(rowsCollected);
    QStringList words;
    for (const auto &[status, count] : statuses)
        words << QStringLiteral("%1 %2").arg(EscapeNonPrintable(status)).arg(count);
    if (unanalysed > 0)
        words << QStringLiteral("not analysed %1").arg(unanalysed);
    out += QStringLiteral("analysed: %1\n")
               .arg(words.isEmpty() ? QStringLiteral("none") : words.join(QStringLiteral(", ")));
    if (retries > 0)
        out += QStringLiteral("retries after 429/503: %1\n").arg(retries);
    if (keywordsFailed > 0)
        out += QStringLiteral("keywords failed: %1\n").arg(keywordsFailed);
    if (dataWritesFailed > 0)
        out += QStringLiteral("data folder writes failed: %1\n").arg(dataWritesFailed);
    if (!downloadsRan) {
        out += QStringLiteral("files: not downloaded\n");
        return out;
    }
    out += QStringLiteral("files: %1 done, %2 failed, %3 skipped").arg(filesDone).arg(filesFailed).arg(filesSkipped);
    if (filesWaiting > 0)
        out += QStringLiteral(", %1 not reached").arg(filesWaiting);
    out += QLatin1Char('\n');
    if (checkCount(PdfVerdict::Unchecked) < files.size()) {
        QStringList counts;
        for (const PdfVerdict verdict : kVerdicts)
            counts << QStringLiteral("%1 %2").arg(checkCount(verdict)).arg(VerdictKey(verdict));
        out += QStringLiteral("pdf check: %1\n").arg(counts.join(QStringLiteral(", ")));
    }
    const qint64 seconds = downloadMs / 1000;
    out += QStringLiteral("received: %1 in %2").arg(HumanBytes(bytesReceived), ClockText(seconds));
    if (downloadMs > 0)
        out += QStringLiteral(", %1 on average")
                   .arg(HumanRate(static_cast<double>(bytesReceived) * 1000.0 / static_cast<double>(downloadMs)));
    out += QLatin1Char('\n');
    return out;
}

QByteArray BatchSummary::json(int exitStatus) const
{
    QJsonArray analysed;
    for (const auto &[status, count] : statuses)
        analysed.append(QJsonObject{{QStringLiteral("status"), statusKey(status)},
                                    {QStringLiteral("label"), status},
                                    {QStringLiteral("rows"), count}});
    QJsonObject document{
        {QStringLiteral("exitStatus"), exitStatus}, {QStringLiteral("rowsCollected"), rowsCollected},
        {QStringLiteral("analysed"), analysed},     {QStringLiteral("notAnalysed"), unanalysed},
        {QStringLiteral("retries"), retries},       {QStringLiteral("downloadsRan"), downloadsRan},
    };
    document.insert(QStringLiteral("keywordsFailed"), keywordsFailed);
    document.insert(QStringLiteral("dataWritesFailed"), dataWritesFailed);
    if (downloadsRan) {
        document.insert(QStringLiteral("fileCounts"), QJsonObject{{outcomeKey(FileOutcome::Done), filesDone},
                                                                  {outcomeKey(FileOutcome::Failed), filesFailed},
                                                                  {outcomeKey(FileOutcome::Skipped), filesSkipped},
                                                                  {outcomeKey(FileOutcome::Unfinished), filesWaiting}});
        // Keys in the form of the other counts' ("notReached"); each file's "check" has the verdict's own word.
        QJsonObject checks;
        for (const PdfVerdict verdict : kVerdicts)
            checks.insert(countKey(verdict), checkCount(verdict));
        document.insert(QStringLiteral("checkCounts"), checks);
        document.insert(QStringLiteral("bytesReceived"), bytesReceived);
        document.insert(QStringLiteral("downloadSeconds"), static_cast<double>(downloadMs) / 1000.0);
    }
    QJsonArray fileList;
    for (const FileReport &file : files)
        fileList.append(QJsonObject{{QStringLiteral("title"), file.title},
                                    {QStringLiteral("address"), file.address},
                                    {QStringLiteral("path"), file.path},
                                    {QStringLiteral("bytes"), file.bytes},
                                    {QStringLiteral("result"), outcomeKey(file.outcome)},
                                    {QStringLiteral("reason"), file.reason},
                                    {QStringLiteral("check"), VerdictKey(file.check)},
                                    {QStringLiteral("pages"), file.pages}});
    document.insert(QStringLiteral("files"), fileList);
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

bool BatchSummary::anyFailed() const
{
    const bool rowFailed = std::any_of(statuses.cbegin(), statuses.cend(), [](const QPair<QString, int> &entry) {
        return StatusGroup(entry.first) == SearchTexts::失败;
    });
    return rowFailed || filesFailed > 0 || checkCount(PdfVerdict::Damaged) > 0 || keywordsFailed > 0 ||
           dataWritesFailed > 0;
}
