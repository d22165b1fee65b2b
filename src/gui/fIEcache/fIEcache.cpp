#include "gui/fIEcache/fIEcache.h"

#include "core/cache/CacheDeletion.h"
#include "core/cache/CacheEntryRows.h"
#include "core/cache/CacheFolderWalk.h"
#include "core/cache/CacheListModel.h"
#include "core/cache/CachedResponse.h"
#include "core/net/LifetimeGuard.h"
#include "gui/Form_Copy_Move/Form_Copy_Move.h"
#include "gui/fIEcache/fIEcacheTexts.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/ListViewTools.h"
#include "web/WebProfile.h"

#include <QCoroFuture>
#include <QCoroTimer>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPromise>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <algorithm>
#include <functional>
#include <memory>
#include <type_traits>

namespace T = fIEcacheTexts;

namespace {
template <typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

QTreeView *reportList(const char *name, QAbstractItemModel *model)
{
    auto *view = named(new QTreeView, name);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    return view;
}

// Lets the event loop run between two slices of a long walk.
QCoro::Task<> nextSlice()
{
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
}

// Runs `work` on the shared thread pool; the future is awaited on the window's thread. Not a coroutine itself, and
// called outside co_await expressions: GCC 12 destroys some temporaries of a co_await expression twice.
template <typename Work> QFuture<std::invoke_result_t<Work>> onWorker(Work work)
{
    using Result = std::invoke_result_t<Work>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> done = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
    return done;
}

struct FoundFolders {
    QStringList profiles;
    QList<UserCacheFolder> users;
    QStringList cacheFolders;
};

// Takes the window's busy state for one command and gives it back however the command ends.
class BusyScope final
{
public:
    explicit BusyScope(QPointer<fIEcache> window, std::function<void(bool)> set)
        : m_window(std::move(window)), m_set(std::move(set))
    {
        m_set(true);
    }
    ~BusyScope()
    {
        if (m_window)
            m_set(false);
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    QPointer<fIEcache> m_window;
    std::function<void(bool)> m_set;
};
} // namespace

fIEcache::fIEcache(QWidget *parent) : fIEcache(programLocations(), parent) {}

fIEcache::fIEcache(const CacheLocations &locations, QWidget *parent)
    : QDialog(parent), m_locations(locations), m_list(new CacheListModel(this)),
      m_users(new QStandardItemModel(0, 2, this)), m_folders(new QStandardItemModel(0, 1, this))
{
    setObjectName(QStringLiteral("fIEcache"));
    setWindowTitle(T::kCaption);
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(960, 620);

    m_users->setHorizontalHeaderLabels(T::kUserColumns);
    m_folders->setHorizontalHeaderLabels(T::kFolderColumns);
    m_listView1 = reportList("ListView1", m_list);
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->header()->setSectionsClickable(true);
    m_listView1->header()->setSortIndicatorShown(false);
    m_listView2 = reportList("ListView2", m_users);
    m_listView3 = reportList("ListView3", m_folders);
    // Screen readers name the lists by what they hold.
    m_listView1->setAccessibleName(T::kCaption);
    m_listView2->setAccessibleName(T::kUserColumns.join(QLatin1Char(' ')));
    m_listView3->setAccessibleName(T::kFolderColumns.first());
    for (QTreeView *side : {m_listView2, m_listView3})
        side->setMaximumHeight(150);
    StripeListBackground(m_listView1);

    auto *command1 = named(new QPushButton(T::kViewMine), "Command1");
    auto *command7 = named(new QPushButton(T::kViewAllUsers), "Command7");
    auto *command2 = named(new QPushButton(T::kDeleteSelected), "Command2");
    auto *command3 = named(new QPushButton(T::kDeleteAll), "Command3");
    auto *command6 = named(new QPushButton(T::kCopySelected), "Command6");
    auto *command4 = named(new QPushButton(T::kClose), "Command4");
    m_commands = {command1, command7, command2, command3, command6};
    m_label1 = named(new QLabel(T::kNoRowsYet), "Label1");

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : m_commands)
        buttons->addWidget(b);
    buttons->addSpacing(12);
    buttons->addWidget(m_label1);
    buttons->addStretch();
    buttons->addWidget(command4);
    auto *folders = new QHBoxLayout;
    folders->addWidget(m_listView2, 1);
    folders->addWidget(m_listView3, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_listView1, 1);
    layout->addLayout(folders);

