#include "app/busy_flag.h"

namespace lumbrel::app {

namespace {
bool g_busy = false;
}

bool isBusy() { return g_busy; }
void setBusy(bool busy) { g_busy = busy; }

}  // namespace lumbrel::app
