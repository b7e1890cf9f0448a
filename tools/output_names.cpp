#include "tools/output_names.h"

#include <filesystem>
#include <system_error>

namespace kavrin_analyze {
namespace {

namespace fs = std::filesystem;

// The input as an absolute path without ".", ".." or a trailing slash (the file system is not
// asked: a name depends on the path given alone).
fs::path Normal(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) absolute = fs::path(path);
    absolute = absolute.lexically_normal();
    if (!absolute.has_filename() && absolute.has_parent_path() && absolute != absolute.root_path())
        absolute = absolute.parent_path();
    return absolute;
}

bool Inside(const fs::path& relative) {
    return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

}  // namespace

fs::path CommonFolder(const std::vector<fs::path>& paths) {
    fs::path common;
    bool first = true;
    for (const fs::path& path : paths) {
        const fs::path folder = path.parent_path();
        if (first) {
            common = folder;
            first = false;
            continue;
        }
        fs::path shared;
        for (auto a = common.begin(), b = folder.begin();
             a != common.end() && b != folder.end() && *a == *b; ++a, ++b)
            shared /= *a;
        common = shared;
    }
    return common;
}

std::string OutputNames(const std::vector<std::string>& inputs, const std::string& root,
                        std::vector<std::string>* names) {
    std::vector<fs::path> normal;
    for (const std::string& input : inputs)
        if (input != "-") normal.push_back(Normal(input));
    const fs::path base = root.empty() ? CommonFolder(normal) : Normal(root);
    names->clear();
    std::size_t next = 0;
    for (const std::string& input : inputs) {
        if (input == "-") {
            names->push_back("-.csv");
            continue;
        }
        const fs::path relative = normal[next++].lexically_relative(base);
        if (!Inside(relative)) {
            if (!root.empty()) return input + " is not under the input root " + root;
            // "/" or a folder that is the common one itself: no name of its own.
            names->push_back("input.csv");
            continue;
        }
        names->push_back(relative.string() + ".csv");
    }
    return "";
}

}  // namespace kavrin_analyze
