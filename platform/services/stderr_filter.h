// Standard error as a stream that takes some lines aside. A library that writes its complaints
// straight to stderr, with no hook to replace them, can be kept quiet this way: glibc lets a
// program assign the stderr stream, and every fprintf(stderr, ...) made after that, the
// libraries' own included, goes through the new one. Text that is not taken aside reaches file
// descriptor 2 at once, unbuffered, as before; writes to descriptor 2 itself (the sanitizers'
// reports) are not touched.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

struct StderrFilter {
    // A line, without its newline, that belongs to the filter.
    std::function<bool(std::string_view line)> takes;
    // Where the lines taken go; called outside the stream (it may write to descriptor 2).
    std::function<void(const std::string& line)> receive;
    // Text that may be the start of such a line is held until its line ends.
    std::string prefix;
};

// Writes straight to descriptor 2, whole (past the stream and so past any filter).
void WriteToDescriptor2(const char* data, std::size_t size);

// Installs the filter as the process's stderr stream. Once per process; later calls do nothing
// and return false. False also when the stream cannot be made (stderr stays as it was).
bool FilterStandardError(StderrFilter filter);

}  // namespace platform
