#include "platform/devices/wave_error_text.h"

namespace platform {

std::string WaveErrorText(MMRESULT code) {
    switch (code) {
        case MMSYSERR_NOERROR:
            return "The command completed successfully.";
        case MMSYSERR_ERROR:
            return "Unspecified error.";
        case MMSYSERR_BADDEVICEID:
            return "The device identifier is out of range.";
        case MMSYSERR_NOTENABLED:
            return "The driver failed to enable.";
        case MMSYSERR_ALLOCATED:
            return "The device is already in use.";
        case MMSYSERR_INVALHANDLE:
            return "The device handle is invalid.";
        case MMSYSERR_NODRIVER:
            return "No device driver is present.";
        case MMSYSERR_NOMEM:
            return "Out of memory.";
        case MMSYSERR_INVALPARAM:
            return "An invalid parameter was passed.";
        case WAVERR_BADFORMAT:
            return "The waveform-audio format is not supported.";
        case WAVERR_STILLPLAYING:
            return "The buffer is still playing.";
        case WAVERR_UNPREPARED:
            return "The buffer is not prepared.";
        case WAVERR_SYNC:
            return "The device is synchronous.";
        default:
            return "Sound error " + std::to_string(code) + ".";
    }
}

}  // namespace platform
