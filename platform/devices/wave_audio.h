// The waveform-audio layer: the calls the sources make on sound devices, shaped like the classic
// waveform-audio interface (device count, capabilities, open device 0 with a PCM format and an
// event, prepare/unprepare/add or write a buffer header, start, stop, pause, reset, close) and
// reporting its error codes, from which the sources choose their messages.
//
// Drivers behind it: PortAudio (the real one, portaudio_driver.cpp, a library of its own that only
// the window and the sound tests link), a simulated sound card for tests (simulated_sound_card.h)
// and, until one is installed, a null driver without devices (null_wave_driver.h).
//
// Notifications: an open device signals the event given to Open...() once when it has opened,
// once for every buffer it has finished (filled or played), and once when it is closed. After
// Close() has returned, the device touches neither the event nor any header again.
//
// Threads: every device method may be called from any thread; a device serialises its own calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/services/auto_reset_event.h"

namespace platform {

using MMRESULT = std::uint32_t;

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT WAVERR_BADFORMAT = 32;
inline constexpr MMRESULT WAVERR_STILLPLAYING = 33;
inline constexpr MMRESULT WAVERR_UNPREPARED = 34;
inline constexpr MMRESULT WAVERR_SYNC = 35;

// Header flags.
inline constexpr std::uint32_t WHDR_DONE = 0x01;
inline constexpr std::uint32_t WHDR_PREPARED = 0x02;
inline constexpr std::uint32_t WHDR_INQUEUE = 0x10;

inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// The PCM format record.
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
};

// The PCM record for a channel count, rate and sample width: bytes per second and block align
// follow from them (unsigned arithmetic, truncating), no extra bytes.
inline WaveFormat PcmFormat(unsigned channels, unsigned samplesPerSec, unsigned bitsPerSample) {
    WaveFormat format;
    format.formatTag = WAVE_FORMAT_PCM;
    format.channels = static_cast<std::uint16_t>(channels);
    format.samplesPerSec = samplesPerSec;
    format.avgBytesPerSec = samplesPerSec * channels * bitsPerSample / 8;
    format.blockAlign = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    format.bitsPerSample = static_cast<std::uint16_t>(bitsPerSample);
    format.extraSize = 0;
    return format;
}

// A buffer header. The device owns a header (and its data) from AddBuffer/Write until it
// reports the buffer done; the caller must not touch either meanwhile.
struct WaveHeader {
    void* data = nullptr;
    std::uint32_t bufferLength = 0;  // bytes
    std::uint32_t bytesRecorded = 0;
    std::uint32_t flags = 0;
    std::uint32_t loops = 0;
};

struct WaveInCaps {
    std::string name;
    std::uint16_t channels = 0;
};

struct WaveOutCaps {
    std::string name;
    std::uint16_t channels = 0;
};

class WaveInDevice {
public:
    virtual ~WaveInDevice() = default;
    virtual MMRESULT PrepareHeader(WaveHeader* header) = 0;
    virtual MMRESULT UnprepareHeader(WaveHeader* header) = 0;
    virtual MMRESULT AddBuffer(WaveHeader* header) = 0;
    virtual MMRESULT Start() = 0;
    virtual MMRESULT Stop() = 0;
    // Stops and returns every queued buffer as done (each one signals the event).
    virtual MMRESULT Reset() = 0;
    // Returns queued buffers, signals the close, and leaves the device closed: every later
    // call returns MMSYSERR_INVALHANDLE.
    virtual MMRESULT Close() = 0;
    virtual bool IsClosed() const = 0;
};

class WaveOutDevice {
public:
    virtual ~WaveOutDevice() = default;
    virtual MMRESULT PrepareHeader(WaveHeader* header) = 0;
    virtual MMRESULT UnprepareHeader(WaveHeader* header) = 0;
    virtual MMRESULT Write(WaveHeader* header) = 0;
    virtual MMRESULT Pause() = 0;
    virtual MMRESULT Reset() = 0;
    virtual MMRESULT Close() = 0;
    virtual bool IsClosed() const = 0;
};

class WaveAudioDriver {
public:
    virtual ~WaveAudioDriver() = default;

    virtual unsigned GetInputDeviceCount() = 0;
    virtual MMRESULT GetInputCaps(unsigned deviceId, WaveInCaps* caps) = 0;
    virtual MMRESULT OpenInput(unsigned deviceId, const WaveFormat& format, AutoResetEvent* notify,
                               std::unique_ptr<WaveInDevice>* device) = 0;

    virtual unsigned GetOutputDeviceCount() = 0;
    virtual MMRESULT GetOutputCaps(unsigned deviceId, WaveOutCaps* caps) = 0;
    virtual MMRESULT OpenOutput(unsigned deviceId, const WaveFormat& format, AutoResetEvent* notify,
                                std::unique_ptr<WaveOutDevice>* device) = 0;
};

// The driver the sources use: the one installed by SetWaveAudioDriver, else the null driver.
WaveAudioDriver& WaveAudio();
// Installs a driver (the window, tests, the headless analyzer); nullptr returns to the null one.
void SetWaveAudioDriver(std::shared_ptr<WaveAudioDriver> driver);

}  // namespace platform
