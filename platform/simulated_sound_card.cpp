#include "platform/simulated_sound_card.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// The event cannot tell when a waiter has taken its signal, so the service thread looks again
// this often while a notification is held back.
constexpr auto kPollInterval = std::chrono::microseconds(500);

enum class Direction { In, Out };

bool IsSupportedFormat(const WaveFormat& format) {
    if (format.formatTag != WAVE_FORMAT_PCM || format.bitsPerSample != 16) return false;
    if (format.channels < 1 || format.channels > 2 || format.samplesPerSec == 0) return false;
    return format.blockAlign == format.channels * 2 &&
           format.avgBytesPerSec == format.samplesPerSec * format.blockAlign;
}

}  // namespace

struct SimulatedSoundCard::State {
    struct Device {
        Direction direction = Direction::In;
        WaveFormat format;
        AutoResetEvent* event = nullptr;
        std::deque<WaveHeader*> queue;  // owned by the device until reported done
        int pendingSignals = 0;         // notifications not yet given to the event
        bool open = true;
        bool running = false;                        // input: started; output: not paused
        std::optional<Clock::time_point> headStart;  // real pace: when the head buffer began
    };

    struct Failure {
        MMRESULT code = 0;
        int remaining = -1;
    };

    std::mutex lock;
    std::condition_variable changed;  // wakes the service thread and the observers' waits

    unsigned inputCount = 1;
    unsigned outputCount = 1;
    Pace pace = Pace::Immediate;
    std::vector<std::int16_t> capture;
    std::size_t captureNext = 0;
    std::map<std::string, Failure> failures;

    std::vector<std::string> calls;
    std::vector<std::vector<std::int16_t>> written;
    std::size_t writtenCount = 0;
    bool recording = true;  // off: long headless runs keep counts only, not every call and sample
    std::size_t captured = 0;
    std::size_t played = 0;

    std::vector<std::shared_ptr<Device>> openDevices;  // the ones the service thread serves
    bool stopService = false;

    std::mutex serviceLifecycle;  // serialises starting and joining the service thread
    std::thread service;

    // --- With `lock` held --------------------------------------------------------------
    // Records the call; returns the injected result, if one is due.
    std::optional<MMRESULT> Enter(const char* call) {
        if (recording) calls.emplace_back(call);
        auto it = failures.find(call);
        if (it == failures.end()) return std::nullopt;
        MMRESULT code = it->second.code;
        if (it->second.remaining > 0 && --it->second.remaining == 0) failures.erase(it);
        return code;
    }

