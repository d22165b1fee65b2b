#pragma once

#include "core/analysis/Pauses.h"

class QComboBox;
class RunFlags;

// The pauses' view of the main window: the delay box Combo1 and the run flags. A change of either wakes a
// running pause at once.
class WindowPacing final : public PacingView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowPacing)
public:
    WindowPacing(QComboBox *delayBox, RunFlags &flags, QObject *parent = nullptr);

    QString delayText() const override;
    bool collectIdle() const override;
    bool analysisIdle() const override;

private:
    QComboBox *m_delayBox;
    RunFlags &m_flags;
};
