#include "platform/audio_diagnostics.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

bool AudioDiagnosticsEnabled() {
    const char* value = std::getenv("KAVRIN_DEBUG_AUDIO");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void AudioDiagnostic(std::string_view library, std::string_view text) {
    if (!AudioDiagnosticsEnabled()) return;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    // One write per line, so that lines of several threads do not interleave; straight to the
    // descriptor, since the stderr stream may be the filter that calls this.
    std::string line = "kavrin audio (";
    line.append(library).append("): ").append(text).append("\n");
    const char* data = line.data();
    std::size_t size = line.size();
    while (size > 0) {
        const ssize_t written = ::write(2, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

}  // namespace platform
