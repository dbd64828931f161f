#pragma once
// The process-wide busy flag: raised while a page command, a load or the window
// teardown runs, so that the automatic-loading poll leaves the program alone.
// Raised on the user-interface thread or on the worker thread of a long run;
// scopes nest in time, so each restores what it found.

namespace lumbrel::app {

bool isBusy();
void setBusy(bool busy);

/// Raises the flag for its lifetime and restores the previous state after.
class BusyScope {
public:
    BusyScope() : previous_(isBusy()) { setBusy(true); }
    ~BusyScope() { setBusy(previous_); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool previous_;
};

}  // namespace lumbrel::app
