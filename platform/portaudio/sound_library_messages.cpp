#include "platform/portaudio/sound_library_messages.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/services/audio_diagnostics.h"
#include "platform/services/stderr_filter.h"

namespace platform {
namespace {

void OnAlsaMessage(const char* file, int line, const char* function, int error, const char* format,
                   ...) {
    if (!AudioDiagnosticsEnabled()) return;
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    std::string message = std::string(file ? file : "?") + ":" + std::to_string(line) + " (" +
                          (function ? function : "?") + ") " + text;
    if (error != 0) message += std::string(": ") + snd_strerror(error);
    AudioDiagnostic("ALSA", message);
}

void OnJackMessage(const char* text) {
    AudioDiagnostic("JACK", text ? text : "");
}

// PortAudio reports each failed step of its host APIs ("Expression 'PaAlsaStream_WaitForFrames(
// stream, &framesAvail, &xrun )' failed in 'src/hostapi/alsa/pa_linux_alsa.c', line: 4285" when
// the sound server goes away) with vfprintf on stderr. Its hook for that text is not exported
// by the Debian library, so the lines are taken from the stderr stream instead.
constexpr std::string_view kPortAudioLineStart = "Expression '";
constexpr std::string_view kPortAudioLineSource = "' failed in 'src/";

bool IsPortAudioLine(std::string_view line) {
    return line.substr(0, kPortAudioLineStart.size()) == kPortAudioLineStart &&
           line.find(kPortAudioLineSource) != std::string_view::npos;
}

// A PortAudio thread that reports failed steps by the hundred a second loops on a stream it
// cannot serve: behind ALSA's PipeWire plugin, a server that died leaves PortAudio's ALSA thread
// spinning with its cancellation disabled, so that not even an abort ends it. It is held back
// here, on its own thread, so that it no longer takes a whole core. A working stream never
// fails that often.
void HoldBackAThreadThatSpins() {
    constexpr int kFailuresPerSecond = 100;
    thread_local std::chrono::steady_clock::time_point since;
    thread_local int failures = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - since > std::chrono::seconds(1)) {
        since = now;
        failures = 0;
    }
    if (++failures > kFailuresPerSecond)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

}  // namespace

void RouteSoundLibraryMessages() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(OnAlsaMessage);
        jack_set_error_function(OnJackMessage);
        jack_set_info_function(OnJackMessage);
        FilterStandardError(StderrFilter{IsPortAudioLine,
                                         [](const std::string& line) {
                                             AudioDiagnostic("PortAudio", line);
                                             HoldBackAThreadThatSpins();
                                         },
                                         std::string(kPortAudioLineStart)});
    });
}

}  // namespace platform
