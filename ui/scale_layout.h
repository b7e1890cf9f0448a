// Where the frequency scale's numbers stand: each centred under the marker position of its
// frequency (8.0, 8.5, ... 12.0 Hz), computed as a tick places a marker on a control of the
// same client width. Plain numbers, so that it can be checked without a window.
#pragma once

#include <string>
#include <vector>

namespace kavrin {

// The words of the scale text, left to right ("8.0", "8.5", ... "12.0").
std::vector<std::string> ScaleLabels(const std::string& scaleText);

// The centre, in pixels from the marker control's client left edge, of the marker that a tick
// draws for the k-th of `count` scale labels (k = 0 at index 0, k = count - 1 at index 40) on a
// marker control `markerWidth` pixels wide.
double ScaleLabelCentre(int k, int count, int markerWidth);

}  // namespace kavrin
