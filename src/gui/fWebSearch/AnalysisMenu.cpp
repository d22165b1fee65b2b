#include "gui/fWebSearch/AnalysisMenu.h"

#include "core/analysis/AnalysisDriver.h"
#include "core/analysis/AnalysisTexts.h"
#include "core/pdfcheck/PdfVerdict.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveTarget.h"
#include "core/util/Prompt.h"
#include "gui/fFileDownload/DownloadPdfCheck.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fWebSearch/DraggablePanel.h"
#include "gui/fWebSearch/MainPanels.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "gui/fWebSearch/fWebSearchTexts.h"

#include <QAbstractProxyModel>
#include <QAction>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeView>
#include <utility>

namespace {
struct Command {
    const char *name;
    const QString *caption;
    AnalysisSet set;
};

constexpr Command kCommands[] = {
    {"menu分析未分析项", &fWebSearchTexts::kAnalyseUnanalysed, AnalysisSet::Unanalysed},
    {"menu加入分析失败项", &fWebSearchTexts::kAnalyseFailed, AnalysisSet::Failed},
    {"menu选中加入", &fWebSearchTexts::kAnalyseSelected, AnalysisSet::Selected},
    {"menu全部加入", &fWebSearchTexts::kAnalyseAll, AnalysisSet::All},
};

// The list's index of a row of the result model, through a sorting proxy when the view has one.
QModelIndex viewIndex(QTreeView *list, const ResultListModel &rows, int row)
{
    const QModelIndex source = rows.index(row, 0);
    if (auto *proxy = qobject_cast<QAbstractProxyModel *>(list->model()))
        return proxy->mapFromSource(source);
    return source;
}
} // namespace

AnalysisMenu::AnalysisMenu(fWebSearch &window)
    : QObject(&window), m_window(window),
      m_driver(new AnalysisDriver(window.results(), window.flags(), window.proxy(), *this, window.pacing(), this))
{
    QMenu *menu = window.menu加入();
    for (const Command &command : kCommands) {
        QAction *action = menu->addAction(*command.caption);
        action->setObjectName(QString::fromUtf8(command.name));
        const AnalysisSet set = command.set;
        connect(action, &QAction::triggered, this, [this, set] { m_driver->start(set); });
    }
    connect(m_driver, &AnalysisDriver::rowAnalysed, this, [this](int row) { attributeHandOvers(row); });
    connect(m_driver, &AnalysisDriver::retryWaiting, this,
            [this](const QString &address, std::chrono::milliseconds delay, int retry) {
                m_window.statusBar()->showMessage(
                    AnalysisTexts::kRetryWaiting.arg(std::chrono::duration_cast<std::chrono::seconds>(delay).count())
                        .arg(retry)
                        .arg(m_driver->retries())
                        .arg(address));
            });
    connect(m_driver, &AnalysisDriver::serviceUnusable, this,
            [this](const ServicePageVerdict &verdict, const QString &address) {
                const QString text =
                    verdict.state == ServicePageState::Verification
                        ? AnalysisTexts::kServiceVerification.arg(address)
                        : AnalysisTexts::kServiceRefused.arg(ServiceReasonForWindows(verdict), address);
                m_window.statusBar()->showMessage(text.section(QLatin1Char('\n'), 0, 0));
                Prompt::current().message(text, Prompt::Icon::Warning);
            });
}

AnalysisMenu::~AnalysisMenu() = default;

bool AnalysisMenu::skipExistingFile() const
{
    return m_window.check1()->isChecked();
}

bool AnalysisMenu::skipVisitedAddress() const
{
    return m_window.check3()->isChecked();
}

bool AnalysisMenu::followAnalysedRow() const
{
    return m_window.check7()->isChecked();
}

void AnalysisMenu::scrollToRow(int row)
{
    QTreeView *list = m_window.resultList();
    const QModelIndex index = viewIndex(list, m_window.results(), row);
    if (index.isValid())
        list->scrollTo(index);
}

bool AnalysisMenu::isRowSelected(int row) const
{
    QTreeView *list = m_window.resultList();
    const QModelIndex index = viewIndex(list, m_window.results(), row);
    return index.isValid() && list->selectionModel() && list->selectionModel()->isRowSelected(index.row(), {});
}

QString AnalysisMenu::saveFolder() const
{
    return m_window.saveTarget().SaveFolder;
}

void AnalysisMenu::setRunning(bool running)
{
    DraggablePanel *panel = m_window.progressPanel();
    if (running) {
        m_window.progressLabel()->setText(AnalysisTexts::kProgressLabel);
        m_window.stopButton()->show();
        m_window.panels()->centreProgressPanel();
        panel->show();
        panel->raise();
    } else {
        panel->hide();
    }
    m_window.browserPanel()->setEnabled(!running);
}

void AnalysisMenu::setProgress(int value, int maximum)
{
    QProgressBar *bar = m_window.progressBar();
    bar->setMaximum(maximum);
    bar->setValue(value);
}

void AnalysisMenu::加入下载列表(const QString &address, const QString &title, const QString &type,
                                const QString &folder, const QString &referrer)
{
    // The first hand-over creates the download window without showing it; the run shows it at its end.
    fFileDownload *downloads = fFileDownload::ensure();
    if (!downloads)
        return;
    if (m_listening != downloads) {
        m_listening = downloads;
        connect(&downloads->pdfCheck(), &DownloadPdfCheck::reported, this, &AnalysisMenu::takePdfFacts);
    }
    if (!m_rowKeys.contains(address))
        m_unattributed << address;
    downloads->加入下载列表(address, title, type, folder, referrer, m_window.saveTarget().NameFromAddress);
}

void AnalysisMenu::attributeHandOvers(int row)
{
    const QString key = m_window.results().row(row).key;
    // The first row that handed an address over keeps it, as the download list keeps the first hand-over.
    const QStringList addresses = std::exchange(m_unattributed, {});
    for (const QString &address : addresses) {
        if (key.isEmpty() || m_rowKeys.contains(address))
            continue;
        m_rowKeys.insert(address, key);
        if (m_earlyReports.contains(address))
            takePdfFacts(address, m_earlyReports.take(address));
    }
}

void AnalysisMenu::takePdfFacts(const QString &address, const PdfReport &report)
{
    if (m_unattributed.contains(address)) {
        m_earlyReports.insert(address, report);
        return;
    }
    const int row = m_window.results().rowOf(m_rowKeys.value(address));
    if (row < 0)
        return;
    if (report.verdict == PdfVerdict::Ok)
        m_window.results().setPdfFacts(row, report.doi, report.pages);
    else
        m_window.results().setPdfFacts(row, QString(), 0);
}

void AnalysisMenu::显示下载窗口(bool restore)
{
    if (fFileDownload *downloads = fFileDownload::instance())
        downloads->showWindow(restore);
}
