#include "platform/devices/wave_device_core.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <utility>

namespace platform {
namespace {

using namespace std::chrono_literals;

}  // namespace

// The names of a direction's calls, as the transports see them.
struct DeviceCallNames {
    const char* prepare;
    const char* unprepare;
    const char* add;
    const char* start;  // input Start
    const char* stop;   // input Stop, output Pause
    const char* reset;
    const char* close;
};

namespace {

constexpr DeviceCallNames kInNames{
    "waveInPrepareHeader", "waveInUnprepareHeader", "waveInAddBuffer", "waveInStart",
    "waveInStop",          "waveInReset",           "waveInClose"};
constexpr DeviceCallNames kOutNames{
    "waveOutPrepareHeader", "waveOutUnprepareHeader", "waveOutWrite", "",
    "waveOutPause",         "waveOutReset",           "waveOutClose"};

}  // namespace

bool IsSupportedFormat(const WaveFormat& format, int maxChannels) {
    if (format.formatTag != WAVE_FORMAT_PCM || format.bitsPerSample != 16) return false;
    if (format.channels < 1 || format.channels > maxChannels || format.samplesPerSec == 0)
        return false;
    return format.blockAlign == format.channels * 2 &&
           format.avgBytesPerSec == format.samplesPerSec * format.blockAlign;
}

MMRESULT CheckOpen(bool deviceExists, AutoResetEvent* notify, bool hasResult,
                   const WaveFormat& format, int maxChannels) {
    if (!deviceExists) return MMSYSERR_BADDEVICEID;
    if (notify == nullptr || !hasResult) return MMSYSERR_INVALPARAM;
    if (!IsSupportedFormat(format, maxChannels)) return WAVERR_BADFORMAT;
    return MMSYSERR_NOERROR;
}

WaveDeviceCore::WaveDeviceCore(SoundDirection direction, const WaveFormat& format,
                               AutoResetEvent* event, Service service)
    : m_direction(direction),
      m_format(format),
      m_event(event),
      m_names(direction == SoundDirection::In ? kInNames : kOutNames),
      m_inline(service == Service::Inline) {}

WaveDeviceCore::~WaveDeviceCore() {
    Shut(false);
}

void WaveDeviceCore::Begin(std::unique_ptr<WaveTransport> transport) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_transport = std::move(transport);
        m_open = true;
        m_running = m_direction == SoundDirection::Out;  // output plays what is written
        Notify(1);                                       // the open
    }
    if (m_inline) return;
    // A notification held back behind one not yet taken goes out when a waiter takes that one.
    m_event->Watch(m_wake);
    m_service = std::thread([this] { ServiceLoop(); });
}

MMRESULT WaveDeviceCore::Prepare(WaveHeader* header) {
    std::lock_guard<std::mutex> guard(m_lock);
    const std::optional<MMRESULT> injected =
        m_transport ? m_transport->Enter(m_names.prepare) : std::nullopt;
    if (injected && *injected != MMSYSERR_NOERROR) return *injected;
    if (MMRESULT check = CheckHeader(header)) return check;
    if (IsQueued(header)) return WAVERR_STILLPLAYING;
    header->flags = injected ? (header->flags & ~WHDR_PREPARED) : WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDeviceCore::Unprepare(WaveHeader* header) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (MMRESULT failure = Enter(m_names.unprepare)) return failure;
    if (MMRESULT check = CheckHeader(header)) return check;
    if (IsQueued(header)) return WAVERR_STILLPLAYING;
    header->flags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDeviceCore::Add(WaveHeader* header) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (MMRESULT failure = Enter(m_names.add)) return failure;
        if (MMRESULT check = CheckHeader(header)) return check;
        if (!(header->flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
        if (IsQueued(header)) return WAVERR_STILLPLAYING;
        header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        if (m_direction == SoundDirection::In)
            header->bytesRecorded = 0;
        else
            m_transport->Written(*header);
        m_queue.push_back(QueuedBuffer{header, 0, 0});
        ServeInline();
    }
    Wake();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDeviceCore::Start() {
    return SetRunning(m_names.start, true);
}

MMRESULT WaveDeviceCore::Stop() {
    return SetRunning(m_names.stop, false);
}

MMRESULT WaveDeviceCore::Pause() {
    return SetRunning(m_names.stop, false);
}

MMRESULT WaveDeviceCore::SetRunning(const char* call, bool running) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (MMRESULT failure = Enter(call)) return failure;
        if (m_running != running) {
            if (MMRESULT failure = m_transport->SetRunning(running)) return failure;
            m_running = running;
            ServeInline();
        }
    }
    Wake();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDeviceCore::Reset() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (MMRESULT failure = Enter(m_names.reset)) return failure;
        // Input stops; output stays paused if it was.
        if (m_direction == SoundDirection::In && m_running) {
            m_transport->SetRunning(false);
            m_running = false;
        }
        m_transport->Discard();
        Notify(static_cast<int>(m_queue.size()));
        ReturnQueued();
    }
    Wake();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDeviceCore::Close() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (MMRESULT failure = Enter(m_names.close)) return failure;
    }
    return Shut(true) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

