#include "platform/audio_files/sound_file_format.h"

#include <sndfile.h>

#include "platform/services/file.h"

namespace platform {
namespace {

std::string FormatName(int format) {
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || !info.name) return {};
    return info.name;
}

}  // namespace

std::string DescribeSoundFileFormat(const std::string& path) {
    try {
        CFile::RequireRegularFile(path);
    } catch (const CFileException&) {
        return "not a regular file";
    }
    SF_INFO info{};
    SNDFILE* sound = sf_open(path.c_str(), SFM_READ, &info);
    if (!sound) return "no header libsndfile reads (played as raw 16-bit mono samples at 11025 Hz)";
    sf_close(sound);
    std::string text = FormatName(info.format & SF_FORMAT_TYPEMASK);
    const std::string subtype = FormatName(info.format & SF_FORMAT_SUBMASK);
    if (!subtype.empty()) text += (text.empty() ? "" : ", ") + subtype;
    text += (text.empty() ? "" : ", ") + std::to_string(info.samplerate) + " Hz, ";
    text += info.channels == 1   ? "mono"
            : info.channels == 2 ? "stereo"
                                 : std::to_string(info.channels) + " channels";
    return text;
}

}  // namespace platform
