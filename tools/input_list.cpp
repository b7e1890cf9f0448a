#include "tools/input_list.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kavrin_analyze {

std::vector<std::string> SplitInputList(const std::string& text, bool nullSeparated) {
    const char separator = nullSeparated ? '\0' : '\n';
    std::vector<std::string> paths;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find(separator, begin);
        if (end == std::string::npos) end = text.size();
        if (end > begin) paths.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return paths;
}

std::string ReadInputList(const std::string& list, bool nullSeparated,
                          std::vector<std::string>* paths, const InputListLimits& limits) {
    const bool standardInput = list == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(list.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "cannot open the list " + list + ": " + std::strerror(errno);
    const char separator = nullSeparated ? '\0' : '\n';
    // Split as it comes, so that a list without end (/dev/zero) is refused, not held.
    std::string path;
    std::uint64_t total = 0;
    std::string error;
    char buffer[65536];
    auto take = [&](std::string& entry) {
        // A list written on Windows ends its lines in CR LF.
        if (!nullSeparated && !entry.empty() && entry.back() == '\r') entry.pop_back();
        if (!entry.empty()) paths->push_back(std::move(entry));
        entry.clear();
    };
    while (error.empty()) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = "cannot read the list " + list + ": " + std::strerror(errno);
            break;
        }
        total += static_cast<std::uint64_t>(n);
        if (total > limits.maxBytes) {
            error = "the list " + list + " is longer than " + std::to_string(limits.maxBytes) +
                    " bytes";
            break;
        }
        for (ssize_t k = 0; k < n; ++k) {
            if (buffer[k] == separator) {
                take(path);
            } else if (path.size() >= limits.maxPath) {
                error = "a path in the list " + list + " is longer than " +
                        std::to_string(limits.maxPath) + " bytes";
                break;
            } else {
                path += buffer[k];
            }
        }
    }
    if (!standardInput) ::close(fd);
    if (!error.empty()) return error;
    take(path);
    return "";
}

}  // namespace kavrin_analyze
