#include "core/net/FetchPageText.h"

#include "core/net/LifetimeGuard.h"
#include "core/net/NetTexts.h"
#include "core/net/TransferControl.h"
#include "core/util/AnsiCodePage.h"
#include "core/util/Clock.h"
#include "core/util/DataFolder.h"
#include "core/util/FileNameRules.h"
#include "core/util/Prompt.h"
#include "core/util/UrlText.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QStringDecoder>
#include <utility>

using namespace std::chrono_literals;

namespace {

// Removes the temporary body file however the fetch ends.
class TemporaryBodyFile final
{
public:
    explicit TemporaryBodyFile(QString path) : m_path(std::move(path)) { QFile::remove(m_path); }
    ~TemporaryBodyFile() { QFile::remove(m_path); }
    TemporaryBodyFile(const TemporaryBodyFile &) = delete;
    TemporaryBodyFile &operator=(const TemporaryBodyFile &) = delete;
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

// The port written in the address: the text from the 9th character up to the first "/" after it, split at ":";
// 0 when there is none.
int portInAddress(const QString &address)
{
    const qsizetype slash = address.indexOf(QLatin1Char('/'), 8);
    if (slash <= 8)
        return 0;
    const QStringList pieces = address.mid(8, slash - 8).split(QLatin1Char(':'));
    if (pieces.size() != 2)
        return 0;
    bool ok = false;
    const int port = pieces.at(1).trimmed().toInt(&ok);
    return ok && port > 0 && port < 65536 ? port : 0;
}

// The charset parameter when it is the second piece of the Content-Type value.
QString headerCharset(const QString &contentType)
{
    const QStringList pieces = contentType.trimmed().split(QLatin1Char(';'));
    if (pieces.size() < 2)
        return {};
    const QString second = pieces.at(1).trimmed();
    if (!second.startsWith(QLatin1String("charset="), Qt::CaseInsensitive))
        return {};
    QString value = second.mid(8).trimmed();
    // charset="utf-8" is as valid as charset=utf-8.
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2).trimmed();
    return value;
}

QString headSample(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return AnsiCodePage::decode(f.read(kMetaSampleBytes));
}

// Windows names gb2312 and its aliases for code page 936, so pages labelled that way hold GBK text.
QByteArray decoderName(const QString &charset)
{
    const QString name = charset.trimmed().toLower();
    if (name == u"gb2312" || name == u"gb_2312-80" || name == u"x-gbk" || name == u"cp936" || name == u"euc-cn" ||
        name == u"x-cp20936" || name == u"csgb2312")
        return "GBK";
    if (name == u"unicode")
        return "UTF-16LE";
    if (name == u"unicodefffe")
        return "UTF-16BE";
    return name.toLatin1();
}

// The connection for the page: the system's default or the caller's proxy, and the scheme and port the address
// names.
void setUpControl(TransferControl &control, const PageFetchRequest &request)
{
    const QString &address = request.address;
    control.setAccessType(TransferControl::icUseDefault);
    control.setProxy({});
    control.setRequestTimeout(
        request.timeoutSeconds > 0
            ? request.timeoutSeconds
            : int(std::chrono::duration_cast<std::chrono::seconds>(kDefaultFetchTimeout).count()));
    control.setRemotePort(80);
    if (address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        control.setProtocol(TransferControl::icHTTPS);
        control.setRemotePort(443);
    } else {
        control.setProtocol(TransferControl::icHTTP);
    }
    if (const int port = portInAddress(address))
        control.setRemotePort(port);
    if (!request.proxy.trimmed().isEmpty()) {
        control.setAccessType(TransferControl::icNamedProxy);
        control.setProxy(QStringLiteral("HTTP=") + request.proxy.trimmed());
    }
}

QString requestHeaders(const PageFetchRequest &request, bool post)
{
    const QString refererLine =
        QStringLiteral("Referer: ") + (request.referer.isEmpty() ? UrlHostPart(request.address) : request.referer);
    QString headers = QStringLiteral("\r\n") + refererLine + QStringLiteral("\r\n");
    if (post)
        headers += QStringLiteral("Content-Type: application/x-www-form-urlencoded");
    return headers;
}

bool &temporaryFileFailureReported()
{
    static bool reported = false;
    return reported;
}

// A full or read-only data folder fails every page alike: it is told once, until a page is written again.
void reportTemporaryFileFailure(const QFile &file)
{
    if (std::exchange(temporaryFileFailureReported(), true))
        return;
    Prompt::current().message(
        NetTexts::kTemporaryFileFailed.arg(QDir::toNativeSeparators(file.fileName()), file.errorString()),
        Prompt::Icon::Critical);
}

// The body into `file` until it is whole: the announced length is in or, without one, the response has ended
// cleanly. False when it is not: the connection broke or closed short of the announced length, a silence outlasted
// `timeout`, the control was cancelled or went away, or the body grew past any page's size. A page cut short would
// otherwise be analysed as the whole page, and its address recorded as visited for good.
QCoro::Task<bool> receiveBody(const QPointer<TransferControl> &control, QFile &file, qint64 contentLength,
                              std::chrono::milliseconds timeout)
{
    qint64 lastProgress = Clock::monotonicMs();
    qint64 lastSize = 0;
    for (;;) {
        const qint64 waitMs = std::max<qint64>(0, lastProgress + timeout.count() - Clock::monotonicMs());
        const QByteArray chunk = co_await control->getChunk(kFetchChunkSize, std::chrono::milliseconds(waitMs));
        if (!control)
            co_return false;
        if (file.write(chunk) != chunk.size()) {
            reportTemporaryFileFailure(file);
            control->cancel();
            co_return false;
        }
        if (file.size() > kMaxPageBytes) {
            control->cancel();
            co_return false;
        }
        if (file.size() > lastSize) {
            lastSize = file.size();
            lastProgress = Clock::monotonicMs();
        }
        if (contentLength > 0 && file.size() >= contentLength)
            co_return true;
        // A chunk smaller than two bytes marks the end when no length was given. An empty chunk ends the read in
        // either case: the body is exhausted, the control was cancelled, or the silence ran out. Only the first is
        // a page, and only when the transfer says it ended whole.
        if (chunk.isEmpty() || (contentLength == 0 && chunk.size() < 2 && control->bodyAtEnd()))
            co_return control->bodyAtEnd() && control->responseComplete() && file.size() >= contentLength;
        if (Clock::monotonicMs() - lastProgress > timeout.count())
            co_return false;
    }
}

QString chosenCharset(const QString &callers, const QString &fromHeader, const QString &bodyPath)
{
    QString chosen;
    if (!callers.trimmed().isEmpty() && callers.trimmed().compare(QLatin1String("auto"), Qt::CaseInsensitive) != 0)
        chosen = callers.trimmed();
    else if (!fromHeader.isEmpty())
        chosen = fromHeader;
    else
        chosen = DetectMetaCharset(headSample(bodyPath));
    return chosen.isEmpty() ? QStringLiteral("utf-8") : chosen;
}

} // namespace

