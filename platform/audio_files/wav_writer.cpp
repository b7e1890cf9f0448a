#include "platform/audio_files/wav_writer.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

CWavWriter::~CWavWriter() {
    Close();
}

bool CWavWriter::Create(const std::string& path, std::string* error) {
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    SF_INFO info{};
    info.samplerate = 11025;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE);
    if (file == nullptr) {
        *error = sf_strerror(nullptr);
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    sf_command(file, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    m_file = file;
    m_fd = fd;
    m_path = path;
    m_frames = 0;
    return true;
}

bool CWavWriter::Write(const std::int16_t* samples, std::size_t count, std::string* error) {
    if (m_file == nullptr) {
        *error = "not open";
        return false;
    }
    // A file unlinked from its folder would take the samples and lose them all at the end.
    struct stat byPath {};
    struct stat byHandle {};
    if (::stat(m_path.c_str(), &byPath) != 0 || ::fstat(m_fd, &byHandle) != 0 ||
        byPath.st_ino != byHandle.st_ino || byPath.st_dev != byHandle.st_dev) {
        *error = "the file has vanished from its folder";
        return false;
    }
    const sf_count_t written = sf_write_short(m_file, samples, static_cast<sf_count_t>(count));
    if (written > 0) m_frames += static_cast<std::uint64_t>(written);
    if (written != static_cast<sf_count_t>(count)) {
        const int sfError = sf_error(m_file);
        *error = sfError != SF_ERR_NO_ERROR ? sf_strerror(m_file) : std::strerror(ENOSPC);
        return false;
    }
    return true;
}

void CWavWriter::Close() {
    if (m_file != nullptr) {
        sf_close(m_file);
        m_file = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace platform
