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
                          std::vector<std::string>* paths) {
    const bool standardInput = list == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(list.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "cannot open the list " + list + ": " + std::strerror(errno);
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            if (!standardInput) ::close(fd);
            return "cannot read the list " + list + ": " + std::strerror(error);
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    if (!standardInput) ::close(fd);
    for (std::string& path : SplitInputList(text, nullSeparated)) paths->push_back(std::move(path));
    return "";
}

}  // namespace kavrin_analyze