QString DetectMetaCharset(const QString &text)
{
    const QStringList pieces = text.split(QStringLiteral("<meta "));
    for (QString piece : pieces) {
        const qsizetype close = piece.indexOf(QLatin1String("/>"));
        if (close < 0)
            continue;
        piece.truncate(close);
        for (const char *spaced : {"charset   =", "charset  =", "charset ="})
            piece.replace(QLatin1String(spaced), QLatin1String("charset="), Qt::CaseInsensitive);
        const qsizetype at = piece.indexOf(QLatin1String("charset="), 0, Qt::CaseInsensitive);
        if (at < 0)
            continue;
        QString value = piece.mid(at + 8).trimmed();
        if (value.startsWith(QLatin1Char('"')))
            value.remove(0, 1);
        if (value.startsWith(QLatin1Char('\'')))
            value.remove(0, 1);
        // A name ends at a quote or a space; ">" and ";" end it too (an unquoted charset=gbk> is still gbk).
        qsizetype end = value.size();
        for (const QChar stop : {QChar(u'"'), QChar(u' '), QChar(u'\''), QChar(u'>'), QChar(u';')}) {
            const qsizetype i = value.indexOf(stop);
            if (i >= 0 && i < end)
                end = i;
        }
        value = value.left(end).trimmed();
        if (!value.isEmpty())
            return value;
    }
    return {};
}

