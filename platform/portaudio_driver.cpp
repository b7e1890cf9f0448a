// The real sound devices through PortAudio.
//
// Each open device is a PortAudio callback stream, a sample ring and a service thread. The
// callback runs on PortAudio's real-time thread: it only copies samples between the stream and
// the ring and wakes the service thread with a semaphore post, so it never blocks, allocates or
// takes a lock. The service thread moves samples between the ring and the queued headers,
// marks finished headers done and signals the caller's event, one notification at a time
// (the next only once a waiter has taken the previous one, so no two merge).
#include "platform/portaudio_driver.h"

#include <semaphore.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/portaudio_library.h"
#include "platform/sample_ring.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

// How soon the service thread looks again while a notification waits for the event to be
// taken (the event cannot say when that happens), and at the latest when nothing happens.
constexpr auto kNotifyPoll = 1ms;
constexpr auto kIdleWake = 100ms;
// About three seconds at 11025 samples per second.
constexpr std::size_t kRingCapacity = 32768;
// The least stream latency asked for. PulseAudio through ALSA's pulse plugin holds back a
// playback stream for seconds when asked for the few tens of milliseconds it reports as its
// "high" latency; a tenth of a second starts at once and is still well below one block.
constexpr double kLeastLatencySeconds = 0.1;

using Direction = SoundDirection;

bool IsSupportedFormat(const WaveFormat& format, int maxChannels) {
    if (format.formatTag != WAVE_FORMAT_PCM || format.bitsPerSample != 16) return false;
    if (format.channels < 1 || format.channels > maxChannels || format.samplesPerSec == 0)
        return false;
    return format.blockAlign == format.channels * 2 &&
           format.avgBytesPerSec == format.samplesPerSec * format.blockAlign;
}

class PortAudioDevice {
public:
    PortAudioDevice(Direction direction, const WaveFormat& format, AutoResetEvent* event)
        : m_direction(direction), m_format(format), m_event(event), m_ring(kRingCapacity) {
        sem_init(&m_wake, 0, 0);
    }
    PortAudioDevice(const PortAudioDevice&) = delete;
    PortAudioDevice& operator=(const PortAudioDevice&) = delete;

    // A device dropped without Close leaves quietly: its owner may already have destroyed the
    // event and the headers.
    ~PortAudioDevice() {
        Shut(false);
        sem_destroy(&m_wake);
    }

    // Opens the stream on the chosen device; an output stream starts at once (silence until
    // something is written). Called once, before the device is shared.
    MMRESULT Open(const ChosenDevice& choice) {
        PaStreamParameters parameters{};
        parameters.device = choice.index;
        parameters.channelCount = m_format.channels;
        parameters.sampleFormat = paInt16;
        parameters.suggestedLatency =
            std::max(kLeastLatencySeconds, m_direction == Direction::In
                                               ? choice.info->defaultHighInputLatency
                                               : choice.info->defaultHighOutputLatency);
        {
            PortAudioLibrary& library = PortAudioLibrary::Instance();
            std::lock_guard<std::mutex> pa(library.Lock());
            PaError error = Pa_OpenStream(
                &m_stream, m_direction == Direction::In ? &parameters : nullptr,
                m_direction == Direction::Out ? &parameters : nullptr, m_format.samplesPerSec,
                paFramesPerBufferUnspecified, paNoFlag, &PortAudioDevice::Callback, this);
            if (error != paNoError) {
                m_stream = nullptr;
                return ToWaveError(error);
            }
            if (m_direction == Direction::Out) {
                error = Pa_StartStream(m_stream);
                if (error != paNoError) {
                    const MMRESULT result = ToWaveError(error);
                    Pa_CloseStream(m_stream);
                    m_stream = nullptr;
                    return result;
                }
            }
        }
        m_open = true;
        m_pendingSignals = 1;  // the open notification
        m_service = std::thread([this] { ServiceLoop(); });
        return MMSYSERR_NOERROR;
    }

    MMRESULT Prepare(WaveHeader* header) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (MMRESULT check = CheckHeader(header)) return check;
        if (IsQueued(header)) return WAVERR_STILLPLAYING;
        header->flags = WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    MMRESULT Unprepare(WaveHeader* header) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (MMRESULT check = CheckHeader(header)) return check;
        if (IsQueued(header)) return WAVERR_STILLPLAYING;
        header->flags &= ~WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    MMRESULT Add(WaveHeader* header) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (MMRESULT check = CheckHeader(header)) return check;
            if (!(header->flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
            if (IsQueued(header)) return WAVERR_STILLPLAYING;
            header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
            if (m_direction == Direction::In) header->bytesRecorded = 0;
            m_queue.push_back(Entry{header, 0, 0});
        }
        sem_post(&m_wake);
        return MMSYSERR_NOERROR;
    }