bool WaveDeviceCore::IsClosed() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return !m_open;
}

void WaveDeviceCore::Abandon() {
    Shut(false);
}

void WaveDeviceCore::Wake() {
    if (!m_inline) m_wake->Post();
}

// With m_lock held: logs the call and gives its result if it must fail now.
MMRESULT WaveDeviceCore::Enter(const char* call) {
    const std::optional<MMRESULT> injected = m_transport ? m_transport->Enter(call) : std::nullopt;
    if (injected && *injected != MMSYSERR_NOERROR) return *injected;
    return m_open ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT WaveDeviceCore::CheckHeader(const WaveHeader* header) const {
    if (!m_open) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || (header->data == nullptr && header->bufferLength != 0))
        return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

bool WaveDeviceCore::IsQueued(const WaveHeader* header) const {
    return std::any_of(m_queue.begin(), m_queue.end(),
                       [header](const QueuedBuffer& buffer) { return buffer.header == header; });
}

// With m_lock held: notifications for the service thread to give, or given now, in line.
void WaveDeviceCore::Notify(int count) {
    if (!m_inline) {
        m_pendingSignals += count;
        return;
    }
    for (int i = 0; i < count; ++i) m_event->SetQueued();
}

// With m_lock held: a round of service on the calling thread, for an inline device.
void WaveDeviceCore::ServeInline() {
    if (!m_inline) return;
    std::optional<DeviceClock::time_point> wake;
    const std::size_t done = m_transport->Move(m_queue, m_running, true, DeviceClock::now(), &wake);
    for (std::size_t i = 0; i < done && !m_queue.empty(); ++i) {
        Finish(m_queue.front());
        m_queue.pop_front();
        Notify(1);
    }
}

void WaveDeviceCore::Finish(QueuedBuffer& buffer) {
    WaveHeader* header = buffer.header;
    if (m_direction == SoundDirection::In)
        header->bytesRecorded = static_cast<std::uint32_t>(buffer.samples * sizeof(std::int16_t));
    header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
}

void WaveDeviceCore::ReturnQueued() {
    for (QueuedBuffer& buffer : m_queue) Finish(buffer);
    m_queue.clear();
}

void WaveDeviceCore::ServiceLoop() {
    std::unique_lock<std::mutex> guard(m_lock);
    while (!m_stopService) {
        const DeviceClock::time_point now = DeviceClock::now();
        const bool quiet = m_pendingSignals == 0 && !m_event->IsSignalled();
        std::optional<DeviceClock::time_point> wake;
        const std::size_t done = m_transport->Move(m_queue, m_running, quiet, now, &wake);
        for (std::size_t i = 0; i < done && !m_queue.empty(); ++i) {
            Finish(m_queue.front());
            m_queue.pop_front();
            ++m_pendingSignals;
        }
        if (m_pendingSignals > 0 && !m_event->IsSignalled()) {
            m_event->Set();
            --m_pendingSignals;
        }
        // Sleep until there is work: a call, the transport's callback, the event's signal
        // taken (which releases a notification held back, and at the pace of consumption the
        // next buffer), or the time the transport asked for. A take between the look at the
        // event above and the sleep has posted already, so it is not missed.
        std::optional<std::chrono::nanoseconds> timeout;
        if (wake) timeout = std::max<std::chrono::nanoseconds>(*wake - now, 0ns);
        guard.unlock();
        WaitForWake(timeout);
        guard.lock();
    }
}

// Sleeps until a post or the timeout (none: a post only), then takes every post that has piled
// up: the round that follows sees all that they announced.
void WaveDeviceCore::WaitForWake(std::optional<std::chrono::nanoseconds> timeout) {
    if (timeout) {
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        const auto total = std::chrono::nanoseconds(deadline.tv_nsec) + *timeout;
        deadline.tv_sec += static_cast<time_t>(total / 1s);
        deadline.tv_nsec = static_cast<long>((total % 1s).count());
        while (sem_clockwait(m_wake->Native(), CLOCK_MONOTONIC, &deadline) != 0 && errno == EINTR) {
        }
    } else {
        while (sem_wait(m_wake->Native()) != 0 && errno == EINTR) {
        }
    }
    while (sem_trywait(m_wake->Native()) == 0) {
    }
}

// Ends the service thread, then the transport. A close returns the queued buffers and signals
// the event once. False if already closed.
bool WaveDeviceCore::Shut(bool notify) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_open) return false;
        m_open = false;
        m_stopService = true;
    }
    Wake();
    if (m_service.joinable()) m_service.join();
    // A close leaves the event alone from here on; a device dropped without one may outlive
    // its event, so it only lets go of its watch (held weakly by the event).
    if (notify && !m_inline) m_event->Unwatch(m_wake.get());
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_transport->Shut();
        m_pendingSignals = 0;
        if (notify)
            ReturnQueued();
        else
            m_queue.clear();
    }
    if (notify) m_event->Set();
    return true;
}

