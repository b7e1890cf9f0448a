#include "analysis/measure_statement.h"

namespace {

// Kept word for word in packaging/kavrin.1, packaging/kavrin-analyze.1 and the help book.
constexpr std::string_view kStatement =
    "What the measure is. Every 4096 samples (about 0.37 s at 11025 samples per second) "
    "Kavrin computes where, inside the band from 8 to 12 Hz, the energy of the signal lies: "
    "the frequency below which half of the band's energy is found, over the last 16384 "
    "samples. It also reports how good the signal was: its level, its clipped samples and "
    "how much of it was voiced speech.\n"
    "\n"
    "What it is not. It is not a lie detector, and no reading says whether anyone told the "
    "truth. Published evaluations of voice stress analysis found deception detection near "
    "chance: National Research Council (2003), The Polygraph and Lie Detection; Damphousse "
    "et al. (2007), National Institute of Justice, 319 arrestees: about 15 % of lies "
    "detected; Harnsberger et al. (2009), Journal of Forensic Sciences 54(3): hit rates of "
    "42-56 %, false positives of 40-65 %.\n"
    "\n"
    "How readings are compared. A reading is compared only with a baseline that the user "
    "chose: the same speaker's own speech, marked by the user. Differences from it are "
    "differences in the measure, nothing more.\n"
    "\n"
    "Which readings are left out. An evaluation whose band held no energy (frequency index "
    "65535) gives no reading: there was no signal to measure. An evaluation whose block was "
    "voiced for less than the voiced-share threshold (by default 0.1: fewer than 2 of the "
    "block's 15 frames voiced) gives no reading either: a pause, "
    "noise or silence carries no speech, and a band frequency read from it says nothing "
    "about a speaker. Such evaluations are shown as gaps and counted apart, never "
    "averaged.\n";

}  // namespace

std::string_view MeasureStatement() {
    return kStatement;
}
