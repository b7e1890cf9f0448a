// Whether an evaluation gives a reading at all. A band frequency read from a block without
// speech says nothing about a speaker: Kavrin's additions (timeline gaps, statistics, exports,
// report) leave such evaluations out and count them apart. The designed form shows every
// evaluation as before.
#pragma once

#include <cstdint>
#include <limits>

#include "analysis/evaluation_ring.h"

enum class ReadingValidity : std::uint8_t {
    Reading = 0,
    NoSignal = 1,  // the band held no energy (index 65535): "no signal"
    NoSpeech = 2,  // too little of the block was voiced: "no speech"
};

// The evaluation's band frequency index of a band without energy.
constexpr double kNoBandEnergyIndex = 65535.0;

// Voiced share below which a block counts as no speech: 0.1 asks for 2 voiced frames of 15.
// Every block of generated speech (espeak-ng, five voices) had at least 3; silence, white
// noise, whispered speech and pauses had none. One stray periodic frame is not enough.
constexpr double kDefaultMinVoicedShare = 0.1;

// `instFreq` is the evaluation's band frequency index; `voicedShare` its block's (NaN when the
// quality was not measured: then only the band decides). A share exactly at the threshold is
// a reading.
ReadingValidity JudgeReading(double instFreq, double voicedShare,
                             double minVoicedShare = kDefaultMinVoicedShare);

// The voiced share a timeline row is judged by. The built-in test tone is a sine, not speech:
// it is there to show the measure working, so its rows are judged by their band alone.
inline double JudgedVoicedShare(const EvaluationRow& row) {
    return row.source == EvaluationSource::Tone ? std::numeric_limits<double>::quiet_NaN()
                                                : row.quality.voicedShare;
}
