// A simulated sound card for tests and for the headless analyzer: capture from given samples,
// playback into a record, buffers completed at real pace or as fast as they are consumed, and
// any call made to fail with any code.
//
// Its devices are the shared device core (wave_device_core.h) with a transport that copies
// samples from and to memory, so they queue, check and notify exactly as the real ones do.
// Every device still open when the card is destroyed goes quietly (no signal, headers untouched).
//
// Input Stop and output Pause keep the queued buffers queued (there is no partial buffer); Reset
// returns them, and an output device stays paused after it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/devices/wave_audio.h"

namespace platform {

class SimulatedSoundCard final : public WaveAudioDriver,
                                 public std::enable_shared_from_this<SimulatedSoundCard> {
public:
    enum class Pace {
        Immediate,  // a queued buffer completes as soon as the previous notification was taken
        RealTime,   // a buffer of n samples completes n / samplesPerSec seconds after it started
    };

    SimulatedSoundCard();
    ~SimulatedSoundCard() override;

    // --- Configuration -------------------------------------------------------------------
    void SetInputDeviceCount(unsigned count);   // default 1
    void SetOutputDeviceCount(unsigned count);  // default 1
    void SetPace(Pace pace);                    // default Immediate
    // Samples the input device captures, in order. A buffer is completed only when it can be
    // filled completely; once the samples run out, queued buffers wait (like a silent device
    // that never fills) until Reset or Close returns them.
    void SetCaptureSamples(std::vector<std::int16_t> samples);
    // Capture samples as they are needed: called with the card's lock held (it must not call the
    // card), it writes up to `count` samples and returns how many; 0 ends them, as the end of
    // given samples does. Replaces the samples given before; a null feed clears it.
    using CaptureFeed = std::function<std::size_t(std::int16_t* samples, std::size_t count)>;
    void SetCaptureFeed(CaptureFeed feed);
    // Makes the named call return `code`, the next `times` calls (-1: every call from now on).
    // Names: "waveInGetDevCaps", "waveInOpen", "waveInPrepareHeader", "waveInUnprepareHeader",
    // "waveInAddBuffer", "waveInStart", "waveInStop", "waveInReset", "waveInClose",
    // "waveOutGetDevCaps", "waveOutOpen", "waveOutPrepareHeader", "waveOutUnprepareHeader",
    // "waveOutWrite", "waveOutPause", "waveOutReset", "waveOutClose".
    // A failed call changes nothing else. A prepare that is told to fail with code 0 succeeds
    // but leaves the header's flags without the prepared bit; any other call told to fail with
    // code 0 simply runs. An injected failure takes precedence over every other check.
    void FailCall(const std::string& call, MMRESULT code, int times = -1);
    void ClearFailures();

    // Whether the call log and the written samples are kept (default true). Long headless runs
    // turn it off so memory stays flat; the counts are kept either way.
    void SetRecording(bool record);

    // --- Observation ---------------------------------------------------------------------
    // Every device call made, by the names above, in order ("waveInOpen", ...), including
    // failed ones. Device counts are not recorded.
    std::vector<std::string> Calls() const;
    void ClearCalls();
    // The samples of every buffer written to an output device, in the order written.
    std::vector<std::vector<std::int16_t>> WrittenBuffers() const;
    // Number of buffers written to output devices, recorded or not.
    std::size_t WrittenBufferCount() const;
    // Number of capture buffers completed with data (not counting those returned by Reset).
    std::size_t CapturedBufferCount() const;
    // Number of output buffers that finished playing (not counting those returned by Reset).
    std::size_t PlayedBufferCount() const;
    // Waits until the count reaches n; false on timeout.
    bool WaitForWrittenBuffers(std::size_t n, std::chrono::milliseconds timeout) const;
    bool WaitForCapturedBuffers(std::size_t n, std::chrono::milliseconds timeout) const;
    // Whether a device of that direction is open now.
    bool InputOpen() const;
    bool OutputOpen() const;

    // --- WaveAudioDriver -----------------------------------------------------------------
    unsigned GetInputDeviceCount() override;
    MMRESULT GetInputCaps(unsigned deviceId, WaveInCaps* caps) override;
    MMRESULT OpenInput(unsigned deviceId, const WaveFormat& format, AutoResetEvent* notify,
                       std::unique_ptr<WaveInDevice>* device) override;
    unsigned GetOutputDeviceCount() override;
    MMRESULT GetOutputCaps(unsigned deviceId, WaveOutCaps* caps) override;
    MMRESULT OpenOutput(unsigned deviceId, const WaveFormat& format, AutoResetEvent* notify,
                        std::unique_ptr<WaveOutDevice>* device) override;

    struct State;  // shared with the devices and the service thread

private:
    std::shared_ptr<State> m_state;
};

}  // namespace platform