    static Clock::duration Length(const Device& device, const WaveHeader& header) {
        const double frames = header.bufferLength / device.format.blockAlign;
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(frames / device.format.samplesPerSec));
    }

    // Finishes the head buffer: filled from the capture samples, or played. False when a
    // capture buffer cannot be filled completely (the samples have run out).
    bool CompleteHead(Device& device) {
        WaveHeader* header = device.queue.front();
        if (device.direction == Direction::In) {
            const std::size_t count =
                header->bufferLength / device.format.blockAlign * device.format.channels;
            if (capture.size() - captureNext < count) return false;
            if (count > 0)
                std::memcpy(header->data, capture.data() + captureNext,
                            count * sizeof(std::int16_t));
            captureNext += count;
            header->bytesRecorded = static_cast<std::uint32_t>(count * sizeof(std::int16_t));
            ++captured;
        } else {
            ++played;
        }
        header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        device.queue.pop_front();
        ++device.pendingSignals;
        changed.notify_all();
        return true;
    }

    // Marks every queued buffer done; each counts as a notification.
    void ReturnQueued(Device& device) {
        for (WaveHeader* header : device.queue)
            header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        device.pendingSignals += static_cast<int>(device.queue.size());
        device.queue.clear();
        device.headStart.reset();
        changed.notify_all();
    }

    // One round of the service thread for one device. Sets *wake to the next moment the
    // device needs looking at by time, and *poll while a notification waits for the event.
    void Serve(Device& device, Clock::time_point now, std::optional<Clock::time_point>* wake,
               bool* poll) {
        if (pace == Pace::RealTime) {
            while (device.running && !device.queue.empty()) {
                if (!device.headStart) device.headStart = now;
                const Clock::time_point due =
                    *device.headStart + Length(device, *device.queue.front());
                if (due > now) {
                    if (!*wake || due < **wake) *wake = due;
                    break;
                }
                if (!CompleteHead(device)) break;
                // The next buffer continues where this one ended, as on a device.
                if (device.queue.empty())
                    device.headStart.reset();
                else
                    device.headStart = due;
            }
        } else if (device.running && !device.queue.empty() && device.pendingSignals == 0) {
            if (device.event->IsSignalled())
                *poll = true;
            else
                CompleteHead(device);
        }
        if (device.pendingSignals > 0) {
            if (!device.event->IsSignalled()) {
                device.event->Set();
                --device.pendingSignals;
            }
            if (device.pendingSignals > 0 ||
                (pace == Pace::Immediate && device.running && !device.queue.empty()))
                *poll = true;
        }
    }

    void ServiceLoop() {
        std::unique_lock<std::mutex> guard(lock);
        while (!stopService) {
            const Clock::time_point now = Clock::now();
            std::optional<Clock::time_point> wake;
            bool poll = false;
            for (const auto& device : openDevices) Serve(*device, now, &wake, &poll);
            if (poll && (!wake || now + kPollInterval < *wake)) wake = now + kPollInterval;
            if (wake)
                changed.wait_until(guard, *wake);
            else
                changed.wait(guard);
        }
    }

    // --- Without `lock` held -----------------------------------------------------------
    void EnsureService() {
        std::lock_guard<std::mutex> lifecycle(serviceLifecycle);
        if (service.joinable()) return;
        {
            std::lock_guard<std::mutex> guard(lock);
            stopService = false;
        }
        service = std::thread([this] { ServiceLoop(); });
    }

    // Ends the service thread once no device is open; `all` closes the remaining devices
    // silently first (the card is going away).
    void StopService(bool all) {
        std::lock_guard<std::mutex> lifecycle(serviceLifecycle);
        {
            std::lock_guard<std::mutex> guard(lock);
            if (all) {
                for (const auto& device : openDevices) {
                    device->open = false;
                    device->queue.clear();
                    device->pendingSignals = 0;
                }
                openDevices.clear();
            }
            if (!openDevices.empty() || !service.joinable()) return;
            stopService = true;
        }
        changed.notify_all();
        service.join();
    }
};

namespace {

using State = SimulatedSoundCard::State;

// The calls common to both directions; the call names say which direction logs them.
class SimulatedDevice {
public:
    struct Names {
        const char* prepare;
        const char* unprepare;
        const char* add;
        const char* reset;
        const char* close;
    };

    SimulatedDevice(std::shared_ptr<State> state, std::shared_ptr<State::Device> device,
                    const Names& names)
        : m_state(std::move(state)), m_device(std::move(device)), m_names(names) {}

    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    // A device dropped without Close leaves quietly: its owner may already have destroyed the
    // event and the headers.
    ~SimulatedDevice() {
        bool wasOpen;
        {
            std::lock_guard<std::mutex> guard(m_state->lock);
            wasOpen = Detach();
            m_device->queue.clear();
            m_device->pendingSignals = 0;
        }
        if (wasOpen) m_state->StopService(false);
    }

