#pragma once
// The core's long runs (a load, page generation) go on a worker thread, so that
// the window keeps painting and "Suspend" is heard at once. What such a run
// asks of the user is asked on the user-interface thread: the worker waits
// for the answer. The prompt and progress classes of the window go through
// these two functions; called on the user-interface thread they run at once.

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace lumbrel::ui {

/// True on the thread of the application object (or when there is none).
inline bool onUiThreadNow() {
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

/// Runs f on the user-interface thread, waits for it and returns its result.
template <class F>
auto onUiThread(F&& f) -> std::invoke_result_t<F&> {
    using R = std::invoke_result_t<F&>;
    if (onUiThreadNow()) return f();
    if constexpr (std::is_void_v<R>) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { f(); }, Qt::BlockingQueuedConnection);
    } else {
        std::optional<R> result;
        QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { result.emplace(f()); },
                                  Qt::BlockingQueuedConnection);
        return std::move(*result);
    }
}

/// Hands f to the user-interface thread without waiting (progress steps).
template <class F>
void postToUiThread(F&& f) {
    if (onUiThreadNow()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<F>(f), Qt::QueuedConnection);
}

/// Runs work on a worker thread and returns when it has ended; meanwhile this
/// (the user-interface) thread goes on with its events: painting, the
/// progress window's "Suspend", the questions work asks through onUiThread.
/// An exception work lets out is thrown again here.
void runInBackground(const std::function<void()>& work);

}  // namespace lumbrel::ui