    connect(command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(command6, &QPushButton::clicked, this, &fIEcache::Command6_Click);
    connect(command4, &QPushButton::clicked, this, &QDialog::close);
    connect(m_listView1->header(), &QHeaderView::sectionClicked, this, &fIEcache::sortByColumn);

    // Both folder lists hold one empty entry until an all-users view fills them.
    m_profileFolders = {QString()};
    m_cacheFolders = {QString()};
}

fIEcache::~fIEcache() = default;

CacheLocations fIEcache::programLocations()
{
    return CacheLocations::derive(ProgramWebProfile()->cachePath(), QDir::homePath());
}

void fIEcache::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    for (QPushButton *b : m_commands)
        b->setEnabled(!busy);
    Q_EMIT busyChanged(busy);
}

void fIEcache::showRowCount(bool afterError)
{
    const int rows = m_list->rowCount();
    m_label1->setText(afterError ? T::rowCountAfterError(rows) : T::rowCount(rows));
}

QCoro::Task<> fIEcache::Command1_Click()
{
    if (m_busy)
        co_return;
    BusyScope busy(this, [this](bool on) { setBusy(on); });
    co_await buildMyCacheView();
}

QCoro::Task<> fIEcache::Command7_Click()
{
    if (m_busy)
        co_return;
    BusyScope busy(this, [this](bool on) { setBusy(on); });
    co_await buildAllUsersView();
}

QCoro::Task<int> fIEcache::Command2_Click()
{
    if (m_busy)
        co_return 0;
    BusyScope busy(this, [this](bool on) { setBusy(on); });
    co_return co_await deleteRows(selectedRows());
}

QCoro::Task<int> fIEcache::Command3_Click()
{
    if (m_busy)
        co_return 0;
    BusyScope busy(this, [this](bool on) { setBusy(on); });
    co_return co_await deleteRows(m_list->rows());
}

void fIEcache::Command6_Click()
{
    if (m_busy)
        return;
    QStringList paths;
    for (const CacheRow &row : selectedRows())
        if (!row.filePath.isEmpty())
            paths.append(row.filePath);
    // The cache's own files are of no use outside it: the tool gets each entry's body, decoded and named after its
    // address, from a folder that lives as long as the tool is open.
    QTemporaryDir staging;
    Form_Copy_Move::copyFiles(staging.isValid() ? StageCachedFiles(paths, staging.path()) : paths, this);
}

QCoro::Task<bool> fIEcache::buildMyCacheView()
{
    const auto self = lifetimeGuard(this);
    if (!co_await GetCacheURLList())
        co_return false;
    AutoSizeListColumns(m_listView1);
    m_viewTag = T::kTagMine;
    co_return true;
}

QCoro::Task<bool> fIEcache::GetCacheURLList()
{
    const auto self = lifetimeGuard(this);
    m_list->clear();
    const QFileInfo cache(m_locations.ownCache);
    // A cache the browser never wrote to is simply empty; one that is there but cannot be read is an error.
    const bool unreadable = cache.exists() && (!cache.isDir() || !cache.isReadable() || !cache.isExecutable());
    CacheFolderWalk walk(unreadable ? QString() : m_locations.ownCache, CacheFolderWalk::What::Files);
    while (!walk.atEnd()) {
        QList<CacheRow> rows;
        for (const QString &path : walk.next(kSliceSize))
            if (auto row = CacheEntryRow(path))
                rows.append(std::move(*row));
        m_list->append(rows);
        showRowCount();
        co_await nextSlice();
        if (!self)
            co_return false;
    }
    showRowCount(unreadable);
    co_return true;
}

QCoro::Task<bool> fIEcache::buildAllUsersView()
{
    const auto self = lifetimeGuard(this);
    m_list->clear();
    if (!co_await FindUserCacheFolders())
        co_return false;
    for (const UserCacheFolder &user : std::as_const(m_userFolders)) {
        const UserCacheFolder current = user;
        if (!co_await AddCacheFolderFiles(current.folder, current.user))
            co_return false;
    }
    showRowCount();
    AutoSizeListColumns(m_listView1);
    AutoSizeListColumns(m_listView2);
    AutoSizeListColumns(m_listView3);
    m_viewTag = T::kTagAllUsers;
    co_return true;
}

