#include "gui/fWebSearch/ServiceWaitNotice.h"

#include "core/search/ServicePageCheck.h"
#include "gui/fWebSearch/fWebSearchTexts.h"

#include <QMessageBox>
#include <QStatusBar>

namespace T = fWebSearchTexts;

ServiceWaitNotice::ServiceWaitNotice(QStatusBar &statusBar, QWidget &window)
    : QObject(&window), m_statusBar(statusBar), m_window(window)
{}

ServiceWaitNotice::~ServiceWaitNotice()
{
    delete m_box;
}

QString ServiceWaitNotice::text(const ServicePageVerdict &verdict, const QString &keyword, const QString &address)
{
    QString what;
    switch (verdict.state) {
    case ServicePageState::Usable:
        return {};
    case ServicePageState::Verification:
        what = T::kServiceVerification;
        break;
    case ServicePageState::Refused:
        what = T::kServiceRefused.arg(verdict.reason);
        break;
    case ServicePageState::Unreachable:
        what = T::kServiceUnreachable.arg(verdict.reason);
        break;
    case ServicePageState::TooLarge:
        what = T::kServiceTooLarge.arg(verdict.reason);
        break;
    }
    return what + T::kServiceWhere.arg(keyword, address);
}

void ServiceWaitNotice::show(const ServicePageVerdict &verdict, const QString &keyword, const QString &address)
{
    const QString message = text(verdict, keyword, address);
    m_statusBar.showMessage(message.section(QLatin1Char('\n'), 0, 0));
    if (!m_box) {
        m_box = new QMessageBox(QMessageBox::Information, T::kServiceWaitCaption, message, QMessageBox::Ok, &m_window);
        m_box->setObjectName(QStringLiteral("ServiceWaitBox"));
        m_box->setWindowModality(Qt::NonModal);
        m_box->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_box->setText(message);
    m_box->show();
}

void ServiceWaitNotice::hide()
{
    m_statusBar.clearMessage();
    if (m_box)
        m_box->close();
}