    // Input only.
    MMRESULT Start() {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_open) return MMSYSERR_INVALHANDLE;
        if (m_started) return MMSYSERR_NOERROR;
        PortAudioLibrary& library = PortAudioLibrary::Instance();
        std::lock_guard<std::mutex> pa(library.Lock());
        const PaError error = Pa_StartStream(m_stream);
        if (error != paNoError) return ToWaveError(error);
        m_started = true;
        return MMSYSERR_NOERROR;
    }

    // Input only. Queued buffers stay queued; capture goes on into them after Start.
    MMRESULT Stop() {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_open) return MMSYSERR_INVALHANDLE;
        StopStream();
        return MMSYSERR_NOERROR;
    }

    // Output only: the stream goes on, playing silence, and queued buffers wait.
    MMRESULT Pause() {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_open) return MMSYSERR_INVALHANDLE;
        m_paused.store(true, std::memory_order_release);
        return MMSYSERR_NOERROR;
    }

    // Stops input, drops what was captured or is still to be played, and returns every
    // queued buffer as done, each with its own notification.
    MMRESULT Reset() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (!m_open) return MMSYSERR_INVALHANDLE;
            if (m_direction == Direction::In) {
                StopStream();
                // No callback runs now and the service thread needs m_lock to read: we may
                // act as the consumer.
                m_ring.SkipTo(m_ring.WritePosition());
            } else {
                m_discardTo.store(m_ring.WritePosition(), std::memory_order_release);
            }
            m_pendingSignals += static_cast<int>(m_queue.size());
            ReturnQueued();
        }
        sem_post(&m_wake);
        return MMSYSERR_NOERROR;
    }

    MMRESULT Close() { return Shut(true) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE; }

    bool IsClosed() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return !m_open;
    }

