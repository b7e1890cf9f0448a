#include "platform/services/audio_diagnostics.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/services/stderr_filter.h"

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
    WriteToDescriptor2(line.data(), line.size());
}

}  // namespace platform
