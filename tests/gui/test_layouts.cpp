// Every window at its normal size and shrunk to its minimum: no control cut, none outside its parent, none
// covering another, and every control the keyboard reaches has a name a screen reader can say.
#include "WidgetChecks.h"
#include "core/download/DownloadListModel.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveTarget.h"
#include "core/store/Settings.h"
#include "gui/Form_BaoCun/Form_BaoCun.h"
#include "gui/Form_Copy_Move/Form_Copy_Move.h"
#include "gui/InputUrlList/InputUrlList.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/UrlReplace.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fFileDownload/login/LoginPanel.h"
#include "gui/fIEcache/fIEcache.h"
#include "gui/fOption/fOption.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "gui/frmAbout/frmAbout.h"
#include "gui/use/use.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QPointer>
#include <QTest>
#include <memory>

class TestLayouts final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windows_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *name :
             {"fCover", "fWebSearch", "fFileDownload", "fFileDownload-login", "Form_BaoCun", "Form_Copy_Move",
              "fOption", "frmAbout", "fIEcache", "InputUrlList", "UrlReplace", "use"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void windows()
    {
        QFETCH(QString, window);
        TestHome home;
        RecordingPrompt prompt;
        ResultListModel results;
        DownloadListModel downloads;
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("out")));
        std::unique_ptr<QWidget> owned;
        QPointer<fFileDownload> downloadWindow;
        QWidget *w = nullptr;
        if (window == QLatin1String("fCover"))
            owned = std::make_unique<fCover>();
        else if (window == QLatin1String("fWebSearch"))
            owned = std::make_unique<fWebSearch>();
        else if (window.startsWith(QLatin1String("fFileDownload")))
            w = downloadWindow = fFileDownload::ensure();
        else if (window == QLatin1String("Form_BaoCun"))
            owned = std::make_unique<Form_BaoCun>(CurrentSaveTarget());
        else if (window == QLatin1String("Form_Copy_Move"))
            owned = std::make_unique<Form_Copy_Move>();
        else if (window == QLatin1String("fOption"))
            owned = std::make_unique<fOption>();
        else if (window == QLatin1String("frmAbout"))
            owned = std::make_unique<frmAbout>();
        else if (window == QLatin1String("fIEcache"))
            owned = std::make_unique<fIEcache>();
        else if (window == QLatin1String("InputUrlList"))
            owned = std::make_unique<InputUrlList>(results, CurrentSaveTarget());
        else if (window == QLatin1String("UrlReplace"))
            owned = std::make_unique<UrlReplace>(downloads);
        else
            owned = std::make_unique<use>();
        if (owned) {
            owned->setAttribute(Qt::WA_DeleteOnClose, false);
            w = owned.get();
        }
        auto closeDownloads = qScopeGuard([&] {
            if (downloadWindow) {
                prompt.answers = {true};
                downloadWindow->close();
                delete downloadWindow.data();
            }
        });
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        if (window == QLatin1String("fFileDownload-login"))
            downloadWindow->loginPanel()->showPanel(QString());

        const QSize normal = w->size();
        const QSize least = w->minimumSize().isEmpty() ? w->minimumSizeHint() : w->minimumSize();
        for (const QSize size : {normal, least}) {
            w->resize(size);
            QTRY_COMPARE(w->size(), size.expandedTo(w->minimumSize()));
            QCoreApplication::sendPostedEvents();
            const QStringList misplaced = WidgetChecks::misplacedControls(w);
            QVERIFY2(misplaced.isEmpty(), qPrintable(QStringLiteral("at %1x%2: ").arg(size.width()).arg(size.height()) +
                                                     misplaced.join(QStringLiteral("; "))));
        }
        const QStringList unnamed = WidgetChecks::unnamedControls(w);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
    }
};

QTEST_MAIN(TestLayouts)
#include "test_layouts.moc"
