#include "gui/fWebSearch/ServiceWaitNotice.h"

#include "core/net/RetryRule.h"
#include "core/search/ServicePageCheck.h"
#include "core/util/AnsiCodePage.h"
#include "gui/fWebSearch/fWebSearchTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStringDecoder>

namespace T = fWebSearchTexts;

ServiceWaitNotice::ServiceWaitNotice(QStatusBar &statusBar, QWidget *parent)
    : QFrame(parent), m_statusBar(statusBar), m_text(new QLabel(this)), m_reload(new QPushButton(T::kReloadWalkPage))
{
    setObjectName(QStringLiteral("ServiceWaitNotice"));
    setFrameShape(QFrame::StyledPanel);
    setAccessibleName(T::kServiceWaitCaption);
    m_text->setObjectName(QStringLiteral("ServiceWaitText"));
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_reload->setObjectName(QStringLiteral("ServiceWaitReload"));
    m_reload->setVisible(false);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(6, 4, 6, 4);
    row->addWidget(m_text, 1);
    row->addWidget(m_reload, 0, Qt::AlignVCenter);
    connect(m_reload, &QPushButton::clicked, this, [this] { Q_EMIT reloadWanted(m_reloadAddress); });
    QFrame::hide();
}

QString ServiceWaitNotice::readableAddress(const QString &address)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(address.toUtf8());
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? AnsiCodePage::decode(bytes) : text;
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
        what = T::kServiceRefused.arg(ServiceReasonForWindows(verdict));
        break;
    case ServicePageState::Unreachable:
        what = T::kServiceUnreachable.arg(ServiceReasonForWindows(verdict));
        break;
    case ServicePageState::TooLarge:
        what = T::kServiceTooLarge.arg(ServiceReasonForWindows(verdict));
        break;
    case ServicePageState::NotResultPage:
        what = T::kServiceNotResultPage.arg(readableAddress(ServiceReasonForWindows(verdict)));
        break;
    }
    return what + T::kServiceWhere.arg(keyword, readableAddress(address));
}

QString ServiceWaitNotice::retryText(const ServicePageVerdict &verdict, const QString &keyword, const QString &address,
                                     std::chrono::milliseconds delay, int retry)
{
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(delay).count();
    return T::kServiceRetrying.arg(ServiceReasonForWindows(verdict))
               .arg(seconds)
               .arg(retry)
               .arg(RetryRule::kMaxRetries) +
           T::kServiceWhere.arg(keyword, readableAddress(address));
}

void ServiceWaitNotice::show(const ServicePageVerdict &verdict, const QString &keyword, const QString &address)
{
    m_reloadAddress = verdict.state == ServicePageState::NotResultPage ? address : QString();
    m_reload->setVisible(!m_reloadAddress.isEmpty());
    showText(text(verdict, keyword, address));
}

void ServiceWaitNotice::showRetry(const ServicePageVerdict &verdict, const QString &keyword, const QString &address,
                                  std::chrono::milliseconds delay, int retry)
{
    m_reloadAddress.clear();
    m_reload->setVisible(false);
    showText(retryText(verdict, keyword, address, delay, retry));
}

void ServiceWaitNotice::showText(const QString &message)
{
    m_statusBar.showMessage(message.section(QLatin1Char('\n'), 0, 0));
    m_text->setText(message);
    QFrame::show();
}

void ServiceWaitNotice::hide()
{
    m_statusBar.clearMessage();
    m_reloadAddress.clear();
    QFrame::hide();
}
