#include "cli/TerminalResize.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int g_pipe[2] = {-1, -1};

extern "C" void onResize(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = write(g_pipe[1], &byte, 1);
}
} // namespace
#endif

TerminalResize::TerminalResize(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (g_pipe[0] < 0 && pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (read(g_pipe[0], &byte, 1) == 1) {
        }
        Q_EMIT resized();
    });
    struct sigaction action = {};
    action.sa_handler = onResize;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, nullptr);
#endif
}

TerminalResize::~TerminalResize()
{
#ifdef Q_OS_UNIX
    signal(SIGWINCH, SIG_DFL);
#endif
}
