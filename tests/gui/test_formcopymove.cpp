#include "core/filetools/CopyRun.h"
#include "core/store/Settings.h"
#include "core/store/SettingsStore.h"
#include "core/util/FolderHistory.h"
#include "core/util/TextFile.h"
#include "filetools/CopyFixtures.h"
#include "gui/Form_Copy_Move/Form_Copy_Move.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {
QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The window with its controls, shown as its opener shows it.
struct Window {
    Window()
    {
        form.show();
        combo = form.findChild<QComboBox *>(QStringLiteral("Combo1"));
        start = form.findChild<QPushButton *>(QStringLiteral("Command1"));
        close = form.findChild<QPushButton *>(QStringLiteral("Command2"));
        current = form.findChild<QLabel *>(QStringLiteral("Label3"));
        progress = form.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
        for (QRadioButton *option : form.findChildren<QRadioButton *>(QStringLiteral("Option1")))
            options.insert(option->property("index").toInt(), option);
    }
    int checkedOption() const
    {
        for (auto it = options.cbegin(); it != options.cend(); ++it)
            if (it.value()->isChecked())
                return it.key();
        return 0;
    }
    // Presses the start button and waits until the run it began has ended.
    void startAndFinish()
    {
        start->click();
        QTRY_VERIFY(!form.run().isRunning());
    }

    Form_Copy_Move form;
    QComboBox *combo = nullptr;
    QPushButton *start = nullptr;
    QPushButton *close = nullptr;
    QLabel *current = nullptr;
    QProgressBar *progress = nullptr;
    QMap<int, QRadioButton *> options;
};

const QString kFinished = QStringLiteral("复制文件完成！");
} // namespace

