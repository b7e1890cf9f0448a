// What every sound device of this layer shares, whatever moves its samples: the queue of buffer
// headers and their flags, the checks and error codes of each call, the service thread, the
// pacing of notifications and the close. A driver supplies only a WaveTransport, which moves
// samples between its device and the queued buffers.
//
// Notifications: one when the device has opened, one for every buffer finished (filled, played,
// or returned by Reset), one for the close. The service thread gives them one at a time: the next
// only once a waiter has taken the previous signal, so no two merge into one. The one exception
// is Close, which must leave the event alone once it returns: notifications not yet given merge
// into its close signal. A device dropped without Close goes quietly (no signal, headers
// untouched), since its owner may already have destroyed both.
#pragma once

#include <semaphore.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/devices/sound_direction.h"
#include "platform/devices/wave_audio.h"
#include "platform/services/auto_reset_event.h"

namespace platform {

using DeviceClock = std::chrono::steady_clock;

// A buffer the device holds, and how far its transport has got with it.
struct QueuedBuffer {
    WaveHeader* header = nullptr;
    std::size_t samples = 0;  // captured into it, or handed on for playing, so far
    std::uint64_t mark = 0;   // the transport's own: where its last sample went
};

// Moves samples for one open device. Every method runs with the device's lock held, on the
// caller's thread or on the service thread, never two at once.
class WaveTransport {
public:
    virtual ~WaveTransport() = default;

    // Input: capture runs or stops (queued buffers stay queued). Output: plays or pauses.
    virtual MMRESULT SetRunning(bool running) = 0;
    // Reset: what was captured and not handed out, or is still to be played, is dropped.
    virtual void Discard() = 0;
    // One round of the service thread: fills or plays the queued buffers, front first, and
    // returns how many at the front are finished (each with `samples` set). `quiet`: no
    // notification is outstanding. May move *wake earlier: when the next round is due by time.
    virtual std::size_t Move(std::deque<QueuedBuffer>& queue, bool running, bool quiet,
                             DeviceClock::time_point now,
                             std::optional<DeviceClock::time_point>* wake) = 0;
    // Ends the transport: no sample moves and no callback runs once it returns.
    virtual void Shut() = 0;

    // Every call made on the device, by its waveform-audio name ("waveInAddBuffer", ...), before
    // any check: a value is the result the call must give instead (code 0 on a prepare: it
    // succeeds but leaves the header unprepared, as a faulty driver might).
    virtual std::optional<MMRESULT> Enter(const char* call) {
        (void)call;
        return std::nullopt;
    }
    // An output buffer was written.
    virtual void Written(const WaveHeader& header) { (void)header; }
};

// The PCM formats a device with that many channels plays or records: 16-bit, one channel up to
// `maxChannels`, and a consistent record.
bool IsSupportedFormat(const WaveFormat& format, int maxChannels);

// The samples a buffer holds (whole frames only).
inline std::size_t SamplesIn(const WaveFormat& format, const WaveHeader& header) {
    return header.bufferLength / format.blockAlign * format.channels;
}

// The checks every open makes, in order: the device, the event and result, the format.
MMRESULT CheckOpen(bool deviceExists, AutoResetEvent* notify, bool hasResult,
                   const WaveFormat& format, int maxChannels);

struct DeviceCallNames;

// The semaphore that wakes a device's service thread; shared with whatever may still post to it
// once the device is gone (a stream being ended on another thread). A semaphore rather than a
// condition variable: a sound callback may post it without taking a lock. It also watches the
// device's event, so that a notification held back goes out as soon as the one before is taken.
class DeviceWake final : public SignalTakenWatcher {
public:
    DeviceWake() { sem_init(&m_semaphore, 0, 0); }
    DeviceWake(const DeviceWake&) = delete;
    DeviceWake& operator=(const DeviceWake&) = delete;
    ~DeviceWake() override { sem_destroy(&m_semaphore); }
    // Any thread, never blocks: safe from a sound callback.
    void Post() { sem_post(&m_semaphore); }
    void SignalTaken() override { Post(); }
    sem_t* Native() { return &m_semaphore; }

private:
    sem_t m_semaphore;
};

class WaveDeviceCore {
public:
    // How the buffers are served: by a thread of the device's own, or on the calling thread
    // during the call that queues or releases them, each notification waiting in line behind
    // one not yet taken (AutoResetEvent::SetQueued), for a device that plays a buffer the moment
    // it is written.
    enum class Service { Thread, Inline };

    // The event must outlive the device's Close (or the device, if it is never closed).
    WaveDeviceCore(SoundDirection direction, const WaveFormat& format, AutoResetEvent* event,
                   Service service = Service::Thread);
    WaveDeviceCore(const WaveDeviceCore&) = delete;
    WaveDeviceCore& operator=(const WaveDeviceCore&) = delete;
    ~WaveDeviceCore();

    // Starts serving with the transport; the open notification is the first. Once only.
    void Begin(std::unique_ptr<WaveTransport> transport);

    MMRESULT Prepare(WaveHeader* header);
    MMRESULT Unprepare(WaveHeader* header);
    MMRESULT Add(WaveHeader* header);  // AddBuffer or Write
    MMRESULT Start();                  // input
    MMRESULT Stop();                   // input
    MMRESULT Pause();                  // output
    MMRESULT Reset();
    MMRESULT Close();
    bool IsClosed() const;
    // Closes without a signal or a look at the headers (the driver is going away).
    void Abandon();

    // Asks for a service round soon. Any thread, never blocks: safe from a sound callback.
    void Wake();
    std::shared_ptr<DeviceWake> Waker() const { return m_wake; }

    SoundDirection Direction() const { return m_direction; }
    const WaveFormat& Format() const { return m_format; }
    std::size_t SamplesIn(const WaveHeader& header) const {
        return platform::SamplesIn(m_format, header);
    }

private:
    MMRESULT Enter(const char* call);
    MMRESULT CheckHeader(const WaveHeader* header) const;
    bool IsQueued(const WaveHeader* header) const;
    MMRESULT SetRunning(const char* call, bool running);
    void Notify(int count);
    void ServeInline();
    void Finish(QueuedBuffer& buffer);
    void ReturnQueued();
    void ServiceLoop();
    void WaitForWake(std::optional<std::chrono::nanoseconds> timeout);
    bool Shut(bool notify);

    const SoundDirection m_direction;
    const WaveFormat m_format;
    AutoResetEvent* const m_event;
    const DeviceCallNames& m_names;
    const bool m_inline;
    const std::shared_ptr<DeviceWake> m_wake = std::make_shared<DeviceWake>();

    mutable std::mutex m_lock;  // serialises the calls and the service thread's rounds
    std::unique_ptr<WaveTransport> m_transport;
    std::deque<QueuedBuffer> m_queue;
    int m_pendingSignals = 0;
    bool m_open = false;
    bool m_running = false;
    bool m_stopService = false;
    std::thread m_service;
};

// The device objects the drivers hand out, each a view of its core.
std::unique_ptr<WaveInDevice> MakeWaveIn(std::shared_ptr<WaveDeviceCore> core);
std::unique_ptr<WaveOutDevice> MakeWaveOut(std::shared_ptr<WaveDeviceCore> core);

}  // namespace platform
