#include "gui/fWebSearch/WindowPacing.h"

#include <QComboBox>

WindowPacing::WindowPacing(QComboBox *delayBox, RunFlags &flags, QObject *parent)
    : RunFlagsPacing(flags, parent), m_delayBox(delayBox)
{
    connect(m_delayBox, &QComboBox::currentTextChanged, this, &PacingView::changed);
}

QString WindowPacing::delayText() const
{
    return m_delayBox->currentText();
}
