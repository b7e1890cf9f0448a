// Where --output-dir puts each input's CSV: DIR/<path>.csv, where <path> is the input's path
// relative to the input root (--input-root, else the deepest folder that holds every input),
// its folders mirrored under DIR. With a root given, an input's name depends on that input
// alone, whatever else the batch holds, so a resume with a grown list finds every CSV again.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kavrin_analyze {

// The deepest folder holding every path (their parents' common components).
std::filesystem::path CommonFolder(const std::vector<std::filesystem::path>& paths);

// The CSV names (relative to the output directory), one per input, in order; "-" is "-.csv".
// Returns an empty string, or the usage error for an input outside the root given.
std::string OutputNames(const std::vector<std::string>& inputs, const std::string& root,
                        std::vector<std::string>* names);

}  // namespace kavrin_analyze
