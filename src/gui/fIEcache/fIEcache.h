#pragma once

#include "core/cache/CacheLocations.h"
#include "core/cache/CacheRow.h"

#include <QCoroTask>
#include <QDialog>
#include <QStringList>

class CacheListModel;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTreeView;

// The browser-cache window: lists the entries of the program's own browser cache with the files that hold them,
// or every file in the browser caches of all users of the machine, deletes selected or all rows (entries whose
// address mentions cookies and text files stay), and hands selected files to the copy tool.
//
// Views and deletions run in slices between which the window keeps responding, so caches of tens of thousands of
// entries neither freeze it nor have to be waited for; while one runs, the other commands are disabled.
class fIEcache final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fIEcache)
public:
    // Files read (or rows deleted) between two returns to the event loop.
    static constexpr int kSliceSize = 400;
    // From this many rows on, a header click orders the list on a worker thread, the commands disabled meanwhile.
    static constexpr int kBackgroundSortRows = 20'000;

    // Over the program's own browser cache and the same folder in every user's home.
    explicit fIEcache(QWidget *parent = nullptr);
    fIEcache(const CacheLocations &locations, QWidget *parent = nullptr);
    ~fIEcache() override;

    // 查看我的缓存: lists the program's own cache entries.
    QCoro::Task<> Command1_Click();
    // 查看所有用户缓存: lists every file of every readable user cache folder.
    QCoro::Task<> Command7_Click();
    // 删除所选文件 / 全部删除, then the shown view again. The result is the number of rows whose files could not
    // all be removed.
    QCoro::Task<int> Command2_Click();
    QCoro::Task<int> Command3_Click();
    // 复制选中...: the copy tool, modal, with what the selected rows hold: the bodies of cache entries (decoded, named
    // after their addresses) and other files as they are.
    void Command6_Click();

    CacheListModel &list() const { return *m_list; }
    QTreeView *listView() const { return m_listView1; }
    QString viewTag() const { return m_viewTag; }
    bool isBusy() const { return m_busy; }

    // The program's browser cache and where other users' copies of it would lie.
    static CacheLocations programLocations();

Q_SIGNALS:
    void busyChanged(bool busy);

private:
    QCoro::Task<bool> buildMyCacheView();
    QCoro::Task<bool> buildAllUsersView();
    QCoro::Task<int> deleteRows(QList<CacheRow> rows);
    QCoro::Task<bool> GetCacheURLList();
    QCoro::Task<bool> AddCacheFolderFiles(const QString &folder, const QString &user);
    QCoro::Task<bool> FindUserCacheFolders();
    QList<CacheRow> selectedRows() const;
    // Every folder a deletion may touch something in.
    QStringList deletionRoots() const;
    void sortByColumn(int column);
    QCoro::Task<> sortInBackground(int column, Qt::SortOrder order);
    void setBusy(bool busy);
    void showRowCount(bool afterError = false);

    CacheLocations m_locations;
    QString m_viewTag;
    QStringList m_profileFolders;
    QStringList m_cacheFolders;
    QList<UserCacheFolder> m_userFolders;
    bool m_busy = false;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;

    CacheListModel *m_list = nullptr;
    QStandardItemModel *m_users = nullptr;
    QStandardItemModel *m_folders = nullptr;
    QTreeView *m_listView1 = nullptr;
    QTreeView *m_listView2 = nullptr;
    QTreeView *m_listView3 = nullptr;
    QLabel *m_label1 = nullptr;
    QList<QPushButton *> m_commands;
};
