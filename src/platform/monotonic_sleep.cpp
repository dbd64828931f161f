#include "platform/monotonic_sleep.h"

#include <time.h>

#include <cerrno>

namespace lumbrel::platform {

void sleepMonotonic(std::chrono::milliseconds duration) {
    if (duration.count() <= 0) return;
    timespec deadline{};
    ::clock_gettime(CLOCK_MONOTONIC, &deadline);
    const long long ns = deadline.tv_nsec + (duration.count() % 1000) * 1000000LL;
    deadline.tv_sec += static_cast<time_t>(duration.count() / 1000 + ns / 1000000000LL);
    deadline.tv_nsec = static_cast<long>(ns % 1000000000LL);
    // An absolute deadline: a wait interrupted by a signal goes on to the same end.
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

}  // namespace lumbrel::platform
