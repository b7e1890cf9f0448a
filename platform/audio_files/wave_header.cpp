#include "platform/audio_files/wave_header.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatALaw = 6;
constexpr std::uint16_t kFormatMuLaw = 7;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint16_t Read16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Read32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string SampleForm(std::uint16_t tag, std::uint16_t bits) {
    switch (tag) {
        case kFormatPcm:
            return std::to_string(bits) + "-bit";
        case kFormatFloat:
            return std::to_string(bits) + "-bit float";
        case kFormatALaw:
            return "A-law";
        case kFormatMuLaw:
            return "mu-law";
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "format 0x%04X", static_cast<unsigned>(tag));
            return text;
        }
    }
}

}  // namespace

std::optional<std::string> DescribeForeignWaveFormat(const unsigned char* bytes, std::size_t size) {
    if (size < 12 || (std::memcmp(bytes, "RIFF", 4) != 0 && std::memcmp(bytes, "RF64", 4) != 0) ||
        std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return std::nullopt;
    // Chunks follow one another; each size is trusted only as far as the bytes read reach.
    std::uint64_t position = 12;
    while (position + 8 <= size) {
        const unsigned char* chunk = bytes + position;
        const std::uint32_t length = Read32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || position + 8 + 16 > size) return std::nullopt;
            const unsigned char* fmt = chunk + 8;
            std::uint16_t tag = Read16(fmt);
            const std::uint16_t channels = Read16(fmt + 2);
            const std::uint32_t rate = Read32(fmt + 4);
            const std::uint16_t bits = Read16(fmt + 14);
            // The extensible form names its real format in the first two bytes of its GUID.
            if (tag == kFormatExtensible && length >= 40 && position + 8 + 26 <= size)
                tag = Read16(fmt + 24);
            if (tag == kFormatPcm && bits == 16 && channels == 1 && rate == 11025)
                return std::nullopt;
            std::string text = std::to_string(rate) + " Hz ";
            if (channels == 1)
                text += "mono";
            else if (channels == 2)
                text += "stereo";
            else
                text += std::to_string(channels) + " channels";
            if (!(tag == kFormatPcm && bits == 16)) {
                text += ' ';
                text += SampleForm(tag, bits);
            }
            return text;
        }
        position += 8 + std::uint64_t{length} + (length & 1u);
    }
    return std::nullopt;
}

std::optional<std::string> DescribeForeignWaveHeader(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<unsigned char> bytes(kHeaderBytes);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return DescribeForeignWaveFormat(bytes.data(), got);
}

}  // namespace platform
