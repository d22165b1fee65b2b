#include "gui/fFileDownload/DownloadListMenu.h"

#include "core/download/BackgroundListSort.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/download/DownloadTexts.h"
#include "core/download/ListTools.h"
#include "core/download/ReQueue.h"
#include "core/util/FileNameRules.h"
#include "core/util/Prompt.h"
#include "core/util/TextFile.h"
#include "gui/fFileDownload/DownloadPdfCheck.h"
#include "gui/fFileDownload/DownloadWindowTexts.h"
#include "gui/fFileDownload/UrlReplace.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/shell/ListViewTools.h"
#include "gui/shell/ShellOpen.h"
#include "gui/shell/ShellTexts.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QProcess>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTreeView>
#include <QUrl>

namespace {
// Files above this many kilobytes are not handed to the text editor.
constexpr qint64 kEditorLimitKb = 2048;
} // namespace

namespace T = DownloadWindowTexts;

DownloadListMenu::DownloadListMenu(fFileDownload &window, QWidget *parent)
    : QMenu(T::kMenuList, parent), m_window(window)
{
    setObjectName(QStringLiteral("menu下载"));
    auto add = [](QMenu *menu, const QString &text, const char *name) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromUtf8(name));
        return action;
    };
    auto sub = [](QMenu *menu, const QString &text, const char *name) {
        QMenu *child = menu->addMenu(text);
        child->setObjectName(QString::fromUtf8(name));
        child->menuAction()->setObjectName(QString::fromUtf8(name));
        return child;
    };
    QTreeView *view = m_window.listView();

    m_selectAll = add(this, T::kSelectAll, "menu全选专利列表");
    connect(m_selectAll, &QAction::triggered, view, &QTreeView::selectAll);
    ListShortcut(view, m_selectAll, QKeySequence::SelectAll);
    connect(add(this, T::kSelectNone, "menu全不选"), &QAction::triggered, view, &QTreeView::clearSelection);
    connect(add(this, T::kShuffle, "menu随机排序列表"), &QAction::triggered, this, &DownloadListMenu::shuffle);
    connect(add(this, T::kAutoSizeColumns, "menu自动列宽"), &QAction::triggered, view,
            [view] { AutoSizeListColumns(view); });

    QMenu *again = sub(this, T::kReDownload, "menu重新下载");
    connect(add(again, T::kSelectedRows, "menu重新下载选中项"), &QAction::triggered, this,
            [this] { ReQueueRows(list(), m_window.selectedRows()); });
    connect(add(again, T::kFailedRows, "menu重新下载出错项"), &QAction::triggered, this,
            [this] { ReQueueFailed(list()); });
    connect(add(again, T::kPageRows, "menu重新下载文件类型为HTM和HTML项"), &QAction::triggered, this,
            [this] { ReQueuePages(list()); });
    connect(add(again, T::kFailedAndPageRows, "menu重新下载出错项和网页项"), &QAction::triggered, this,
            [this] { ReQueueFailedAndPages(list()); });
    connect(add(again, T::kSmallerRows, "menu重新下载文件大小小于指定数字的项"), &QAction::triggered, this,
            &DownloadListMenu::reQueueSmallerThan);

    connect(add(this, T::kRecheckFiles, "menu重新检查选中文件"), &QAction::triggered, this,
            [this] { m_window.pdfCheck().recheck(m_window.selectedRows()); });

    QMenu *clearMenu = sub(this, T::kClear, "menu清除");
    m_clear = clearMenu->menuAction();
    QAction *clearSelected = add(clearMenu, T::kSelectedRows, "menu清除选中项");
    connect(clearSelected, &QAction::triggered, this, [this] { clearRows(0); });
    ListShortcut(view, clearSelected, QKeySequence::Delete);
    connect(add(clearMenu, T::kAllFailedRows, "menu清除全部出错项"), &QAction::triggered, this,
            [this] { clearRows(1); });
    connect(add(clearMenu, T::kDoneRows, "menu清除完成项"), &QAction::triggered, this, [this] { clearRows(2); });
    m_empty = add(this, T::kEmpty, "menu清空");
    connect(m_empty, &QAction::triggered, this, &DownloadListMenu::emptyList);

    QMenu *deleteMenu = sub(this, T::kDeleteFiles, "menu删除");
    connect(add(deleteMenu, T::kPageRows, "menu删除网页类型文件项"), &QAction::triggered, this,
            [this] { DeleteFilesOfPages(list()); });
    connect(add(deleteMenu, T::kFailedRows, "menu删除出错项"), &QAction::triggered, this,
            [this] { DeleteFilesOfFailed(list()); });

    addSeparator();
    m_startAll = add(this, T::kStart, "menu下载全部");
    connect(m_startAll, &QAction::triggered, this, [this] { scheduler().StartDownloads(); });
    m_stop = add(this, T::kStop, "menu停止下载");
    connect(m_stop, &QAction::triggered, this, [this] { scheduler().StopAllDownloads(); });
    connect(add(this, T::kCancelSelected, "menu取消下载选中项"), &QAction::triggered, this,
            [this] { scheduler().cancelRows(m_window.selectedRows()); });
    addSeparator();

    connect(add(this, T::kOpenFile, "menu打开下载文件"), &QAction::triggered, this, &DownloadListMenu::openFile);
    connect(add(this, T::kOpenFolder, "menu打开文件所在文件夹"), &QAction::triggered, this,
            &DownloadListMenu::openFolder);
    connect(add(this, T::kOpenInEditor, "menu用记事本打开文件"), &QAction::triggered, this,
            &DownloadListMenu::openWithTextEditor);
    connect(add(this, T::kCopyName, "menu复制名称"), &QAction::triggered, this, &DownloadListMenu::copyName);
    connect(add(this, T::kReplaceAddresses, "menu批量替换网址"), &QAction::triggered, this,
            &DownloadListMenu::replaceInAddresses);
    // Carries no action of its own.
    add(this, T::kOpenAddress, "menu打开网址");
    QMenu *exportMenu = sub(this, T::kExportNames, "menu导出名称");
    connect(add(exportMenu, ShellTexts::kAll, "menu导出全部名称"), &QAction::triggered, this,
            [this] { exportNames(false); });
    connect(add(exportMenu, T::kUnfinishedRows, "menu导出未完成项名称"), &QAction::triggered, this,
            [this] { exportNames(true); });
    addSeparator();
    connect(add(this, T::kCloseWindow, "menu退出本下载窗口"), &QAction::triggered, &m_window, &QWidget::close);

    connect(this, &QMenu::aboutToShow, this, &DownloadListMenu::updateGuards);
}

