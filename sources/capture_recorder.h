// CCaptureRecorder: keeps the captured blocks in a 16-bit mono 11025 Hz WAV file. The capture
// pump hands each block over (TakeBlock) into a lock-free ring and signals a writer thread of
// the recorder's own, which writes the file; the pump never waits for the disk.
//
// A write that fails (full disk, the folder gone) ends the recording: the message is shown
// (from the writer thread, which waits until it is dismissed) and the file keeps what was
// written. A ring that overflows because the disk is too slow ends it the same way, so the file
// never has a gap.
//
// Threads: Start, Stop and the observers run on the user-interface thread; TakeBlock on the
// pump. The object must outlive every pump that may still call TakeBlock, and no TakeBlock may
// be under way across a Stop and the next Start (the live analyzer's CBlockHandOff::Detach waits
// one out), or a block of the old recording could open the new one.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/audio_files/wav_writer.h"
#include "platform/services/auto_reset_event.h"
#include "platform/services/pump_thread.h"
#include "platform/services/sample_ring.h"
#include "sources/block_sink.h"

class CCaptureRecorder final : public CBlockSink {
public:
    CCaptureRecorder();
    ~CCaptureRecorder() override;

    // Creates the file and starts the writer; shows a message and returns false when the file
    // cannot be created. A recording still running is stopped first.
    bool Start(const std::string& path);
    // Writes what is still queued, closes the file and ends the writer. Harmless when idle.
    void Stop();

    void TakeBlock(const std::int16_t* block, std::size_t count) override;

    // True from Start until Stop, or until a failure ended the writing.
    bool IsRecording() const { return m_recording.load(); }
    // The file of the latest recording ("" before the first).
    std::string Path() const;
    // Samples in the file so far.
    std::uint64_t SamplesWritten() const { return m_samplesWritten.load(); }
    // The message of the failure that ended the latest recording ("" when none).
    std::string Failure() const;
    // Waits until `samples` are in the file or the writing has ended; false on timeout.
    bool WaitForSamples(std::uint64_t samples, std::chrono::milliseconds timeout);

    static constexpr std::size_t kRingSamples = 64 * 4096;  // about 24 s of capture

private:
    void WriterLoop();
    void Fail(const std::string& message);

    platform::AutoResetEvent m_wake{"RecorderWriterEvent"};
    platform::PumpThread m_writer;
    const std::unique_ptr<platform::SampleRing> m_ring;  // made once: a late pump may touch it
    platform::CWavWriter m_file;                         // the writer thread's while it runs
    std::atomic<bool> m_accepting{false};                // TakeBlock queues blocks
    std::atomic<bool> m_recording{false};
    std::atomic<bool> m_finish{false};
    std::atomic<bool> m_overflow{false};
    std::atomic<std::uint64_t> m_samplesWritten{0};
    void Progressed();

    std::mutex m_progressLock;
    std::condition_variable m_progress;
    mutable std::mutex m_textLock;
    std::string m_path;
    std::string m_failure;
};
