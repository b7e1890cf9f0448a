// The label readers with the fuzzer's bytes: the first byte chooses the format (Audacity,
// TextGrid, EAF, sidecar), the rest is the file. Beyond crashes: what a reader accepts is valid
// labels in time order, and Kavrin's own sidecar gives them back unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "labels/audacity_labels.h"
#include "labels/elan_eaf.h"
#include "labels/label_sidecar.h"
#include "labels/praat_textgrid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kavrin_labels;
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    LabelReadResult read;
    switch (data[0] % 4) {
        case 0:
            read = ParseAudacityLabels(bytes);
            break;
        case 1:
            read = ParseTextGrid(bytes);
            break;
        case 2:
            read = ParseEaf(bytes);
            break;
        default:
            read = ParseSidecar(bytes);
            break;
    }
    if (!read.error.empty()) return 0;
    const auto& segments = read.labels.segments;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (!CheckSegment(segments[i]).empty() ||
            (i > 0 && segments[i].start < segments[i - 1].start)) {
            std::fprintf(stderr, "accepted a label that is not valid or not in order\n");
            std::abort();
        }
    }
    const LabelWriteResult written = FormatSidecar(read.labels);
    if (!written.error.empty() || ParseSidecar(written.bytes).labels.segments != segments) {
        std::fprintf(stderr, "the sidecar did not give the labels back\n");
        std::abort();
    }
    return 0;
}
