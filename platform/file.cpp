#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw CFileException(CFileException::CauseFromErrno(error), error, path);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        throw CFileException(CFileException::CauseFromErrno(error), error, path);
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        throw CFileException(CFileException::Cause::accessDenied, EISDIR, path);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        const auto cause = (error == EWOULDBLOCK) ? CFileException::Cause::sharingViolation
                                                  : CFileException::CauseFromErrno(error);
        throw CFileException(cause, error, path);
    }
    m_fd = fd;
    m_path = path;
}

std::uint64_t CFile::GetLength() const {
    if (m_fd < 0) Throw(EBADF);
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) Throw(errno);
    return static_cast<std::uint64_t>(info.st_size);
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
        if (n == 0) break;  // end of file
        done += static_cast<std::size_t>(n);
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
