#include "cli/BatchSummary.h"

#include "core/download/DownloadListModel.h"
#include "core/download/DownloadTexts.h"
#include "core/download/SameNameRules.h"
#include "core/search/ResultRow.h"
#include "core/search/SearchTexts.h"
#include "core/util/ControlCharacters.h"

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

BatchSummary BatchSummary::of(const QList<ResultRow> &rows, const DownloadListModel *downloads)
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
        switch (OutcomeOf(downloads->item(i))) {
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
    if (!downloadsRan) {
        out += QStringLiteral("files: not downloaded\n");
        return out;
    }
    out += QStringLiteral("files: %1 done, %2 failed, %3 skipped").arg(filesDone).arg(filesFailed).arg(filesSkipped);
    if (filesWaiting > 0)
        out += QStringLiteral(", %1 not reached").arg(filesWaiting);
    out += QLatin1Char('\n');
    return out;
}

bool BatchSummary::anyFailed() const
{
    const bool rowFailed = std::any_of(statuses.cbegin(), statuses.cend(), [](const QPair<QString, int> &entry) {
        return StatusGroup(entry.first) == SearchTexts::失败;
    });
    return rowFailed || filesFailed > 0;
}
