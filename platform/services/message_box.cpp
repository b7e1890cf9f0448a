#include "platform/services/message_box.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace platform {
namespace {

struct PendingMessage {
    std::string text;
    MessageIcon icon;
    bool done = false;
};

struct Router {
    std::mutex lock;
    std::condition_variable dismissed;
    MessagePresenter presenter;
    MessageWaker waker;
    std::optional<std::thread::id> messageThread;
    std::deque<std::shared_ptr<PendingMessage>> queue;
    std::vector<std::shared_ptr<PendingMessage>> shown;  // being presented right now
};

// Never destroyed: the static analyzers may raise a message during static destruction.
Router& TheRouter() {
    static Router* router = new Router;
    return *router;
}

void PresentToStandardError(const std::string& text, MessageIcon) {
    std::fprintf(stderr, "%s: %s\n", kMessageCaption, text.c_str());
}

}  // namespace

void SetMessagePresenter(MessagePresenter presenter, MessageWaker waker) {
    Router& router = TheRouter();
    bool flush;
    {
        std::lock_guard<std::mutex> guard(router.lock);
        router.presenter = std::move(presenter);
        router.waker = std::move(waker);
        if (router.presenter && router.waker)
            router.messageThread = std::this_thread::get_id();
        else
            router.messageThread.reset();
        flush = !router.messageThread && !router.queue.empty();
    }
    // A worker must not wait forever for a message thread that is gone.
    if (flush) DispatchPendingMessages();
}

void ReleaseWorkersOfShownMessages() {
    Router& router = TheRouter();
    {
        std::lock_guard<std::mutex> guard(router.lock);
        if (router.shown.empty()) return;
        for (const auto& message : router.shown) message->done = true;
    }
    router.dismissed.notify_all();
}

bool IsMessageThread() {
    Router& router = TheRouter();
    std::lock_guard<std::mutex> guard(router.lock);
    return router.messageThread && *router.messageThread == std::this_thread::get_id();
}

void ShowMessage(const std::string& text, MessageIcon icon) {
    Router& router = TheRouter();
    std::unique_lock<std::mutex> guard(router.lock);
    MessagePresenter presenter = router.presenter ? router.presenter : PresentToStandardError;
    const bool queued = router.messageThread && *router.messageThread != std::this_thread::get_id();
    if (!queued) {
        guard.unlock();
        presenter(text, icon);
        return;
    }
    auto pending = std::make_shared<PendingMessage>(PendingMessage{text, icon});
    router.queue.push_back(pending);
    MessageWaker waker = router.waker;
    guard.unlock();
    waker();
    guard.lock();
    router.dismissed.wait(guard, [&] { return pending->done; });
}

void DispatchPendingMessages() {
    Router& router = TheRouter();
    for (;;) {
        std::shared_ptr<PendingMessage> next;
        MessagePresenter presenter;
        {
            std::lock_guard<std::mutex> guard(router.lock);
            if (router.queue.empty()) return;
            next = router.queue.front();
            router.queue.pop_front();
            router.shown.push_back(next);
            presenter = router.presenter ? router.presenter : PresentToStandardError;
        }
        presenter(next->text, next->icon);
        {
            std::lock_guard<std::mutex> guard(router.lock);
            next->done = true;
            std::erase(router.shown, next);
        }
        router.dismissed.notify_all();
    }
}

}  // namespace platform
