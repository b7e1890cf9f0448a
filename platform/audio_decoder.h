// Audio files of any format libsndfile reads, decoded to what the analysis takes: 16-bit mono
// samples at 11025 per second. Channels are averaged; another rate is converted by libsoxr at
// its very high quality. A mono file at 11025 Hz is not resampled, so its 16-bit samples come
// out exactly as stored. Values are rounded (halves away from zero) and clipped to 16 bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"

namespace platform {

inline constexpr int kDecodedSampleRate = 11025;

// A file that libsndfile cannot read (or stops reading in the middle): what() names the file
// and gives libsndfile's reason on one line.
class CDecodeError : public CFileException {
public:
    CDecodeError(const std::string& fileName, const std::string& reason);
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

struct DecodedAudio {
    std::vector<std::int16_t> samples;
    std::uint64_t clippedSamples = 0;  // samples that had to be clipped to 16 bits
    int sourceRate = 0;
    int sourceChannels = 0;
};

// Decodes the whole file. The file is opened as the raw path opens it (exclusive, regular files
// only, CFileException when that fails); CDecodeError when libsndfile cannot read it.
DecodedAudio DecodeAudioFile(const std::string& path);

// The file-name extensions of the formats this libsndfile build reads, lower case, without the
// dot ("wav", "flac", ...), each once.
std::vector<std::string> DecodableExtensions();

}  // namespace platform
