// CLiveAnalyzer: the analyzer fed by the sound card's input (live capture) or by the built-in
// sine generator (the test tone); m_toneMode chooses. Both share one capture buffer, one
// auto-reset event ("WaveInThreadEvent") and one block pump.
//
// Capture: input device 0 at 11025 samples per second, mono, 16 bits, one 4096-sample buffer
// queued at a time; each filled buffer wakes the pump, whose FetchBlock takes the completed block
// and hands the buffer back to the device, and whose Analyze analyses that block.
// Tone: FetchBlock synthesises the next 4096 samples of the sine by a second-order recurrence and
// Analyze re-arms the pump itself, so blocks follow one another as fast as the processor allows.
//
// Threads: OpenCapture, StartTone, CloseCapture, StopCapture, EndPump and Reset run on the
// user-interface thread; FetchBlock and Analyze on the pump (and the direct FetchBlock of a tone
// start on the user-interface thread while no pump runs). Scalars that cross threads are
// SharedValue<>; the sample arrays are touched under m_dataLock.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "analysis/block_pump.h"
#include "analysis/shared_value.h"
#include "analysis/tremor_analyzer.h"
#include "platform/devices/wave_audio.h"
#include "platform/services/auto_reset_event.h"
#include "platform/services/pump_thread.h"
#include "sources/block_hand_off.h"

class CLiveAnalyzer : public CTremorAnalyzer {
private:
    // Owns the event that m_event names; declared first so it outlives the device and the pump.
    // Made by the first start and reused (cleared) by every later one.
    std::unique_ptr<platform::AutoResetEvent> m_eventOwner;

public:
    CLiveAnalyzer();
    CLiveAnalyzer(const CLiveAnalyzer&) = delete;
    CLiveAnalyzer& operator=(const CLiveAnalyzer&) = delete;

    // Virtual slots, in the family's order.
    void Reset() override;
    int FetchBlock() override;
    int Analyze(void* block) override;
    ~CLiveAnalyzer() override;

    // Line On: opens input device 0 and starts capture. 0 on success and when there is no input
    // device, else the failing call's error code.
    std::int32_t OpenCapture();
    // Resets the statistics and starts a pump (ending any previous one first): a device pump
    // while m_toneMode is 0, a tone pump while it is 1. The pump is released at once.
    void StartPump();
    void SetFormat(unsigned channels, unsigned samplesPerSec, unsigned bitsPerSample);
    // Line Off and shutdown: stop signal, 50 ms pause, the pump ended, the device stopped and
    // closed. A device already closed is left alone.
    void CloseCapture();
    // Another source starts while capture runs: statistics reset, device stopped and reset.
    // The pump is not stopped; its next FetchBlock hands the buffer back to the device.
    void StopCapture();
    void SetupTone();
    // After the test-generator dialog: new tone from m_toneFrequency and m_toneAmplitude.
    void StartTone();
    // A test-tone start: ends any earlier pump; for the dialog, resets the statistics and sets
    // the tone up anew (the command continues the oscillator where it stood); enters tone mode,
    // synthesises a first block here, starts the pump, pauses (200 ms after the dialog, 500 ms
    // for the command) and kicks the pump once. From then on the pump re-arms itself.
    enum class ToneStart { AfterDialog, Command };
    void BeginTone(ToneStart start);

    // The stop signal: m_stop = 1, then the event (skipped while no event exists).
    void SignalStop();
    // Ends the pump that serves this analyzer: stop signal, then wait until it has ended.
    // Nothing happens while no pump exists. A tone start calls it before it touches the tone.
    void EndPump();

    platform::WaveInCaps m_inCaps;
    // The capture device; null until the first successful open. A closed device keeps its
    // object (IsClosed() marks it) until a later open replaces it.
    std::unique_ptr<platform::WaveInDevice> m_hWaveIn;
    // The last OpenCapture found no input device or could not open it: the line is on in name
    // only. Written and read on the thread that opens (the user-interface thread).
    bool m_deviceFailed = false;
    // Describes the device buffer (not m_captureBuffer: the block is copied out of the device
    // buffer before that is handed back, so the analysed block is exactly the completed one).
    platform::WaveHeader m_header;
    platform::WaveFormat m_format;
    std::int16_t m_captureBuffer[kBlockSize] = {};
    double m_toneValues[kBlockSize] = {};
    SharedValue<double> m_toneFrequency{10.0};
    SharedValue<double> m_toneSampleRate{11025.0};
    SharedValue<double> m_toneOmega{0.0};
    SharedValue<std::int16_t> m_toneAmplitude{10};
    SharedValue<double> m_toneCoefficient{0.0};
    std::atomic<platform::AutoResetEvent*> m_event{nullptr};
    platform::PumpThread m_thread;
    SharedValue<std::int32_t> m_stop{0};
    SharedValue<std::int32_t> m_toneMode{0};
    SharedValue<std::int32_t> m_sampleRate{11025};
    SharedValue<std::int32_t> m_blockSize{kBlockSize};
    SharedValue<std::int32_t> m_volume{0};

    // Gives every captured block, as it is analysed, to the attached sink (a recording).
    // Attached and detached on the user-interface thread.
    CBlockHandOff m_blockSink;

private:
    PumpMembers Members();
    // Takes the completed block out of the device buffer (capture mode).
    void TakeCapturedBlock();
    void CloseDevice();

    // The buffer the capture device fills; the device owns it while it is queued.
    std::int16_t m_deviceBuffer[kBlockSize] = {};
};
