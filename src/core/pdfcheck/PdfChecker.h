#pragma once

#include "core/pdfcheck/PdfVerdict.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

// Checks saved PDFs one after another on a worker thread of idle priority, which takes the time the downloads and
// the windows leave; each verdict comes back as a signal on the checker's own thread.
class PdfChecker final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PdfChecker)

public:
    explicit PdfChecker(QObject *parent = nullptr);
    // Drops the checks not started and waits for the one running.
    ~PdfChecker() override;

    // `key` comes back with the verdict (a download row's address, say); `title` is the paper the file should be.
    void check(const QString &key, const QString &path, const QString &title);
    // Checks asked for whose verdict has not come back yet.
    int pending() const { return m_pending; }

Q_SIGNALS:
    void checked(const QString &key, const PdfReport &report);
    // The last pending check came back.
    void allChecked();

private:
    QThreadPool m_pool;
    int m_pending = 0;
};