DownloadScheduler &DownloadListMenu::scheduler() const
{
    return m_window.scheduler();
}

DownloadListModel &DownloadListMenu::list() const
{
    return m_window.scheduler().list();
}

bool DownloadListMenu::guardIdle() const
{
    if (!scheduler().transfersActive())
        return true;
    Prompt::current().message(DownloadTexts::kStopBeforeOperation, Prompt::Icon::Information);
    return false;
}

void DownloadListMenu::updateGuards()
{
    const bool active = scheduler().busyFlag() || scheduler().isRunning();
    m_clear->setEnabled(!active);
    m_empty->setEnabled(!active);
    m_selectAll->setEnabled(!active);
    m_stop->setEnabled(active);
}

void DownloadListMenu::sortByColumn(int column)
{
    if (scheduler().isRunning() || scheduler().busyFlag()) {
        Prompt::current().message(T::kStopBeforeSorting, Prompt::Icon::Information);
        return;
    }
    m_sortedDescending = !m_sortedDescending;
    if (!m_sort) {
        m_sort = new BackgroundListSort(list(), this);
        m_sort->setObjectName(QStringLiteral("listSort"));
    }
    m_sort->sort(column, m_sortedDescending);
}

void DownloadListMenu::shuffle()
{
    if (!guardIdle())
        return;
    ShuffleList(list(), *QRandomGenerator::global());
    Prompt::current().message(T::kShuffled, Prompt::Icon::Information);
}

