#include "analysis/reading_validity.h"

ReadingValidity JudgeReading(double instFreq, double voicedShare, double minVoicedShare) {
    if (instFreq == kNoBandEnergyIndex) return ReadingValidity::NoSignal;
    if (voicedShare < minVoicedShare) return ReadingValidity::NoSpeech;  // false for NaN
    return ReadingValidity::Reading;
}
