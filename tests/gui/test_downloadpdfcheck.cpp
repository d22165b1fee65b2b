// The download window's file check: a PDF row is opened once its file is done and the verdict shows in its check
// column; a row sent down again loses it; the list tool checks the selected rows again (a file replaced meanwhile
// gets its new verdict).
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/pdfcheck/PdfCheckTexts.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "pdfcheck/PdfFixtures.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QFile>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

namespace {
const QString kTitle = QStringLiteral("基于深度学习的学术文献自动获取方法研究");

QString checkOf(const DownloadListModel &list, int row)
{
    return list.data(list.index(row, DownloadListModel::CheckColumn)).toString();
}
} // namespace

class TestDownloadPdfCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void doneRowsAreCheckedAndCheckedAgain()
    {
        TestHome home;
        RecordingPrompt prompt;
        QTemporaryDir dir;
        QPointer<fFileDownload> w = fFileDownload::ensure();
        const auto closeWindow = qScopeGuard([&] {
            prompt.answers = {true};
            w->close();
            delete w.data();
        });
        QVERIFY(WritePdf(dir.filePath(QStringLiteral("paper.pdf")), {kTitle, kTitle, QString(), 2}));
        QFile page(dir.filePath(QStringLiteral("page.pdf")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><body>请登录</body></html>");
        page.close();

        DownloadListModel &list = w->scheduler().list();
        const auto add = [&](const QString &name, ItemState state) {
            DownloadItem item;
            item.address = QStringLiteral("http://h/") + name;
            item.name = name;
            item.type = QStringLiteral("pdf");
            item.folder = dir.path() + QLatin1Char('/');
            item.title = kTitle;
            item.state = state;
            QVERIFY(list.append(item));
        };
        add(QStringLiteral("paper"), ItemState::Downloading);
        add(QStringLiteral("page"), ItemState::Downloading);
        QCOMPARE(checkOf(list, 0), QString());

        // The rows finish as an engine finishes them.
        list.setState(0, ItemState::Done);
        list.setState(1, ItemState::Done);
        QTRY_COMPARE(checkOf(list, 0), PdfCheckTexts::k完好页数.arg(2));
        QTRY_COMPARE(checkOf(list, 1), PdfCheckTexts::k非PDF);

        // Sent down again: the old verdict goes.
        list.setState(1, ItemState::Waiting);
        QTRY_COMPARE(checkOf(list, 1), QString());
        list.setState(1, ItemState::Done);
        QTRY_COMPARE(checkOf(list, 1), PdfCheckTexts::k非PDF);

        // The file changed on disk; the tool checks the selected row again.
        QVERIFY(WriteFirstHalf(dir.filePath(QStringLiteral("paper.pdf")), dir.filePath(QStringLiteral("cut.pdf"))));
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("paper.pdf"))));
        QVERIFY(QFile::rename(dir.filePath(QStringLiteral("cut.pdf")), dir.filePath(QStringLiteral("paper.pdf"))));
        QTreeView *view = w->listView();
        view->selectionModel()->select(list.index(0, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QAction *recheck = w->findChild<QAction *>(QStringLiteral("menu重新检查选中文件"));
        QVERIFY(recheck);
        recheck->trigger();
        QTRY_COMPARE(checkOf(list, 0), PdfCheckTexts::k损坏);
        QCOMPARE(checkOf(list, 1), PdfCheckTexts::k非PDF);
    }
};

QTEST_MAIN(TestDownloadPdfCheck)
#include "test_downloadpdfcheck.moc"