    MMRESULT Prepare(WaveHeader* header) {
        std::lock_guard<std::mutex> guard(m_state->lock);
        const std::optional<MMRESULT> injected = m_state->Enter(m_names.prepare);
        if (injected && *injected != MMSYSERR_NOERROR) return *injected;
        if (MMRESULT check = CheckHeader(header)) return check;
        if (IsQueued(header)) return WAVERR_STILLPLAYING;
        // An injected success leaves the header unprepared, as a faulty driver might.
        header->flags = injected ? (header->flags & ~WHDR_PREPARED) : WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    MMRESULT Unprepare(WaveHeader* header) {
        std::lock_guard<std::mutex> guard(m_state->lock);
        if (MMRESULT failure = Enter(m_names.unprepare)) return failure;
        if (MMRESULT check = CheckHeader(header)) return check;
        if (IsQueued(header)) return WAVERR_STILLPLAYING;
        header->flags &= ~WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    MMRESULT Add(WaveHeader* header) {
        std::lock_guard<std::mutex> guard(m_state->lock);
        if (MMRESULT failure = Enter(m_names.add)) return failure;
        if (MMRESULT check = CheckHeader(header)) return check;
        if (!(header->flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
        if (IsQueued(header)) return WAVERR_STILLPLAYING;
        header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        if (m_device->direction == Direction::In) {
            header->bytesRecorded = 0;
        } else {
            ++m_state->writtenCount;
            if (m_state->recording) {
                std::vector<std::int16_t> samples(header->bufferLength / sizeof(std::int16_t));
                if (!samples.empty())
                    std::memcpy(samples.data(), header->data,
                                samples.size() * sizeof(std::int16_t));
                m_state->written.push_back(std::move(samples));
            }
        }
        m_device->queue.push_back(header);
        m_state->changed.notify_all();
        return MMSYSERR_NOERROR;
    }

    // Start (input) and the end of a pause; Stop (input) and Pause (output).
    MMRESULT SetRunning(const char* call, bool running) {
        std::lock_guard<std::mutex> guard(m_state->lock);
        if (MMRESULT failure = Enter(call)) return failure;
        if (m_device->running != running) {
            m_device->running = running;
            m_device->headStart.reset();  // a stopped buffer starts again from its beginning
            m_state->changed.notify_all();
        }
        return MMSYSERR_NOERROR;
    }

    MMRESULT Reset() {
        std::lock_guard<std::mutex> guard(m_state->lock);
        if (MMRESULT failure = Enter(m_names.reset)) return failure;
        if (m_device->direction == Direction::In) m_device->running = false;
        m_state->ReturnQueued(*m_device);
        return MMSYSERR_NOERROR;
    }

    MMRESULT Close() {
        AutoResetEvent* event;
        {
            std::lock_guard<std::mutex> guard(m_state->lock);
            if (MMRESULT failure = Enter(m_names.close)) return failure;
            // Queued buffers come back with the close; notifications not yet given merge into
            // the close signal, since nothing may touch the event after Close returns.
            for (WaveHeader* header : m_device->queue)
                header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
            m_device->queue.clear();
            m_device->pendingSignals = 0;
            Detach();
            event = m_device->event;
        }
        event->Set();
        m_state->StopService(false);
        return MMSYSERR_NOERROR;
    }

    bool IsClosed() const {
        std::lock_guard<std::mutex> guard(m_state->lock);
        return !m_device->open;
    }

private:
    // Logs the call and returns its result if it must fail now (with `lock` held).
    MMRESULT Enter(const char* call) {
        const std::optional<MMRESULT> injected = m_state->Enter(call);
        if (injected && *injected != MMSYSERR_NOERROR) return *injected;
        return m_device->open ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    }

    MMRESULT CheckHeader(const WaveHeader* header) const {
        if (!m_device->open) return MMSYSERR_INVALHANDLE;
        if (header == nullptr || (header->data == nullptr && header->bufferLength != 0))
            return MMSYSERR_INVALPARAM;
        return MMSYSERR_NOERROR;
    }

    bool IsQueued(const WaveHeader* header) const {
        return std::find(m_device->queue.begin(), m_device->queue.end(), header) !=
               m_device->queue.end();
    }

    // Marks the device closed and takes it off the service thread's list (with `lock` held).
    bool Detach() {
        if (!m_device->open) return false;
        m_device->open = false;
        auto& devices = m_state->openDevices;
        devices.erase(std::remove(devices.begin(), devices.end(), m_device), devices.end());
        m_state->changed.notify_all();
        return true;
    }

    std::shared_ptr<State> m_state;
    std::shared_ptr<State::Device> m_device;
    Names m_names;
};

constexpr SimulatedDevice::Names kInNames{"waveInPrepareHeader", "waveInUnprepareHeader",
                                          "waveInAddBuffer", "waveInReset", "waveInClose"};
constexpr SimulatedDevice::Names kOutNames{"waveOutPrepareHeader", "waveOutUnprepareHeader",
                                           "waveOutWrite", "waveOutReset", "waveOutClose"};

class SimulatedWaveIn final : public WaveInDevice {
public:
    SimulatedWaveIn(std::shared_ptr<State> state, std::shared_ptr<State::Device> device)
        : m_device(std::move(state), std::move(device), kInNames) {}
    MMRESULT PrepareHeader(WaveHeader* header) override { return m_device.Prepare(header); }
    MMRESULT UnprepareHeader(WaveHeader* header) override { return m_device.Unprepare(header); }
    MMRESULT AddBuffer(WaveHeader* header) override { return m_device.Add(header); }
    MMRESULT Start() override { return m_device.SetRunning("waveInStart", true); }
    MMRESULT Stop() override { return m_device.SetRunning("waveInStop", false); }
    MMRESULT Reset() override { return m_device.Reset(); }
    MMRESULT Close() override { return m_device.Close(); }
    bool IsClosed() const override { return m_device.IsClosed(); }

private:
    SimulatedDevice m_device;
};

class SimulatedWaveOut final : public WaveOutDevice {
public:
    SimulatedWaveOut(std::shared_ptr<State> state, std::shared_ptr<State::Device> device)
        : m_device(std::move(state), std::move(device), kOutNames) {}
    MMRESULT PrepareHeader(WaveHeader* header) override { return m_device.Prepare(header); }
    MMRESULT UnprepareHeader(WaveHeader* header) override { return m_device.Unprepare(header); }
    MMRESULT Write(WaveHeader* header) override { return m_device.Add(header); }
    MMRESULT Pause() override { return m_device.SetRunning("waveOutPause", false); }
    MMRESULT Reset() override { return m_device.Reset(); }
    MMRESULT Close() override { return m_device.Close(); }
    bool IsClosed() const override { return m_device.IsClosed(); }

private:
    SimulatedDevice m_device;
};

// The checks and bookkeeping of both opens; on success the device is on the service list.
MMRESULT OpenDevice(const std::shared_ptr<State>& state, Direction direction, unsigned deviceId,
                    const WaveFormat& format, AutoResetEvent* notify, bool hasResult,
                    std::shared_ptr<State::Device>* opened) {
    std::lock_guard<std::mutex> guard(state->lock);
    const bool in = direction == Direction::In;
    const std::optional<MMRESULT> injected = state->Enter(in ? "waveInOpen" : "waveOutOpen");
    if (injected && *injected != MMSYSERR_NOERROR) return *injected;
    if (deviceId >= (in ? state->inputCount : state->outputCount)) return MMSYSERR_BADDEVICEID;
    if (notify == nullptr || !hasResult) return MMSYSERR_INVALPARAM;
    if (!IsSupportedFormat(format)) return WAVERR_BADFORMAT;
    auto device = std::make_shared<State::Device>();
    device->direction = direction;
    device->format = format;
    device->event = notify;
    device->running = !in;       // output plays what is written; input waits for Start
    device->pendingSignals = 1;  // the open notification
    state->openDevices.push_back(device);
    state->changed.notify_all();
    *opened = std::move(device);
    return MMSYSERR_NOERROR;
}

MMRESULT GetCaps(State& state, const char* call, unsigned count, unsigned deviceId,
                 std::string* name, std::uint16_t* channels, bool hasResult,
                 const char* deviceName) {
    std::lock_guard<std::mutex> guard(state.lock);
    const std::optional<MMRESULT> injected = state.Enter(call);
    if (injected && *injected != MMSYSERR_NOERROR) return *injected;
    if (deviceId >= count) return MMSYSERR_BADDEVICEID;
    if (!hasResult) return MMSYSERR_INVALPARAM;
    *name = deviceName;
    *channels = 2;
    return MMSYSERR_NOERROR;
}

}  // namespace

SimulatedSoundCard::SimulatedSoundCard() : m_state(std::make_shared<State>()) {}

SimulatedSoundCard::~SimulatedSoundCard() {
    m_state->StopService(true);
}

void SimulatedSoundCard::SetInputDeviceCount(unsigned count) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->inputCount = count;
}

void SimulatedSoundCard::SetOutputDeviceCount(unsigned count) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->outputCount = count;
}

void SimulatedSoundCard::SetPace(Pace pace) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->pace = pace;
    for (const auto& device : m_state->openDevices) device->headStart.reset();
    m_state->changed.notify_all();
}

void SimulatedSoundCard::SetCaptureSamples(std::vector<std::int16_t> samples) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->capture = std::move(samples);
    m_state->captureNext = 0;
    m_state->changed.notify_all();
}

