#pragma once
// Waiting a given time on the monotonic clock (the clock std::chrono::steady_clock
// reads): a change of the wall clock neither shortens nor stretches the wait,
// and a signal does not cut it short.

#include <chrono>

namespace lumbrel::platform {

void sleepMonotonic(std::chrono::milliseconds duration);

}  // namespace lumbrel::platform
