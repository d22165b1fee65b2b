#pragma once

#include "core/pdfcheck/PdfChecker.h"

#include <QList>
#include <QObject>

class DownloadListModel;

// The download window's file check: each PDF row is opened once its file is done, beside the downloads, and its
// verdict goes into the row's check column; a row downloaded again loses the old verdict. The list tool checks the
// selected done rows again, whatever their type.
class DownloadPdfCheck final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadPdfCheck)

public:
    explicit DownloadPdfCheck(DownloadListModel &list, QObject *parent = nullptr);

    void recheck(const QList<int> &rows);
    const PdfChecker &checker() const { return m_checker; }

Q_SIGNALS:
    // The verdict on the file of the done row of `address`, as its check column now shows it.
    void reported(const QString &address, const PdfReport &report);

private:
    void rowsChanged(int first, int last);
    void start(int row);
    void checked(const QString &address, const PdfReport &report);

    DownloadListModel &m_list;
    PdfChecker m_checker;
};
