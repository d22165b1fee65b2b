#pragma once

#include "core/run/Pauses.h"

class QComboBox;

// The pauses' view of the main window: the delay box Combo1 and the run flags. A change of either wakes a
// running pause at once.
class WindowPacing final : public RunFlagsPacing
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowPacing)
public:
    WindowPacing(QComboBox *delayBox, RunFlags &flags, QObject *parent = nullptr);

    QString delayText() const override;

private:
    QComboBox *m_delayBox;
};
