#include "core/download/engines/Engine1.h"

#include "core/download/BodyFile.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadSettings.h"
#include "core/download/DownloadTexts.h"
#include "core/download/FileTypeDetection.h"
#include "core/download/SameNameRules.h"
#include "core/download/engines/AutoLoginAfterPage.h"
#include "core/download/engines/Engine1Connection.h"
#include "core/download/engines/EngineSounds.h"
#include "core/download/engines/FailureReason.h"
#include "core/download/engines/InsertBaseTag.h"
#include "core/download/engines/ReceivedSizeLimit.h"
#include "core/download/engines/TransferStateText.h"
#include "core/net/HttpRequest.h"
#include "core/net/LifetimeGuard.h"
#include "core/net/NetTexts.h"
#include "core/net/RetryRule.h"
#include "core/net/SignalWait.h"
#include "core/net/TransferControl.h"
#include "core/util/Clock.h"
#include "core/util/FileNameRules.h"
#include "core/util/MimeTypes.h"
#include "core/util/UrlText.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace {

// A size as the columns show it: whole numbers without a fraction.
QString decimalText(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9.0e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value);
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
    // A transfer still suspended wakes up from the event loop after this object is gone: it finds its guard null,
    // removes its partial file and ends without touching anything else.
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
    const auto self = lifetimeGuard(this);
    m_transferRunning = true;
    const bool result = co_await Inet下载文件(row);
    if (!self)
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
    const auto self = lifetimeGuard(this);
    DownloadListModel &list = m_context.list();
    if (!list.isValidRow(row))
        co_return false;
    m_row = row;
    m_address = list.item(row).address;
    m_cancelRequested = false;

    const bool result = co_await transfer();
    if (!self)
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
        RunAutoLoginAfterPage(m_context, item);
    } else {
        m_context.markTransferEnd();
    }
    co_return result;
}

QCoro::Task<bool> Engine1::transfer()
{
    for (bool mayResume = true;; mayResume = false) {
        Plan plan;
        if (mayResume) {
            // Looked for where the row's file would go with its type as queued: the answer decides the type, and
            // a body left under another name is simply not resumed.
            const DownloadItem &item = m_context.list().item(m_row);
            plan.resumeTarget = targetPath(FolderWithSeparator(item.folder), item, nullptr);
            plan.resume = BodyFile::LeftoverFor(plan.resumeTarget, m_address);
        }
        // The name comes before the size limit, as in the other engine: a row skipped as too big then never holds
        // a name that belongs to another row's file. Nothing is replaced before the limit has passed the body.
        Step step = co_await requestAnswer(plan);
        if (step == Step::Next)
            step = prepareTarget(plan);
        if (step == Step::Next)
            step = takeAnnouncedSize(plan);
        if (step == Step::Next)
            step = replaceExisting(plan);
        if (step == Step::Next)
            step = openBody(plan);
        if (step == Step::AskAgain) {
            m_inet->cancel();
            if (mayResume)
                continue;
            step = Step::Failed;
        }
        // 18. A negative length: the whole body in one read; otherwise 19, the body in chunks.
        if (step == Step::Next && plan.size < 0)
            step = co_await FetchWholeBody(plan);
        else if (step == Step::Next)
            step = co_await receiveBody(plan);

        if (step == Step::Succeeded)
            co_return true;
        if (step != Step::Gone)
            failTransfer(step);
        co_return false;
    }
}

void Engine1::failTransfer(Step reason)
{
    // The connection's own failure says why, before the cancel clears it.
    const int networkError = m_inet->responseCode();
    const bool atProxy = m_inet->failedAtProxy();
    m_inet->cancel();
    if (reason == Step::FailedAsShown)
        return;
    if (reason == Step::Cancelled)
        m_context.list().setPercent(m_row, DownloadTexts::kCancelled);
    else if (networkError != 0)
        m_context.list().setPercent(m_row, NetworkFailureText(networkError, atProxy));
    setState(ItemState::Failed);
}

