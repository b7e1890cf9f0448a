#include "labels/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "labels/label_text.h"

namespace kavrin_labels {
namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const std::filesystem::path target(path);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") return path + ": not a file name";

    // A hidden name of our own in the same folder (a rename never crosses file systems);
    // O_EXCL refuses any existing name, a symbolic link included, so a planted link is never
    // followed.
    std::random_device seed;
    std::mt19937_64 random(seed());
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = (folder / ("." + name + "." + std::to_string(::getpid()) + "." +
                               std::to_string(random() % 1000000000) + ".tmp"))
                        .string();
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return path + ": " + Reason(errno);
    }
    if (fd < 0) return path + ": no free temporary name in its folder";

    int error = 0;
    if (!WriteAll(fd, bytes)) error = errno != 0 ? errno : EIO;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return path + ": " + Reason(error);
    }
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

std::string ReadWholeFile(const std::string& path, std::string* bytes) {
    // O_NONBLOCK: a FIFO planted under the name must not hang the reader.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return path + ": " + Reason(errno);
    struct stat info {};
    std::string error;
    if (::fstat(fd, &info) != 0) {
        error = path + ": " + Reason(errno);
    } else if (!S_ISREG(info.st_mode)) {
        error = path + ": not a regular file";
    } else if (static_cast<std::uint64_t>(info.st_size) > kMaxLabelFileBytes) {
        error = path + ": larger than " + std::to_string(kMaxLabelFileBytes >> 20) + " MiB";
    } else {
        bytes->clear();
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = path + ": " + Reason(errno);
                break;
            }
            if (n == 0) break;
            bytes->append(buffer, static_cast<std::size_t>(n));
            if (bytes->size() > kMaxLabelFileBytes) {
                error = path + ": larger than " + std::to_string(kMaxLabelFileBytes >> 20) + " MiB";
                break;
            }
        }
    }
    ::close(fd);
    return error;
}

}  // namespace kavrin_labels