namespace {

class CoreWaveIn final : public WaveInDevice {
public:
    explicit CoreWaveIn(std::shared_ptr<WaveDeviceCore> core) : m_core(std::move(core)) {}
    MMRESULT PrepareHeader(WaveHeader* header) override { return m_core->Prepare(header); }
    MMRESULT UnprepareHeader(WaveHeader* header) override { return m_core->Unprepare(header); }
    MMRESULT AddBuffer(WaveHeader* header) override { return m_core->Add(header); }
    MMRESULT Start() override { return m_core->Start(); }
    MMRESULT Stop() override { return m_core->Stop(); }
    MMRESULT Reset() override { return m_core->Reset(); }
    MMRESULT Close() override { return m_core->Close(); }
    bool IsClosed() const override { return m_core->IsClosed(); }

private:
    std::shared_ptr<WaveDeviceCore> m_core;
};

class CoreWaveOut final : public WaveOutDevice {
public:
    explicit CoreWaveOut(std::shared_ptr<WaveDeviceCore> core) : m_core(std::move(core)) {}
    MMRESULT PrepareHeader(WaveHeader* header) override { return m_core->Prepare(header); }
    MMRESULT UnprepareHeader(WaveHeader* header) override { return m_core->Unprepare(header); }
    MMRESULT Write(WaveHeader* header) override { return m_core->Add(header); }
    MMRESULT Pause() override { return m_core->Pause(); }
    MMRESULT Reset() override { return m_core->Reset(); }
    MMRESULT Close() override { return m_core->Close(); }
    bool IsClosed() const override { return m_core->IsClosed(); }

private:
    std::shared_ptr<WaveDeviceCore> m_core;
};

}  // namespace

std::unique_ptr<WaveInDevice> MakeWaveIn(std::shared_ptr<WaveDeviceCore> core) {
    return std::make_unique<CoreWaveIn>(std::move(core));
}

std::unique_ptr<WaveOutDevice> MakeWaveOut(std::shared_ptr<WaveDeviceCore> core) {
    return std::make_unique<CoreWaveOut>(std::move(core));
}

}  // namespace platform
