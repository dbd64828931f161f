#include "app/busy_flag.h"

#include <atomic>

namespace lumbrel::app {

namespace {
// Atomic: the window's long runs go on a worker thread, which raises the flag
// while the window's watch reads it.
std::atomic<bool> g_busy{false};
}  // namespace

bool isBusy() { return g_busy.load(); }
void setBusy(bool busy) { g_busy.store(busy); }

}  // namespace lumbrel::app
