// The main window's browse and tool menu commands that work on the browser.
#include "gui/fWebSearch/fWebSearch.h"

#include "core/analysis/AnalysisTexts.h"
#include "core/analysis/ProxyRotation.h"
#include "core/net/Browser.h"
#include "core/net/LifetimeGuard.h"
#include "core/store/Settings.h"
#include "core/util/DeclaredCharset.h"
#include "core/util/Prompt.h"
#include "core/util/TextFile.h"
#include "gui/fOption/fOption.h"
#include "gui/fWebSearch/fWebSearchTexts.h"
#include "web/PageScripts.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QPointer>
#include <QUrl>

namespace T = fWebSearchTexts;

namespace {
QString htmFilter()
{
    return QStringLiteral("*.htm (*.htm)");
}
} // namespace

void fWebSearch::openAddressCommand()
{
    const QString address = Prompt::current()
                                .input(T::kOpenAddressPrompt, T::kOpenAddressTitle, SettingKeys::指定网址.read())
                                .value_or(QString())
                                .trimmed();
    // Secure pages may need their own dialogs (certificates, logins): silent mode only for plain addresses.
    m_check2->setChecked(!address.toLower().startsWith(QLatin1String("https://")));
    if (address.isEmpty())
        return;
    browser().navigate(address);
    SettingKeys::指定网址.write(address);
}

void fWebSearch::openLocalPageCommand()
{
    QFileDialog dialog(this);
    dialog.setNameFilter(htmFilter());
    dialog.setDefaultSuffix(QStringLiteral("htm"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    browser().navigate(QUrl::fromLocalFile(dialog.selectedFiles().constFirst()).toString());
}

void fWebSearch::saveSourceCommand()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(htmFilter());
    dialog.setDefaultSuffix(QStringLiteral("htm"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    [](QPointer<fWebSearch> self, Browser *browser, QString file) -> QCoro::Task<> {
        const PageSnapshot page = co_await browser->snapshot();
        // The file says which encoding its bytes are in, whatever the page was served in.
        if (self && page.hasDocument)
            TextFile::writeText(file, WithDeclaredCharset(page.outerHtml, TextFile::encodingName(page.outerHtml)));
    }(lifetimeGuard(this), &browser(), path);
}

void fWebSearch::unblockPageCommand()
{
    browser().runScriptInAllFrames(PageScripts::unblockContextMenuAndCopying());
    Prompt::current().message(T::kUnblocked, Prompt::Icon::Information);
}

void fWebSearch::optionsCommand()
{
    const auto self = lifetimeGuard(this);
    fOption::ask(this);
    // Cancelled or not, the status bar must not go on naming a proxy the analysis no longer uses.
    if (self && !m_proxy->UseProxyList())
        m_statusPanel3->setText(AnalysisTexts::kNoProxy);
}
