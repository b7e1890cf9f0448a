#include "platform/portaudio/portaudio_stream_closer.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/portaudio/portaudio_library.h"

namespace platform {

bool CloseStreamSoon(PaStream* stream, std::shared_ptr<void> keep,
                     std::chrono::milliseconds patience) {
    struct Request {
        std::mutex lock;
        std::condition_variable closed;
        bool done = false;
    };
    auto request = std::make_shared<Request>();
    // A thread of its own for each stream: an abort that never returns (a stream whose server
    // died under a PortAudio thread that cannot be cancelled) holds up no other stream's close.
    std::thread([stream, request, keep = std::move(keep)]() mutable {
        // Only this stream's own state: the library's lock stays free for the others while
        // this waits on the server.
        if (Pa_IsStreamStopped(stream) == 0) Pa_AbortStream(stream);
        {
            std::lock_guard<std::mutex> pa(PortAudioLibrary::Instance().Lock());
            Pa_CloseStream(stream);
        }
        keep.reset();
        std::lock_guard<std::mutex> guard(request->lock);
        request->done = true;
        request->closed.notify_all();
    }).detach();
    std::unique_lock<std::mutex> guard(request->lock);
    return request->closed.wait_for(guard, patience, [&] { return request->done; });
}

}  // namespace platform