QCoro::Task<Engine1::Step> Engine1::requestAnswer(Plan &plan)
{
    const auto self = lifetimeGuard(this);
    DownloadListModel &list = m_context.list();

    // 1-3. Progress floor, connection settings, protocol.
    plan.floor.restart(Clock::monotonicMs());
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
    plan.header =
        QStringLiteral("Referer: ") + (referrer.isEmpty() ? UrlHostPart(m_address) : referrer) + QStringLiteral("\r\n");
    QString header = plan.header;
    if (plan.resume)
        header += QStringLiteral("Range: %1\r\nIf-Range: %2\r\n")
                      .arg(QString::fromLatin1(plan.resume->rangeHeader()),
                           QString::fromLatin1(plan.resume->validators.ifRange()));

    // Only web addresses are fetched; any other says why in its row.
    if (!IsWebAddress(m_address)) {
        list.setPercent(m_row, NetTexts::kNotWebAddress);
        list.setState(m_row, ItemState::Failed);
        co_return Step::FailedAsShown;
    }

    // 6-7. Request, and the wait for its answer.
    const Step sent = co_await sendRequest(header);
    if (sent != Step::Next)
        co_return sent;
    // The floor counts from the answer that is taken, not from the first of several requests.
    plan.floor.restart(Clock::monotonicMs());
    if (plan.resume) {
        const QByteArray range = m_inet->getHeader(QStringLiteral("Content-Range")).toLatin1();
        const BodyValidators answer =
            BodyValidators::FromAnswer(m_inet->getHeader(QStringLiteral("ETag")).toLatin1(),
                                       m_inet->getHeader(QStringLiteral("Last-Modified")).toLatin1());
        switch (JudgeResumeAnswer(*plan.resume, m_inet->statusCode(), range, answer)) {
        case ResumeAnswer::Append:
            plan.appending = true;
            co_return Step::Next;
        case ResumeAnswer::AskAgain:
            co_return Step::AskAgain;
        case ResumeAnswer::StartOver:
        case ResumeAnswer::NotJudged:
            break;
        }
    }

    // 8-9. Headers, and nothing but "200 OK".
    const QString headers = m_inet->getHeader();
    const QStringList lines = headers.split(QStringLiteral("\r\n"));
    if (!headers.isEmpty() && lines.first().contains(QStringLiteral("200 OK"), Qt::CaseInsensitive))
        co_return Step::Next;
    // An error page is never the document; the row says what the server answered instead.
    const int status = m_inet->statusCode();
    if (status >= 400) {
        list.setPercent(m_row, DownloadTexts::kHttpError.arg(status));
        list.setState(m_row, ItemState::Failed);
        co_return Step::FailedAsShown;
    }
    co_return Step::Failed;
}

QCoro::Task<Engine1::Step> Engine1::sendRequest(const QString &header)
{
    const auto self = lifetimeGuard(this);
    for (int retries = 0;; ++retries) {
        m_inet->execute(m_address, QStringLiteral("GET"), {}, header);
        if (m_inet->stillExecuting()) {
            const bool answered = co_await m_inet->waitWhileExecuting(kRequestLimit);
            if (!self || currentRow() < 0)
                co_return Step::Gone;
            if (!answered) {
                // Through a proxy, the silence is the proxy's: a server that does not answer it gets a gateway
                // answer from a working one.
                const bool viaProxy = m_inet->accessType() == TransferControl::icNamedProxy;
                m_context.list().setPercent(m_row, viaProxy ? DownloadTexts::kProxyTimedOut : DownloadTexts::kTimedOut);
                co_return Step::Failed;
            }
        }
        const auto delay = RetryRule::NextRetryDelay(
            m_inet->statusCode(), m_inet->getHeader(QStringLiteral("Retry-After")), retries, Clock::now());
        if (!delay)
            co_return Step::Next;
        m_inet->cancel();
        m_context.noteRetry(m_row, *delay, retries + 1);
        const Step waited = co_await backOff(*delay);
        if (waited != Step::Next)
            co_return waited;
    }
}

QCoro::Task<Engine1::Step> Engine1::backOff(std::chrono::milliseconds delay)
{
    const auto self = lifetimeGuard(this);
    const qint64 deadline = Clock::monotonicMs() + delay.count();
    for (;;) {
        if (!m_context.busyFlag() || m_cancelRequested)
            co_return Step::Cancelled;
        const qint64 left = deadline - Clock::monotonicMs();
        if (left <= 0)
            co_return Step::Next;
        // The stop command cancels the control, and a cancelled control says so at once.
        co_await waitForSignal(m_inet.get(), &TransferControl::bodyProgress, std::chrono::milliseconds(left));
        if (!self || currentRow() < 0)
            co_return Step::Gone;
    }
}

Engine1::Step Engine1::takeAnnouncedSize(Plan &plan)
{
    DownloadListModel &list = m_context.list();
    const QString lengthText = m_inet->getHeader(QStringLiteral("content-length")).trimmed();
    plan.size = IsNumericText(lengthText) ? lengthText.toDouble() : 0.0;
    // An answer that completes a kept body announces only the rest; the size is the whole body's.
    if (plan.appending)
        plan.size = static_cast<double>(plan.resume->total);
    if (plan.size > 0) {
        list.setSize(m_row, decimalText(plan.size));
        if (plan.size / 1024.0 / 1024.0 > m_context.settings().maxFileSizeMb) {
            // The bytes kept for it go with the file: it is not downloaded, now or later.
            if (plan.appending)
                BodyFile(plan.resumeTarget).open();
            return skipTooBig();
        }
    }
    return Step::Next;
}

