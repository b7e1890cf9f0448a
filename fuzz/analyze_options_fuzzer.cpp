// kavrin-analyze's option parser with an argument vector made of the fuzzer's bytes (each
// argument ended by a NUL byte, as in memory; what follows the last one is an argument too). Beyond
// crashes: a command line the parser accepts is always one the program can run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/analyze_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (!current.empty()) arguments.push_back(current);

    const kavrin_analyze::ParseResult result = kavrin_analyze::ParseOptions(arguments);
    const kavrin_analyze::Options& o = result.options;
    if (!result.error.empty() || o.help || o.version) return 0;
    bool sound = true;
    if (o.tone) {
        sound = o.files.empty() && o.tone->blocks >= 1 && o.tone->amplitude <= 32000 &&
                o.tone->frequency >= 0.0 && o.tone->frequency <= 22000.0;
    } else {
        sound = !o.files.empty() || !o.fileLists.empty();
    }
    if (!sound) {
        std::fprintf(stderr, "accepted a command line that cannot run\n");
        std::abort();
    }
    return 0;
}
