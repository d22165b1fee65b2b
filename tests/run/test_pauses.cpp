#include "core/run/Pauses.h"
#include "support/ManualClock.h"

#include <QSignalSpy>
#include <QTest>

namespace {
class FakePacing final : public PacingView
{
public:
    QString text = QStringLiteral("4");
    bool collect = false;
    bool analysis = false;

    QString delayText() const override { return text; }
    bool collectIdle() const override { return collect; }
    bool analysisIdle() const override { return analysis; }
};

// Runs a pause to its end in the background and reports when it returned.
class Running final : public QObject
{
    Q_OBJECT
public:
    bool done = false;
Q_SIGNALS:
    void ended();
};

void start(QCoro::Task<> pause, Running &running)
{
    [](QCoro::Task<> task, Running &r) -> QCoro::Task<> {
        co_await std::move(task);
        r.done = true;
        Q_EMIT r.ended();
    }(std::move(pause), running);
}
} // namespace

class TestPauses final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void delayText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seconds");
        QTest::newRow("plain") << "7" << 7;
        QTest::newRow("spaces") << " 12 " << 12;
        QTest::newRow("fraction cut") << "3.9" << 3;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("word") << "abc" << -1;
    }
    void delayText()
    {
        QFETCH(QString, text);
        QFETCH(int, seconds);
        QCOMPARE(PacingDelaySeconds(text), seconds);
    }

    // Zero and unreadable delays return on the first pass, without suspending.
    void endsAtOnce_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << "0";
        QTest::newRow("not a number") << "x";
    }
    void endsAtOnce()
    {
        QFETCH(QString, text);
        FakePacing view;
        view.text = text;
        Running running;
        start(提取信息限速延时(view), running);
        QVERIFY(running.done);
    }

    void waitsTheDelay()
    {
        ManualClock clock;
        FakePacing view;
        view.text = QStringLiteral("4");
        Running running;
        QSignalSpy ended(&running, &Running::ended);
        start(分析保存限速延时(view), running);
        for (int second = 1; second < 4; ++second) {
            QVERIFY(clock.advance(std::chrono::seconds(1)));
            QVERIFY(staysQuiet(ended));
        }
        QVERIFY(clock.advance(std::chrono::milliseconds(999)));
        QVERIFY(staysQuiet(ended));
        QVERIFY(clock.advance(std::chrono::milliseconds(1)));
        QVERIFY(caught(ended));
    }

    // The box is read anew on every pass: lowering it mid-pause ends the pause.
    void changedDelayTakesEffect()
    {
        ManualClock clock;
        FakePacing view;
        view.text = QStringLiteral("10");
        Running running;
        start(提取信息限速延时(view), running);
        QVERIFY(!running.done);
        view.text = QStringLiteral("0");
        QSignalSpy ended(&running, &Running::ended);
        Q_EMIT view.changed();
        QVERIFY(caught(ended));
    }

    // Each pause answers only its own flag.
    void eachPauseEndsOnItsOwnFlag()
    {
        ManualClock clock;
        FakePacing view;
        view.text = QStringLiteral("60");
        Running harvest;
        Running analysis;
        QSignalSpy harvestEnded(&harvest, &Running::ended);
        QSignalSpy analysisEnded(&analysis, &Running::ended);
        start(提取信息限速延时(view), harvest);
        start(分析保存限速延时(view), analysis);

        view.analysis = true;
        Q_EMIT view.changed();
        QVERIFY(caught(analysisEnded));
        QVERIFY(staysQuiet(harvestEnded));

        view.collect = true;
        Q_EMIT view.changed();
        QVERIFY(caught(harvestEnded));
    }

    // A flag set without a notification is still noticed at the next safety pass.
    void flagWithoutNotificationIsNoticed()
    {
        ManualClock clock;
        FakePacing view;
        view.text = QStringLiteral("60");
        Running running;
        QSignalSpy ended(&running, &Running::ended);
        start(提取信息限速延时(view), running);
        view.collect = true;
        QVERIFY(staysQuiet(ended));
        QVERIFY(clock.advance(std::chrono::seconds(1)));
        QVERIFY(caught(ended));
    }
};

QTEST_GUILESS_MAIN(TestPauses)
#include "test_pauses.moc"
