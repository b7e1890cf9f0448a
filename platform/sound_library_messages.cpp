#include "platform/sound_library_messages.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/audio_diagnostics.h"

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

}  // namespace

void RouteSoundLibraryMessages() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(OnAlsaMessage);
        jack_set_error_function(OnJackMessage);
        jack_set_info_function(OnJackMessage);
    });
}

}  // namespace platform
