#pragma once

// What a window needs to run an operation on a worker thread: the window keeps painting and can
// be moved while the plan and the calendar are worked on, and everything the run says or asks
// is carried over to the window's own thread, where widgets and message boxes live.

#include "services/Messages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <atomic>
#include <thread>
#include <utility>

namespace zelvant {

// Runs `work` on the thread of `context` and waits for its result. Called on that thread, it
// simply runs it, so the same code serves a window with and without a worker.
template <typename Work> auto onWindowThread(QObject* context, Work&& work) -> decltype(work())
{
    if (QThread::currentThread() == context->thread())
        return work();
    if constexpr (std::is_void_v<decltype(work())>) {
        QMetaObject::invokeMethod(context, std::forward<Work>(work), Qt::BlockingQueuedConnection);
    } else {
        decltype(work()) result{};
        QMetaObject::invokeMethod(
            context, [&] { result = work(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

// Waits on the window's thread for its worker, which may itself be waiting for the window to draw
// a step or show a message: those calls are served meanwhile, so neither waits for the other.
// `done` is set by the worker as its last act.
inline void awaitWorker(std::thread& worker, const std::atomic<bool>& done)
{
    if (!worker.joinable())
        return;
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (worker.joinable()) // the window's end-of-run call, served above, may have joined it
        worker.join();
}

// Message boxes asked from the worker, shown by `messages` on the window's thread. The worker
// waits for the answer, as the run would for a box on its own thread.
class WindowThreadMessages : public MessageSink {
public:
    WindowThreadMessages(QObject* window, MessageSink& messages) : window_(window), messages_(messages) {}

    void warning(const std::string& text, const std::string& title) override
    {
        onWindowThread(window_, [&] { messages_.warning(text, title); });
    }
    void information(const std::string& text, const std::string& title) override
    {
        onWindowThread(window_, [&] { messages_.information(text, title); });
    }
    bool askYesNo(const std::string& text, const std::string& title) override
    {
        return onWindowThread(window_, [&] { return messages_.askYesNo(text, title); });
    }

private:
    QObject* window_;
    MessageSink& messages_;
};

} // namespace zelvant
