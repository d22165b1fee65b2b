#include "core/download/BodyFile.h"
#include "core/download/ResumeRecord.h"
#include "support/FolderFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestBodyFile final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QTemporaryDir m_outside;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void cleanup()
    {
        for (const QString &name : filesIn(m_dir.path()))
            QFile::remove(path(name));
    }

    // The document's name only ever holds a whole body: before the commit nothing is there (an older file stays
    // as it was), after it the body is, and a dropped body leaves nothing at all.
    void bodyTakesTheNameOnlyWhenWhole()
    {
        const QString target = path(QStringLiteral("paper.pdf"));
        QVERIFY(writeFile(target, "old"));
        {
            BodyFile body(target);
            QVERIFY(BodyFile::IsReserved(target));
            QVERIFY(body.open());
            QVERIFY(body.write(QByteArray("%PDF-1.7 new")));
            QCOMPARE(readFile(target), QByteArray("old"));
            QCOMPARE(filesIn(m_dir.path()).size(), 2);
            QVERIFY(body.commit());
        }
        QVERIFY(!BodyFile::IsReserved(target));
        QCOMPARE(readFile(target), QByteArray("%PDF-1.7 new"));
        QCOMPARE(filesIn(m_dir.path()), QStringList{QStringLiteral("paper.pdf")});

        {
            BodyFile dropped(path(QStringLiteral("other.pdf")));
            QVERIFY(dropped.open());
            QVERIFY(dropped.write(QByteArray("half")));
        }
        QCOMPARE(filesIn(m_dir.path()), QStringList{QStringLiteral("paper.pdf")});
    }

    // The wait for the disk gives no name yet: the body takes it at the commit that follows, with whatever was
    // written after the wait, and without the record that let it be resumed.
    void syncedBodyTakesItsNameAtTheCommit_data()
    {
        QTest::addColumn<QByteArray>("afterTheWait");
        QTest::newRow("nothing written after the wait") << QByteArray();
        QTest::newRow("more written after the wait") << QByteArray(" and more");
    }
    void syncedBodyTakesItsNameAtTheCommit()
    {
        QFETCH(QByteArray, afterTheWait);
        const QString target = path(QStringLiteral("synced.pdf"));
        BodyFile body(target);
        QVERIFY(body.open());
        body.recordSource(QStringLiteral("http://a.test/synced.pdf"), BodyValidators{"\"t1\"", {}}, 100);
        QVERIFY(ReadResumeRecordOf(BodyFile::TemporaryPathFor(target)));
        QVERIFY(body.write(QByteArray("%PDF-1.7 synced")));
        QVERIFY(QCoro::waitFor(body.sync()));
        QVERIFY(!QFile::exists(target));
        if (!afterTheWait.isEmpty())
            QVERIFY(body.write(afterTheWait));
        QVERIFY(body.commit());
        QCOMPARE(readFile(target), "%PDF-1.7 synced" + afterTheWait);
        QVERIFY(!ReadResumeRecordOf(target));
        QCOMPARE(filesIn(m_dir.path()), QStringList{QStringLiteral("synced.pdf")});
    }

    // A link planted under the document's name or under the body's hidden name is replaced, never written through.
    void linksAreReplacedNotFollowed_data()
    {
        QTest::addColumn<bool>("atHiddenName");
        QTest::newRow("link at the document's name") << false;
        QTest::newRow("link at the body's hidden name") << true;
    }
    void linksAreReplacedNotFollowed()
    {
        QFETCH(bool, atHiddenName);
        const QString target = path(QStringLiteral("paper.pdf"));
        const QString victim = m_outside.filePath(QStringLiteral("victim"));
        QVERIFY(writeFile(victim, "keep me"));
        QVERIFY(QFile::link(victim, atHiddenName ? BodyFile::TemporaryPathFor(target) : target));

        BodyFile body(target);
        QVERIFY(body.open());
        QVERIFY(body.write(QByteArray("%PDF")));
        QVERIFY(body.commit());
        QCOMPARE(readFile(victim), QByteArray("keep me"));
        QVERIFY(!QFileInfo(target).isSymLink());
        QCOMPARE(readFile(target), QByteArray("%PDF"));
    }

    // Bodies a killed run left behind go at the next start; one a running download holds stays.
    void leftoversGoButRunningBodiesStay()
    {
        const QString left = BodyFile::TemporaryPathFor(path(QStringLiteral("killed.pdf")));
        QVERIFY(writeFile(left, "partial"));
        QVERIFY(writeFile(path(QStringLiteral("finished.pdf")), "%PDF"));
        BodyFile running(path(QStringLiteral("running.pdf")));
        QVERIFY(running.open());

        QCOMPARE(BodyFile::RemoveLeftovers(m_dir.path()), 1);
        QVERIFY(!QFile::exists(left));
        QVERIFY(QFile::exists(BodyFile::TemporaryPathFor(path(QStringLiteral("running.pdf")))));
        QVERIFY(QFile::exists(path(QStringLiteral("finished.pdf"))));
        QVERIFY(running.write(QByteArray("%PDF")));
        QVERIFY(running.commit());
        QCOMPARE(BodyFile::RemoveLeftovers(m_dir.path()), 0);
    }

    // A body broken off is taken up again only by a transfer of the address its record names, and only while it
    // is shorter than the whole; anything else starts afresh. The kept bytes and the rest make one file.
    void resumesOnlyWhatItsRecordVouchesFor_data()
    {
        QTest::addColumn<QString>("address"); // of the transfer that opens it again
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<bool>("recorded");
        QTest::addColumn<bool>("resumed");
        const QString same = QStringLiteral("http://a.test/doc?id=1");
        QTest::newRow("same address") << same << QByteArray("%PDF-half") << true << true;
        QTest::newRow("another address") << QStringLiteral("http://a.test/doc?id=2") << QByteArray("%PDF-half") << true
                                         << false;
        QTest::newRow("no validators, no record") << same << QByteArray("%PDF-half") << false << false;
        QTest::newRow("as long as the whole") << same << QByteArray(20, 'x') << true << false;
    }
    void resumesOnlyWhatItsRecordVouchesFor()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, kept);
        QFETCH(bool, recorded);
        QFETCH(bool, resumed);
        const QString target = path(QStringLiteral("paper.pdf"));
        {
            BodyFile broken(target);
            QVERIFY(broken.open());
            QVERIFY(broken.write(kept));
            broken.recordSource(QStringLiteral("http://a.test/doc?id=1"),
                                recorded ? BodyValidators{"\"t1\"", {}} : BodyValidators{}, 20);
            broken.setAside();
        }
        // Set aside only when it can be resumed at all.
        QCOMPARE(QFile::exists(BodyFile::TemporaryPathFor(target)), recorded && kept.size() < 20);
        QCOMPARE(BodyFile::LeftoverFor(target, address).has_value(), resumed);

        BodyFile again(target);
        QVERIFY(again.openToResume(address));
        QCOMPARE(again.resumePoint().has_value(), resumed);
        QCOMPARE(again.length(), resumed ? kept.size() : 0);
        if (resumed) {
            QCOMPARE(again.resumePoint()->total, 20);
            QCOMPARE(again.resumePoint()->validators.ifRange(), QByteArray("\"t1\""));
        }
        QVERIFY(again.write(QByteArray("-rest")));
        QVERIFY(again.commit());
        QCOMPARE(readFile(target), (resumed ? kept : QByteArray()) + "-rest");
        // The document carries no record of the download.
        QVERIFY(!ReadResumeRecordOf(target));
        QCOMPARE(filesIn(m_dir.path()), QStringList{QStringLiteral("paper.pdf")});
    }

    // A sweep leaves a body that can be resumed to its row for a week; after that it goes with its record. A record
    // whose body is gone goes too.
    void sweepKeepsResumableBodiesForAWhile()
    {
        const auto leaveBody = [this](const QString &name) {
            BodyFile broken(path(name));
            QVERIFY(broken.open());
            QVERIFY(broken.write(QByteArray("%PDF-half")));
            broken.recordSource(QStringLiteral("http://a.test/") + name,
                                BodyValidators{{}, "Tue, 01 Dec 2026 10:00:00 GMT"}, 99);
            broken.setAside();
        };
        leaveBody(QStringLiteral("recent.pdf"));
        leaveBody(QStringLiteral("old.pdf"));
        QFile old(BodyFile::TemporaryPathFor(path(QStringLiteral("old.pdf"))));
        QVERIFY(old.open(QIODevice::ReadWrite));
        const auto tooLong = std::chrono::duration_cast<std::chrono::seconds>(BodyFile::kResumableFor).count() + 60;
        QVERIFY(old.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-tooLong), QFileDevice::FileModificationTime));
        old.close();
        const QString orphan = ResumeRecordPathFor(BodyFile::TemporaryPathFor(path(QStringLiteral("gone.pdf"))));
        QVERIFY(writeFile(orphan, "paperharvest-resume 1\n"));

        QCOMPARE(BodyFile::RemoveLeftovers(m_dir.path()), 1);
        const QString recent = BodyFile::TemporaryPathFor(path(QStringLiteral("recent.pdf")));
        // The record is an attribute of the body file itself: nothing else lies beside it.
        QCOMPARE(filesIn(m_dir.path()), QStringList{QFileInfo(recent).fileName()});
        QVERIFY(BodyFile::LeftoverFor(path(QStringLiteral("recent.pdf")), QStringLiteral("http://a.test/recent.pdf")));
    }

    // Two bodies for one name in one process: the second cannot take the first's hidden file.
    void oneBodyPerName()
    {
        const QString target = path(QStringLiteral("same.pdf"));
        BodyFile first(target);
        QVERIFY(first.open());
        BodyFile second(target);
        QVERIFY(!second.open());
        QVERIFY(first.write(QByteArray("%PDF")));
        QVERIFY(first.commit());
        QCOMPARE(readFile(target), QByteArray("%PDF"));
    }
};

QTEST_GUILESS_MAIN(TestBodyFile)
#include "test_bodyfile.moc"
