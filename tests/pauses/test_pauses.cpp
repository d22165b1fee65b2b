#include "core/run/Pauses.h"
#include "core/util/Clock.h"

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
struct Running {
    bool done = false;
};

void start(QCoro::Task<> pause, Running &running)
{
    [](QCoro::Task<> task, Running &r) -> QCoro::Task<> {
        co_await std::move(task);
        r.done = true;
    }(std::move(pause), running);
}
} // namespace

class TestPauses final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Clock::reset(); }

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
        Clock::setTimeScale(0.01);
        FakePacing view;
        view.text = QStringLiteral("4");
        const qint64 started = Clock::monotonicMs();
        Running running;
        start(分析保存限速延时(view), running);
        QVERIFY(!running.done);
        QTRY_VERIFY(running.done);
        QVERIFY(Clock::monotonicMs() - started >= Clock::scaled(std::chrono::seconds(4)).count());
    }

    // The box is read anew on every pass: lowering it mid-pause ends the pause.
    void changedDelayTakesEffect()
    {
        FakePacing view;
        view.text = QStringLiteral("10");
        Running running;
        start(提取信息限速延时(view), running);
        QVERIFY(!running.done);
        view.text = QStringLiteral("0");
        Q_EMIT view.changed();
        QTRY_VERIFY_WITH_TIMEOUT(running.done, 3000);
    }

    // Each pause answers only its own flag.
    void eachPauseEndsOnItsOwnFlag()
    {
        FakePacing view;
        view.text = QStringLiteral("60");
        Running harvest;
        Running analysis;
        start(提取信息限速延时(view), harvest);
        start(分析保存限速延时(view), analysis);

        view.analysis = true;
        Q_EMIT view.changed();
        QTRY_VERIFY_WITH_TIMEOUT(analysis.done, 3000);
        QVERIFY(!harvest.done);

        view.collect = true;
        Q_EMIT view.changed();
        QTRY_VERIFY_WITH_TIMEOUT(harvest.done, 3000);
    }

    // A flag set without a notification is still noticed at the next safety pass.
    void flagWithoutNotificationIsNoticed()
    {
        FakePacing view;
        view.text = QStringLiteral("60");
        Running running;
        start(提取信息限速延时(view), running);
        view.collect = true;
        QTRY_VERIFY_WITH_TIMEOUT(running.done, 4000);
    }
};

QTEST_GUILESS_MAIN(TestPauses)
#include "test_pauses.moc"
