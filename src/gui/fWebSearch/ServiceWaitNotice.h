#pragma once

#include <QFrame>
#include <chrono>

class QLabel;
class QPushButton;
class QStatusBar;
struct ServicePageVerdict;

// Tells the user, below the browser and without covering the page, that the search service answered with
// something other than a result page and that the walk waits: a message in the status bar and a bar under the
// page, so a verification can be solved in the page above it and the window's own keys (F5) keep working.
class ServiceWaitNotice final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServiceWaitNotice)
public:
    ServiceWaitNotice(QStatusBar &statusBar, QWidget *parent = nullptr);

    // The walk waits. For a page that is not a result page, `address` is where the walk was, offered for a reload.
    void show(const ServicePageVerdict &verdict, const QString &keyword, const QString &address);
    // The service turned the page away; it is asked again after `delay` (the `retry`-th time).
    void showRetry(const ServicePageVerdict &verdict, const QString &keyword, const QString &address,
                   std::chrono::milliseconds delay, int retry);
    void hide();

    // What the notice says for a verdict.
    static QString text(const ServicePageVerdict &verdict, const QString &keyword, const QString &address);
    // What it says while a turned-away page waits to be asked again.
    static QString retryText(const ServicePageVerdict &verdict, const QString &keyword, const QString &address,
                             std::chrono::milliseconds delay, int retry);
    // An address as a reader reads it: percent escapes decoded (UTF-8, or GBK as the search addresses write their
    // keywords).
    static QString readableAddress(const QString &address);

Q_SIGNALS:
    // The user asked to load the address the walk was on again.
    void reloadWanted(const QString &address);

private:
    void showText(const QString &message);

    QStatusBar &m_statusBar;
    QLabel *m_text = nullptr;
    QPushButton *m_reload = nullptr;
    QString m_reloadAddress;
};
