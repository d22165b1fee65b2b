#pragma once

#include <QMenu>

class fFileDownload;
class DownloadScheduler;
class DownloadListModel;
class BackgroundListSort;

// The list-operations menu "列表操作(&D)" of the download window, also its list's context menu: selecting,
// shuffling, re-queueing, clearing, deleting files, opening, copying, exporting names, replacing in addresses,
// and the scheduler's start, stop and cancel entries. Each entry carries its menu name as object name.
class DownloadListMenu final : public QMenu
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadListMenu)

public:
    DownloadListMenu(fFileDownload &window, QWidget *parent);

    QAction *startAll() const { return m_startAll; }
    QAction *stop() const { return m_stop; }
    QAction *clear() const { return m_clear; }
    QAction *empty() const { return m_empty; }
    QAction *selectAll() const { return m_selectAll; }

    // Before the menu opens: while downloads run, clearing, emptying and selecting all are off and stopping is on;
    // otherwise the reverse.
    void updateGuards();
    // A click on a column header: sorted by that column, the direction flipping with every click (descending
    // first); refused while the scheduler runs or busyFlag is set. A long list is sorted in the background.
    void sortByColumn(int column);

    // The commands (also reachable without the menu).
    void shuffle();
    void reQueueSmallerThan();
    void clearRows(int which); // 0 selected, 1 failed, 2 done
    void emptyList();
    void openFile();
    void openFolder();
    void openWithTextEditor();
    void copyName();
    void replaceInAddresses();
    void exportNames(bool unfinishedOnly);
    void exportNamesTo(const QString &path, bool unfinishedOnly);

private:
    // The file of the current row, or empty (after saying so when the row has no file on disk).
    QString currentRowFile() const;
    DownloadScheduler &scheduler() const;
    DownloadListModel &list() const;
    // The download-activity guard: false (and the message shown) while transfers run.
    bool guardIdle() const;

    fFileDownload &m_window;
    QAction *m_startAll = nullptr;
    QAction *m_stop = nullptr;
    QAction *m_clear = nullptr;
    QAction *m_empty = nullptr;
    QAction *m_selectAll = nullptr;
    bool m_sortedDescending = false;
    BackgroundListSort *m_sort = nullptr; // made at the first sort: the scheduler comes after the menu
};
