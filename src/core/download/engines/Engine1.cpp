#include "core/download/engines/Engine1.h"

#include "core/download/DownloadListModel.h"
#include "core/download/DownloadSettings.h"
#include "core/download/DownloadTexts.h"
#include "core/download/FileTypeDetection.h"
#include "core/download/SameNameRules.h"
#include "core/download/engines/Engine1Connection.h"
#include "core/download/engines/EngineSounds.h"
#include "core/download/engines/InsertBaseTag.h"
#include "core/download/engines/TransferStateText.h"
#include "core/net/TransferControl.h"
#include "core/util/Clock.h"
#include "core/util/FileNameRules.h"
#include "core/util/MimeTypes.h"
#include "core/util/UrlText.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {
const QString kCannotReplace = QStringLiteral("无法替换");
const QString kUnknownSize = QStringLiteral("未知");

// A size as the columns show it: whole numbers without a fraction.
QString decimalText(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9.0e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value);
}

QString withSeparator(const QString &folder)
{
    return folder.endsWith(kPathSeparator) ? folder : folder + kPathSeparator;
}
} // namespace

Engine1::Engine1(DownloadContext &context, QObject *parent)
    : QObject(parent), m_context(context), m_inet(std::make_unique<TransferControl>())
{
    m_inet->setObjectName(QStringLiteral("Inet1"));
    connect(m_inet.get(), &TransferControl::stateChanged, this, [this](int state) {
        m_context.setStatusText(3, TransferStateText(state, m_inet->responseCode(), m_inet->responseInfo()));
    });
}

Engine1::~Engine1()
{
    // A transfer still suspended wakes up from the event loop after this object is gone: it removes its partial
    // file and ends without touching anything else.
    m_shuttingDown = true;
    m_inet->disconnect(this);
    m_inet->cancel();
}

void Engine1::cancelRequest()
{
    // Only the stop command and the window's close cancel: a transfer that wakes up to it ends as cancelled,
    // whatever busyFlag says by then.
    if (m_transferRunning)
        m_cancelRequested = true;
    m_inet->cancel();
}

void Engine1::Inet下载当前文件(int row)
{
    DownloadListModel &list = m_context.list();
    if (m_transferRunning || m_inet->stillExecuting() || m_context.busyFlag()) {
        if (list.isValidRow(row)) {
            list.setState(row, ItemState::Waiting);
            list.setSize(row, DownloadTexts::kWaitingAgain);
        }
        return;
    }
    m_context.setBusyFlag(true);
    run(row);
}

QCoro::Task<void> Engine1::run(int row)
{
    QPointer<Engine1> self(this);
    m_transferRunning = true;
    const bool result = co_await Inet下载文件(row);
    if (!self || abandoned())
        co_return;
    m_transferRunning = false;
    m_context.setBusyFlag(false);
    Q_EMIT transferEnded(row, result);
}

int Engine1::currentRow()
{
    DownloadListModel &list = m_context.list();
    if (!(list.isValidRow(m_row) && list.item(m_row).address == m_address))
        m_row = list.rowOf(m_address);
    return m_row;
}

void Engine1::setState(ItemState state)
{
    const int row = currentRow();
    if (row >= 0)
        m_context.list().setState(row, state);
}

QCoro::Task<bool> Engine1::Inet下载文件(int row)
{
    QPointer<Engine1> self(this);
    DownloadListModel &list = m_context.list();
    if (!list.isValidRow(row))
        co_return false;
    m_row = row;
    m_address = list.item(row).address;
    m_cancelRequested = false;

    const bool result = co_await transfer();
    if (!self || abandoned())
        co_return false;

    // Step 21, on every path.
    m_inet->cancel();
    m_cancelRequested = false;
    const int at = currentRow();
    if (at >= 0) {
        const DownloadItem &item = list.item(at);
        m_context.setStatusText(2, DownloadTexts::kFinished + item.name);
        m_context.markTransferEnd();
        PlayTransferEndSounds(m_context, item);
    } else {
        m_context.markTransferEnd();
    }
    co_return result;
}

