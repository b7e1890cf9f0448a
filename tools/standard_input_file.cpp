#include "tools/standard_input_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kavrin_analyze {
namespace {

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return (folder && *folder) ? folder : "/tmp";
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

StandardInputFile::~StandardInputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

std::string StandardInputFile::Copy() {
    if (m_fd >= 0) return {};
    std::string name = TemporaryFolder() + "/kavrin-analyze-stdin-XXXXXX";
    std::vector<char> writable(name.begin(), name.end());
    writable.push_back('\0');
    const int fd = ::mkostemp(writable.data(), O_CLOEXEC);
    if (fd < 0)
        return "cannot make a temporary file in " + TemporaryFolder() + ": " + std::strerror(errno);
    ::unlink(writable.data());
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || !WriteAll(fd, buffer.data(), static_cast<std::size_t>(n))) {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            return (n < 0 ? "cannot read standard input: " : "cannot copy standard input: ") +
                   reason;
        }
    }
    m_fd = fd;
    m_path = "/proc/self/fd/" + std::to_string(fd);
    return {};
}

std::string StandardInputFile::AsDash(const std::string& text) const {
    if (m_path.empty()) return text;
    std::string out;
    std::size_t from = 0;
    for (auto at = text.find(m_path); at != std::string::npos; at = text.find(m_path, from)) {
        out.append(text, from, at - from);
        out += '-';
        from = at + m_path.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

}  // namespace kavrin_analyze
