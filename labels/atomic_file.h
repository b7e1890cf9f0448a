// Files written whole or not at all: the bytes go to a new file beside the target (created
// exclusively, never through a link planted under its name), are flushed to the disk, and the
// new file is renamed over the target. A reader sees the old file or the new one, never a part.
#pragma once

#include <string>
#include <string_view>

namespace kavrin_labels {

// Empty on success, else why the file could not be written (the target is then unchanged and no
// temporary file is left). The new file gets the usual permissions (0666 less the umask).
std::string WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole file of at most kMaxLabelFileBytes that is a regular file. Empty on success.
std::string ReadWholeFile(const std::string& path, std::string* bytes);

}  // namespace kavrin_labels