void DownloadListMenu::reQueueSmallerThan()
{
    const std::optional<QString> answer = Prompt::current().input(T::kEnterNumber);
    if (!answer)
        return;
    const QString number = answer->trimmed();
    if (!IsNumericText(number))
        return;
    ReQueueSmallerThan(list(), number.toDouble());
}

void DownloadListMenu::clearRows(int which)
{
    if (!guardIdle())
        return;
    QList<int> rows;
    if (which == 0)
        rows = m_window.selectedRows();
    else
        rows = RowsInState(list(), which == 1 ? ItemState::Failed : ItemState::Done);
    list().removeRowList(rows);
    m_window.refreshCount();
}

void DownloadListMenu::emptyList()
{
    if (!guardIdle())
        return;
    if (!Prompt::current().ask(T::kEmptyQuestion))
        return;
    list().clear();
    m_window.refreshCount();
}

QString DownloadListMenu::currentRowFile() const
{
    const int row = m_window.currentRow();
    if (!list().isValidRow(row))
        return {};
    const QString path = PlainFilePath(list().item(row));
    if (!IsExistingFile(path)) {
        Prompt::current().message(ShellTexts::kNoSuchFile, Prompt::Icon::Critical);
        return {};
    }
    return path;
}

void DownloadListMenu::openFile()
{
    const QString path = currentRowFile();
    if (!path.isEmpty())
        OpenWithShell(path, &m_window);
}

void DownloadListMenu::openFolder()
{
    const int row = m_window.currentRow();
    if (!list().isValidRow(row))
        return;
    const DownloadItem &item = list().item(row);
    if (!IsExistingFolder(item.folder)) {
        Prompt::current().message(ShellTexts::kNoSuchFolder, Prompt::Icon::Critical);
        return;
    }
    const QString path = PlainFilePath(item);
    if (!IsExistingFile(path)) {
        OpenFolder(item.folder);
        return;
    }
    if (!ShowInFolder(path))
        Prompt::current().message(ShellTexts::kOpenFailed, Prompt::Icon::Critical);
}

void DownloadListMenu::openWithTextEditor()
{
    const QString path = currentRowFile();
    if (path.isEmpty())
        return;
    if (QFileInfo(path).size() / 1024 > kEditorLimitKb) {
        Prompt::current().message(T::kTooBigForEditor, Prompt::Icon::Critical);
        return;
    }
    // The desktop's plain-text editors, then whatever opens text files.
    for (const char *editor : {"gedit", "gnome-text-editor", "mousepad", "kate", "kwrite", "xed", "pluma", "leafpad"}) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(editor));
        if (!program.isEmpty() && QProcess::startDetached(program, {path}))
            return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void DownloadListMenu::copyName()
{
    const int row = m_window.currentRow();
    if (list().isValidRow(row))
        QGuiApplication::clipboard()->setText(list().item(row).name);
}

void DownloadListMenu::replaceInAddresses()
{
    UrlReplace dialog(list(), &m_window);
    dialog.exec();
}

void DownloadListMenu::exportNames(bool unfinishedOnly)
{
    if (list().isEmpty())
        return;
    QFileDialog dialog(&m_window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("*.txt"));
    // A name typed without an extension is saved as the text file the filter promises.
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString path = dialog.selectedFiles().constFirst();
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".txt");
    exportNamesTo(path, unfinishedOnly);
}

void DownloadListMenu::exportNamesTo(const QString &path, bool unfinishedOnly)
{
    QString text;
    for (const QString &name : NamesForExport(list(), unfinishedOnly))
        text += name + QStringLiteral("\r\n");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(TextFile::encode(text)) < 0 || !file.commit())
        Prompt::current().message(file.errorString(), Prompt::Icon::Critical);
}
