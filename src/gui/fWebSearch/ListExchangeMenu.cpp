#include "gui/fWebSearch/ListExchangeMenu.h"

#include "core/search/ResultListModel.h"
#include "core/search/SearchTexts.h"
#include "core/util/Prompt.h"
#include "gui/InputUrlList/InputUrlList.h"
#include "gui/fWebSearch/DraggablePanel.h"
#include "gui/fWebSearch/MainPanels.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "gui/fWebSearch/fWebSearchTexts.h"
#include "gui/shell/RunsUnderway.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>

namespace T = fWebSearchTexts;

namespace {
const QString kFilter = QStringLiteral("*.zxul");
const QString kExtension = QStringLiteral("zxul");

// A list file name from the save or open dialog; empty when the dialog was cancelled.
QString chooseListFile(QWidget *parent, bool save)
{
    QFileDialog dialog(parent);
    dialog.setNameFilter(kFilter);
    dialog.setDefaultSuffix(kExtension);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
} // namespace

ListExchangeMenu::ListExchangeMenu(fWebSearch &window)
    : QObject(&window), m_window(window), m_run(new ListExchangeRun(window.results(), *this, this))
{
    QMenu *menu = window.menu导入导出();
    const auto add = [&](const char *name, const QString &caption, auto slot) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QString::fromUtf8(name));
        connect(action, &QAction::triggered, this, slot);
    };
    add("menu导入网址清单到列表", T::kImportAddressList, [this] { importAddressList(); });
    add("menu导入数据文件到列表", T::kImportDataFile, [this] { importDataFile(); });
    add("menu导出列表数据到文件", T::kExportAll, [this] { exportRows(ListExportSet::All); });
    add("menu导出下载失败项到文件", T::kExportFailed, [this] { exportRows(ListExportSet::FailedOrUnanalysed); });
    menu->addSeparator();
    add("menu导出文献格式", T::kExportReferences, [this] { exportReferenceFile(); });
    window.installEventFilter(this);
    // The panel's stop button ends an export or import at its next batch (the analysis has its own use of it).
    connect(window.stopButton(), &QPushButton::clicked, this, [this] { m_run->cancel(); });
}

bool ListExchangeMenu::eventFilter(QObject *watched, QEvent *event)
{
    // The file being written or read lives in the command; closing the window under it would lose the export.
    if (watched == &m_window && event->type() == QEvent::Close && m_run->isRunning()) {
        event->ignore();
        Prompt::current().message(T::kCloseRefusal, Prompt::Icon::Critical);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool ListExchangeMenu::mayStart() const
{
    if (!m_run->isRunning() && !m_window.progressPanel()->isVisible())
        return true;
    Prompt::current().message(T::kBusyStopFirst, Prompt::Icon::Information);
    return false;
}

void ListExchangeMenu::importAddressList()
{
    InputUrlList::ask(m_window.results(), m_window.saveTarget(), &m_window);
    m_window.showRowCount();
    m_window.autoSizeListColumns();
}

void ListExchangeMenu::importDataFile()
{
    if (!mayStart())
        return;
    const QString path = chooseListFile(&m_window, false);
    if (!path.isEmpty())
        m_window.runs().track(importFrom(path));
}

void ListExchangeMenu::exportRows(ListExportSet set)
{
    if (m_window.results().rowCount() == 0 || !mayStart())
        return;
    const QString path = chooseListFile(&m_window, true);
    if (!path.isEmpty())
        m_window.runs().track(exportTo(path, set));
}

void ListExchangeMenu::exportReferenceFile()
{
    if (m_window.results().rowCount() == 0 || !mayStart())
        return;
    const QStringList filters{QStringLiteral("CSV (*.csv)"), QStringLiteral("RIS (*.ris)"),
                              QStringLiteral("BibTeX (*.bib)")};
    const ListFormat formats[] = {ListFormat::Csv, ListFormat::Ris, ListFormat::Bibtex};
    const QString suffixes[] = {QStringLiteral("csv"), QStringLiteral("ris"), QStringLiteral("bib")};
    QFileDialog dialog(&m_window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffixes[0]);
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        dialog.setDefaultSuffix(suffixes[std::max<qsizetype>(0, filters.indexOf(filter))]);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    // The extension decides when it names a format, the chosen filter otherwise.
    const ListFormat byName = ListFormatOfPath(path);
    exportReferences(path, byName != ListFormat::ListFile
                               ? byName
                               : formats[std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter()))]);
}

QCoro::Task<bool> ListExchangeMenu::exportReferences(QString path, ListFormat format)
{
    if (m_window.results().rowCount() == 0 || !mayStart())
        co_return false;
    // The save dialog asked before replacing a file: that answer is the consent to overwrite.
    const ListExchangeOutcome outcome = co_await m_run->exportTo(path, format, ListExportSet::All);
    co_return outcome.result == ListExchangeOutcome::Result::Done;
}

QCoro::Task<bool> ListExchangeMenu::exportTo(QString path, ListExportSet set)
{
    if (!mayStart())
        co_return false;
    co_return co_await m_run->exportRows(path, set);
}

QCoro::Task<int> ListExchangeMenu::importFrom(QString path)
{
    if (!mayStart())
        co_return -1;
    co_return co_await m_run->importFile(path);
}

void ListExchangeMenu::showProgress(const QString &caption)
{
    m_window.progressLabel()->setText(caption);
    m_window.stopButton()->show();
    m_window.panels()->centreProgressPanel();
    m_window.progressPanel()->show();
    m_window.progressPanel()->raise();
}

void ListExchangeMenu::setProgress(int value, int maximum)
{
    QProgressBar *bar = m_window.progressBar();
    bar->setMaximum(maximum);
    bar->setValue(value);
}

void ListExchangeMenu::hideProgress()
{
    m_window.progressPanel()->hide();
}

void ListExchangeMenu::setListEnabled(bool enabled)
{
    m_window.resultList()->setEnabled(enabled);
}

void ListExchangeMenu::rowsAdded()
{
    m_window.showRowCount();
    m_window.autoSizeListColumns();
}
