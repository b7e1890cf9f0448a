#include "vamp/row_features.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "analysis/lamp.h"

namespace kavrin_vamp {
namespace {

void AddValue(RowFeatures& out, Output output, double seconds, double value) {
    out.push_back({output, seconds, std::nullopt, {static_cast<float>(value)}, {}});
}

const char* LampName(kavrin::LampColour colour) {
    switch (colour) {
        case kavrin::LampColour::Red:
            return "red";
        case kavrin::LampColour::Yellow:
            return "yellow";
        case kavrin::LampColour::Green:
            break;
    }
    return "green";
}

}  // namespace

double IndexToHz(double index) {
    return 8.0 + 0.1 * index;
}

CRowFeatures::CRowFeatures(ReferenceMode mode, std::int32_t volumeAdjust,
                           std::int32_t thresholdAdjust)
    : m_mode(mode), m_volumeAdjust(volumeAdjust), m_thresholdAdjust(thresholdAdjust) {}

void CRowFeatures::Add(const EvaluationRow& row, RowFeatures& out) {
    const double t = row.timeSeconds;
    if (row.instFreq != kNoEnergyIndex) AddValue(out, kBandFrequency, t, IndexToHz(row.instFreq));
    AddValue(out, kAverageFrequency, t, IndexToHz(row.avgFreq));
    AddValue(out, kThreshold, t, IndexToHz(static_cast<double>(row.threshold)));
    AddValue(out, kMagnitude, t, row.magnitude);
    RowFeature bins{kBandMagnitudes, t, std::nullopt, {}, {}};
    for (double bin : row.bins) bins.values.push_back(static_cast<float>(bin));
    out.push_back(bins);
    const SignalQuality& q = row.quality;
    if (std::isfinite(q.levelDbfs)) AddValue(out, kLevel, t, q.levelDbfs);
    if (!std::isnan(q.voicedShare)) AddValue(out, kVoicedShare, t, q.voicedShare);
    if (!std::isnan(q.f0Hz)) AddValue(out, kF0, t, q.f0Hz);

    // The lamp as the display's tick judges a file run's row, by the chosen reference.
    const kavrin::LampMode mode = m_mode == ReferenceMode::FixedRange ? kavrin::LampMode::FixedRange
                                  : m_mode == ReferenceMode::AvgRelative
                                      ? kavrin::LampMode::AvgRelative
                                      : kavrin::LampMode::FixedFreq;
    const std::int32_t reference =
        kavrin::LampReference(mode, m_thresholdAdjust, row.avgFreq, row.threshold, true);
    const std::string lamp = LampName(kavrin::LampFor(reference, row.instFreq));
    if (m_lamp != lamp) {
        if (m_lamp) CloseLampStretch(t, out);
        m_lamp = lamp;
        m_lampStart = t;
    }
    m_lastTime = t;
}

void CRowFeatures::Finish(RowFeatures& out) {
    if (m_lamp) CloseLampStretch(m_lastTime, out);
    m_lamp.reset();
}

void CRowFeatures::CloseLampStretch(double endSeconds, RowFeatures& out) {
    out.push_back({kLamp, m_lampStart, endSeconds, {}, *m_lamp});
}

}  // namespace kavrin_vamp
