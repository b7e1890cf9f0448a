#include "tools/batch_plan.h"

#include <sys/stat.h>

#include "tools/output_names.h"

namespace kavrin_analyze {

std::vector<PlannedInput> PlanBatch(const std::vector<std::string>& inputs,
                                    const BatchSettings& settings) {
    std::vector<std::string> names;
    OutputNames(inputs, settings.inputRoot, &names);
    std::vector<PlannedInput> plan(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        PlannedInput& p = plan[i];
        p.path = inputs[i];
        p.name = names[i];
        struct stat info {};
        if (settings.skipExisting) {
            const std::string csv = settings.outputDir + "/" + p.name;
            // Only a regular file of that name counts: a link planted there does not.
            p.skipped = ::lstat(csv.c_str(), &info) == 0 && S_ISREG(info.st_mode);
        }
        if (::stat(p.path.c_str(), &info) == 0) {
            p.exists = true;
            p.length = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
            p.device = info.st_dev;
            p.inode = info.st_ino;
        }
    }
    return plan;
}

std::string BatchLabel(const std::vector<PlannedInput>& plan) {
    if (plan.size() == 1) return plan[0].path;
    return std::to_string(plan.size()) + " files";
}

}  // namespace kavrin_analyze