void SimulatedSoundCard::FailCall(const std::string& call, MMRESULT code, int times) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    if (times == 0)
        m_state->failures.erase(call);
    else
        m_state->failures[call] = State::Failure{code, times < 0 ? -1 : times};
}

void SimulatedSoundCard::ClearFailures() {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->failures.clear();
}

std::vector<std::string> SimulatedSoundCard::Calls() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->calls;
}

void SimulatedSoundCard::SetRecording(bool record) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->recording = record;
}

std::size_t SimulatedSoundCard::WrittenBufferCount() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->writtenCount;
}

void SimulatedSoundCard::ClearCalls() {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->calls.clear();
}

std::vector<std::vector<std::int16_t>> SimulatedSoundCard::WrittenBuffers() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->written;
}

std::size_t SimulatedSoundCard::CapturedBufferCount() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->captured;
}

std::size_t SimulatedSoundCard::PlayedBufferCount() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->played;
}

bool SimulatedSoundCard::WaitForWrittenBuffers(std::size_t n,
                                               std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(m_state->lock);
    return m_state->changed.wait_for(guard, timeout, [&] { return m_state->writtenCount >= n; });
}

bool SimulatedSoundCard::WaitForCapturedBuffers(std::size_t n,
                                                std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(m_state->lock);
    return m_state->changed.wait_for(guard, timeout, [&] { return m_state->captured >= n; });
}

