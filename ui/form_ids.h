// Control IDs of the form (template 130) and of the test-generator dialog (template 136).
#pragma once

namespace kavrin {

enum FormControlId : int {
    IDC_THRESHOLD_ADJUST = 1000,
    IDC_THRESHOLD_SPIN = 1001,
    IDC_INST_MARKER = 1002,
    IDC_AVG_MARKER = 1003,
    IDC_SPECTRUM = 1004,
    IDC_LAMP = 1005,
    IDC_SCALE = 1006,
    IDC_FREQUENCY = 1011,
    IDC_AMPLITUDE = 1012,
    IDC_VOLUME_ADJUST = 1013,
    IDC_VOLUME_SPIN = 1014,
    IDC_FIXED_RANGE = 1015,
    IDC_FIXED_FREQ = 1016,
    IDC_AVG_RELATIVE = 1017,
};

// The view's display timer.
inline constexpr int kDisplayTimerId = 1;
inline constexpr int kDisplayTimerPeriodMs = 200;

}  // namespace kavrin
