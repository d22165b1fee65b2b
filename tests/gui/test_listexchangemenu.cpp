#include "core/analysis/AnalysisDriver.h"
#include "core/search/ListExchange.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveTarget.h"
#include "core/store/Settings.h"
#include "gui/fWebSearch/DraggablePanel.h"
#include "gui/fWebSearch/ListExchangeMenu.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoroTask>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <optional>

namespace {
const QString kPrefix = QStringLiteral("https://wenku.baidu.com/view/");

// A main window on a fresh data folder whose save folder lies inside it.
struct Window {
    Window()
    {
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("out")));
        QDir().mkpath(home.filePath(QStringLiteral("out")));
        w = std::make_unique<fWebSearch>();
        w->show();
        menu = w->findChild<ListExchangeMenu *>();
    }
    template <typename T> T *child(const char *name) const { return w->findChild<T *>(QString::fromUtf8(name)); }
    void addRows(const QList<QPair<QString, QString>> &keyAndStatus)
    {
        for (const auto &[key, status] : keyAndStatus)
            w->results().addRow({key, QStringLiteral("标题 ") + key, status, QStringLiteral("htm"),
                                 QStringLiteral("/f"), QStringLiteral("http://page/")});
    }
    QStringList keys() const
    {
        QStringList out;
        for (const ResultRow &row : w->results().rows())
            out << row.key;
        return out;
    }

    TestHome home;
    RecordingPrompt prompt;
    std::unique_ptr<fWebSearch> w;
    ListExchangeMenu *menu = nullptr;
};

// Plays the user of the address-list dialog: types `text`, presses its import button, and answers the save-target
// dialog with OK or cancel. (Only tests look around like this; the program itself never polls.)
class AddressListUser final : public QObject
{
public:
    AddressListUser(QString text, bool confirmFolder) : m_text(std::move(text)), m_confirm(confirmFolder)
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            if (modal->objectName() == u"InputUrlList" && !m_typed) {
                modal->findChild<QPlainTextEdit *>(QStringLiteral("RichTextBox1"))->setPlainText(m_text);
                m_typed = true;
                QTimer::singleShot(0, modal->findChild<QPushButton *>(QStringLiteral("Command3")), &QPushButton::click);
            } else if (modal->objectName() == u"Form_BaoCun") {
                ++folderQuestions;
                modal->findChild<QPushButton *>(m_confirm ? QStringLiteral("Command2") : QStringLiteral("Command3"))
                    ->click();
            } else if (modal->objectName() == u"InputUrlList" && folderQuestions > 0) {
                // Still open after a cancelled folder question: note what it holds, then close it.
                textLeft = modal->findChild<QPlainTextEdit *>(QStringLiteral("RichTextBox1"))->toPlainText();
                modal->findChild<QPushButton *>(QStringLiteral("Command4"))->click();
            }
        });
        m_timer.start();
    }

    int folderQuestions = 0;
    QString textLeft;

private:
    QString m_text;
    bool m_confirm;
    bool m_typed = false;
    QTimer m_timer;
};
} // namespace

