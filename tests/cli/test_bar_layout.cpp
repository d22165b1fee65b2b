#include "cli/BarLayout.h"
#include "cli/BatchProgress.h"
#include "cli/DisplayWidth.h"

#include <QTest>
#include <cstdio>

Q_DECLARE_METATYPE(BarState)

namespace {
BarState transfer(const QString &stage = QStringLiteral("downloads"))
{
    return {stage,
            3,
            4,
            QStringLiteral("12.1 MiB"),
            QStringLiteral("446 KiB/s"),
            QStringLiteral("00:28"),
            QStringLiteral("00:05")};
}

BarState counting(const QString &stage, int value, int maximum)
{
    return {stage, value, maximum, {}, {}, {}, {}};
}
} // namespace

class TestBarLayout final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void displayWidth_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("columns");
        QTest::newRow("ascii") << QStringLiteral("left 00:05") << 10;
        QTest::newRow("chinese") << QStringLiteral("深度学习") << 8;
        QTest::newRow("mixed with fullwidth punctuation") << QStringLiteral("失败(下载)：x") << 13;
        QTest::newRow("hangul and kana") << QStringLiteral("한국어かな") << 10;
        QTest::newRow("combining accent") << QStringLiteral("e\u0301te\u0301") << 3;
        QTest::newRow("astral ideograph") << QString::fromUcs4(U"\U00020BB7x") << 3;
    }
    void displayWidth()
    {
        QFETCH(QString, text);
        QFETCH(int, columns);
        QCOMPARE(DisplayWidth(text), columns);
    }

    // The line stays inside the terminal, at least one column short of its edge, whatever the width and the text;
    // the fields give way in the order of their use.
    void barFitsTheTerminal_data()
    {
        QTest::addColumn<BarState>("state");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("expected");
        QTest::newRow("120 columns: everything, the widest graphic")
            << transfer() << 120
            << QStringLiteral(
                   "downloads [######################--------] 3/4 12.1 MiB 446 KiB/s elapsed 00:28 left 00:05");
        QTest::newRow("80 columns: a narrower graphic")
            << transfer() << 80
            << QStringLiteral("downloads [##############-----] 3/4 12.1 MiB 446 KiB/s elapsed 00:28 left 00:05");
        QTest::newRow("60 columns: no time elapsed")
            << transfer() << 60 << QStringLiteral("downloads [#########----] 3/4 12.1 MiB 446 KiB/s left 00:05");
        QTest::newRow("40 columns: no graphic, no bytes")
            << transfer() << 40 << QStringLiteral("downloads 3/4 446 KiB/s left 00:05");
        QTest::newRow("30 columns: no rate") << transfer() << 30 << QStringLiteral("downloads 3/4 left 00:05");
        QTest::newRow("20 columns: the count") << transfer() << 20 << QStringLiteral("downloads 3/4");
        QTest::newRow("8 columns: the stage cut") << transfer() << 8 << QStringLiteral("dow 3/4");
        QTest::newRow("3 columns") << transfer() << 3 << QStringLiteral("3/");
        QTest::newRow("analysis at 40") << counting(QStringLiteral("analysis"), 1, 3) << 40
                                        << QStringLiteral("analysis [########----------------] 1/3");
        QTest::newRow("Chinese stage at 40") << counting(QStringLiteral("分析 深度学习"), 2, 5) << 40
                                             << QStringLiteral("分析 深度学习 [#######------------] 2/5");
        QTest::newRow("Chinese stage cut between characters")
            << counting(QStringLiteral("分析 深度学习"), 2, 5) << 12 << QStringLiteral("分析 深 2/5");
        QTest::newRow("Chinese stage cut where a wide character would straddle the edge")
            << counting(QStringLiteral("分析 深度学习"), 2, 5) << 11 << QStringLiteral("分析 2/5");
        for (const int columns : {40, 60, 80, 120})
            QTest::addRow("Chinese keyword with the transfer at %d", columns)
                << transfer(QStringLiteral("downloads 机器翻译与深度学习")) << columns << QString();
    }
    void barFitsTheTerminal()
    {
        QFETCH(BarState, state);
        QFETCH(int, columns);
        QFETCH(QString, expected);
        const QString line = LayoutBar(state, columns);
        QVERIFY2(DisplayWidth(line) < columns, qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("%1/%2").arg(state.value).arg(state.maximum)) || columns < 5,
                 qPrintable(line));
        if (!expected.isNull())
            QCOMPARE(line, expected);
    }

    // The bar drawn on a stream follows the width it is given at each draw: a narrower terminal gets a narrower
    // bar at the next redraw. Once cleared, it stays away.
    void progressFollowsTheWidth()
    {
        std::FILE *stream = std::tmpfile();
        QVERIFY(stream);
        {
            BatchProgress progress(stream, true);
            progress.setColumns(120);
            progress.bar(transfer());
            progress.setColumns(40);
            progress.redrawBar();
            progress.clearBar();
            // A file that ends after the run did does not bring the bar back beside the summary.
            progress.bar(transfer());
        }
        std::rewind(stream);
        QByteArray bytes;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;)
            bytes.append(buffer, qsizetype(n));
        std::fclose(stream);
        const QStringList draws = QString::fromUtf8(bytes).split(QStringLiteral("\r\x1b[K"), Qt::SkipEmptyParts);
        QCOMPARE(draws, (QStringList{LayoutBar(transfer(), 120), LayoutBar(transfer(), 40)}));
    }
};

QTEST_APPLESS_MAIN(TestBarLayout)
#include "test_bar_layout.moc"
