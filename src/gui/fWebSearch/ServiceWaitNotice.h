#pragma once

#include <QObject>
#include <QPointer>

class QMessageBox;
class QStatusBar;
struct ServicePageVerdict;

// Tells the user, without blocking the browser, that the search service answered with something other than a
// result page and that the walk waits: a message in the status bar and a box that does not hold the window, so
// a verification can be solved in the page underneath.
class ServiceWaitNotice final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServiceWaitNotice)
public:
    ServiceWaitNotice(QStatusBar &statusBar, QWidget &window);
    ~ServiceWaitNotice() override;

    void show(const ServicePageVerdict &verdict, const QString &keyword, const QString &address);
    void hide();

    // What the notice says for a verdict.
    static QString text(const ServicePageVerdict &verdict, const QString &keyword, const QString &address);

private:
    QStatusBar &m_statusBar;
    QWidget &m_window;
    QPointer<QMessageBox> m_box;
};