QCoro::Task<bool> Engine1::transfer()
{
    QPointer<Engine1> self(this);
    DownloadListModel &list = m_context.list();
    auto gone = [&] { return !self || abandoned() || currentRow() < 0; };

    // 1-3. Stall clock, connection settings, protocol.
    qint64 stallClock = Clock::monotonicMs();
    const Engine1Connection connection = Engine1ConnectionFor(m_address, m_context.settings());
    m_inet->setAccessType(connection.accessType);
    m_inet->setProxy(connection.proxy);
    m_inet->setProtocol(connection.protocol);
    m_inet->setRemotePort(connection.remotePort);
    // The wait for the headers is this engine's own limit below.
    m_inet->setRequestTimeout(0);

    // 4.
    m_context.setBusyFlag(true);
    m_context.setStatusText(2, DownloadTexts::kDownloading + list.item(m_row).name);

    // 5. Referer: the row's referrer, else the address's scheme and host.
    const QString referrer = list.item(m_row).referrer;
    const QString header =
        QStringLiteral("Referer: ") + (referrer.isEmpty() ? UrlHostPart(m_address) : referrer) + QStringLiteral("\r\n");

    // 6-7. Request, and the wait for its answer.
    m_inet->execute(m_address, QStringLiteral("GET"), {}, header);
    if (m_inet->stillExecuting()) {
        const bool answered = co_await m_inet->waitWhileExecuting(kRequestLimit);
        if (gone())
            co_return false;
        if (!answered) {
            m_inet->cancel();
            setState(ItemState::Failed);
            co_return false;
        }
    }

    // 8-9. Headers, and nothing but "200 OK".
    const QString headers = m_inet->getHeader();
    const QStringList lines = headers.split(QStringLiteral("\r\n"));
    if (headers.isEmpty() || !lines.first().contains(QStringLiteral("200 OK"), Qt::CaseInsensitive)) {
        m_inet->cancel();
        setState(ItemState::Failed);
        co_return false;
    }

    // 10-11. Announced size and the size limit.
    const QString lengthText = m_inet->getHeader(QStringLiteral("content-length")).trimmed();
    const double size = IsNumericText(lengthText) ? lengthText.toDouble() : 0.0;
    if (size > 0) {
        list.setSize(m_row, decimalText(size));
        if (size / 1024.0 / 1024.0 > m_context.settings().maxFileSizeMb) {
            m_inet->cancel();
            list.setState(m_row, ItemState::Done);
            list.setPercent(m_row, DownloadTexts::kTooBig);
            co_return true;
        }
    }

    // 12-13. The media type (parameters dropped) mapped to an extension.
    const QString contentType = m_inet->getHeader(QStringLiteral("Content-Type")).trimmed();
    const QString mediaType =
        contentType.contains(QLatin1Char(';')) ? contentType.section(QLatin1Char(';'), 0, 0).trimmed() : contentType;
    const QString extension = MimeTypeToExtension(mediaType);

    // 14-15. The folder made to exist; the type from the response when it is a plain word.
    const QString folder = withSeparator(CreateFolderPath(list.item(m_row).folder));
    if (gone()) // CreateFolderPath may have shown a message
        co_return false;
    list.setFolder(m_row, folder);
    if (!extension.isEmpty() && !extension.contains(QLatin1Char('/')))
        list.setType(m_row, extension);

    // 16. The target path under the same-name option.
    const DownloadItem &item = list.item(m_row);
    QString target;
    if (SameNameOptionFromCaption(m_context.sameNameChoice()) == SameNameOption::Rename) {
        QString shownName = item.name;
        target = 重命名保存路径(folder, item.name, item.type, SameNameOption::Rename, &shownName);
        list.setName(m_row, shownName);
    } else {
        target = folder + item.name + (item.type.isEmpty() ? QString() : QLatin1Char('.') + item.type);
    }

    // 17. An existing file is replaced; one that cannot be removed ends the transfer.
    if (IsExistingFile(target)) {
        QFile::remove(target);
        if (IsExistingFile(target)) {
            const QString length = QString::number(QFileInfo(target).size());
            list.update(m_row, [&](DownloadItem &row) {
                row.state = ItemState::Failed;
                row.size = length;
                row.downloaded = length;
                row.percent = kCannotReplace;
            });
            m_inet->cancel();
            co_return false;
        }
    }

    // 18. A negative length: the whole body in one read.
    if (size < 0) {
        const bool fetched = co_await FetchWholeBody(target);
        if (gone())
            co_return false;
        list.update(m_row, [](DownloadItem &row) { CorrectItemFileType(row); });
        InsertBaseTag(list.item(m_row));
        co_return fetched;
    }

    // 19. The body in chunks.
    list.setSize(m_row, decimalText(size));
    list.setDownloaded(m_row, QStringLiteral("0"));
    QFile file(target);
    // Whatever ends the transfer without the whole body takes the partial file with it: a stalled, broken or
    // stopped download must not pass for the document under the skip rule later.
    auto dropFile = [&file] {
        file.close();
        file.remove();
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_inet->cancel();
        setState(ItemState::Failed);
        co_return false;
    }
    qint64 lastCheck = 0;
    const qint64 stallLimit = kStallLimit.count();
    for (;;) {
        const qint64 waited = Clock::monotonicMs() - stallClock;
        const std::chrono::milliseconds wait(std::max<qint64>(1, stallLimit - waited + 1));
        const QByteArray chunk = co_await m_inet->getChunk(kChunkSize, wait);
        if (!self) {
            dropFile();
            co_return false;
        }
        if (abandoned() || currentRow() < 0) {
            m_inet->cancel();
            dropFile();
            co_return false;
        }
        if (!chunk.isEmpty() && file.write(chunk) != chunk.size()) {
            m_inet->cancel();
            dropFile();
            setState(ItemState::Failed);
            co_return false;
        }
        const qint64 length = file.pos();
        const bool bodyEnded = m_inet->bodyAtEnd() && !m_cancelRequested && m_inet->responseCode() == 0;

        // Complete: the announced size reached, or (without one) the body ended.
        if (size > 0 && static_cast<double>(length) >= size)
            break;
        if (size <= 0 && chunk.size() < 2 && bodyEnded)
            break;

        if (length > lastCheck) {
            lastCheck = length;
            stallClock = Clock::monotonicMs();
            list.update(m_row, [&](DownloadItem &row) {
                row.downloaded = QString::number(length);
                if (size > 0) {
                    const float share = static_cast<float>(length) / static_cast<float>(size) * 100.0f;
                    row.percent = QString::number(static_cast<qint64>(share)) + QLatin1Char('%');
                }
            });
        } else if (Clock::monotonicMs() - stallClock > stallLimit) {
            m_inet->cancel();
            dropFile();
            setState(ItemState::Failed);
            co_return false;
        }

        if (!m_context.busyFlag() || m_cancelRequested) {
            m_inet->cancel();
            dropFile();
            list.setPercent(m_row, DownloadTexts::kCancelled);
            setState(ItemState::Failed);
            co_return false;
        }

        // The body is over short of its announced size, or broke off: no more bytes will come.
        if (chunk.isEmpty() && m_inet->bodyAtEnd()) {
            m_inet->cancel();
            dropFile();
            setState(ItemState::Failed);
            co_return false;
        }
    }
    if (!file.flush()) {
        m_inet->cancel();
        dropFile();
        setState(ItemState::Failed);
        co_return false;
    }
    file.close();
    list.setState(m_row, ItemState::Done);

    // 20.
    list.update(m_row, [](DownloadItem &row) { CorrectItemFileType(row); });
    InsertBaseTag(list.item(m_row));
    co_return true;
}

QCoro::Task<bool> Engine1::FetchWholeBody(const QString &targetPath)
{
    QPointer<Engine1> self(this);
    DownloadListModel &list = m_context.list();
    list.setSize(m_row, kUnknownSize);
    if (m_inet->stillExecuting())
        m_inet->cancel();

    const QByteArray body = co_await m_inet->openUrl(m_address);
    if (!self || abandoned() || currentRow() < 0)
        co_return false;

    if (!body.isEmpty()) {
        QFile file(targetPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(body) == body.size() && file.flush()) {
            file.close();
            const QString length = QString::number(QFileInfo(targetPath).size());
            list.update(m_row, [&](DownloadItem &row) {
                row.size = length;
                row.downloaded = QString::number(body.size());
                row.percent = QStringLiteral("100%");
                row.state = ItemState::Done;
            });
            co_return true;
        }
        file.close();
        file.remove();
    }
    list.update(m_row, [](DownloadItem &row) {
        row.size.clear();
        row.downloaded.clear();
        row.percent.clear();
        row.state = ItemState::Failed;
    });
    co_return false;
}
