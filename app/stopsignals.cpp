#include "app/stopsignals.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcStop, "zaldo.main")

namespace {
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int g_pipe[2] = {-1, -1};

extern "C" void onStopSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char n = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a stop request; nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &n, 1);
    errno = saved;
}
} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent) {}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int s : kSignals)
        ::sigaction(s, &action, nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool StopSignals::install()
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcStop) << "stop signals end the program at once: no pipe:" << std::strerror(errno);
        return false;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readPipe);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals) {
        if (::sigaction(s, &action, nullptr) != 0) {
            qCWarning(lcStop) << "cannot handle signal" << s << ":" << std::strerror(errno);
            return false;
        }
    }
    return true;
}

void StopSignals::readPipe()
{
    unsigned char n = 0;
    while (::read(g_pipe[0], &n, 1) == 1) {
        qCInfo(lcStop) << "signal" << n << "received: ending as the tray's Exit does";
        emit stopRequested(n);
    }
}
