#include "gui/shell/GapLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>

namespace {
// Air between the control and the words on either side.
constexpr int kGapMargin = 3;
} // namespace

GapLabel::GapLabel(const QString &text, QWidget *control, QWidget *parent) : QLabel(text, parent), m_control(control)
{
    m_control->setParent(this);
    const auto gap = QRegularExpression(QStringLiteral(" {2,}")).match(text);
    if (gap.hasMatch()) {
        m_before = text.left(gap.capturedStart());
        m_after = text.mid(gap.capturedEnd());
    } else {
        m_before = text;
    }
    // The control is what the caption is about: a screen reader names it after the words around it.
    setBuddy(m_control);
    if (m_control->accessibleName().isEmpty())
        m_control->setAccessibleName((m_before.trimmed() + QLatin1Char(' ') + m_after.trimmed()).trimmed());
    placeControl();
}

int GapLabel::gapWidth() const
{
    return m_control->sizeHint().width() + 2 * kGapMargin;
}

QSize GapLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    const int width = fm.horizontalAdvance(m_before) + gapWidth() + fm.horizontalAdvance(m_after);
    return {width, std::max(fm.height(), m_control->sizeHint().height())};
}

bool GapLabel::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        placeControl();
    }
    return QLabel::event(event);
}

void GapLabel::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    updateGeometry();
    placeControl();
}

void GapLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    placeControl();
}

void GapLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QFontMetrics fm(font());
    const int before = fm.horizontalAdvance(m_before);
    p.drawText(QRect(0, 0, before, height()), Qt::AlignLeft | Qt::AlignVCenter, m_before);
    // After the control as it lies, so a control wider than it was when placed never covers the words.
    const int after = std::max(before + gapWidth(), m_control->geometry().right() + 1 + kGapMargin);
    p.drawText(QRect(after, 0, width() - after, height()), Qt::AlignLeft | Qt::AlignVCenter, m_after);
}

void GapLabel::placeControl()
{
    const int x = QFontMetrics(font()).horizontalAdvance(m_before) + kGapMargin;
    const QSize size = m_control->sizeHint();
    m_control->setGeometry(x, (height() - size.height()) / 2, size.width(), size.height());
}
