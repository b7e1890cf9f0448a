// kavrin-analyze run as a user runs it, through the shell: its exit status, standard output and
// standard error.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace cli_test {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `command` (a whole shell command line) with standard error sent to `errPath`, which is
// read back into the result.
inline Result RunWithStderrIn(const std::string& command, const std::string& errPath) {
    Result result;
    FILE* pipe = ::popen((command + " 2>" + errPath).c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errPath, std::ios::binary);
    result.err.assign(std::istreambuf_iterator<char>(err), {});
    return result;
}

inline int Lines(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

}  // namespace cli_test
