#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/VisitedDatabase.h"
#include "gui/shell/ComboTools.h"
#include "gui/shell/DataWriteFailures.h"
#include "gui/shell/FolderBrowser.h"
#include "gui/shell/FormRegistry.h"
#include "gui/shell/GapLabel.h"
#include "gui/shell/ListViewTools.h"
#include "gui/shell/MessageBoxPrompt.h"
#include "gui/shell/ShellOpen.h"
#include "gui/shell/SystemInfo.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

class TestShell final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void browseStartFolder_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("opensAt");
        const QString root = QDir::rootPath();
        const QString tmp = QDir::toNativeSeparators(QDir::tempPath());
        QTest::newRow("folder with separator: its parent") << tmp + "/a/b/" << tmp + "/a/";
        QTest::newRow("missing parent: the root") << "/no/such/place/x/" << root;
        QTest::newRow("blank: the root") << "  " << root;
        QTest::newRow("file path: its folder") << tmp + "/a/b" << tmp + "/a/";
    }
    void browseStartFolder()
    {
        QFETCH(QString, start);
        QFETCH(QString, opensAt);
        QTemporaryDir dir;
        QDir(QDir::tempPath()).mkpath(QStringLiteral("a/b"));
        QCOMPARE(BrowseStartFolder(start), opensAt);
        QDir(QDir::tempPath() + QStringLiteral("/a")).removeRecursively();
    }

    // Each column is as wide as its header text or its widest entry, whichever is wider.
    void autoSizeFitsHeaderAndContent()
    {
        QStandardItemModel model(0, 2);
        model.setHorizontalHeaderLabels({QStringLiteral("标题"), QStringLiteral("a much longer header text")});
        model.appendRow(
            {new QStandardItem(QStringLiteral("一个很长很长很长很长很长的标题文字")), new QStandardItem("x")});
        QTreeView view;
        view.setModel(&model);
        view.header()->setStretchLastSection(false);
        view.show();
        AutoSizeListColumns(&view);
        const QFontMetrics fm(view.font());
        QVERIFY(view.columnWidth(0) >= fm.horizontalAdvance(QStringLiteral("一个很长很长很长很长很长的标题文字")));
        QVERIFY(view.columnWidth(1) >= fm.horizontalAdvance(QStringLiteral("a much longer header text")));
        QVERIFY(view.columnWidth(1) < view.columnWidth(0));
    }

    void stripes()
    {
        QTreeView view;
        StripeListBackground(&view);
        QVERIFY(view.alternatingRowColors());
        QCOMPARE(view.palette().color(QPalette::Base), QColor(231, 248, 237));
        QCOMPARE(view.palette().color(QPalette::AlternateBase), QColor(Qt::white));
    }

    // The drop-down widens to its longest entry but never past the screen's right edge.
    void comboDropWidth()
    {
        QComboBox box;
        box.addItems({QStringLiteral("short"), QString(200, QLatin1Char('w'))});
        box.resize(80, box.sizeHint().height());
        box.move(0, 0);
        box.show();
        FitComboDropWidth(&box);
        const int wanted = QFontMetrics(box.font()).horizontalAdvance(QString(200, QLatin1Char('w')));
        const int screenRight = box.screen()->geometry().right() + 1;
        const int left = box.mapToGlobal(QPoint(0, 0)).x();
        QCOMPARE(box.view()->minimumWidth(), std::min(wanted + 7, screenRight - left));

        box.move(screenRight - 100, 0);
        FitComboDropWidth(&box);
        QVERIFY(box.view()->minimumWidth() <= screenRight - box.mapToGlobal(QPoint(0, 0)).x());
    }

    void formLoadedIgnoresCase()
    {
        QWidget w;
        w.setObjectName(QStringLiteral("fFileDownload"));
        QVERIFY(!IsFormLoaded(QStringLiteral("ffileDownLoad")));
        w.show();
        QVERIFY(IsFormLoaded(QStringLiteral("ffileDownLoad")));
        QVERIFY(!IsFormLoaded(QStringLiteral("fOption")));
        w.close();
        QVERIFY(!IsFormLoaded(QStringLiteral("fFileDownload")));
    }

    void openMissingFileSaysSo()
    {
        RecordingPrompt prompt;
        QTemporaryDir dir;
        OpenWithShell(dir.filePath(QStringLiteral("none.pdf")));
        QCOMPARE(prompt.texts(), QStringList{QStringLiteral("文件不存在！")});
        QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Critical);
        QVERIFY(!ShowInFolder(dir.filePath(QStringLiteral("none.pdf"))));
    }

    // A desktop without a handler for the file or folder: the user is told which and why, not only stderr.
    void noDesktopHandlerSaysSo_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("file") << false;
        QTest::newRow("folder") << true;
    }
    void noDesktopHandlerSaysSo()
    {
        QFETCH(bool, folder);
        QTemporaryDir bin;
        QFile handler(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(handler.open(QIODevice::WriteOnly));
        handler.write("#!/bin/sh\necho \"xdg-open: no method available for opening '$1'\" >&2\nexit 3\n");
        handler.close();
        handler.setPermissions(handler.permissions() | QFileDevice::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        RecordingPrompt prompt;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("paper.xyz"));
        QFile(file).open(QIODevice::WriteOnly);
        if (folder)
            QVERIFY(OpenFolder(dir.path()));
        else
            OpenWithShell(file);
        QTRY_COMPARE(prompt.entries.size(), 1);
        qputenv("PATH", path);
        QVERIFY2(prompt.texts().first().contains(QDir::toNativeSeparators(folder ? dir.path() : file)),
                 qPrintable(prompt.texts().first()));
        QVERIFY2(prompt.texts().first().contains(QStringLiteral("no method available")),
                 qPrintable(prompt.texts().first()));
    }

    // The control sits in the caption's gap: after the first words, before the last, covering neither.
    void gapLabelLeavesCaptionIntact()
    {
        auto *box = new QComboBox;
        box->addItems({QStringLiteral("0"), QStringLiteral("120")});
        GapLabel label(QStringLiteral("限速延时：       秒"), box);
        label.resize(label.sizeHint());
        label.show();
        QCOMPARE(label.text(), QStringLiteral("限速延时：       秒"));
        const QFontMetrics fm(label.font());
        const int before = fm.horizontalAdvance(QStringLiteral("限速延时："));
        QVERIFY(box->geometry().left() >= before);
        // What is right of the box still holds the last word.
        QVERIFY(label.width() - box->geometry().right() > fm.horizontalAdvance(QStringLiteral("秒")));
        // And the words are drawn: the label's pixels left of the box and right of it are not all background.
        const QImage image = label.grab().toImage();
        auto inked = [&](int from, int to) {
            for (int x = from; x < to; ++x)
                for (int y = 0; y < image.height(); ++y)
                    if (image.pixelColor(x, y) != image.pixelColor(0, 0))
                        return true;
            return false;
        };
        QVERIFY(inked(0, box->geometry().left()));
        QVERIFY(inked(box->geometry().right() + 1, label.width()));
    }

    // A box filled after its label was laid out (as the download window fills its pause box) still leaves the last
    // word its room, before and after the window shows, and when it grows while shown.
    void gapLabelFollowsItsControl()
    {
        QWidget window;
        auto *row = new QHBoxLayout(&window);
        auto *box = new QComboBox;
        auto *label = new GapLabel(QStringLiteral("两个文件下载间隔：        秒"), box);
        row->addWidget(label);
        row->addStretch();
        const QFontMetrics fm(label->font());
        const int lastWord = fm.horizontalAdvance(QStringLiteral("秒"));
        auto roomForLastWord = [&] { return label->width() - box->geometry().right() > lastWord; };
        for (int seconds = 0; seconds <= 600; ++seconds)
            box->addItem(QString::number(seconds));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(roomForLastWord());
        QCOMPARE(box->width(), box->sizeHint().width());
        box->addItem(QStringLiteral("a much longer entry than any number"));
        QTRY_VERIFY(roomForLastWord());
        QCOMPARE(box->width(), box->sizeHint().width());
    }

    // The program's questions all destroy something when answered yes: Enter alone answers no.
    void questionDefaultsToNo()
    {
        MessageBoxPrompt prompt;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        QTimer::singleShot(0, this, [&defaultButton] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            defaultButton = box->standardButton(box->defaultButton());
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!prompt.ask(QStringLiteral("清空下载列表数据吗？")));
        QCOMPARE(defaultButton, QMessageBox::No);
    }

    // The input box has room for a whole address (打开指定网址...), not the 177 pixels of Qt's default.
    void inputBoxFitsAnAddress()
    {
        MessageBoxPrompt prompt;
        const QString address = QStringLiteral("https://xueshu.baidu.com/usercenter/paper/show?paperid=1a2b3c4d5e6f");
        int room = 0;
        QTimer::singleShot(0, this, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            auto *edit = dialog ? dialog->findChild<QLineEdit *>() : nullptr;
            if (!edit)
                return;
            if (QTest::qWaitForWindowExposed(dialog))
                room = edit->width();
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QCOMPARE(prompt.input(QStringLiteral("网址："), QString(), address), std::optional<QString>(address));
        QVERIFY2(QFontMetrics(QApplication::font()).horizontalAdvance(address) < room,
                 qPrintable(QString::number(room)));
    }

    // Failed writes to the data folder: no field while every write lands, then the count with the reason as its
    // tip; a window opened later in the run shows the count so far.
    void dataWriteFailuresAreCounted()
    {
        TestHome home;
        RecordingPrompt prompt;
        // A write waits this long for another process's lock; the connection takes it when it opens.
        const auto wait = Database::busyTimeout();
        Database::setBusyTimeout(std::chrono::milliseconds(50));
        QVERIFY(OpenVisitedDatabase());
        Database::setBusyTimeout(wait);
        QStatusBar bar;
        DataWriteFailures *field = DataWriteFailures::addTo(bar);
        bar.show();
        QString kept = QStringLiteral("http://h/kept");
        QVERIFY(RecordVisitedAddress(kept));
        QVERIFY(!field->isVisible());

        // Another process holds the write lock.
        Database holder;
        QVERIFY(holder.open(home.filePath(QStringLiteral("zxdata.db")),
                            DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant))));
        QVERIFY(holder.exec("BEGIN IMMEDIATE"));
        for (QString address : {QStringLiteral("http://h/a"), QStringLiteral("http://h/b")})
            QVERIFY(!RecordVisitedAddress(address));
        QVERIFY(field->isVisible());
        QCOMPARE(field->text(), QStringLiteral("访问记录写入失败：2 次"));
        QVERIFY2(field->toolTip().contains(QStringLiteral("locked")), qPrintable(field->toolTip()));

        QStatusBar later;
        DataWriteFailures *laterField = DataWriteFailures::addTo(later);
        later.show();
        QVERIFY(laterField->isVisible());
        QCOMPARE(laterField->text(), field->text());
        holder.exec("ROLLBACK");
        CloseVisitedDatabase();
    }

    void systemDescription()
    {
        BuildSystemDescription();
        const QString bits = OperatingSystemBits();
        QVERIFY(bits == QLatin1String("64") || bits == QLatin1String("32"));
        QVERIFY(SystemDescription().startsWith(WindowsVersionText()));
        QVERIFY(SystemDescription().endsWith(QLatin1Char('[') + bits + QStringLiteral("位]")));
        QVERIFY(WindowsVersionText().contains(QStringLiteral(" 版本:")));
        QVERIFY(WindowsVersionText().contains(QStringLiteral("(内部版本:")));
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
