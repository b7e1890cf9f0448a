// What a host hands a time-domain plugin, turned back into the recording's frames.
//
// Each process() block starts `step` frames after the previous one, so only the frames beyond
// those already taken are new: the overlap of a step shorter than the block is skipped. Hosts
// pad the last block (or the last few) with zeros up to the block size, and a plugin is never
// told where the recording ends; those zeros cannot be told from the recording's own exact
// silence. So a trailing run of frames whose every channel is exactly zero is held back, and at
// the end the last `blockSize` of them at most (what padding can be) are left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CHostInput {
public:
    // `step` must not exceed `blockSize`: the frames between two blocks would be missing.
    CHostInput(std::size_t channels, std::size_t step, std::size_t blockSize);

    // Appends the new frames of the next block (one buffer per channel, `blockSize` values
    // each) to `frames`, interleaved, as doubles; the frames held back stay out until a frame
    // that is not silent follows them.
    void Take(const float* const* channels, std::vector<double>& frames);

    // Frames held back because they may be the host's padding.
    std::uint64_t HeldBackFrames() const { return m_silentFrames; }

private:
    void PutSilence(std::uint64_t count, std::vector<double>& frames) const;

    std::size_t m_channels;
    std::size_t m_step;
    std::size_t m_blockSize;
    std::uint64_t m_blocks = 0;  // process() calls so far
    std::uint64_t m_taken = 0;   // frames of the recording taken, held back ones included
    std::uint64_t m_silentFrames = 0;
};