class TestFormCopyMove final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Captions, the stored folder (by default the data folder) and the stored rule, where a number that is not
    // one of the five selects the default.
    void opening_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("checked");
        QTest::newRow("never stored") << QString() << 4;
        QTest::newRow("2") << "2" << 2;
        QTest::newRow("5") << "5" << 5;
        QTest::newRow("out of range") << "9" << 4;
        QTest::newRow("not a number") << "x" << 4;
    }
    void opening()
    {
        QFETCH(QString, stored);
        QFETCH(int, checked);
        TestHome home;
        if (!stored.isNull())
            WriteSetting(ApplicationTitle(), SettingKeys::OpIndex.section(), SettingKeys::OpIndex.key(), stored);
        Window w;
        QCOMPARE(w.form.windowTitle(), QStringLiteral("复制文件..."));
        QCOMPARE(w.combo->currentText(), QDir::toNativeSeparators(home.path() + QLatin1Char('/')));
        QCOMPARE(w.checkedOption(), checked);
        QCOMPARE(w.options.keys(), QList<int>({1, 2, 3, 4, 5}));
        QCOMPARE(w.options.value(4)->text(), QStringLiteral("文件大小和修改时间均相同：覆盖；否则：自动重命名"));
        QCOMPARE(w.form.findChild<QGroupBox *>(QStringLiteral("Frame1"))->title(),
                 QStringLiteral("如果同名文件已经存在"));
        QCOMPARE(w.form.findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("目的文件夹："));
        QCOMPARE(w.form.findChild<QPushButton *>(QStringLiteral("Command3"))->text(), QStringLiteral("浏览"));
        QCOMPARE(w.start->text(), QStringLiteral("开始"));
        QCOMPARE(w.close->text(), QStringLiteral("关闭"));
        QVERIFY(w.current->text().isEmpty());
        QCOMPARE(w.progress->value(), 0);
    }

    // A typed folder that does not exist yet is created, stored with its separator together with the chosen rule,
    // and added to the history; a vanished source leaves the list; the run ends idle with its message.
    void runCreatesStoresAndCopies()
    {
        TestHome home;
        RecordingPrompt prompt;
        const QString source = home.filePath(QStringLiteral("a.txt"));
        writeFile(source, "a");
        const QString destination = home.filePath(QStringLiteral("new/sub"));
        Window w;
        w.form.fileList() << source << home.filePath(QStringLiteral("gone.txt"));
        w.combo->setEditText(destination);
        w.options.value(3)->click();
        w.startAndFinish();

        QCOMPARE(entriesOf(destination), QStringList{"a.txt"});
        const QString withSeparator = destination + QLatin1Char('/');
        QCOMPARE(w.combo->currentText(), withSeparator);
        QCOMPARE(StoredCopyDestinationFolder(), withSeparator);
        QCOMPARE(SettingKeys::OpIndex.read(), 3);
        QCOMPARE(TextFile::readLines(FolderHistoryFile()).value_or(QStringList{}), QStringList{withSeparator});
        QCOMPARE(w.form.fileList(), QStringList{source});
        QCOMPARE(w.start->text(), QStringLiteral("开始"));
        QVERIFY(w.current->text().isEmpty());
        QCOMPARE(w.progress->value(), 0);
        QCOMPARE(prompt.texts(), QStringList{kFinished});
        QCOMPARE(prompt.entries.constFirst().icon, Prompt::Icon::Information);
    }

    // A folder already in the history in other letter case is not added again.
    void historyIgnoresLetterCase()
    {
        TestHome home;
        const QString entry = home.filePath(QStringLiteral("DEST/"));
        QVERIFY(SaveFolderHistory({entry}));
        Window w;
        w.combo->setEditText(home.filePath(QStringLiteral("dest/")));
        w.startAndFinish();
        QCOMPARE(TextFile::readLines(FolderHistoryFile()).value_or(QStringList{}), QStringList{entry});
        QCOMPARE(w.combo->count(), 1);
    }

    // "停止" during a run: the current file is finished, no later one started, the button reads "开始" at once
    // and the run still announces its end.
    void stopPress()
    {
        TestHome home;
        RecordingPrompt prompt;
        const QString destination = home.filePath(QStringLiteral("out/"));
        Window w;
        for (const char *name : {"a.txt", "b.txt", "c.txt"}) {
            w.form.fileList() << home.filePath(QString::fromLatin1(name));
            writeFile(w.form.fileList().constLast(), name);
        }
        w.combo->setEditText(destination);
        QString textAfterPress;
        connect(&w.form.run(), &CopyRun::currentFileChanged, &w.form, [&](const QString &name) {
            if (name != QLatin1String("b.txt"))
                return;
            QCOMPARE(w.start->text(), QStringLiteral("停止"));
            w.start->click();
            textAfterPress = w.start->text();
        });
        w.startAndFinish();
        QCOMPARE(textAfterPress, QStringLiteral("开始"));
        QCOMPARE(entriesOf(destination), QStringList({"a.txt", "b.txt"}));
        QVERIFY(w.start->isEnabled());
        QCOMPARE(prompt.texts(), QStringList{kFinished});
    }

    // A destination that cannot be created: the message, nothing stored, nothing copied.
    void uncreatableFolder()
    {
        TestHome home;
        RecordingPrompt prompt;
        writeFile(home.filePath(QStringLiteral("file.txt")), "x");
        writeFile(home.filePath(QStringLiteral("a.txt")), "a");
        Window w;
        w.form.fileList() << home.filePath(QStringLiteral("a.txt"));
        const QString wanted = home.filePath(QStringLiteral("file.txt/sub"));
        w.combo->setEditText(wanted);
        w.start->click();
        // The message names the folder and the system's reason; the typed folder stays to be corrected.
        QCOMPARE(prompt.texts().size(), 1);
        const QStringList lines = prompt.texts().first().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("创建文件夹出错！"));
        QCOMPARE(lines[1], QDir::toNativeSeparators(wanted));
        // The reason in the windows' language, not the system's English.
        QCOMPARE(lines[2], QStringLiteral("路径中有一段是文件，不是文件夹。"));
        QCOMPARE(w.combo->currentText(), wanted);
        QCOMPARE(prompt.entries.constFirst().icon, Prompt::Icon::Critical);
        QVERIFY(!w.form.run().isRunning());
        QVERIFY(SettingKeys::目的文件夹.read().isEmpty());
        QVERIFY(!QFile::exists(FolderHistoryFile()));
    }

    // Files from the destination folder itself are never copied onto themselves: the run ends at once, with its
    // message.
    void onlyFilesOfTheDestination()
    {
        TestHome home;
        RecordingPrompt prompt;
        const QString destination = home.filePath(QStringLiteral("out/"));
        QVERIFY(QDir().mkpath(destination));
        writeFile(destination + QStringLiteral("a.txt"), "a");
        Window w;
        w.form.fileList() << destination + QStringLiteral("a.txt");
        w.combo->setEditText(destination);
        w.options.value(3)->click();
        w.startAndFinish();
        QCOMPARE(entriesOf(destination), QStringList{"a.txt"});
        QCOMPARE(prompt.texts(), QStringList{kFinished});
    }

    // Closing the window during a run gives the run up: nothing more is copied and no message follows.
    void closingDuringARun()
    {
        TestHome home;
        RecordingPrompt prompt;
        const QString destination = home.filePath(QStringLiteral("out/"));
        Window w;
        for (const char *name : {"a.txt", "b.txt"}) {
            w.form.fileList() << home.filePath(QString::fromLatin1(name));
            writeFile(w.form.fileList().constLast(), name);
        }
        w.combo->setEditText(destination);
        connect(&w.form.run(), &CopyRun::currentFileChanged, &w.form, [&](const QString &name) {
            if (name == QLatin1String("b.txt"))
                w.close->click();
        });
        w.startAndFinish();
        QVERIFY(!w.form.isVisible());
        QCOMPARE(entriesOf(destination), QStringList{"a.txt"});
        QVERIFY(prompt.entries.isEmpty());
    }

    // The opener's way in: the files, the caption naming their number, and a modal window.
    void openedByCopyFiles()
    {
        TestHome home;
        QString caption;
        QStringList files;
        bool modal = false;
        QTimer::singleShot(0, this, [&] {
            auto *window = qobject_cast<Form_Copy_Move *>(QApplication::activeModalWidget());
            QVERIFY(window);
            caption = window->windowTitle();
            files = window->fileList();
            modal = window->isModal();
            window->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        });
        Form_Copy_Move::copyFiles({QStringLiteral("/x/a.pdf"), QStringLiteral("/x/b.pdf")}, nullptr);
        QCOMPARE(caption, QStringLiteral("复制文件：2 个文件..."));
        QCOMPARE(files, QStringList({"/x/a.pdf", "/x/b.pdf"}));
        QVERIFY(modal);
    }
};

QTEST_MAIN(TestFormCopyMove)
#include "test_formcopymove.moc"
