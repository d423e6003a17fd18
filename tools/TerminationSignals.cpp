#include "TerminationSignals.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> caught{0};
static_assert(std::atomic<int>::is_always_lock_free, "read and written in a signal handler");

void onTerminationSignal(int signal)
{
    int none = 0;
    if (caught.compare_exchange_strong(none, signal))
        return;
    // Asked twice: whatever the run is waiting for (a reader that does not
    // read) is not worth waiting for any longer.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void CatchTerminationSignals()
{
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls: a check in progress is never failed by the signal.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

int TerminationSignal()
{
    return caught.load();
}
