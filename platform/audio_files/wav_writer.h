// A 16-bit mono WAV file at 11025 Hz written through libsndfile, as the recording keeps the live
// input. The header is rewritten after every write, so the file is valid at every moment: a
// crash or a kill loses at most the write that was under way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

typedef struct sf_private_tag SNDFILE;

namespace platform {

class CWavWriter {
public:
    CWavWriter() = default;
    CWavWriter(const CWavWriter&) = delete;
    CWavWriter& operator=(const CWavWriter&) = delete;
    ~CWavWriter();

    // Creates a new file (never replaces one); false with the reason in `error` when it cannot.
    bool Create(const std::string& path, std::string* error);
    // Appends the samples. False with the reason when not all of them were written (a full disk,
    // an I/O error) or when the file has vanished from its folder.
    bool Write(const std::int16_t* samples, std::size_t count, std::string* error);
    void Close();

    bool IsOpen() const { return m_file != nullptr; }
    const std::string& Path() const { return m_path; }
    std::uint64_t FramesWritten() const { return m_frames; }

private:
    SNDFILE* m_file = nullptr;
    int m_fd = -1;
    std::string m_path;
    std::uint64_t m_frames = 0;
};

}  // namespace platform