Engine1::Step Engine1::skipTooBig()
{
    m_inet->cancel();
    DownloadListModel &list = m_context.list();
    list.setState(m_row, ItemState::Done);
    list.setPercent(m_row, DownloadTexts::kTooBig);
    return Step::Succeeded;
}

Engine1::Step Engine1::prepareTarget(Plan &plan)
{
    const auto self = lifetimeGuard(this);
    DownloadListModel &list = m_context.list();

    // 12-13. The media type (parameters dropped) mapped to an extension.
    const QString contentType = m_inet->getHeader(QStringLiteral("Content-Type")).trimmed();
    const QString mediaType =
        contentType.contains(QLatin1Char(';')) ? contentType.section(QLatin1Char(';'), 0, 0).trimmed() : contentType;
    const QString extension = MimeTypeToExtension(mediaType);

    // 14-15. The folder made to exist; the type from the response when it is a plain word.
    bool folderMade = false;
    list.update(m_row, [&folderMade](DownloadItem &row) { folderMade = CreateItemFolder(row); });
    if (!folderMade)
        return Step::FailedAsShown;
    const QString folder = list.item(m_row).folder;
    if (!extension.isEmpty() && !extension.contains(QLatin1Char('/')))
        list.setType(m_row, extension);

    // 16. The target path under the same-name option.
    QString shownName;
    plan.target = targetPath(folder, list.item(m_row), &shownName);
    list.setName(m_row, shownName);
    // The rest of a body left under another name cannot complete this one.
    if (plan.appending && plan.target != plan.resumeTarget)
        return Step::AskAgain;

    plan.body = std::make_unique<BodyFile>(plan.target);
    return Step::Next;
}

Engine1::Step Engine1::replaceExisting(Plan &plan)
{
    DownloadListModel &list = m_context.list();
    // 17. An existing file is replaced; one that cannot be removed ends the transfer.
    if (IsExistingFile(plan.target)) {
        QFile::remove(plan.target);
        if (IsExistingFile(plan.target)) {
            const QString length = QString::number(QFileInfo(plan.target).size());
            list.update(m_row, [&](DownloadItem &row) {
                row.state = ItemState::Failed;
                row.size = length;
                row.downloaded = length;
                row.percent = DownloadTexts::kCannotReplace;
            });
            return Step::FailedAsShown;
        }
    }
    return Step::Next;
}

QString Engine1::targetPath(const QString &folder, const DownloadItem &item, QString *shownName) const
{
    if (SameNameOptionFromCaption(m_context.sameNameChoice()) == SameNameOption::Rename)
        return 重命名保存路径(folder, item.name, item.type, SameNameOption::Rename, shownName);
    if (shownName)
        *shownName = item.name;
    return folder + item.name + (item.type.isEmpty() ? QString() : QLatin1Char('.') + item.type);
}

Engine1::Step Engine1::openBody(Plan &plan)
{
    BodyFile &file = *plan.body;
    if (plan.appending) {
        if (!file.openToResume(m_address))
            return failWriting(file);
        // Someone else may have taken the kept bytes between the look and now.
        const std::optional<ResumePoint> kept = file.resumePoint();
        return kept && kept->offset == plan.resume->offset ? Step::Next : Step::AskAgain;
    }
    if (!file.open())
        return failWriting(file);
    const auto total = plan.size > 0 && plan.size < 9.0e18 ? static_cast<qint64>(plan.size) : 0;
    file.recordSource(m_address,
                      BodyValidators::FromAnswer(m_inet->getHeader(QStringLiteral("ETag")).toLatin1(),
                                                 m_inet->getHeader(QStringLiteral("Last-Modified")).toLatin1()),
                      total);
    return Step::Next;
}

QCoro::Task<Engine1::Step> Engine1::receiveBody(Plan &plan)
{
    const auto self = lifetimeGuard(this);
    DownloadListModel &list = m_context.list();
    list.setSize(m_row, decimalText(plan.size));
    list.setDownloaded(m_row, QString::number(plan.body->length()));
    const Step step = co_await streamBody(plan);
    if (step != Step::Next)
        co_return step;
    // The body is whole: a stop while it reaches the disk comes after its completion.
    const QString percent = list.item(m_row).percent;
    list.setPercent(m_row, DownloadTexts::kWriting);
    const bool synced = co_await plan.body->sync();
    if (!self || currentRow() < 0)
        co_return Step::Gone;
    const qint64 received = plan.body->length();
    if (!synced || !plan.body->commit())
        co_return failWriting(*plan.body);
    list.setPercent(m_row, percent);
    // A body without a length is whole once its answer ended: its size is what came, as in the other engine.
    if (plan.size <= 0)
        list.update(m_row, [&](DownloadItem &row) {
            row.size = QString::number(received);
            row.downloaded = row.size;
            row.percent = QStringLiteral("100%");
        });
    list.setState(m_row, ItemState::Done);

    // 20.
    finishFile();
    co_return Step::Succeeded;
}

