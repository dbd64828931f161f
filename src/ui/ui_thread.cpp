#include "ui/ui_thread.h"

#include <QEventLoop>

#include <exception>
#include <memory>

namespace lumbrel::ui {

void runInBackground(const std::function<void()>& work) {
    std::exception_ptr failure;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    // A thread that ended before the loop started has sent its signal already.
    if (!thread->isFinished()) loop.exec();
    thread->wait();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace lumbrel::ui
