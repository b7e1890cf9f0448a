// The SHA-256 of a file, read in a fixed buffer (a recording of hours is never held whole), so
// that a report names exactly the bytes it speaks of: the same hex digits sha256sum prints.
#pragma once

#include <optional>
#include <string>

namespace platform {

// 64 lower-case hex digits; nothing when the file cannot be opened or read, or is no regular
// file (never blocks on a FIFO or a device). `error` (may be null) then says why.
std::optional<std::string> FileSha256(const std::string& path, std::string* error = nullptr);

}  // namespace platform
