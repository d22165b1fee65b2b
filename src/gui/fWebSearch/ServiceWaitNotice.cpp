#include "gui/fWebSearch/ServiceWaitNotice.h"

#include "core/search/ServicePageCheck.h"

#include <QMessageBox>
#include <QStatusBar>

namespace {
const QString kVerification = QStringLiteral("百度学术要求安全验证：请在浏览器中完成验证，完成后采集自动继续。");
const QString kRefused = QStringLiteral("百度学术拒绝了请求（%1）：稍后在浏览器中刷新页面，出现结果页后采集自动继续。");
const QString kUnreachable =
    QStringLiteral("无法连接百度学术（%1）：请检查网络后在浏览器中刷新页面，出现结果页后采集自动继续。");
const QString kWhere = QStringLiteral("\n关键词：%1\n网址：%2");
const QString kCaption = QStringLiteral("采集已暂停");
} // namespace

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
        what = kVerification;
        break;
    case ServicePageState::Refused:
        what = kRefused.arg(verdict.reason);
        break;
    case ServicePageState::Unreachable:
        what = kUnreachable.arg(verdict.reason);
        break;
    }
    return what + kWhere.arg(keyword, address);
}

void ServiceWaitNotice::show(const ServicePageVerdict &verdict, const QString &keyword, const QString &address)
{
    const QString message = text(verdict, keyword, address);
    m_statusBar.showMessage(message.section(QLatin1Char('\n'), 0, 0));
    if (!m_box) {
        m_box = new QMessageBox(QMessageBox::Information, kCaption, message, QMessageBox::Ok, &m_window);
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
