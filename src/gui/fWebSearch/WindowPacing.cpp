#include "gui/fWebSearch/WindowPacing.h"

#include "core/search/RunFlags.h"

#include <QComboBox>

WindowPacing::WindowPacing(QComboBox *delayBox, RunFlags &flags, QObject *parent)
    : PacingView(parent), m_delayBox(delayBox), m_flags(flags)
{
    connect(m_delayBox, &QComboBox::currentTextChanged, this, &PacingView::changed);
    connect(&m_flags, &RunFlags::changed, this, &PacingView::changed);
}

QString WindowPacing::delayText() const
{
    return m_delayBox->currentText();
}

bool WindowPacing::collectIdle() const
{
    return m_flags.CollectIdle();
}

bool WindowPacing::analysisIdle() const
{
    return m_flags.AnalysisIdle();
}
