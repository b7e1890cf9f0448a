#include "platform/services/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {
namespace {

constexpr int kMaxLinks = 40;

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string FollowLinks(const std::string& path) {
    std::string current = path;
    for (int links = 0; links < kMaxLinks; ++links) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) +
                                 1);
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return current;
        std::string next(target.data(), static_cast<std::size_t>(n));
        if (next.empty()) return current;
        current = next[0] == '/' ? next : FolderOf(current) + "/" + next;
    }
    return current;
}

bool ReadWholeFile(const std::string& path, std::string* contents, std::size_t limit) {
    contents->clear();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    std::vector<char> buffer(1 << 16);
    while (ok) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
        } else if (contents->size() + static_cast<std::size_t>(n) > limit) {
            ok = false;
        } else {
            contents->append(buffer.data(), static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (!ok) contents->clear();
    return ok;
}

std::string ReplaceWholeFile(const std::string& path, const std::string& contents) {
    const std::string target = FollowLinks(path);
    struct stat info {};
    // Still a link: a loop, or a chain too long to follow; it is left as it is.
    if (::lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
        return target + ": " + std::strerror(ELOOP);
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode))
        return target + (S_ISDIR(info.st_mode) ? " is a folder" : " is not a regular file");
    std::string name = target + ".XXXXXX";
    std::vector<char> temporary(name.begin(), name.end());
    temporary.push_back('\0');
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return std::string("cannot create a file in ") + FolderOf(target) + ": " +
               std::strerror(errno);
    // As a new file would be made: the old file's permissions, else the umask's.
    mode_t mode = info.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const bool written = WriteAll(fd, contents) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    ::close(fd);
    if (!written) {
        ::unlink(temporary.data());
        return "cannot write " + target + ": " + std::strerror(writeError);
    }
    if (::rename(temporary.data(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.data());
        return "cannot replace " + target + ": " + std::strerror(error);
    }
    // The new name reaches the disk with the folder's entry.
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

}  // namespace platform
