// aubio's functions the signal quality calls, from its shared library opened on first use (see
// platform/services/shared_library.h): aubio links FFmpeg and some 130 libraries more, which
// a run without signal quality never loads.
//
// Threads: Aubio() may be called from any thread; the first call loads.
#pragma once

#include <aubio/aubio.h>

#define KAVRIN_AUBIO_FUNCTIONS(X) \
    X(new_aubio_pitch)            \
    X(del_aubio_pitch)            \
    X(aubio_pitch_set_unit)       \
    X(aubio_pitch_set_tolerance)  \
    X(aubio_pitch_set_silence)    \
    X(aubio_pitch_do)             \
    X(aubio_pitch_get_confidence)

struct AubioFunctions {
#define KAVRIN_AUBIO_MEMBER(name) decltype(&::name) name = nullptr;
    KAVRIN_AUBIO_FUNCTIONS(KAVRIN_AUBIO_MEMBER)
#undef KAVRIN_AUBIO_MEMBER
};

// The functions, loaded by the first call. Throws platform::CLibraryUnavailable (then and on
// every later call) when the library or a function is missing.
const AubioFunctions& Aubio();
