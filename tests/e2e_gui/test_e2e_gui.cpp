// The whole road through the program's own windows on the fixture scholar site: the start-up window opens the main
// window, a batch search harvests the keywords' result pages, the analysis command fetches each row's page and hands
// the chosen links to the download window, whose start button downloads them into the save folder with their types
// corrected; the visited addresses are remembered, so a second analysis skips every row.
#include "../gui/ModalAnswerer.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/run/RunFlags.h"
#include "core/search/ResultListModel.h"
#include "core/store/Settings.h"
#include "core/store/VisitedDatabase.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fWebSearch/DraggablePanel.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "support/FixtureHttpServer.h"
#include "support/ManualClock.h"
#include "support/ScholarSite.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

namespace {
// What the fixture site gives for one result: its title, the analysis outcome and, for a found link, the file it
// leads to and the type the saved file ends up with.
struct Document {
    QString title;
    QString status;
    QString file;      // under /files/, empty when the page has no free link
    QString linkType;  // the type the analysis chose
    QString savedType; // the type after the download's detection
};

const QHash<QString, Document> &documents()
{
    static const QHash<QString, Document> table{
        {"d101", {"深度学习综述", "成功", "d101.pdf", "pdf", "pdf"}},
        {"d102", {"基于深度学习的图像识别", "无pdf", {}, {}, {}}},
        {"d103", {"卷积神经网络研究", "成功", "d103.pdf", "pdf", "pdf"}},
        {"d104", {"循环神经网络", "成功", "d104.doc", "doc", "doc"}},
        {"d105", {"长短期记忆网络", "成功", "d105.pdf", "pdf", "pdf"}},
        {"d106", {"注意力机制", "成功", "d106.pdf", "pdf", "pdf"}},
        {"d301", {"图像里的文件类型", "成功", "d301.pdf", "pdf", "png"}},
        {"d302", {"网页里的文件类型", "成功", "d302.pdf", "pdf", "htm"}},
    };
    return table;
}

QString scholarFolder()
{
    return QStringLiteral(PH_TEST_DATA_DIR "/scholar");
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int documentPageRequests(const FixtureHttpServer &server)
{
    int n = 0;
    for (const auto &request : server.requests())
        n += request.path.startsWith("/usercenter/paper/show") ? 1 : 0;
    return n;
}

QWidget *topLevel(const QString &name)
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (w->objectName() == name && w->isVisible())
            return w;
    return nullptr;
}

template <typename T> T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QString::fromUtf8(name));
}

// Triggers an analysis command of the 分析下载 menu and waits for its run to end.
// The runs' pauses (4 s by default, waited in steps of a second) pass as soon as they begin; the page and fetch
// limits are never reached that way.
constexpr std::chrono::seconds kLongestPause{5};

// Lets the download window's one-second ticks come while the transfers run on real time.
template <typename Done> bool ticksUntil(Done done)
{
    return ManualClock::advanceUntil(done, DownloadScheduler::kTickInterval, 300);
}

bool analyse(fWebSearch *main, const char *command)
{
    QAction *action = child<QAction>(main, command);
    if (!action)
        return false;
    action->trigger();
    return !main->flags().AnalysisIdle() &&
           ManualClock::passShortWaitsUntil(
               [main] { return main->flags().AnalysisIdle() && !main->progressPanel()->isVisible(); }, kLongestPause,
               120000);
}
} // namespace

