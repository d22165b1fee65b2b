#include "cli/BatchProgress.h"

#include "core/util/ControlCharacters.h"

#include <QStringList>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
constexpr int kBarWidth = 30;
// Erase the terminal line and return to its start.
constexpr char kEraseLine[] = "\r\033[K";
} // namespace

BatchProgress::BatchProgress(std::FILE *stream, bool live, bool quiet)
    : m_stream(stream), m_live(live && !quiet), m_quiet(quiet)
{}

bool BatchProgress::isTerminal(std::FILE *stream)
{
#ifdef Q_OS_UNIX
    return isatty(fileno(stream)) == 1;
#else
    Q_UNUSED(stream);
    return false;
#endif
}

void BatchProgress::line(const QString &text)
{
    if (!m_quiet)
        writeLine(text);
}

void BatchProgress::error(const QString &text)
{
    writeLine(text);
}

void BatchProgress::writeLine(const QString &text)
{
    if (!m_bar.isEmpty())
        std::fputs(kEraseLine, m_stream);
    // Titles, addresses and server texts reach the terminal here: nothing in them may steer it. A message of
    // several lines keeps its lines.
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &part : lines)
        part = EscapeNonPrintable(part);
    write(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    if (!m_bar.isEmpty())
        write(m_bar);
    std::fflush(m_stream);
}

void BatchProgress::bar(const QString &stage, int value, int maximum, const QString &detail)
{
    if (!m_live)
        return;
    const int filled = maximum > 0 ? std::clamp(value, 0, maximum) * kBarWidth / maximum : 0;
    QString bar = QStringLiteral("%1 [%2%3] %4/%5")
                      .arg(stage, QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char('-')))
                      .arg(value)
                      .arg(maximum);
    if (!detail.isEmpty())
        bar += QLatin1Char(' ') + detail;
    if (bar == m_bar)
        return;
    m_bar = std::move(bar);
    std::fputs(kEraseLine, m_stream);
    write(m_bar);
    std::fflush(m_stream);
}

void BatchProgress::clearBar()
{
    if (m_bar.isEmpty())
        return;
    std::fputs(kEraseLine, m_stream);
    std::fflush(m_stream);
    m_bar.clear();
}

void BatchProgress::write(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), m_stream);
}