private:
    struct Entry {
        WaveHeader* header;
        std::size_t samples;  // copied so far: captured into it, or handed to the ring
        std::uint64_t end;    // output: ring position after its last sample, once all handed
    };

    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
        auto* self = static_cast<PortAudioDevice*>(user);
        const std::size_t count = frames * self->m_format.channels;
        if (self->m_direction == Direction::In) {
            // What does not fit is lost: the reader has fallen seconds behind.
            if (input != nullptr)
                self->m_ring.Write(static_cast<const std::int16_t*>(input), count);
        } else if (output != nullptr) {
            auto* samples = static_cast<std::int16_t*>(output);
            self->m_ring.SkipTo(self->m_discardTo.load(std::memory_order_acquire));
            const std::size_t played = self->m_paused.load(std::memory_order_acquire)
                                           ? 0
                                           : self->m_ring.Read(samples, count);
            std::fill(samples + played, samples + count, std::int16_t{0});
        }
        sem_post(&self->m_wake);
        return paContinue;
    }

    std::size_t SamplesIn(const WaveHeader& header) const {
        return header.bufferLength / m_format.blockAlign * m_format.channels;
    }

    MMRESULT CheckHeader(const WaveHeader* header) const {
        if (!m_open) return MMSYSERR_INVALHANDLE;
        if (header == nullptr || (header->data == nullptr && header->bufferLength != 0))
            return MMSYSERR_INVALPARAM;
        return MMSYSERR_NOERROR;
    }

    bool IsQueued(const WaveHeader* header) const {
        return std::any_of(m_queue.begin(), m_queue.end(),
                           [header](const Entry& entry) { return entry.header == header; });
    }

    // With m_lock held.
    void StopStream() {
        if (!m_started) return;
        PortAudioLibrary& library = PortAudioLibrary::Instance();
        std::lock_guard<std::mutex> pa(library.Lock());
        Pa_AbortStream(m_stream);
        m_started = false;
    }

    // With m_lock held.
    void Finish(Entry& entry) {
        WaveHeader* header = entry.header;
        if (m_direction == Direction::In)
            header->bytesRecorded = static_cast<std::uint32_t>(entry.samples * 2);
        header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
    }

    // With m_lock held.
    void ReturnQueued() {
        for (Entry& entry : m_queue) Finish(entry);
        m_queue.clear();
    }

    // With m_lock held: the service thread's consumer side of an input ring.
    void FillInput() {
        while (!m_queue.empty()) {
            Entry& head = m_queue.front();
            const std::size_t total = SamplesIn(*head.header);
            auto* data = static_cast<std::int16_t*>(head.header->data);
            head.samples += m_ring.Read(data + head.samples, total - head.samples);
            if (head.samples < total) return;
            Finish(head);
            m_queue.pop_front();
            ++m_pendingSignals;
        }
        // No buffer waits: keep only a short stretch, enough to bridge the moment in which a
        // buffer is handed back, so that a late reader never hears old sound.
        const std::size_t keep = m_format.samplesPerSec * m_format.channels / 4;
        const std::size_t available = m_ring.Available();
        if (available > keep) m_ring.SkipTo(m_ring.ReadPosition() + (available - keep));
    }

    // With m_lock held: the service thread's producer side of an output ring. A buffer is done
    // once the callback has taken its last sample, so buffers finish at the device's pace.
    void FeedOutput() {
        for (Entry& entry : m_queue) {
            const std::size_t total = SamplesIn(*entry.header);
            if (entry.samples == total) continue;
            const auto* data = static_cast<const std::int16_t*>(entry.header->data);
            entry.samples += m_ring.Write(data + entry.samples, total - entry.samples);
            if (entry.samples < total) break;
            entry.end = m_ring.WritePosition();
        }
        const std::uint64_t played = m_ring.ReadPosition();
        while (!m_queue.empty()) {
            Entry& head = m_queue.front();
            if (head.samples < SamplesIn(*head.header) || played < head.end) break;
            Finish(head);
            m_queue.pop_front();
            ++m_pendingSignals;
        }
    }

    void ServiceLoop() {
        std::unique_lock<std::mutex> guard(m_lock);
        while (!m_stopService) {
            if (m_direction == Direction::In)
                FillInput();
            else
                FeedOutput();
            if (m_pendingSignals > 0 && !m_event->IsSignalled()) {
                m_event->Set();
                --m_pendingSignals;
            }
            const auto timeout = m_pendingSignals > 0 ? kNotifyPoll : kIdleWake;
            guard.unlock();
            WaitForWake(timeout);
            guard.lock();
        }
    }

    // Sleeps until a post or the timeout, then takes every post that has piled up: the round
    // that follows sees all that they announced.
    void WaitForWake(std::chrono::nanoseconds timeout) {
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        const auto total = std::chrono::nanoseconds(deadline.tv_nsec) + timeout;
        deadline.tv_sec += static_cast<time_t>(total / 1s);
        deadline.tv_nsec = static_cast<long>((total % 1s).count());
        while (sem_clockwait(&m_wake, CLOCK_MONOTONIC, &deadline) != 0 && errno == EINTR) {
        }
        while (sem_trywait(&m_wake) == 0) {
        }
    }

    // Closes the device: ends the service thread, then the stream. A close returns the queued
    // buffers and signals the event once; notifications not yet given merge into that signal,
    // since nothing may touch the event once Close has returned. False if already closed.
    bool Shut(bool notify) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (!m_open) return false;
            m_open = false;
            m_stopService = true;
        }
        sem_post(&m_wake);
        if (m_service.joinable()) m_service.join();
        {
            std::lock_guard<std::mutex> guard(m_lock);
            {
                PortAudioLibrary& library = PortAudioLibrary::Instance();
                std::lock_guard<std::mutex> pa(library.Lock());
                if (Pa_IsStreamStopped(m_stream) == 0) Pa_AbortStream(m_stream);
                Pa_CloseStream(m_stream);
                m_stream = nullptr;
            }
            m_started = false;
            m_pendingSignals = 0;
            if (notify)
                ReturnQueued();
            else
                m_queue.clear();
        }
        if (notify) m_event->Set();
        return true;
    }

    const Direction m_direction;
    const WaveFormat m_format;
    AutoResetEvent* const m_event;
    PaStream* m_stream = nullptr;
    SampleRing m_ring;
    sem_t m_wake;
    std::atomic<bool> m_paused{false};
    std::atomic<std::uint64_t> m_discardTo{0};  // output: the callback drops what lies before

    mutable std::mutex m_lock;  // serialises the calls and the service thread's rounds
    std::deque<Entry> m_queue;
    int m_pendingSignals = 0;
    bool m_open = false;
    bool m_started = false;  // input
    bool m_stopService = false;
    std::thread m_service;
};

class PortAudioWaveIn final : public WaveInDevice {
public:
    explicit PortAudioWaveIn(std::unique_ptr<PortAudioDevice> device)
        : m_device(std::move(device)) {}
    MMRESULT PrepareHeader(WaveHeader* header) override { return m_device->Prepare(header); }
    MMRESULT UnprepareHeader(WaveHeader* header) override { return m_device->Unprepare(header); }
    MMRESULT AddBuffer(WaveHeader* header) override { return m_device->Add(header); }
    MMRESULT Start() override { return m_device->Start(); }
    MMRESULT Stop() override { return m_device->Stop(); }
    MMRESULT Reset() override { return m_device->Reset(); }
    MMRESULT Close() override { return m_device->Close(); }
    bool IsClosed() const override { return m_device->IsClosed(); }

private:
    std::unique_ptr<PortAudioDevice> m_device;
};

