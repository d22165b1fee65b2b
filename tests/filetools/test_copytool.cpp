#include "CopyFixtures.h"
#include "ReadOnlyFolder.h"
#include "core/filetools/ClashRule.h"
#include "core/filetools/CopyRun.h"
#include "core/filetools/CopyThroughTemporary.h"
#include "core/filetools/NumberedCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>

namespace {
const QByteArray kSourceBody = "source body!";
const QByteArray kSameSizeBody = "other body!!";
const QDateTime kSourceTime(QDate(2024, 1, 2), QTime(3, 4, 5));

void runToEnd(CopyRun &run, const QStringList &files, const QString &destination)
{
    run.run(files, destination);
    QTRY_VERIFY(!run.isRunning());
}

// What a run does with one file in each situation.
enum class Situation {
    FreeName,
    OtherSize,
    SameSizeOtherTime,
    SameSizeAndTime,
    NumberTaken,
    OntoItself,
    OntoItselfThroughLink,
    ReadOnlyFreeName,
    ReadOnlyExisting,
};
} // namespace

class TestCopyTool final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each rule against each situation: "skip" and "fail" leave the destination as it was; a name means the copy
    // went there, and nothing else in the destination changed.
    void clashRules_data()
    {
        QTest::addColumn<int>("rule");
        QTest::addColumn<Situation>("situation");
        QTest::addColumn<QString>("expected");
        struct Row {
            const char *name;
            Situation situation;
            std::array<const char *, 5> byRule;
        };
        const Row rows[] = {
            {"free name", Situation::FreeName, {"report.pdf", "report.pdf", "report.pdf", "report.pdf", "report.pdf"}},
            {"existing of other size",
             Situation::OtherSize,
             {"skip", "report.pdf", "report[001].pdf", "report[001].pdf", "report[001].pdf"}},
            {"existing of same size, other time",
             Situation::SameSizeOtherTime,
             {"skip", "report.pdf", "report[001].pdf", "report[001].pdf", "report.pdf"}},
            {"existing of same size and time",
             Situation::SameSizeAndTime,
             {"skip", "report.pdf", "report[001].pdf", "report.pdf", "report.pdf"}},
            {"name needing a number",
             Situation::NumberTaken,
             {"skip", "report.pdf", "report[002].pdf", "report[002].pdf", "report[002].pdf"}},
            {"onto itself", Situation::OntoItself, {"skip", "skip", "skip", "skip", "skip"}},
            {"onto itself through a link", Situation::OntoItselfThroughLink, {"skip", "skip", "skip", "skip", "skip"}},
            {"read-only, free name", Situation::ReadOnlyFreeName, {"fail", "fail", "fail", "fail", "fail"}},
            {"read-only, existing", Situation::ReadOnlyExisting, {"skip", "fail", "fail", "fail", "fail"}},
        };
        for (const Row &row : rows)
            for (int rule = 1; rule <= 5; ++rule)
                QTest::addRow("%s, rule %d", row.name, rule)
                    << rule << row.situation << QString::fromUtf8(row.byRule[rule - 1]);
    }
    void clashRules()
    {
        QFETCH(int, rule);
        QFETCH(Situation, situation);
        QFETCH(QString, expected);

        QTemporaryDir dir;
        const QString sources = dir.filePath(QStringLiteral("sources"));
        const QString destination = dir.filePath(QStringLiteral("destination"));
        QVERIFY(QDir().mkpath(sources) && QDir().mkpath(destination));
        QString source = sources + QStringLiteral("/report.pdf");
        writeFile(source, kSourceBody, kSourceTime);
        QString destinationText = destination + QLatin1Char('/');
        const QString existing = destination + QStringLiteral("/report.pdf");
        switch (situation) {
        case Situation::FreeName:
        case Situation::ReadOnlyFreeName:
            break;
        case Situation::OtherSize:
        case Situation::ReadOnlyExisting:
            writeFile(existing, "old", kSourceTime);
            break;
        case Situation::SameSizeOtherTime:
            writeFile(existing, kSameSizeBody, kSourceTime.addSecs(-3600));
            break;
        case Situation::SameSizeAndTime:
            writeFile(existing, kSameSizeBody, kSourceTime);
            break;
        case Situation::NumberTaken:
            writeFile(existing, "old");
            writeFile(destination + QStringLiteral("/report[001].pdf"), "older");
            break;
        case Situation::OntoItself:
            source = existing;
            writeFile(source, kSourceBody, kSourceTime);
            break;
        case Situation::OntoItselfThroughLink:
            source = existing;
            writeFile(source, kSourceBody, kSourceTime);
            QVERIFY(QFile::link(destination, dir.filePath(QStringLiteral("link"))));
            destinationText = dir.filePath(QStringLiteral("link/"));
            break;
        }
        QMap<QString, QByteArray> state = folderState(destination);
        std::optional<ReadOnlyFolder> readOnly;
        if (situation == Situation::ReadOnlyFreeName || situation == Situation::ReadOnlyExisting) {
            readOnly.emplace(destination);
            if (!readOnly->ok())
                QSKIP("this file system lets the test write into any folder");
        }

        CopyRun run;
        run.setRule(*ClashRuleFromIndex(rule));
        runToEnd(run, {source}, destinationText);
        readOnly.reset();

        if (expected == QLatin1String("skip")) {
            QCOMPARE(run.report().skipped, QStringList{source});
        } else if (expected == QLatin1String("fail")) {
            QCOMPARE(run.report().failed, QStringList{source});
        } else {
            const QString target = destinationText + expected;
            QCOMPARE(run.report().written, QStringList{target});
            state.insert(expected, kSourceBody);
            // The copy carries the source's time, so copying the same file again can tell it is there.
            QCOMPARE(QFileInfo(target).lastModified(), kSourceTime);
        }
        QCOMPARE(folderState(destination), state);
    }

    // The name a copy takes when nothing may be replaced: a trailing number of the source is dropped first, then
    // the first free three-digit number is taken.
    void numberedName_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("existing"); // a trailing "/" makes a folder
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << "report.pdf" << QStringList{} << "report.pdf";
        QTest::newRow("first number") << "report.pdf" << QStringList{"report.pdf"} << "report[001].pdf";
        QTest::newRow("next number") << "report.pdf" << QStringList{"report.pdf", "report[001].pdf"}
                                     << "report[002].pdf";
        QTest::newRow("no extension") << "readme" << QStringList{"readme"} << "readme[001]";
        QTest::newRow("own number dropped") << "photo[1].jpg" << QStringList{"photo[1].jpg"} << "photo.jpg";
        QTest::newRow("own number replaced") << "photo[7].jpg" << QStringList{"photo.jpg"} << "photo[001].jpg";
        QTest::newRow("folder holds the name") << "report.pdf" << QStringList{"report.pdf/"} << "report[001].pdf";
    }
    void numberedName()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, existing);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString destination = dir.path() + QLatin1Char('/');
        for (const QString &name : std::as_const(existing)) {
            if (name.endsWith(QLatin1Char('/')))
                QVERIFY(QDir().mkpath(destination + name));
            else
                writeFile(destination + name, "x");
        }
        QCOMPARE(NumberedCopyTarget(QStringLiteral("/elsewhere/") + source, destination), destination + expected);
    }

    // The bar counts files from 1 to n out of n + 1 and returns to 0; the current name is shown for every file, a
    // file that cannot be copied is left out and the run goes on.
    void progressAndCurrentFile()
    {
        QTemporaryDir dir;
        const QString destination = dir.filePath(QStringLiteral("out/"));
        QVERIFY(QDir().mkpath(destination));
        writeFile(dir.filePath(QStringLiteral("a.txt")), "a");
        writeFile(dir.filePath(QStringLiteral("c.txt")), "c");
        CopyRun run;
        QSignalSpy progress(&run, &CopyRun::progressChanged);
        QSignalSpy names(&run, &CopyRun::currentFileChanged);
        runToEnd(run,
                 {dir.filePath(QStringLiteral("a.txt")), dir.filePath(QStringLiteral("gone.txt")),
                  dir.filePath(QStringLiteral("c.txt"))},
                 destination);

        QList<QPair<int, int>> steps;
        for (const QList<QVariant> &signal : std::as_const(progress))
            steps << qMakePair(signal.at(0).toInt(), signal.at(1).toInt());
        const QList<QPair<int, int>> expectedSteps{{0, 4}, {1, 4}, {2, 4}, {3, 4}, {0, 4}};
        QCOMPARE(steps, expectedSteps);
        QStringList shown;
        for (const QList<QVariant> &signal : std::as_const(names))
            shown << signal.at(0).toString();
        QCOMPARE(shown, QStringList({"a.txt", "gone.txt", "c.txt", ""}));
        QCOMPARE(run.report().failed, QStringList{dir.filePath(QStringLiteral("gone.txt"))});
        QCOMPARE(folderState(destination), (QMap<QString, QByteArray>{{"a.txt", "a"}, {"c.txt", "c"}}));
    }

    // A stop while a file is under way lets that file finish and copies no other.
    void stopBetweenFiles()
    {
        QTemporaryDir dir;
        const QString destination = dir.filePath(QStringLiteral("out/"));
        QVERIFY(QDir().mkpath(destination));
        QStringList files;
        for (const char *name : {"a.txt", "b.txt", "c.txt"}) {
            files << dir.filePath(QString::fromLatin1(name));
            writeFile(files.constLast(), name);
        }
        CopyRun run;
        connect(&run, &CopyRun::currentFileChanged, &run, [&run](const QString &name) {
            if (name == QLatin1String("b.txt"))
                run.stop();
        });
        QSignalSpy progress(&run, &CopyRun::progressChanged);
        runToEnd(run, files, destination);
        QCOMPARE(folderState(destination), (QMap<QString, QByteArray>{{"a.txt", "a.txt"}, {"b.txt", "b.txt"}}));
        QCOMPARE(progress.constLast().at(0).toInt(), 0);
    }

    // With rule 4 a second copy of the same file replaces the first instead of adding a numbered one.
    void copyingAgainWithSizeAndTimeOverwrites()
    {
        QTemporaryDir dir;
        const QString destination = dir.filePath(QStringLiteral("out/"));
        QVERIFY(QDir().mkpath(destination));
        const QString source = dir.filePath(QStringLiteral("a.txt"));
        writeFile(source, "same", QDateTime::currentDateTime().addDays(-1));
        CopyRun run;
        run.setRule(ClashRule::SameSizeAndTimeOverwrite);
        runToEnd(run, {source}, destination);
        runToEnd(run, {source}, destination);
        QCOMPARE(run.report().written, QStringList{destination + QStringLiteral("a.txt")});
        QCOMPARE(folderState(destination), (QMap<QString, QByteArray>{{"a.txt", "same"}}));
    }

    // A large file goes over in chunks with other events running between them, and its final name holds the old
    // file until the copy is complete.
    void largeFileInChunks()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("big.bin"));
        const QByteArray body(5 * kCopyChunkBytes + 17, 'x');
        writeFile(source, body, kSourceTime);
        const QString destination = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(destination));
        const QString target = destination + QStringLiteral("/big.bin");
        writeFile(target, "old");

        // Owns the events the test posts, so one still queued when the test ends is dropped with it.
        QObject events;
        int chunks = 0;
        bool eventRan = false;
        bool eventsRanBetweenChunks = true;
        bool finalNameHeldOld = true;
        const auto keepGoing = [&] {
            ++chunks;
            eventsRanBetweenChunks = eventsRanBetweenChunks && eventRan;
            eventRan = false;
            QTimer::singleShot(0, &events, [&] { eventRan = true; });
            finalNameHeldOld = finalNameHeldOld && readFile(target) == "old";
            return true;
        };
        QTimer::singleShot(0, &events, [&] { eventRan = true; });
        std::optional<bool> copied;
        CopyThroughTemporary(source, target, keepGoing).then([&](bool ok) { copied = ok; });
        QTRY_VERIFY(copied.has_value());

        QVERIFY(*copied);
        QVERIFY2(chunks >= 2, "the copy went in more than one piece");
        QVERIFY(eventsRanBetweenChunks);
        QVERIFY(finalNameHeldOld);
        QCOMPARE(folderState(destination), (QMap<QString, QByteArray>{{"big.bin", body}}));
        QCOMPARE(QFileInfo(target).lastModified(), kSourceTime);
    }

    // A copy given up between chunks leaves the target's folder as it was, old file or free name alike.
    void copyGivenUp_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::newRow("over an existing file") << true;
        QTest::newRow("to a free name") << false;
    }
    void copyGivenUp()
    {
        QFETCH(bool, existing);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("big.bin"));
        writeFile(source, QByteArray(5 * kCopyChunkBytes, 'x'));
        const QString destination = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(destination));
        if (existing)
            writeFile(destination + QStringLiteral("/big.bin"), "old");
        const QMap<QString, QByteArray> before = folderState(destination);

        int chunks = 0;
        std::optional<bool> copied;
        CopyThroughTemporary(source, destination + QStringLiteral("/big.bin"), [&] {
            return ++chunks < 2;
        }).then([&](bool ok) { copied = ok; });
        QTRY_VERIFY(copied.has_value());
        QVERIFY(!*copied);
        QCOMPARE(folderState(destination), before);
    }

    // A run given up (its window closed) or destroyed while on a large file copies nothing more and leaves no
    // trace of the file it was on.
    void runGivenUp_data()
    {
        QTest::addColumn<bool>("destroy");
        QTest::newRow("abandoned") << false;
        QTest::newRow("destroyed") << true;
    }
    void runGivenUp()
    {
        QFETCH(bool, destroy);
        QTemporaryDir dir;
        const QString destination = dir.filePath(QStringLiteral("out/"));
        QVERIFY(QDir().mkpath(destination));
        const QString source = dir.filePath(QStringLiteral("big.bin"));
        writeFile(source, QByteArray(5 * kCopyChunkBytes, 'x'));
        writeFile(dir.filePath(QStringLiteral("next.txt")), "next");
        writeFile(destination + QStringLiteral("big.bin"), "old");
        const QMap<QString, QByteArray> before = folderState(destination);

        auto *run = new CopyRun;
        const QPointer<CopyRun> alive(run);
        // Given up at the second turn of the event loop after the large file's name was shown: by then its copy
        // has begun.
        int turns = 0;
        QTimer turn;
        turn.setInterval(0);
        connect(&turn, &QTimer::timeout, this, [&] {
            if (++turns < 2)
                return;
            turn.stop();
            if (destroy)
                delete run;
            else
                run->abandon();
        });
        connect(run, &CopyRun::currentFileChanged, &turn, [&turn](const QString &name) {
            if (name == QLatin1String("big.bin"))
                turn.start();
        });
        run->setRule(ClashRule::Overwrite);
        run->run({source, dir.filePath(QStringLiteral("next.txt"))}, destination);
        if (destroy) {
            QTRY_VERIFY(!alive);
        } else {
            QTRY_VERIFY(!run->isRunning());
            QCOMPARE(run->report().written, QStringList{});
            delete run;
        }
        QTRY_COMPARE(folderState(destination), before);
    }

    // Paths with no file behind them leave the list before a run.
    void missingFilesDropped()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("a.txt")), "a");
        QStringList files{dir.filePath(QStringLiteral("gone.txt")), dir.filePath(QStringLiteral("a.txt")), dir.path()};
        CopyRun::dropMissingFiles(files);
        QCOMPARE(files, QStringList{dir.filePath(QStringLiteral("a.txt"))});
    }
};

QTEST_GUILESS_MAIN(TestCopyTool)
#include "test_copytool.moc"
