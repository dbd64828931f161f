#include "platform/side_thread.h"

#include <pthread.h>
#include <sched.h>

#include <utility>

namespace lumbrel::platform {

bool SideThread::worthwhile() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    return ::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 1;
}

SideThread::SideThread(std::function<void()> task) : task_(std::move(task)) {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const int here = ::sched_getcpu();
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && here >= 0 && CPU_ISSET(here, &allowed) &&
        CPU_COUNT(&allowed) > 1) {
        CPU_CLR(here, &allowed);
        pthread_attr_t attributes;
        if (::pthread_attr_init(&attributes) == 0) {
            ::pthread_attr_setaffinity_np(&attributes, sizeof allowed, &allowed);
            pthread_t thread;
            started_ = ::pthread_create(&thread, &attributes, &SideThread::run, this) == 0;
            if (started_) thread_ = thread;
            ::pthread_attr_destroy(&attributes);
        }
    }
    if (!started_) task_();
}

SideThread::~SideThread() {
    if (started_) ::pthread_join(static_cast<pthread_t>(thread_), nullptr);
}

void* SideThread::run(void* self) {
    static_cast<SideThread*>(self)->task_();
    return nullptr;
}

}  // namespace lumbrel::platform
