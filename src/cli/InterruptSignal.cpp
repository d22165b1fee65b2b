#include "cli/InterruptSignal.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Ctrl-C, a polite kill, and the terminal or SSH session closing: each stops the batch the same way.
constexpr int kHandled[] = {SIGINT, SIGTERM, SIGHUP};
int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_count = 0;
bool g_stderrIsTerminal = false;

extern "C" void onSignal(int number)
{
    g_count = g_count + 1;
    if (g_count > 1) {
        // The terminal echoed "^C" after the bar: the shell's prompt comes on a line of its own.
        if (g_stderrIsTerminal) {
            [[maybe_unused]] const auto written = write(STDERR_FILENO, "\n", 1);
        }
        _exit(128 + number);
    }
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const auto written = write(g_pipe[1], &byte, 1);
}
} // namespace
#endif

InterruptSignal::InterruptSignal(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (g_pipe[0] < 0 && pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_stderrIsTerminal = isatty(STDERR_FILENO) == 1;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (read(g_pipe[0], &byte, 1) == 1) {
        }
        Q_EMIT interrupted();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kHandled)
        sigaction(number, &action, nullptr);
#endif
}

InterruptSignal::~InterruptSignal()
{
#ifdef Q_OS_UNIX
    for (const int number : kHandled)
        signal(number, SIG_DFL);
#endif
}
