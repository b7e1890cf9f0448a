#include "sources/recording_name.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string RecordingFolder() {
    if (const char* music = std::getenv("XDG_MUSIC_DIR"); music && *music)
        return std::string(music) + "/Kavrin";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/Music/Kavrin";
}

std::string NewRecordingPath(const std::string& folder, std::time_t when, std::string* error) {
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) {
        *error = "cannot create " + folder + ": " + code.message();
        return "";
    }
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof(stamp), "%Y-%m-%d-%H%M%S", &local);
    const std::string base = folder + "/kavrin-" + stamp;
    std::string path = base + ".wav";
    for (int n = 2; std::filesystem::exists(path, code); ++n)
        path = base + "-" + std::to_string(n) + ".wav";
    return path;
}
