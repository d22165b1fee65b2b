#pragma once

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <functional>

// What the two pauses between requests look at on every pass: the delay box's text (whole seconds, 0 to 120)
// and the two run flags that end a pause early. The main window implements it over Combo1 and its flags, the
// batch mode over its options, tests with a fake. Whoever changes the text or sets a flag emits changed(), so a
// running pause looks again at once instead of polling.
class PacingView : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QString delayText() const = 0;
    // True when no page walk runs, or it was asked to stop.
    virtual bool collectIdle() const = 0;
    // True when no analysis runs, or it was asked to stop.
    virtual bool analysisIdle() const = 0;

Q_SIGNALS:
    void changed();
};

class RunFlags;

// Pacing whose two idle answers are the run flags' CollectIdle and AnalysisIdle; a change of a flag wakes a
// running pause. Subclasses supply the delay.
class RunFlagsPacing : public PacingView
{
    Q_OBJECT
public:
    explicit RunFlagsPacing(RunFlags &flags, QObject *parent = nullptr);

    bool collectIdle() const override;
    bool analysisIdle() const override;

private:
    RunFlags &m_flags;
};

// The main window's delay box position as stored: its entries are 0 to 120 seconds, so the position is the
// delay; 4 when nothing usable is stored.
int StoredPacingDelay();

// The delay the box's text stands for: the whole-number part of the number it reads as, or -1 when the text is
// not a number (the pause then ends at once).
int PacingDelaySeconds(const QString &text);

// A pause of the chosen delay that ends at once when `stopped` says so (asked again whenever the view changes).
QCoro::Task<> PacingPause(const PacingView &view, std::function<bool()> stopped);

// The pause after a page turn: returns once the delay has passed since it started, or at once when
// collectIdle() becomes true.
QCoro::Task<> 提取信息限速延时(const PacingView &view);
// The pause after a row's page was fetched: the same, ended by analysisIdle().
QCoro::Task<> 分析保存限速延时(const PacingView &view);
