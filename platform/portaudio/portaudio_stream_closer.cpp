#include "platform/portaudio/portaudio_stream_closer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/portaudio/portaudio_library.h"

namespace platform {
namespace {

class StreamCloser {
public:
    // Made on first use and never destroyed: a stream of a stopped server may still be ending
    // when the process exits.
    static StreamCloser& Instance() {
        static StreamCloser* closer = new StreamCloser;
        return *closer;
    }

    bool Close(PaStream* stream, std::shared_ptr<void> keep, std::chrono::milliseconds patience) {
        auto request = std::make_shared<Request>();
        request->stream = stream;
        request->keep = std::move(keep);
        std::unique_lock<std::mutex> guard(m_lock);
        m_queue.push_back(request);
        m_changed.notify_all();
        return m_changed.wait_for(guard, patience, [&] { return request->closed; });
    }

private:
    struct Request {
        PaStream* stream = nullptr;
        std::shared_ptr<void> keep;
        bool closed = false;
    };

    StreamCloser() {
        std::thread([this] { Loop(); }).detach();
    }

    void Loop() {
        std::unique_lock<std::mutex> guard(m_lock);
        for (;;) {
            m_changed.wait(guard, [this] { return !m_queue.empty(); });
            std::shared_ptr<Request> request = m_queue.front();
            m_queue.pop_front();
            guard.unlock();
            // Only this stream's own state: the library's lock stays free for the others
            // while this waits on the server.
            if (Pa_IsStreamStopped(request->stream) == 0) Pa_AbortStream(request->stream);
            {
                std::lock_guard<std::mutex> pa(PortAudioLibrary::Instance().Lock());
                Pa_CloseStream(request->stream);
            }
            request->keep.reset();
            guard.lock();
            request->closed = true;
            m_changed.notify_all();
        }
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<Request>> m_queue;
};

}  // namespace

bool CloseStreamSoon(PaStream* stream, std::shared_ptr<void> keep,
                     std::chrono::milliseconds patience) {
    return StreamCloser::Instance().Close(stream, std::move(keep), patience);
}

}  // namespace platform
