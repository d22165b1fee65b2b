#include "cli/TransferMeter.h"

#include <QTest>

class TestTransferMeter final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void units_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("bytes") << qint64(1023) << QStringLiteral("1023 B");
        QTest::newRow("one KiB") << qint64(1024) << QStringLiteral("1.00 KiB");
        QTest::newRow("tens of KiB") << qint64(15 * 1024 + 512) << QStringLiteral("15.5 KiB");
        QTest::newRow("hundreds of MiB") << qint64(300) * 1024 * 1024 << QStringLiteral("300 MiB");
        QTest::newRow("GiB") << qint64(5) * 1024 * 1024 * 1024 / 2 << QStringLiteral("2.50 GiB");
    }
    void units()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, shown);
        QCOMPARE(HumanBytes(bytes), shown);
    }

    void clock_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::newRow("unknown") << qint64(-1) << QStringLiteral("--:--");
        QTest::newRow("seconds") << qint64(42) << QStringLiteral("00:42");
        QTest::newRow("minutes") << qint64(12 * 60 + 5) << QStringLiteral("12:05");
        QTest::newRow("hours") << qint64(3600 + 2 * 60 + 3) << QStringLiteral("1:02:03");
    }
    void clock()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, shown);
        QCOMPARE(ClockText(seconds), shown);
    }

    // The rate is what arrived over the last seconds: an early burst stops counting once it lies outside.
    void rateFollowsTheLastSeconds()
    {
        TransferMeter meter;
        meter.start(0);
        QCOMPARE(meter.rate(), 0.0);
        QCOMPARE(meter.secondsLeft(1000), qint64(-1));
        meter.sample(1000, 10'000'000);
        QCOMPARE(meter.rate(), 10'000'000.0);
        for (qint64 ms = 2000; ms <= 10'000; ms += 1000)
            meter.sample(ms, 10'000'000 + (ms - 1000) * 1000 / 1000);
        QCOMPARE(meter.rate(), 1000.0);
        QCOMPARE(meter.secondsLeft(5000), qint64(5));
        QCOMPARE(meter.secondsLeft(0), qint64(0));
        QCOMPARE(meter.elapsedMs(10'000), qint64(10'000));
        // Nothing more arrives: the rate falls to nothing and the time left cannot be told.
        meter.sample(20'000, meter.received());
        QCOMPARE(meter.rate(), 0.0);
        QCOMPARE(ClockText(meter.secondsLeft(5000)), QStringLiteral("--:--"));
    }

    // The transfer time counts only the spans during which a transfer ran, not the waits between them.
    void transferTimeLeavesOutTheWaits()
    {
        TransferMeter meter;
        meter.start(0);
        meter.setTransferring(10'000, true);
        meter.setTransferring(12'000, true); // a second transfer starts beside the first
        meter.setTransferring(13'000, false);
        meter.setTransferring(60'000, false);
        QCOMPARE(meter.transferMs(60'000), qint64(3000));
        meter.setTransferring(70'000, true);
        QCOMPARE(meter.transferMs(70'500), qint64(3500));
        QCOMPARE(meter.elapsedMs(70'500), qint64(70'500));
    }
};

QTEST_APPLESS_MAIN(TestTransferMeter)
#include "test_transfermeter.moc"
