#include "sources/capture_recorder.h"

#include <vector>

#include "platform/services/message_box.h"

CCaptureRecorder::CCaptureRecorder()
    : m_ring(std::make_unique<platform::SampleRing>(kRingSamples)) {}

CCaptureRecorder::~CCaptureRecorder() {
    Stop();
}

bool CCaptureRecorder::Start(const std::string& path) {
    Stop();
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_path = path;
        m_failure.clear();
    }
    m_samplesWritten = 0;
    m_overflow = false;
    m_finish = false;
    std::string reason;
    if (!m_file.Create(path, &reason)) {
        const std::string message = "Cannot record to " + path + ": " + reason;
        {
            std::lock_guard<std::mutex> guard(m_textLock);
            m_failure = message;
        }
        platform::ShowMessage(message);
        return false;
    }
    // What a failed recording left queued is not part of this one. No writer runs now, so this
    // thread may act as the ring's reader.
    m_ring->SkipTo(m_ring->WritePosition());
    m_wake.Clear();
    m_recording = true;
    m_writer.Create([this] { WriterLoop(); }, platform::ThreadPriority::Normal);
    m_writer.Resume();
    m_accepting = true;
    return true;
}

void CCaptureRecorder::Stop() {
    m_accepting = false;
    if (m_writer.Exists()) {
        m_finish = true;
        m_wake.Set();
        m_writer.Join();
    }
    m_file.Close();
    m_recording = false;
}

void CCaptureRecorder::TakeBlock(const std::int16_t* block, std::size_t count) {
    if (!m_accepting.load()) return;
    platform::SampleRing& ring = *m_ring;
    const std::uint64_t used = ring.WritePosition() - ring.ReadPosition();
    if (ring.Capacity() - used < count) {
        // Dropping a block would leave a gap in the file: the recording ends here instead.
        m_accepting = false;
        m_overflow = true;
    } else {
        ring.Write(block, count);
    }
    m_wake.Set();
}

void CCaptureRecorder::WriterLoop() {
    std::vector<std::int16_t> chunk(4096);
    for (;;) {
        m_wake.Wait();
        const bool finishing = m_finish.load();
        while (m_ring->Available() > 0) {
            const std::size_t n = m_ring->Read(chunk.data(), chunk.size());
            std::string reason;
            if (!m_file.Write(chunk.data(), n, &reason)) {
                m_samplesWritten = m_file.FramesWritten();
                Fail("The recording " + m_file.Path() + " stopped: " + reason);
                return;
            }
            m_samplesWritten = m_file.FramesWritten();
            Progressed();
        }
        if (m_overflow.load()) {
            Fail("The recording " + m_file.Path() +
                 " stopped: the disk does not keep up with the capture");
            return;
        }
        if (finishing) {
            Progressed();
            return;
        }
    }
}

void CCaptureRecorder::Progressed() {
    { std::lock_guard<std::mutex> guard(m_progressLock); }
    m_progress.notify_all();
}

bool CCaptureRecorder::WaitForSamples(std::uint64_t samples, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(m_progressLock);
    return m_progress.wait_for(
        guard, timeout, [&] { return m_samplesWritten.load() >= samples || !m_recording.load(); });
}

void CCaptureRecorder::Fail(const std::string& message) {
    m_accepting = false;
    m_file.Close();
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_failure = message;
    }
    m_recording = false;
    Progressed();
    platform::ShowMessage(message);
}

std::string CCaptureRecorder::Path() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_path;
}

std::string CCaptureRecorder::Failure() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_failure;
}
