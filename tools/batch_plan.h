// What a batch will do before it starts: each input's output name, whether it is skipped (its
// CSV exists), its length for the batch's progress bar, and the file it is (two inputs naming
// the same file are never analysed at once: the file source opens its file without sharing).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/batch_runner.h"

namespace kavrin_analyze {

struct PlannedInput {
    std::string path;
    std::string name;  // the CSV's file name in the output directory
    bool skipped = false;
    std::uint64_t length = 0;
    dev_t device = 0;
    ino_t inode = 0;
    bool exists = false;
};

std::vector<PlannedInput> PlanBatch(const std::vector<std::string>& inputs,
                                    const BatchSettings& settings);

// The label of the batch's progress bar: the file's name for one input, else the count.
std::string BatchLabel(const std::vector<PlannedInput>& plan);

// Runs the plan with settings.jobs processes; see RunBatch.
bool RunForkedBatch(const std::vector<PlannedInput>& plan, const BatchSettings& settings,
                    std::FILE* out);

}  // namespace kavrin_analyze
