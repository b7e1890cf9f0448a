// What one display tick draws, computed without any drawing: the volume value handed on, the
// lamp reference by threshold mode and source, the two markers, the bars of every source shown
// and the lamp's colour. Plain data in, plain data out, so that every case can be checked
// without a window.
#pragma once

#include <cstdint>
#include <optional>

#include "analysis/lamp.h"

namespace kavrin {

// A control's client rectangle (left, top, right, bottom) in pixels; left and top are 0 for the
// controls of the form.
struct ClientRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

inline constexpr int kDisplayBinCount = 9;
inline constexpr int kFirstDisplayBin = 95;
inline constexpr int kDisplayBinStep = 6;

// What the tick reads from one analyzer.
struct SourceReading {
    double instFreq = 0.0;               // frequency index, normally 0..40
    double avgFreq = 0.0;                // frequency index
    std::uint32_t threshold = 0;         // frequency index held in 0..65535
    double bins[kDisplayBinCount] = {};  // BinMagnitude of bins 95, 101, ..., 143
};

struct TickInputs {
    std::int32_t volumeAdjust = 0;     // edit 1013 read as a signed integer
    std::int32_t thresholdAdjust = 0;  // edit 1000 read as a signed integer (adj)
    bool lineOn = false;               // the view's m_lineOn
    bool toneMode = false;             // g_liveAnalyzer.m_toneMode
    bool fileOn = false;               // the view's m_fileOn
    bool modeAvgRelative = false;
    bool modeFixedRange = false;
    bool modeFixedFreq = true;
    SourceReading live;     // read only when the live source is shown
    SourceReading file;     // read only when the file source is shown
    ClientRect instMarker;  // control 1002
    ClientRect avgMarker;   // control 1003
    ClientRect spectrum;    // control 1004
    ClientRect lamp;        // control 1005
};

// A straight stroke from (x1, y1) to (x2, y2).
struct Stroke {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
};

struct TickResult {
    // The volume value after bounding: stored in the view's m_volumeAdjust and copied into the
    // m_volume of every analyzer shown.
    std::int32_t volumeAdjust = 0;
    bool liveShown = false;
    bool fileShown = false;
    // The new m_lampThreshold; empty when no source is shown (the view keeps its value).
    std::optional<std::int32_t> lampThreshold;
    // Bars of the live source first, then those of the file source.
    int barCount = 0;
    Stroke bars[2 * kDisplayBinCount];
    // Markers and lamp follow the file source when both are shown; with no source shown there is
    // nothing to place them by, and they stay empty (the controls show white).
    std::optional<Stroke> instMarker;
    std::optional<Stroke> avgMarker;
    std::optional<LampColour> lamp;
};

bool LiveSourceShown(bool lineOn, bool toneMode);

// The lamp preset of the start commands: (4 x adj) / 10 with the bounded adj.
std::int32_t LampPreset(std::int32_t thresholdAdjust);

TickResult ComputeTick(const TickInputs& in);

}  // namespace kavrin
