#include "core/download/BodyFile.h"
#include "support/FolderFiles.h"

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
