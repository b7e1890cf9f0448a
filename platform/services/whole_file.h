// Small files read and replaced as a whole, as a settings file is: the read never blocks and
// takes only regular files; the replacement goes through symbolic links to their target, is
// atomic (a temporary file beside the target, renamed over it) and leaves no temporary file
// behind when it fails.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// `path` with every symbolic link of its last component followed, also when the last target
// does not exist (a dangling link names the file to create). A relative target is taken from
// the link's folder. Gives `path` itself when it is no link; stops after 40 links.
std::string FollowLinks(const std::string& path);

// The contents of a regular file of at most `limit` bytes; false (and `contents` empty) when
// the file is missing, unreadable, too long or not a regular file.
bool ReadWholeFile(const std::string& path, std::string* contents,
                   std::size_t limit = std::size_t{1} << 24);

// Replaces the file at the end of `path`'s links with `contents`, keeping the old file's
// permissions. Returns an empty string, or why nothing was written (for one line on standard
// error); the folder must exist.
std::string ReplaceWholeFile(const std::string& path, const std::string& contents);

}  // namespace platform
