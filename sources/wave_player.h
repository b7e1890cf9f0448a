// CWavePlayer: the playback channel. Plays 16-bit mono sound through output device 0 while the
// analysis runs, and lets the device's buffer completions drive the analysis: two playback
// buffers alternate, one queued at a time; each finished buffer wakes the time-critical pump
// ("WaveOutThreadEvent"), whose FetchBlock hands the next buffer to the device.
//
// It is the base of CFileAnalyzer, which fills the buffers from a file.
//
// Threads: OpenPlayback runs on the user-interface thread; NextBuffer on the pump; ClosePlayback
// on either (the pump closes the channel itself at the end of a file), possibly on both at once,
// so its device part is serialised.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "analysis/block_pump.h"
#include "analysis/shared_value.h"
#include "analysis/tremor_analyzer.h"
#include "platform/devices/wave_audio.h"
#include "platform/services/auto_reset_event.h"
#include "platform/services/pump_thread.h"

class CWavePlayer : public CTremorAnalyzer {
private:
    // Owns the event that m_event names; declared first so it outlives the device and the pump.
    std::unique_ptr<platform::AutoResetEvent> m_eventOwner;

public:
    static constexpr int kPlayBufferSamples = 8192;

    CWavePlayer();
    CWavePlayer(const CWavePlayer&) = delete;
    CWavePlayer& operator=(const CWavePlayer&) = delete;

    // Virtual slots, in the family's order (Analyze and BinMagnitude are the core's).
    void Reset() override;
    int FetchBlock() override;
    ~CWavePlayer() override;

    // Opens output device 0, queues buffer 0 and releases the pump. 0 on success and when there
    // is no output device, else the failing call's error code. A device left open by an earlier
    // run is closed first; a pump that could not be released is discarded.
    std::int32_t OpenPlayback();
    // Flips m_bufferIndex and writes that buffer to the device.
    void NextBuffer();
    void SetFormat(unsigned channels, unsigned samplesPerSec, unsigned bitsPerSample);
    // Pause the device, 50 ms, stop signal, 50 ms, then (once the pump has ended, unless this
    // is the pump) reset and close the device. A device already closed is left alone.
    void ClosePlayback();
    // The stop signal: m_stop = 1, then the event (skipped while no event exists). The commands
    // stop the channel this way without closing it.
    void SignalStop();

    // The texts shown for the error codes of opening and of unpreparing.
    static const char* OpenErrorText(platform::MMRESULT code);
    static const char* UnprepareErrorText(platform::MMRESULT code);

    std::int16_t m_playBuffers[2][kPlayBufferSamples] = {};
    platform::WaveOutCaps m_outCaps;
    // The playback device; null until the first successful open. A closed device keeps its
    // object (IsClosed() marks it) until a later open replaces it.
    std::unique_ptr<platform::WaveOutDevice> m_hWaveOut;
    // The last OpenPlayback found no output device or could not open it: nothing plays. Written
    // and read on the thread that opens (the user-interface thread).
    bool m_deviceFailed = false;
    platform::WaveHeader m_headers[2];
    platform::WaveFormat m_format;
    std::atomic<platform::AutoResetEvent*> m_event{nullptr};
    platform::PumpThread m_thread;
    SharedValue<std::int32_t> m_stop{0};
    SharedValue<std::int32_t> m_sampleRate{11025};
    SharedValue<std::int32_t> m_blockSize{kBlockSize};
    SharedValue<std::int16_t> m_bufferIndex{0};

protected:
    PumpMembers Members();
    // Ends the pump (unless called from it) and closes the device if it is open, without pauses.
    void EndRun();

private:
    void DescribeBuffer(int index);
    bool DeviceOpen() const { return m_hWaveOut && !m_hWaveOut->IsClosed(); }

    // Serialises the device calls of ClosePlayback, which the pump (end of a file) and the
    // user-interface thread may make at the same time.
    std::mutex m_deviceLock;
};
