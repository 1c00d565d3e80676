#include "tools/check/runner/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace {

// Lock-free, so safe in a signal handler, and read by the slots' threads.
std::atomic<int> g_signals{0};
static_assert(std::atomic<int>::is_always_lock_free);
int g_wakeFd = -1;
struct sigaction g_previousInt {};
struct sigaction g_previousTerm {};
struct sigaction g_previousHup {};

// Only what is safe in a signal handler: a counter and write(2).
void OnStopSignal(int) {
    const int saved = errno;
    if (g_signals.load() < 1000) {
        g_signals.fetch_add(1);
    }
    [[maybe_unused]] const ssize_t n = ::write(g_wakeFd, "s", 1);
    errno = saved;
}

}  // namespace

StopSignals::StopSignals() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot create a pipe for signals");
    }
    g_signals = 0;
    g_wakeFd = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read);
    // Connected first, so that the pipe is emptied before any wait looks.
    QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [this] {
        char bytes[64];
        while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
        }
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &g_previousInt);
    ::sigaction(SIGTERM, &action, &g_previousTerm);
    // A closed terminal or SSH connection ends the run as SIGTERM does: the
    // unit in progress is finished and logged.
    ::sigaction(SIGHUP, &action, &g_previousHup);
}

StopSignals::~StopSignals() {
    ::sigaction(SIGINT, &g_previousInt, nullptr);
    ::sigaction(SIGTERM, &g_previousTerm, nullptr);
    ::sigaction(SIGHUP, &g_previousHup, nullptr);
    g_wakeFd = -1;
    delete notifier_;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

int StopSignals::count() const {
    return g_signals.load();
}

bool StopSignals::Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    QObject::connect(notifier_, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    if (!requested()) {
        loop.exec();
    }
    return !requested();
}
