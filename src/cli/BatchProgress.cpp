#include "cli/BatchProgress.h"

#include "cli/BatchTexts.h"
#include "core/util/ControlCharacters.h"

#include <QStringList>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {
// When the terminal does not tell its width.
constexpr int kFallbackColumns = 80;
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

int BatchProgress::terminalColumns(std::FILE *stream)
{
#ifdef Q_OS_UNIX
    winsize size = {};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
#else
    Q_UNUSED(stream);
#endif
    return 0;
}

int BatchProgress::columns() const
{
    if (m_columns > 0)
        return m_columns;
    const int terminal = terminalColumns(m_stream);
    return terminal > 0 ? terminal : kFallbackColumns;
}

void BatchProgress::line(const QString &text)
{
    if (!m_quiet)
        writeLine(text);
}

void BatchProgress::error(const QString &text)
{
    // One line a log reader can grep for, whoever else writes to the same log.
    QStringList parts = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &part : parts)
        part = part.trimmed();
    writeLine(BatchTexts::kErrorPrefix + parts.join(QLatin1Char(' ')));
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

void BatchProgress::bar(const BarState &state)
{
    if (!m_live || m_barEnded)
        return;
    m_state = state;
    QString bar = LayoutBar(state, columns());
    if (bar == m_bar)
        return;
    m_bar = std::move(bar);
    std::fputs(kEraseLine, m_stream);
    write(m_bar);
    std::fflush(m_stream);
}

void BatchProgress::redrawBar()
{
    if (m_bar.isEmpty())
        return;
    // The old bar may be wider than the terminal now: it goes before the new one is laid out.
    m_bar.clear();
    bar(m_state);
}

void BatchProgress::clearBar()
{
    m_barEnded = true;
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
