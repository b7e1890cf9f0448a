// What a sound file holds, in words, for a report: container, sample form, rate and channels
// as libsndfile reads its header (e.g. "WAV (Microsoft), Signed 16 bit PCM, 44100 Hz, stereo").
#pragma once

#include <string>

namespace platform {

// What libsndfile reads of the file's header; for what it cannot read (a headerless file, or a
// format only FFmpeg reads), a sentence that says so. Never blocks: only regular files are read.
std::string DescribeSoundFileFormat(const std::string& path);

}  // namespace platform
