// Sound files made by the tests through libsndfile, and a scratch folder that removes itself.
#pragma once

#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace sound_file_test {

struct ScratchFolder {
    ScratchFolder() {
        path = std::filesystem::temp_directory_path() /
               ("kavrin-sound-" + std::to_string(::getpid()) + "-" + std::to_string(Counter()++));
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
    static int& Counter() {
        static int counter = 0;
        return counter;
    }
    std::filesystem::path path;
};

// Speech-like test samples: a 300 Hz carrier whose level wobbles at 10 Hz, with some noise, so
// that every analysed block is different and nonzero.
inline std::vector<std::int16_t> TestSamples(std::size_t count, unsigned seed = 1) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-300, 300);
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / 11025.0;
        const double level = 8000.0 * (1.0 + 0.5 * std::sin(2.0 * M_PI * 10.0 * t));
        samples[i] =
            static_cast<std::int16_t>(level * std::sin(2.0 * M_PI * 300.0 * t) + noise(random));
    }
    return samples;
}

inline SNDFILE* OpenForWriting(const std::string& path, int format, int rate, int channels) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) throw std::runtime_error(sf_strerror(nullptr));
    return file;
}

// Writes interleaved 16-bit frames; `title` (when not empty) adds a LIST/INFO chunk.
inline void WriteSoundFile(const std::string& path, int format, int rate, int channels,
                           const std::vector<std::int16_t>& interleaved,
                           const std::string& title = "") {
    SNDFILE* file = OpenForWriting(path, format, rate, channels);
    if (!title.empty()) sf_set_string(file, SF_STR_TITLE, title.c_str());
    sf_write_short(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size()));
    sf_close(file);
}

inline void WriteDoubles(const std::string& path, int format, int rate, int channels,
                         const std::vector<double>& interleaved) {
    SNDFILE* file = OpenForWriting(path, format, rate, channels);
    sf_write_double(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size()));
    sf_close(file);
}

inline void WriteRaw(const std::string& path, const std::vector<std::int16_t>& samples) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(std::int16_t)));
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// All samples of a 16-bit mono file as libsndfile reads them; frames = -1 when it cannot.
inline std::vector<std::int16_t> ReadSoundFile(const std::string& path, sf_count_t* frames,
                                               int* rate = nullptr) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        *frames = -1;
        return {};
    }
    std::vector<std::int16_t> samples(static_cast<std::size_t>(info.frames * info.channels));
    *frames = sf_readf_short(file, samples.data(), info.frames);
    if (rate) *rate = info.samplerate;
    sf_close(file);
    samples.resize(static_cast<std::size_t>(*frames * info.channels));
    return samples;
}

}  // namespace sound_file_test
