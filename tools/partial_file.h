// The hidden file a CSV is written under until it is complete. Its name carries the writer's
// process id and an unpredictable token, and it is only ever created anew inside the opened
// output folder (never through a link planted there), then renamed into place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kavrin_analyze {

// ".kavrin-analyze.<pid>.<16 hex digits>.part": short, so that any CSV name that fits the
// folder fits its partial name too.
std::string PartialName(long processId, std::uint64_t token);

// The writer's process id when `entry` is a partial file's name.
std::optional<long> PartialWriter(const std::string& entry);

// Creates a new partial file in the folder `folderFd` (O_EXCL, O_NOFOLLOW); the descriptor for
// writing, or -1 with errno set. `name` gets the file's name in that folder.
int CreatePartialFile(int folderFd, std::string* name);

// Removes the partial files in the opened folder `folderFd` whose writer no longer runs (a
// batch killed with SIGKILL, or a machine that went down, leaves them behind): only regular
// files of this user, never through a link. Those of running writers stay.
void RemoveStalePartialFiles(int folderFd);

}  // namespace kavrin_analyze