bool SimulatedSoundCard::InputOpen() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return std::any_of(m_state->openDevices.begin(), m_state->openDevices.end(),
                       [](const auto& device) { return device->direction == Direction::In; });
}

bool SimulatedSoundCard::OutputOpen() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return std::any_of(m_state->openDevices.begin(), m_state->openDevices.end(),
                       [](const auto& device) { return device->direction == Direction::Out; });
}

unsigned SimulatedSoundCard::GetInputDeviceCount() {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->inputCount;
}

MMRESULT SimulatedSoundCard::GetInputCaps(unsigned deviceId, WaveInCaps* caps) {
    unsigned count = GetInputDeviceCount();
    return GetCaps(*m_state, "waveInGetDevCaps", count, deviceId, caps ? &caps->name : nullptr,
                   caps ? &caps->channels : nullptr, caps != nullptr, "Simulated sound input");
}

MMRESULT SimulatedSoundCard::OpenInput(unsigned deviceId, const WaveFormat& format,
                                       AutoResetEvent* notify,
                                       std::unique_ptr<WaveInDevice>* device) {
    std::shared_ptr<State::Device> opened;
    MMRESULT result =
        OpenDevice(m_state, Direction::In, deviceId, format, notify, device != nullptr, &opened);
    if (result != MMSYSERR_NOERROR) return result;
    *device = std::make_unique<SimulatedWaveIn>(m_state, std::move(opened));
    m_state->EnsureService();
    return MMSYSERR_NOERROR;
}

unsigned SimulatedSoundCard::GetOutputDeviceCount() {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->outputCount;
}

MMRESULT SimulatedSoundCard::GetOutputCaps(unsigned deviceId, WaveOutCaps* caps) {
    unsigned count = GetOutputDeviceCount();
    return GetCaps(*m_state, "waveOutGetDevCaps", count, deviceId, caps ? &caps->name : nullptr,
                   caps ? &caps->channels : nullptr, caps != nullptr, "Simulated sound output");
}

MMRESULT SimulatedSoundCard::OpenOutput(unsigned deviceId, const WaveFormat& format,
                                        AutoResetEvent* notify,
                                        std::unique_ptr<WaveOutDevice>* device) {
    std::shared_ptr<State::Device> opened;
    MMRESULT result =
        OpenDevice(m_state, Direction::Out, deviceId, format, notify, device != nullptr, &opened);
    if (result != MMSYSERR_NOERROR) return result;
    *device = std::make_unique<SimulatedWaveOut>(m_state, std::move(opened));
    m_state->EnsureService();
    return MMSYSERR_NOERROR;
}

}  // namespace platform
