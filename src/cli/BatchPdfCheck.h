#pragma once

#include "cli/BatchOptions.h"
#include "core/pdfcheck/PdfChecker.h"

#include <QCoroTask>
#include <QHash>
#include <QObject>

class BatchProgress;
class DownloadListModel;
struct DownloadItem;

// The batch's check of the PDFs it saved: each finished PDF row is checked beside the downloads; a suspicious file
// gets a line of its own, and under PdfCheckMode::Move goes into the folder 待核对 inside its save folder (the
// row then points there).
class BatchPdfCheck final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BatchPdfCheck)
public:
    BatchPdfCheck(PdfCheckMode mode, DownloadListModel &list, BatchProgress &progress, QObject *parent = nullptr);

    // `sameNameChoice`: the caption of the download list's same-name rule, which the move follows.
    void setSameNameChoice(const QString &caption) { m_sameNameChoice = caption; }
    // A row's file is done: a PDF is checked against the title of the result row that handed it over.
    void fileDone(const DownloadItem &item, const QString &title);
    // Returns when every check asked for has come back.
    QCoro::Task<> finish();
    // By download address.
    const QHash<QString, PdfReport> &reports() const { return m_reports; }

private:
    void checked(const QString &address, const PdfReport &report);
    // Moves the row's file into 待核对; the path it went to, empty when it stayed (with a line saying why).
    QString moveForReview(int row);

    PdfCheckMode m_mode;
    DownloadListModel &m_list;
    BatchProgress &m_progress;
    QString m_sameNameChoice;
    PdfChecker m_checker;
    QHash<QString, PdfReport> m_reports;
};
