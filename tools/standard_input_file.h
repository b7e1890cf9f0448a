// The "-" argument of kavrin-analyze: standard input copied into a temporary file, since the
// analysis needs a file with a length and a pipe has none. The file is unlinked as soon as it
// is made, so that nothing is left behind however the program ends; it is reached through the
// descriptor's name under /proc/self/fd.
#pragma once

#include <string>

namespace kavrin_analyze {

class StandardInputFile {
public:
    StandardInputFile() = default;
    StandardInputFile(const StandardInputFile&) = delete;
    StandardInputFile& operator=(const StandardInputFile&) = delete;
    ~StandardInputFile();

    // Copies all of standard input (once; later calls return the same file). Returns an empty
    // string, or why the copy failed.
    std::string Copy();
    // The name to open, valid after a successful Copy.
    const std::string& Path() const { return m_path; }
    // `text` with every mention of Path() as "-", as the user named it.
    std::string AsDash(const std::string& text) const;

private:
    int m_fd = -1;
    std::string m_path;
};

}  // namespace kavrin_analyze