class PortAudioWaveOut final : public WaveOutDevice {
public:
    explicit PortAudioWaveOut(std::unique_ptr<PortAudioDevice> device)
        : m_device(std::move(device)) {}
    MMRESULT PrepareHeader(WaveHeader* header) override { return m_device->Prepare(header); }
    MMRESULT UnprepareHeader(WaveHeader* header) override { return m_device->Unprepare(header); }
    MMRESULT Write(WaveHeader* header) override { return m_device->Add(header); }
    MMRESULT Pause() override { return m_device->Pause(); }
    MMRESULT Reset() override { return m_device->Reset(); }
    MMRESULT Close() override { return m_device->Close(); }
    bool IsClosed() const override { return m_device->IsClosed(); }

private:
    std::unique_ptr<PortAudioDevice> m_device;
};

class PortAudioDriver final : public WaveAudioDriver {
public:
    unsigned GetInputDeviceCount() override { return Count(Direction::In); }

    MMRESULT GetInputCaps(unsigned deviceId, WaveInCaps* caps) override {
        if (caps == nullptr) return MMSYSERR_INVALPARAM;
        return Caps(Direction::In, deviceId, &caps->name, &caps->channels);
    }

    MMRESULT OpenInput(unsigned deviceId, const WaveFormat& format, AutoResetEvent* notify,
                       std::unique_ptr<WaveInDevice>* device) override {
        if (device == nullptr) return MMSYSERR_INVALPARAM;
        std::unique_ptr<PortAudioDevice> opened;
        const MMRESULT result = Open(Direction::In, deviceId, format, notify, &opened);
        if (result == MMSYSERR_NOERROR)
            *device = std::make_unique<PortAudioWaveIn>(std::move(opened));
        return result;
    }

    unsigned GetOutputDeviceCount() override { return Count(Direction::Out); }

    MMRESULT GetOutputCaps(unsigned deviceId, WaveOutCaps* caps) override {
        if (caps == nullptr) return MMSYSERR_INVALPARAM;
        return Caps(Direction::Out, deviceId, &caps->name, &caps->channels);
    }

    MMRESULT OpenOutput(unsigned deviceId, const WaveFormat& format, AutoResetEvent* notify,
                        std::unique_ptr<WaveOutDevice>* device) override {
        if (device == nullptr) return MMSYSERR_INVALPARAM;
        std::unique_ptr<PortAudioDevice> opened;
        const MMRESULT result = Open(Direction::Out, deviceId, format, notify, &opened);
        if (result == MMSYSERR_NOERROR)
            *device = std::make_unique<PortAudioWaveOut>(std::move(opened));
        return result;
    }

private:
    static unsigned Count(Direction direction) {
        PortAudioLibrary& library = PortAudioLibrary::Instance();
        std::lock_guard<std::mutex> pa(library.Lock());
        return DeviceZero(direction).index == paNoDevice ? 0 : 1;
    }

    static MMRESULT Caps(Direction direction, unsigned deviceId, std::string* name,
                         std::uint16_t* channels) {
        PortAudioLibrary& library = PortAudioLibrary::Instance();
        std::lock_guard<std::mutex> pa(library.Lock());
        const ChosenDevice choice = DeviceZero(direction);
        if (deviceId != 0 || choice.index == paNoDevice) return MMSYSERR_BADDEVICEID;
        *name = choice.info->name != nullptr ? choice.info->name : "";
        *channels = static_cast<std::uint16_t>(std::min(choice.maxChannels, 2));
        return MMSYSERR_NOERROR;
    }

    static MMRESULT Open(Direction direction, unsigned deviceId, const WaveFormat& format,
                         AutoResetEvent* notify, std::unique_ptr<PortAudioDevice>* opened) {
        if (notify == nullptr) return MMSYSERR_INVALPARAM;
        ChosenDevice choice;
        {
            PortAudioLibrary& library = PortAudioLibrary::Instance();
            std::lock_guard<std::mutex> pa(library.Lock());
            choice = DeviceZero(direction);
        }
        if (deviceId != 0 || choice.index == paNoDevice) return MMSYSERR_BADDEVICEID;
        if (!IsSupportedFormat(format, choice.maxChannels)) return WAVERR_BADFORMAT;
        auto device = std::make_unique<PortAudioDevice>(direction, format, notify);
        const MMRESULT result = device->Open(choice);
        if (result == MMSYSERR_NOERROR) *opened = std::move(device);
        return result;
    }
};

}  // namespace

std::shared_ptr<WaveAudioDriver> MakePortAudioDriver() {
    return std::make_shared<PortAudioDriver>();
}

}  // namespace platform
