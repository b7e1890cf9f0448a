// Everything written to standard error (file descriptor 2, so the C libraries' own writes too)
// between construction and Finish, kept in a file instead of shown: a temporary one, or the one
// named, which outlives a process that a sanitizer ends while capturing.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

namespace test_support {

class StderrCapture {
public:
    explicit StderrCapture(const std::string& path = "")
        : m_file(path.empty() ? std::tmpfile() : std::fopen(path.c_str(), "w+")) {
        std::fflush(stderr);
        m_saved = ::dup(2);
        if (m_file != nullptr && m_saved >= 0) ::dup2(::fileno(m_file), 2);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    ~StderrCapture() { Finish(); }

    bool Capturing() const { return m_file != nullptr && m_saved >= 0; }

    // Restores standard error and returns what was written meanwhile (once; later calls give "").
    std::string Finish() {
        std::string text;
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, 2);
            ::close(m_saved);
            m_saved = -1;
        }
        if (m_file != nullptr) {
            std::rewind(m_file);
            char chunk[4096];
            std::size_t count;
            while ((count = std::fread(chunk, 1, sizeof chunk, m_file)) > 0)
                text.append(chunk, count);
            std::fclose(m_file);
            m_file = nullptr;
        }
        return text;
    }

private:
    std::FILE* m_file;
    int m_saved = -1;
};

}  // namespace test_support