class TestE2eGui final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wholeRoad_data()
    {
        QTest::addColumn<QString>("keywords");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<int>("engine");
        QTest::newRow("one keyword, engine 1") << "文件类型" << QStringList{"d301", "d302"} << 1;
        QTest::newRow("two keywords, engine 2")
            << "深度学习\n文件类型" << QStringList{"d101", "d102", "d103", "d104", "d105", "d106", "d301", "d302"} << 2;
    }
    void wholeRoad()
    {
        QFETCH(QString, keywords);
        QFETCH(QStringList, ids);
        QFETCH(int, engine);

        ManualClock clock;
        TestHome home;
        RecordingPrompt prompt;
        const QString saveFolder = home.filePath(QStringLiteral("下载 文件"));
        SettingKeys::下载文件保存路径.write(saveFolder);
        FixtureHttpServer server;
        ScholarSite site(server, scholarFolder());
        site.useAsSearchService();

        // Start-up window, then "文档检索下载".
        fCover cover;
        QSignalSpy loaded(&cover, &fCover::loaded);
        cover.show();
        QVERIFY(loaded.wait());
        QVERIFY(IsVisitedDatabaseOpen());
        child<QPushButton>(&cover, "Command1")->click();
        auto *main = qobject_cast<fWebSearch *>(topLevel(QStringLiteral("fWebSearch")));
        QVERIFY(main);
        QVERIFY(!cover.isVisible());

        // The batch search over the keyword box; the save-target dialog is confirmed and creates the folder.
        child<QPlainTextEdit>(main, "Text1")->setPlainText(keywords);
        auto *command3 = child<QPushButton>(main, "Command3");
        {
            ModalAnswerer answer(QStringLiteral("Form_BaoCun"), QStringLiteral("Command2"));
            command3->click();
            QCOMPARE(answer.answered, 1);
            QCOMPARE(command3->text(), QStringLiteral("停止批量搜索采集"));
            QVERIFY(clock.passShortWaitsUntil([&] { return command3->text() == QStringLiteral("开始批量搜索采集"); },
                                              kLongestPause, 120000));
        }
        QVERIFY(QFileInfo(saveFolder).isDir());
        const ResultListModel &results = main->results();
        QCOMPARE(results.rowCount(), ids.size());
        for (int i = 0; i < ids.size(); ++i) {
            QCOMPARE(results.row(i).key, site.resultLink(ids.at(i)));
            QCOMPARE(results.row(i).title, documents().value(ids.at(i)).title);
            QCOMPARE(results.row(i).status, QString());
            QCOMPARE(results.row(i).saveFolder, saveFolder);
        }
        QCOMPARE(child<QLabel>(main, "Label1")->text(), QString::number(ids.size()));
        QVERIFY(!fFileDownload::instance());

        // The analysis of the unanalysed rows: each row gets its status word, the links go to the download window,
        // which appears at the end of the run.
        QVERIFY(analyse(main, "menu分析未分析项"));
        QStringList expectedFiles;
        QStringList addresses;
        for (int i = 0; i < ids.size(); ++i) {
            const Document &doc = documents().value(ids.at(i));
            QCOMPARE(results.row(i).status, doc.status);
            QCOMPARE(results.row(i).type, doc.linkType);
            QCOMPARE(main->resultList()->model()->index(i, ResultListModel::StatusColumn).data().toString(),
                     doc.status);
            if (!doc.file.isEmpty()) {
                addresses << site.base() + QStringLiteral("/files/") + doc.file;
                expectedFiles << doc.title + QLatin1Char('.') + doc.savedType;
            }
        }
        auto *downloads = qobject_cast<fFileDownload *>(topLevel(QStringLiteral("fFileDownload")));
        QVERIFY(downloads);
        DownloadScheduler &scheduler = downloads->scheduler();
        const DownloadListModel &list = scheduler.list();
        QCOMPARE(list.size(), addresses.size());
        for (int i = 0; i < list.size(); ++i) {
            QCOMPARE(list.item(i).address, addresses.at(i));
            QCOMPARE(list.item(i).state, ItemState::Waiting);
        }

        // The engine chosen in the window, then "开始下载"; the list runs to its end.
        if (scheduler.mode() != engine)
            child<QPushButton>(downloads, "Command26")->click();
        QCOMPARE(scheduler.mode(), engine);
        child<QPushButton>(downloads, "Command4")->click();
        QVERIFY(ticksUntil([&] { return list.isFinished() && !scheduler.downloadsActive(); }));

        // Every file is in the save folder, named after its title, its type corrected by its content, its bytes
        // those the site served.
        QStringList onDisk = QDir(saveFolder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        onDisk.sort();
        expectedFiles.sort();
        QCOMPARE(onDisk, expectedFiles);
        for (int i = 0; i < list.size(); ++i) {
            const DownloadItem &item = list.item(i);
            QCOMPARE(item.state, ItemState::Done);
            const QString served = QFileInfo(item.address).fileName();
            const QString id = QFileInfo(served).completeBaseName();
            QCOMPARE(item.name, documents().value(id).title);
            QCOMPARE(item.type, documents().value(id).savedType);
            QByteArray expected = fileBytes(scholarFolder() + QStringLiteral("/files/") + served);
            // A saved page gets its address as base, so its relative links still lead to the site.
            if (item.type == u"htm")
                expected.replace("</head>", "<Base href='" + item.address.toUtf8() + "'></head>");
            QCOMPARE(fileBytes(ItemFilePath(item)), expected);
        }

        // Every analysed page address is remembered, also the one without a free link.
        for (const QString &id : std::as_const(ids)) {
            QString key = site.resultLink(id);
            QVERIFY2(IsVisitedAddress(key), qPrintable(id));
        }
        QString never = site.resultLink(QStringLiteral("d999"));
        QVERIFY(!IsVisitedAddress(never));

        // With "相同网址不重复保存" a second analysis of every row fetches nothing and hands nothing over.
        const int fetched = documentPageRequests(server);
        QCOMPARE(fetched, ids.size());
        child<QCheckBox>(main, "Check3")->setChecked(true);
        QVERIFY(analyse(main, "menu全部加入"));
        for (int i = 0; i < ids.size(); ++i)
            QCOMPARE(results.row(i).status, QStringLiteral("跳过(曾经下载)"));
        QCOMPARE(documentPageRequests(server), fetched);
        QCOMPARE(list.size(), addresses.size());
        QVERIFY(prompt.entries.isEmpty());

        // A finished list closes without a question; the main window then returns to the start-up window.
        QPointer<fFileDownload> closing = downloads;
        QVERIFY(downloads->close());
        QTRY_VERIFY(!closing);
        QVERIFY(main->close());
        QVERIFY(cover.isVisible());
        QVERIFY(prompt.entries.isEmpty());
        CloseVisitedDatabase();
    }
};

QTEST_MAIN(TestE2eGui)
#include "test_e2e_gui.moc"
