#include "tools/partial_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace kavrin_analyze {
namespace {

constexpr const char* kPrefix = ".kavrin-analyze.";
constexpr const char* kSuffix = ".part";
constexpr int kAttempts = 16;

std::uint64_t RandomToken() {
    std::uint64_t token = 0;
    if (::getrandom(&token, sizeof token, 0) == sizeof token) return token;
    // No entropy source: the clock and the address space still differ from run to run.
    return static_cast<std::uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ull ^
           reinterpret_cast<std::uintptr_t>(&token);
}

}  // namespace

std::string PartialName(long processId, std::uint64_t token) {
    char text[96];
    std::snprintf(text, sizeof text, "%s%ld.%016llx%s", kPrefix, processId,
                  static_cast<unsigned long long>(token), kSuffix);
    return text;
}

std::optional<long> PartialWriter(const std::string& entry) {
    const std::string prefix = kPrefix;
    const std::string suffix = kSuffix;
    if (entry.size() <= prefix.size() + suffix.size() || entry.rfind(prefix, 0) != 0 ||
        entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    const std::string middle =
        entry.substr(prefix.size(), entry.size() - prefix.size() - suffix.size());
    // The pid is what a process id can be: decimal digits, then '.' and the token.
    const std::size_t dot = middle.find('.');
    if (dot == 0 || dot == std::string::npos || middle.size() - dot - 1 != 16) return std::nullopt;
    long pid = 0;
    for (std::size_t i = 0; i < dot; ++i) {
        if (middle[i] < '0' || middle[i] > '9' || pid > 1'000'000'000) return std::nullopt;
        pid = pid * 10 + (middle[i] - '0');
    }
    return pid > 0 ? std::optional<long>(pid) : std::nullopt;
}

int CreatePartialFile(int folderFd, std::string* name) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        *name = PartialName(static_cast<long>(::getpid()), RandomToken());
        const int fd = ::openat(folderFd, name->c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void RemoveStalePartialFiles(int folderFd) {
    // The listing gets a descriptor of its own: closedir closes it.
    const int listed = ::dup(folderFd);
    DIR* dir = listed < 0 ? nullptr : ::fdopendir(listed);
    if (dir == nullptr) {
        if (listed >= 0) ::close(listed);
        return;
    }
    const uid_t user = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        const std::optional<long> writer = PartialWriter(entry->d_name);
        // A writer that runs, or one this user may not signal (EPERM), keeps its file.
        if (!writer || ::kill(static_cast<pid_t>(*writer), 0) == 0 || errno != ESRCH) continue;
        struct stat status {};
        if (::fstatat(folderFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode) || status.st_uid != user)
            continue;
        ::unlinkat(folderFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace kavrin_analyze
