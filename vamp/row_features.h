// The plugin's outputs for each evaluation row: frequencies in Hz, the lamp as labelled
// stretches, the block magnitude and the nine band magnitudes; and the signal quality of the
// block the evaluation shifted in: level in dBFS (none for digital silence), voiced share and
// median F0 (none where no frame was voiced).
//
// A frequency index i stands for 8.0 + 0.1 * i Hz. An evaluation that found no energy in the
// band has the index 65535: the band frequency output gives no value for it (a gap in the curve,
// no label); the average and the threshold are the analysis's own running values, which take
// that index into their sums as the window does, and are converted by the same rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/evaluation_csv.h"

namespace kavrin_vamp {

// In the order the plugin lists its outputs.
enum Output : int {
    kBandFrequency,
    kAverageFrequency,
    kThreshold,
    kLamp,
    kMagnitude,
    kBandMagnitudes,
    // How good the signal of each evaluated block was (after the designed outputs, so that
    // their numbers stay as hosts saved them).
    kLevel,
    kVoicedShare,
    kF0,
    kOutputCount
};

// The form's three ways of forming the lamp's reference, in the order of its radio buttons.
enum class ReferenceMode : int { FixedRange = 0, FixedFreq = 1, AvgRelative = 2 };

inline constexpr double kNoEnergyIndex = 65535.0;

double IndexToHz(double index);

// One feature of one output, in plain numbers; the plugin stamps it with the SDK's time type.
struct RowFeature {
    Output output = kBandFrequency;
    double seconds = 0.0;
    std::optional<double> endSeconds;  // a stretch's end
    std::vector<float> values;
    std::string label;
};
using RowFeatures = std::vector<RowFeature>;

class CRowFeatures {
public:
    CRowFeatures(ReferenceMode mode, std::int32_t volumeAdjust, std::int32_t thresholdAdjust);

    // The features of one row; a lamp stretch is given when the colour changes.
    void Add(const EvaluationRow& row, RowFeatures& out);
    // End of the recording: the last lamp stretch, up to the last row.
    void Finish(RowFeatures& out);

private:
    void CloseLampStretch(double endSeconds, RowFeatures& out);

    ReferenceMode m_mode;
    std::int32_t m_volumeAdjust;
    std::int32_t m_thresholdAdjust;
    std::optional<std::string> m_lamp;  // the colour of the open stretch
    double m_lampStart = 0.0;
    double m_lastTime = 0.0;
};

}  // namespace kavrin_vamp
