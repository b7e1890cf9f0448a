#include "platform/services/stderr_filter.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <vector>

namespace platform {
namespace {

// The stream's state. glibc serialises the calls on one stream with a lock of its own that the
// thread sanitizer does not see, so the pending text has a mutex of its own too.
class FilteredStream {
public:
    explicit FilteredStream(StderrFilter filter) : m_filter(std::move(filter)) {}

    void Write(const char* data, std::size_t size) {
        std::vector<std::string> taken;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_pending.append(data, size);
            std::size_t start = 0;
            std::size_t end;
            while ((end = m_pending.find('\n', start)) != std::string::npos) {
                const std::string_view line(m_pending.data() + start, end - start);
                if (m_filter.takes(line))
                    taken.emplace_back(line);
                else
                    WriteToDescriptor2(m_pending.data() + start, end - start + 1);
                start = end + 1;
            }
            m_pending.erase(0, start);
            // An unfinished line that cannot become one of the filter's is shown now, as an
            // unbuffered stderr would.
            if (!MayBecomeTaken(m_pending)) {
                WriteToDescriptor2(m_pending.data(), m_pending.size());
                m_pending.clear();
            }
        }
        for (const std::string& line : taken) m_filter.receive(line);
    }

private:
    bool MayBecomeTaken(std::string_view text) const {
        if (text.empty()) return true;
        const std::string& prefix = m_filter.prefix;
        const std::size_t common = std::min(text.size(), prefix.size());
        return !prefix.empty() && text.compare(0, common, prefix, 0, common) == 0;
    }

    const StderrFilter m_filter;
    std::mutex m_lock;
    std::string m_pending;
};

ssize_t CookieWrite(void* cookie, const char* data, std::size_t size) {
    // A cancellation point, as the write(2) of a plain stderr is: PortAudio aborts a stream by
    // cancelling its ALSA thread, which loops on a dead PipeWire printing its failed steps here
    // and would otherwise never stop. Taken before any lock of ours is held.
    ::pthread_testcancel();
    static_cast<FilteredStream*>(cookie)->Write(data, size);
    return static_cast<ssize_t>(size);
}

}  // namespace

void WriteToDescriptor2(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(2, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

bool FilterStandardError(StderrFilter filter) {
    static std::once_flag once;
    bool installed = false;
    std::call_once(once, [&] {
        // Kept for the life of the process, the stream is used until its very end; held here
        // too, where the leak checker looks (the stream itself lives inside the C library).
        static FilteredStream* state = nullptr;
        state = new FilteredStream(std::move(filter));
        cookie_io_functions_t functions{};
        functions.write = CookieWrite;
        std::FILE* stream = ::fopencookie(state, "w", functions);
        if (stream == nullptr) {
            delete state;
            state = nullptr;
            return;
        }
        std::setvbuf(stream, nullptr, _IONBF, 0);
        std::fflush(stderr);
        stderr = stream;
        installed = true;
    });
    return installed;
}

}  // namespace platform
