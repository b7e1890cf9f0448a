#include "tools/output_names.h"

#include <set>

namespace kavrin_analyze {
namespace {

std::string InputName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    // "/", ".", "..": no usable name of their own.
    if (name.empty() || name == "/" || name == "." || name == "..") name = "input";
    return name;
}

}  // namespace

std::vector<std::string> OutputNames(const std::vector<std::string>& inputs) {
    std::vector<std::string> names;
    std::set<std::string> taken;
    names.reserve(inputs.size());
    for (const std::string& input : inputs) {
        const std::string base = InputName(input);
        std::string name = base + ".csv";
        for (int k = 2; taken.count(name) != 0; ++k) name = base + "-" + std::to_string(k) + ".csv";
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

}  // namespace kavrin_analyze
