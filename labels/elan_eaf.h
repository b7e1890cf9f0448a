// ELAN annotation documents (.eaf, EAF 3.0): XML with the recording as media descriptor, time
// slots in whole milliseconds and one tier of time-aligned annotations.
#pragma once

#include <string>
#include <string_view>

#include "labels/label_result.h"

namespace kavrin_labels {

// Reads tier `tier`, or with an empty name the first tier that holds time-aligned annotations.
// Annotations on time slots without a time (ELAN's unaligned slots) and reference annotations
// of dependent tiers are left out. `media` is the first media descriptor's MEDIA_URL. A
// document type declaration is refused (EAF has none; it is how entity bombs come in).
LabelReadResult ParseEaf(std::string_view bytes, const std::string& tier = {});

// The recording the document is about: MEDIA_URL is `file://` and the absolute path,
// RELATIVE_MEDIA_URL is `./` and the path relative to the folder of the .eaf (empty: none).
struct EafMedia {
    std::string absolutePath;
    std::string relativePath;
};

// Times are rounded to whole milliseconds; a mark is an annotation of no length.
LabelWriteResult FormatEaf(const LabelSet& labels, const EafMedia& media);

}  // namespace kavrin_labels
