// What a WAVE header says to the raw path, from header bytes made here, hostile sizes included.
#include "platform/wave_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void PutText(Bytes& b, const char* text) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(text[i]));
}

// RIFF/WAVE, an optional chunk before "fmt ", then "fmt " with the given fields.
Bytes Header(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
             std::uint32_t fmtSize = 16, std::uint32_t listSize = 0) {
    Bytes b;
    PutText(b, "RIFF");
    Put32(b, 0xFFFFFFFF);
    PutText(b, "WAVE");
    if (listSize != 0) {
        PutText(b, "LIST");
        Put32(b, listSize);
        b.resize(b.size() + std::min<std::uint32_t>(listSize, 64), 0);
    }
    PutText(b, "fmt ");
    Put32(b, fmtSize);
    Put32(b, tag | (std::uint32_t{channels} << 16));
    Put32(b, rate);
    Put32(b, rate * channels * bits / 8);
    Put32(b, (channels * bits / 8) | (std::uint32_t{bits} << 16));
    if (fmtSize >= 40) {
        b.resize(b.size() + 8, 0);
        Put32(b, 3);  // the subformat GUID begins with the real tag: IEEE float
        b.resize(b.size() + 12, 0);
    }
    return b;
}

Bytes Cut(Bytes bytes, std::size_t count) {
    bytes.resize(bytes.size() - count);
    return bytes;
}

TEST(WaveHeader, DescribesWhatTheRawPathIgnores) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* expected;  // nullptr: nothing to say
    };
    const Case cases[] = {
        {"the raw path's own format", Header(1, 1, 11025, 16), nullptr},
        {"CD stereo", Header(1, 2, 44100, 16), "44100 Hz stereo"},
        {"24-bit mono", Header(1, 1, 48000, 24), "48000 Hz mono 24-bit"},
        {"8-bit at the right rate", Header(1, 1, 11025, 8), "11025 Hz mono 8-bit"},
        {"six channels of mu-law", Header(7, 6, 8000, 8), "8000 Hz 6 channels mu-law"},
        {"extensible float", Header(0xFFFE, 2, 96000, 32, 40), "96000 Hz stereo 32-bit float"},
        {"a chunk before fmt", Header(1, 2, 22050, 16, 16, 30), "22050 Hz stereo"},
        {"fmt beyond a huge chunk", Header(1, 2, 22050, 16, 16, 0xFFFFFFF0), nullptr},
        {"fmt cut short", Cut(Header(1, 2, 44100, 16), 4), nullptr},
        {"fmt too small", Header(1, 2, 44100, 16, 8), nullptr},
        {"raw samples", Bytes(100, 0x41), nullptr},
        {"nothing", Bytes{}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto said = platform::DescribeForeignWaveFormat(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(said.value_or("(nothing)"), c.expected ? c.expected : "(nothing)");
    }
}

}  // namespace
