// Where --output-dir puts each input's CSV: DIR/<input name>.csv, where the input name is the
// last part of its path (as GNU parallel's {/} gives it). A name that an earlier input of the
// same batch already took gets -2, -3, ... before ".csv", so the names follow from the list of
// inputs alone and a rerun of the same batch finds the same files.
#pragma once

#include <string>
#include <vector>

namespace kavrin_analyze {

// The file names (without the directory), one per input, in order.
std::vector<std::string> OutputNames(const std::vector<std::string>& inputs);

}  // namespace kavrin_analyze