QString ReadTextWithCharset(const QString &filePath, const QString &charset)
{
    if (!IsExistingFile(filePath))
        return {};
    QString failure;
    QFile f(filePath);
    if (!f.open(QIODevice::ReadOnly)) {
        failure = f.errorString();
    } else {
        const QByteArray bytes = f.readAll();
        const QString name = charset.trimmed();
        const QByteArray decoderId = name.isEmpty() ? QByteArray("UTF-16LE") : decoderName(name);
        QStringDecoder decoder(decoderId.constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
        failure = NetTexts::kUnknownCharset.arg(name);
    }
    Prompt::current().message(NetTexts::kDecodingFailed + failure, Prompt::Icon::Critical);
    return {};
}

QCoro::Task<QString> FetchPageText(PageFetchRequest request, TransferControl *controlPtr)
{
    const auto control = lifetimeGuard(controlPtr);
    if (!control)
        co_return {};

    // A control still busy with an earlier request is stopped first; if it will not stop, nothing is sent.
    if (control->stillExecuting()) {
        control->cancel();
        if (control->stillExecuting() && !co_await control->waitWhileExecuting(kBusyControlWait))
            co_return {};
        if (!control)
            co_return {};
    }

    const std::chrono::milliseconds timeout =
        request.timeoutSeconds > 0 ? std::chrono::milliseconds(std::chrono::seconds(request.timeoutSeconds))
                                   : kDefaultFetchTimeout;
    const bool post = request.method.trimmed().compare(QLatin1String("POST"), Qt::CaseInsensitive) == 0;
    setUpControl(*control, request);
    if (!control->execute(request.address, post ? QStringLiteral("POST") : QStringLiteral("GET"),
                          post ? request.postData : QByteArray(), requestHeaders(request, post)))
        co_return {};
    if (!co_await control->waitWhileExecuting(timeout)) {
        if (control)
            control->cancel();
        co_return {};
    }
    if (!control)
        co_return {};

    const QString statusLine = control->getHeader().split(QStringLiteral("\r\n")).value(0);
    if (!statusLine.contains(QLatin1String("200")) || !statusLine.contains(QLatin1String("OK"), Qt::CaseInsensitive)) {
        control->cancel();
        co_return {};
    }
    bool numeric = false;
    qint64 contentLength = control->getHeader(QStringLiteral("Content-Length")).trimmed().toLongLong(&numeric);
    if (!numeric || contentLength < 0)
        contentLength = 0;
    const QString charsetFromHeader = headerCharset(control->getHeader(QStringLiteral("Content-Type")));

    TemporaryBodyFile body(
        DataFolder::filePath(QStringLiteral("inetdown") + RandomAlphanumeric(10) + QStringLiteral("_tmp.htm")));
    {
        QFile file(body.path());
        if (!file.open(QIODevice::WriteOnly)) {
            reportTemporaryFileFailure(file);
            control->cancel();
            co_return {};
        }
        if (!co_await receiveBody(control, file, contentLength, timeout))
            co_return {};
        if (!file.flush()) {
            reportTemporaryFileFailure(file);
            co_return {};
        }
        file.close();
        temporaryFileFailureReported() = false;
    }
    control->cancel();

    if (!IsExistingFile(body.path()))
        co_return {};
    co_return ReadTextWithCharset(body.path(), chosenCharset(request.charset, charsetFromHeader, body.path()));
}