QCoro::Task<bool> fIEcache::FindUserCacheFolders()
{
    const auto self = lifetimeGuard(this);
    // Every user's home and every folder of their caches: on a machine with many of them this walk alone takes
    // long, so the window goes on answering meanwhile.
    const QFuture<FoundFolders> walk = onWorker([locations = m_locations] {
        FoundFolders f;
        f.profiles = ProfileFolders(locations);
        f.users = ::FindUserCacheFolders(locations, f.profiles);
        for (const UserCacheFolder &user : std::as_const(f.users))
            f.cacheFolders += CacheFolderWalk::all(user.folder, CacheFolderWalk::What::Folders);
        return f;
    });
    FoundFolders found = co_await walk;
    if (!self)
        co_return false;
    m_profileFolders = std::move(found.profiles);
    m_userFolders = std::move(found.users);
    m_cacheFolders = std::move(found.cacheFolders);
    m_users->removeRows(0, m_users->rowCount());
    m_folders->removeRows(0, m_folders->rowCount());
    for (const UserCacheFolder &user : std::as_const(m_userFolders))
        m_users->appendRow({new QStandardItem(user.user), new QStandardItem(user.folder)});
    for (const QString &folder : std::as_const(m_cacheFolders))
        m_folders->appendRow(new QStandardItem(folder));
    if (m_cacheFolders.isEmpty())
        m_cacheFolders = {QString()};
    co_return true;
}

QCoro::Task<bool> fIEcache::AddCacheFolderFiles(const QString &folder, const QString &user)
{
    const auto self = lifetimeGuard(this);
    CacheFolderWalk walk(folder, CacheFolderWalk::What::Files);
    while (!walk.atEnd()) {
        QList<CacheRow> rows;
        for (const QString &path : walk.next(kSliceSize))
            rows.append(UserCacheFileRow(path, user));
        m_list->append(rows);
        showRowCount();
        co_await nextSlice();
        if (!self)
            co_return false;
    }
    co_return true;
}

QStringList fIEcache::deletionRoots() const
{
    QStringList roots{m_locations.ownCache};
    for (const UserCacheFolder &user : m_userFolders)
        roots.append(user.folder);
    return roots;
}

QCoro::Task<int> fIEcache::deleteRows(QList<CacheRow> rows)
{
    const auto self = lifetimeGuard(this);
    const QStringList roots = deletionRoots();
    int failed = 0;
    int handled = 0;
    for (const CacheRow &row : std::as_const(rows)) {
        if (!DeleteCacheRow(row, roots, m_locations.ownCache))
            ++failed;
        if (++handled % kSliceSize == 0) {
            co_await nextSlice();
            if (!self)
                co_return failed;
        }
    }
    RemoveEmptyFolders(m_cacheFolders);
    if (m_viewTag == T::kTagMine)
        co_await buildMyCacheView();
    else if (m_viewTag == T::kTagAllUsers)
        co_await buildAllUsersView();
    co_return failed;
}

QList<CacheRow> fIEcache::selectedRows() const
{
    QList<int> numbers;
    for (const QModelIndex &index : m_listView1->selectionModel()->selectedRows())
        numbers.append(index.row());
    std::sort(numbers.begin(), numbers.end());
    QList<CacheRow> rows;
    for (int number : std::as_const(numbers))
        rows.append(m_list->row(number));
    return rows;
}

void fIEcache::sortByColumn(int column)
{
    if (m_busy)
        return;
    // One direction for the whole list: a click on any column flips it.
    m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (m_list->rowCount() < kBackgroundSortRows)
        m_list->sort(column, m_sortOrder);
    else
        sortInBackground(column, m_sortOrder);
}

QCoro::Task<> fIEcache::sortInBackground(int column, Qt::SortOrder order)
{
    const auto self = lifetimeGuard(this);
    // The commands wait, so no row comes or goes before the order found is applied.
    BusyScope busy(this, [this](bool on) { setBusy(on); });
    const QFuture<std::vector<int>> ordering =
        onWorker([rows = m_list->rows(), column, order] { return CacheListModel::SortedOrder(rows, column, order); });
    const std::vector<int> sorted = co_await ordering;
    if (self)
        m_list->applyOrder(sorted);
}
