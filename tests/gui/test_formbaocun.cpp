#include "core/search/SaveTarget.h"
#include "core/store/Settings.h"
#include "core/util/FolderHistory.h"
#include "core/util/TextFile.h"
#include "gui/Form_BaoCun/Form_BaoCun.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {
struct Dialog {
    explicit Dialog(SaveTarget &target) : form(target)
    {
        form.show();
        combo = form.findChild<QComboBox *>(QStringLiteral("Combo1"));
        ok = form.findChild<QPushButton *>(QStringLiteral("Command2"));
        cancel = form.findChild<QPushButton *>(QStringLiteral("Command3"));
        clearHistory = form.findChild<QPushButton *>(QStringLiteral("Command4"));
        byAddress = form.findChild<QRadioButton *>(QStringLiteral("Option1"));
        byTitle = form.findChild<QRadioButton *>(QStringLiteral("Option2"));
    }
    QStringList entries() const
    {
        QStringList list;
        for (int i = 0; i < combo->count(); ++i)
            list << combo->itemText(i);
        return list;
    }
    Form_BaoCun form;
    QComboBox *combo = nullptr;
    QPushButton *ok = nullptr;
    QPushButton *cancel = nullptr;
    QPushButton *clearHistory = nullptr;
    QRadioButton *byAddress = nullptr;
    QRadioButton *byTitle = nullptr;
};

QStringList historyLines()
{
    return TextFile::readLines(FolderHistoryFile()).value_or(QStringList{});
}
} // namespace

class TestFormBaoCun final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controlsAndCaption()
    {
        TestHome home;
        SaveTarget target;
        target.SaveFolder = home.filePath(QStringLiteral("docs"));
        Dialog d(target);
        QCOMPARE(d.form.windowTitle(), QStringLiteral("选择下载保存路径"));
        QVERIFY(d.form.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(d.combo && d.ok && d.cancel && d.clearHistory && d.byAddress && d.byTitle);
        QCOMPARE(d.ok->text(), QStringLiteral("确定"));
        QCOMPARE(d.cancel->text(), QStringLiteral("取消"));
        QCOMPARE(d.clearHistory->text(), QStringLiteral("清空历史"));
        QCOMPARE(d.combo->currentText(), target.SaveFolder);
        QVERIFY(d.byTitle->isChecked());
    }

    // A new nested folder is created, becomes the save folder, is stored and appended to the history.
    void confirmCreatesStoresAndRemembers_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("nested") << QStringLiteral("docs/new");
        // The folder chosen is the folder used: no part of it is renamed.
        QTest::newRow("dot folder") << QStringLiteral(".cache/papers");
        QTest::newRow("characters file names refuse") << QStringLiteral("what?/a:b*");
    }
    void confirmCreatesStoresAndRemembers()
    {
        QFETCH(QString, folder);
        TestHome home;
        SaveTarget target;
        target.SaveFolder = home.path();
        const QString wanted = home.filePath(folder);
        Dialog d(target);
        d.combo->setEditText(wanted);
        d.ok->click();
        QVERIFY(QFileInfo(wanted).isDir());
        QCOMPARE(target.SaveFolder, wanted);
        QVERIFY(!target.SaveDialogCancelled);
        QCOMPARE(StoredDownloadFolder(), wanted);
        QCOMPARE(historyLines(), QStringList{wanted});
        QVERIFY(!d.form.isVisible());
    }

    // Confirming the same folder twice writes it twice; the next opening shows it once.
    void repeatsWrittenButLoadedOnce()
    {
        TestHome home;
        SaveTarget target;
        const QString folder = home.filePath(QStringLiteral("same"));
        for (int i = 0; i < 2; ++i) {
            Dialog d(target);
            d.combo->setEditText(folder);
            d.ok->click();
        }
        QCOMPARE(historyLines(), QStringList({folder, folder}));
        Dialog again(target);
        QCOMPARE(again.entries(), QStringList{folder});
    }

    // The naming choice survives reopening within the run; a new run starts with the title.
    void namingModeKeptForTheRun()
    {
        TestHome home;
        SaveTarget target;
        target.SaveFolder = home.path();
        {
            Dialog d(target);
            d.byAddress->setChecked(true);
            d.ok->click();
        }
        QVERIFY(target.NameFromAddress);
        {
            Dialog d(target);
            QVERIFY(d.byAddress->isChecked());
        }
        SaveTarget nextRun;
        nextRun.SaveFolder = home.path();
        Dialog d(nextRun);
        QVERIFY(d.byTitle->isChecked());
    }

    // "清空历史" then "取消": the file is untouched, the cancel flag set, the folder unchanged.
    void clearHistoryThenCancel()
    {
        TestHome home;
        const QStringList lines{home.filePath(QStringLiteral("a")), home.filePath(QStringLiteral("b"))};
        QVERIFY(SaveFolderHistory(lines));
        const QByteArray before = [] {
            QFile f(FolderHistoryFile());
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        SaveTarget target;
        target.SaveFolder = home.filePath(QStringLiteral("b"));
        Dialog d(target);
        QCOMPARE(d.entries(), lines);
        d.clearHistory->click();
        QCOMPARE(d.entries(), QStringList{target.SaveFolder});
        d.cancel->click();
        QVERIFY(target.SaveDialogCancelled);
        QCOMPARE(target.SaveFolder, home.filePath(QStringLiteral("b")));
        QFile f(FolderHistoryFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    // A folder that cannot be created: the message, the dialog stays open, nothing changes.
    void uncreatableFolder()
    {
        TestHome home;
        RecordingPrompt prompt;
        QFile blocker(home.filePath(QStringLiteral("file.txt")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SaveTarget target;
        target.SaveFolder = home.path();
        Dialog d(target);
        const QString wanted = home.filePath(QStringLiteral("file.txt/sub"));
        d.combo->setEditText(wanted);
        d.ok->click();
        // The message names the folder and the system's reason; the typed folder stays to be corrected.
        QCOMPARE(prompt.texts().size(), 1);
        const QStringList lines = prompt.texts().first().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("创建文件夹出错！"));
        QCOMPARE(lines[1], QDir::toNativeSeparators(wanted + QDir::separator()));
        // The reason in the windows' language, not the system's English.
        QCOMPARE(lines[2], QStringLiteral("路径中有一段是文件，不是文件夹。"));
        QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Critical);
        QCOMPARE(d.combo->currentText(), wanted);
        QVERIFY(d.form.isVisible());
        QCOMPARE(target.SaveFolder, home.path());
        QVERIFY(!QFile::exists(FolderHistoryFile()));
    }

    // The window's close box changes nothing, not even the cancel flag.
    void closeBoxChangesNothing()
    {
        TestHome home;
        SaveTarget target;
        target.SaveFolder = home.path();
        Dialog d(target);
        d.combo->setEditText(home.filePath(QStringLiteral("other")));
        d.byAddress->setChecked(true);
        d.form.close();
        QVERIFY(!target.SaveDialogCancelled);
        QVERIFY(!target.NameFromAddress);
        QCOMPARE(target.SaveFolder, home.path());
    }
};

QTEST_MAIN(TestFormBaoCun)
#include "test_formbaocun.moc"
