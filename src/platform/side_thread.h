#pragma once
// A second thread for splitting one piece of CPU work in two.

#include <functional>

namespace lumbrel::platform {

/// Runs a task on a thread of its own while the creating thread does its
/// share of the work, and waits for it when destroyed. The thread is placed on
/// another processor than the creator's: left to itself, the scheduler tends
/// to start a new thread on its creator's processor and move it only
/// milliseconds later, when short work is half done. When the process may use
/// only one processor, or no thread can be had, the task runs on the creating
/// thread at once, inside the constructor. The task must not throw: it may
/// run where nothing would catch it.
class SideThread {
public:
    explicit SideThread(std::function<void()> task);
    SideThread(const SideThread&) = delete;
    SideThread& operator=(const SideThread&) = delete;
    ~SideThread();

    /// Whether this process may run on more than one processor.
    static bool worthwhile();

private:
    static void* run(void* self);

    std::function<void()> task_;
    unsigned long thread_ = 0;
    bool started_ = false;
};

}  // namespace lumbrel::platform
