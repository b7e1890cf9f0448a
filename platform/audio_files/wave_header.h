// What a .WAV file's RIFF header says about its samples, for the raw path, which takes every
// file as 16-bit mono at 11025 Hz from byte 0 and never reads the header: when the header says
// otherwise, the user is told what it says (e.g. "44100 Hz stereo"), so that decoding can be
// chosen instead.
//
// The header is hostile input: only the first kHeaderBytes of the file are read, every size in
// it is checked against what was read, and a header that cannot be made sense of says nothing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

constexpr std::size_t kHeaderBytes = 65536;

// The sample format of a RIFF/RF64 WAVE header's "fmt " chunk when it is other than 16-bit PCM
// mono at 11025 Hz: "<rate> Hz <mono|stereo|N channels>", then the sample form when it is not
// 16-bit PCM ("8-bit", "24-bit", "32-bit float", "A-law", "mu-law", "format 0x0055").
// Nothing for a matching header, for bytes that are no WAVE header and for a "fmt " chunk that
// does not lie within `size`.
std::optional<std::string> DescribeForeignWaveFormat(const unsigned char* bytes, std::size_t size);

// The same for the first kHeaderBytes of the file at `path`. Nothing when the file cannot be
// opened or is no regular file (never blocks on a FIFO or a device).
std::optional<std::string> DescribeForeignWaveHeader(const std::string& path);

}  // namespace platform