class TestListExchangeMenu final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void menuEntries()
    {
        Window win;
        QVERIFY(win.menu);
        QStringList names;
        QStringList captions;
        for (QAction *a : win.w->menu导入导出()->actions()) {
            if (a->isSeparator())
                continue;
            names << a->objectName();
            captions << a->text();
        }
        QCOMPARE(names, (QStringList{"menu导入网址清单到列表", "menu导入数据文件到列表", "menu导出列表数据到文件",
                                     "menu导出下载失败项到文件", "menu导出文献格式"}));
        QCOMPARE(captions, (QStringList{"导入网址清单到列表", "导入数据文件到列表", "导出列表数据到文件",
                                        "导出分析失败项和未分析项到文件", "导出列表为文献格式(CSV/RIS/BibTeX)..."}));
    }

    // Export from the window, clear, import back: the same rows with their statuses, the count in Label1, the
    // panel gone and its stop button back for the next analysis.
    void exportAndImportBack()
    {
        Window win;
        win.addRows({{"http://a/1", "成功"}, {"http://a/2", "失败(下载)"}, {"http://a/3", ""}});
        const QList<ResultRow> before = win.w->results().rows();
        const QString file = win.home.filePath(QStringLiteral("list.zxul"));
        QVERIFY(QCoro::waitFor(win.menu->exportTo(file, ListExportSet::All)));
        QVERIFY(!win.w->progressPanel()->isVisible());
        QCOMPARE(win.prompt.texts(), QStringList{ExportFinishedText(QFileInfo(file).size())});

        win.w->results().clearAll();
        QCOMPARE(QCoro::waitFor(win.menu->importFrom(file)), 3);
        QCOMPARE(win.keys(), (QStringList{"http://a/1", "http://a/2", "http://a/3"}));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(win.w->results().row(i).title, before[i].title);
            QCOMPARE(win.w->results().row(i).status, before[i].status);
        }
        QCOMPARE(win.child<QLabel>("Label1")->text(), QStringLiteral("3"));
        QCOMPARE(win.prompt.texts().last(), QStringLiteral("导入文件到列表完成，共成功导入：3条数据。"));
        QVERIFY(!win.w->progressPanel()->isVisible());
        QVERIFY(!win.w->stopButton()->isHidden());
        QVERIFY(win.w->resultList()->isEnabled());
    }

    // The reference formats from the window: the file written and its size reported, or the reason it was not.
    void referenceExport()
    {
        Window win;
        win.addRows({{"http://a/1", "成功"}});
        const QString file = win.home.filePath(QStringLiteral("refs.ris"));
        QVERIFY(QCoro::waitFor(win.menu->exportReferences(file, ListFormat::Ris)));
        QCOMPARE(win.prompt.texts(), QStringList{ExportFinishedText(QFileInfo(file).size())});
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().startsWith("TY  - GEN\r\nDB  - PaperHarvest\r\nTI  - 标题 http://a/1\r\n"));
        QVERIFY(!QCoro::waitFor(
            win.menu->exportReferences(win.home.filePath(QStringLiteral("no/dir/refs.csv")), ListFormat::Csv)));
        QVERIFY(win.prompt.texts().last().startsWith(QStringLiteral("导出到文件失败：")));
    }

    // While an analysis holds the progress panel, the exchange commands refuse; nothing is written or read.
    void refusedWhileThePanelIsTaken()
    {
        Window win;
        win.addRows({{"http://a/1", ""}});
        const QString file = win.home.filePath(QStringLiteral("list.zxul"));
        QVERIFY(ExportListFile(file, {{"http://b/1", "t", "", "", ""}}));
        const QDateTime written = QFileInfo(file).lastModified();
        win.w->progressPanel()->show();
        QVERIFY(!QCoro::waitFor(win.menu->exportTo(file, ListExportSet::All)));
        QCOMPARE(QCoro::waitFor(win.menu->importFrom(file)), -1);
        QCOMPARE(win.prompt.texts(), (QStringList{"正在工作，请停止后执行此功能！", "正在工作，请停止后执行此功能！"}));
        QCOMPARE(win.keys(), QStringList{"http://a/1"});
        QCOMPARE(QFileInfo(file).lastModified(), written);
    }

    // The window does not close under a running import, and the automatic analysis leaves it the progress panel;
    // the window closes once the import is done.
    void closeWaitsForTheImport()
    {
        ManualClock clock;
        Window win;
        win.child<QCheckBox>("Check6")->setChecked(true);
        QSignalSpy analysisStarted(&win.w->analysis(), &AnalysisDriver::runStarted);
        const QString file = win.home.filePath(QStringLiteral("big.zxul"));
        QList<ListRecord> records;
        for (int i = 0; i < 5000; ++i)
            records.append({QStringLiteral("https://a/%1").arg(i), QStringLiteral("t"), {}, {}, {}});
        QVERIFY(ExportListFile(file, records));
        QSignalSpy finished(&win.menu->run(), &ListExchangeRun::finished);
        auto import = win.menu->importFrom(file);
        QVERIFY(win.menu->run().isRunning());
        QVERIFY(win.w->progressPanel()->isVisible());
        QVERIFY(!win.w->resultList()->isEnabled());
        QVERIFY(clock.advance(fWebSearch::kAutoAnalysisInterval));
        QCOMPARE(analysisStarted.count(), 0);
        QVERIFY(!win.w->close());
        QVERIFY(win.w->isVisible());
        QVERIFY(win.prompt.texts().contains(QStringLiteral("正在工作，停止以后才能退出窗口！")));
        QVERIFY(finished.wait(60000));
        QCOMPARE(win.w->results().rowCount(), 5000);
        QVERIFY(win.w->close());
    }

    void stopButton_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("import") << "import";
        QTest::newRow("list file export") << "zxul";
        QTest::newRow("BibTeX export") << "bib";
    }
    // The panel's stop button ends an export or import at its next batch: a stopped export leaves the file that
    // was there as it was and no other file beside it, a stopped import keeps what it added.
    void stopButton()
    {
        QFETCH(QString, command);
        Window win;
        const QString list = win.home.filePath(QStringLiteral("big.zxul"));
        QList<ListRecord> records;
        for (int i = 0; i < 5000; ++i)
            records.append({QStringLiteral("https://a/%1").arg(i), QStringLiteral("t"), {}, {}, {}});
        QVERIFY(ExportListFile(list, records));
        const QString target = win.home.filePath(QStringLiteral("out.") + command);
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("kept") == 4);
        old.close();
        if (command != u"import")
            QCOMPARE(QCoro::waitFor(win.menu->importFrom(list)), 5000);
        QSignalSpy finished(&win.menu->run(), &ListExchangeRun::finished);
        // The commands start at once and hand back after their first batch; their tasks live until they end.
        std::optional<QCoro::Task<int>> importing;
        std::optional<QCoro::Task<bool>> exporting;
        if (command == u"import")
            importing.emplace(win.menu->importFrom(list));
        else if (command == u"zxul")
            exporting.emplace(win.menu->exportTo(target, ListExportSet::All));
        else
            exporting.emplace(win.menu->exportReferences(target, ListFormat::Bibtex));
        QVERIFY(win.menu->run().isRunning());
        QVERIFY(!win.w->stopButton()->isHidden());
        win.w->stopButton()->click();
        QVERIFY(finished.wait(60000));
        QVERIFY(!win.w->progressPanel()->isVisible());
        if (command == u"import") {
            QVERIFY(win.w->results().rowCount() < 5000);
            QCOMPARE(win.prompt.texts().last(),
                     QStringLiteral("导入已停止，已导入：%1条数据。").arg(win.w->results().rowCount()));
        } else {
            QCOMPARE(win.prompt.texts().last(), QStringLiteral("导出已停止，文件未改动。"));
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("kept"));
            QCOMPARE(QDir(win.home.path()).entryList({QStringLiteral("*out*")}, QDir::Files | QDir::Hidden),
                     QStringList{QFileInfo(target).fileName()});
        }
    }

    // The citation columns are hidden until picked from the header's menu.
    void citationColumnsFromTheHeaderMenu()
    {
        Window win;
        QTreeView *list = win.w->resultList();
        for (int c = 0; c < ResultListModel::ColumnCount; ++c)
            QCOMPARE(list->isColumnHidden(c), c >= ResultListModel::kFirstCitationColumn);
        auto *menu = win.w->findChild<QMenu *>(QStringLiteral("menuColumns"));
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 5);
        QCOMPARE(menu->actions().at(3)->text(), QStringLiteral("被引量"));
        menu->actions().at(3)->trigger();
        QVERIFY(!list->isColumnHidden(ResultListModel::CitationsColumn));
        QVERIFY(list->isColumnHidden(ResultListModel::AbstractColumn));
        menu->actions().at(3)->trigger();
        QVERIFY(list->isColumnHidden(ResultListModel::CitationsColumn));
    }

    void addressList_data()
    {
        QTest::addColumn<bool>("confirmFolder");
        QTest::newRow("folder confirmed") << true;
        QTest::newRow("folder question cancelled") << false;
    }
    // The address-list dialog through the menu: qualifying lines counted with their duplicate, one row each, the
    // dialog closed; a cancelled folder question keeps the dialog open with its text and adds nothing.
    void addressList()
    {
        QFETCH(bool, confirmFolder);
        Window win;
        const QString text =
            kPrefix + "a\r\n\r\nhttp://elsewhere/b\r\n" + kPrefix.toUpper() + "C\r\n" + kPrefix + "a\r\n";
        AddressListUser user(text, confirmFolder);
        win.w->findChild<QAction *>(QStringLiteral("menu导入网址清单到列表"))->trigger();
        QCOMPARE(user.folderQuestions, 1);
        if (confirmFolder) {
            QCOMPARE(win.prompt.texts(), QStringList{QStringLiteral("已经导入合格网址：3条。")});
            QCOMPARE(win.keys(), (QStringList{kPrefix + "a", kPrefix.toUpper() + "C"}));
            QCOMPARE(win.w->results().row(0).title, QStringLiteral("待定"));
            QCOMPARE(win.w->results().row(0).type, QStringLiteral("pdf"));
            QCOMPARE(win.child<QLabel>("Label1")->text(), QStringLiteral("2"));
        } else {
            QVERIFY(win.prompt.texts().isEmpty());
            QCOMPARE(user.textLeft, QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            QCOMPARE(win.w->results().rowCount(), 0);
        }
    }
};

QTEST_MAIN(TestListExchangeMenu)
#include "test_listexchangemenu.moc"