QCoro::Task<Engine1::Step> Engine1::streamBody(Plan &plan)
{
    const auto self = lifetimeGuard(this);
    DownloadListModel &list = m_context.list();
    BodyFile &file = *plan.body;
    const qint64 sizeLimit = ReceivedSizeLimit(m_context.settings());
    qint64 shown = file.length();
    plan.floor.restart(Clock::monotonicMs(), shown);
    for (;;) {
        const QByteArray chunk = co_await m_inet->getChunk(kChunkSize, plan.floor.timeLeft(Clock::monotonicMs()));
        if (!self || currentRow() < 0)
            co_return Step::Gone;
        if (!chunk.isEmpty() && !file.write(chunk))
            co_return failWriting(file);
        const qint64 length = file.length();
        // Whatever was announced: a body that goes on past the limit is not kept.
        if (length > sizeLimit) {
            file.discard();
            co_return skipTooBig();
        }
        const bool bodyEnded = m_inet->bodyAtEnd() && !m_cancelRequested && m_inet->responseCode() == 0;

        // Counted before the body may end with it: the last read is as much of the file as any other.
        if (length > shown) {
            shown = length;
            showProgress(length, plan.size);
        }
        // Complete: the announced size reached, or (without one) the body ended.
        if (plan.size > 0 && static_cast<double>(length) >= plan.size)
            co_return Step::Next;
        if (plan.size <= 0 && chunk.size() < 2 && bodyEnded)
            co_return Step::Next;
        if (!plan.floor.holds(Clock::monotonicMs(), length)) {
            // What came so far waits for the next transfer of the address.
            file.setAside();
            list.setPercent(m_row, DownloadTexts::kTimedOut);
            list.setState(m_row, ItemState::Failed);
            co_return Step::FailedAsShown;
        }
        if (!m_context.busyFlag() || m_cancelRequested)
            co_return Step::Cancelled;
        // The body is over short of its announced size, or broke off: no more bytes will come.
        if (chunk.isEmpty() && m_inet->bodyAtEnd()) {
            file.setAside();
            co_return Step::Failed;
        }
    }
}

Engine1::Step Engine1::failWriting(const BodyFile &file)
{
    m_context.list().setPercent(m_row, WriteFailureText(file.systemError()));
    setState(ItemState::Failed);
    return Step::FailedAsShown;
}

void Engine1::showProgress(qint64 length, double size)
{
    m_context.list().update(m_row, [&](DownloadItem &row) {
        row.downloaded = QString::number(length);
        if (size > 0) {
            const float share = static_cast<float>(length) / static_cast<float>(size) * 100.0f;
            row.percent = QString::number(static_cast<qint64>(share)) + QLatin1Char('%');
        }
    });
}

void Engine1::finishFile()
{
    DownloadListModel &list = m_context.list();
    list.update(m_row, [](DownloadItem &row) { CorrectItemFileType(row); });
    InsertBaseTag(list.item(m_row));
}

QCoro::Task<Engine1::Step> Engine1::FetchWholeBody(Plan &plan)
{
    const auto self = lifetimeGuard(this);
    DownloadListModel &list = m_context.list();
    list.setSize(m_row, DownloadTexts::kUnknownSize);
    m_inet->cancel();

    // The whole body asked for once more and streamed to disk under the same floor and size limit as a body of
    // known length: one without a length is no reason to let it trickle for ever or fill the disk.
    Step step = co_await sendRequest(plan.header);
    if (step == Step::Gone)
        co_return step;
    const int status = m_inet->statusCode();
    if (step == Step::Next && (status < 200 || status > 299))
        step = Step::Failed;
    if (step == Step::Next)
        step = co_await streamBody(plan);
    if (step == Step::Gone)
        co_return step;
    if (step == Step::Next && plan.body->length() > 0) {
        const QString received = QString::number(plan.body->length());
        const bool synced = co_await plan.body->sync();
        if (!self || currentRow() < 0)
            co_return Step::Gone;
        if (synced && plan.body->commit()) {
            list.update(m_row, [&](DownloadItem &row) {
                row.size = QString::number(QFileInfo(plan.target).size());
                row.downloaded = received;
                row.percent = QStringLiteral("100%");
                row.state = ItemState::Done;
            });
            // 20.
            finishFile();
            co_return Step::Succeeded;
        }
        co_return failWriting(*plan.body);
    }
    if (step == Step::Next || step == Step::Failed) {
        plan.body->discard();
        list.update(m_row, [](DownloadItem &row) {
            row.size.clear();
            row.downloaded.clear();
            row.percent.clear();
            row.state = ItemState::Failed;
        });
        // 20, whether or not the body came.
        finishFile();
        co_return Step::FailedAsShown;
    }
    co_return step;
}
