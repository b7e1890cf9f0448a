#include "platform/services/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace platform {
namespace {

// Files of 4 GiB and more are read to their end.
static_assert(sizeof(off_t) >= 8, "64-bit file offsets are required");

const char* CauseText(CFileException::Cause cause) {
    switch (cause) {
        case CFileException::Cause::notFound:
            return "File not found";
        case CFileException::Cause::badPath:
            return "Bad path";
        case CFileException::Cause::tooManyOpenFiles:
            return "Too many open files";
        case CFileException::Cause::accessDenied:
            return "Access denied";
        case CFileException::Cause::hardIO:
            return "Hardware I/O error";
        case CFileException::Cause::sharingViolation:
            return "Sharing violation";
        case CFileException::Cause::notRegularFile:
            return "Not a regular file";
        case CFileException::Cause::generic:
            break;
    }
    return "Unspecified error";
}

}  // namespace

CFileException::CFileException(Cause cause, int osError, std::string fileName)
    : m_cause(cause), m_osError(osError), m_fileName(std::move(fileName)) {
    m_text = std::string(CauseText(cause)) + " while accessing " + m_fileName + ".";
}

CFileException::Cause CFileException::CauseFromErrno(int osError) {
    switch (osError) {
        case ENOENT:
            return Cause::notFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return Cause::badPath;
        case EMFILE:
        case ENFILE:
            return Cause::tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return Cause::accessDenied;
        case EIO:
            return Cause::hardIO;
        case EWOULDBLOCK:
            return Cause::sharingViolation;
        default:
            return Cause::generic;
    }
}

CFile::~CFile() {
    Close();
}

void CFile::Open(const std::string& path) {
    Close();
    // The type is checked before the open: opening a FIFO, a terminal or a device can block or
    // act on the device. The open itself does not block either, in case the name was replaced
    // meanwhile; the descriptor's own type is checked again.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        throw CFileException(CFileException::CauseFromErrno(error), error, path);
    }
    RefuseUnlessRegular(info, path);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        throw CFileException(CFileException::CauseFromErrno(error), error, path);
    }
    auto fail = [&](int error, CFileException::Cause cause) {
        ::close(fd);
        throw CFileException(cause, error, path);
    };
    if (::fstat(fd, &info) != 0) fail(errno, CFileException::CauseFromErrno(errno));
    try {
        RefuseUnlessRegular(info, path);
    } catch (...) {
        ::close(fd);
        throw;
    }
    // Files of the kernel's own file systems (/proc, /sys) are regular but say they are empty
    // while reading gives text: their length cannot be trusted, so they are no sound file.
    char probe = 0;
    if (info.st_size == 0 && ::pread(fd, &probe, 1, 0) > 0)
        fail(0, CFileException::Cause::notRegularFile);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        fail(errno, CFileException::CauseFromErrno(errno));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        fail(error, (error == EWOULDBLOCK) ? CFileException::Cause::sharingViolation
                                           : CFileException::CauseFromErrno(error));
    }
    m_fd = fd;
    m_path = path;
    m_dataEnd = UINT64_MAX;
}

void CFile::RefuseUnlessRegular(const struct stat& info, const std::string& path) {
    if (S_ISREG(info.st_mode)) return;
    if (S_ISDIR(info.st_mode))
        throw CFileException(CFileException::Cause::accessDenied, EISDIR, path);
    throw CFileException(CFileException::Cause::notRegularFile, 0, path);
}

void CFile::RequireRegularFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        throw CFileException(CFileException::CauseFromErrno(error), error, path);
    }
    RefuseUnlessRegular(info, path);
}

std::uint64_t CFile::GetLength() const {
    if (m_fd < 0) Throw(EBADF);
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) Throw(errno);
    return std::min(static_cast<std::uint64_t>(info.st_size), m_dataEnd);
}

std::size_t CFile::Read(void* buffer, std::size_t count) {
    if (m_fd < 0) Throw(EBADF);
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(m_fd, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Throw(errno);
        }
        if (n == 0) {
            // The end of the data, whatever size the file claims; a file that grows moves it on.
            const off_t at = ::lseek(m_fd, 0, SEEK_CUR);
            if (at >= 0) m_dataEnd = static_cast<std::uint64_t>(at);
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (m_dataEnd != UINT64_MAX && done > 0) {
        const off_t at = ::lseek(m_fd, 0, SEEK_CUR);
        if (at >= 0 && static_cast<std::uint64_t>(at) > m_dataEnd) m_dataEnd = UINT64_MAX;
    }
    return done;
}

void CFile::Seek(std::uint64_t offset) {
    if (m_fd < 0) Throw(EBADF);
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) Throw(errno);
}

void CFile::Close() {
    if (m_fd < 0) return;
    // Closing the last descriptor of the open file releases the lock.
    ::close(m_fd);
    m_fd = -1;
}

void CFile::Throw(int osError) const {
    throw CFileException(CFileException::CauseFromErrno(osError), osError, m_path);
}

}  // namespace platform
