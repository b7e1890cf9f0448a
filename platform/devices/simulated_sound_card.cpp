#include "platform/devices/simulated_sound_card.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/devices/wave_device_core.h"

namespace platform {

struct SimulatedSoundCard::State {
    struct Failure {
        MMRESULT code = 0;
        int remaining = -1;
    };

    std::mutex lock;  // taken after a device's own lock, never before
    std::condition_variable changed;

    unsigned inputCount = 1;
    unsigned outputCount = 1;
    Pace pace = Pace::Immediate;
    std::vector<std::int16_t> capture;
    std::size_t captureNext = 0;
    CaptureFeed feed;  // asked for more capture samples when `capture` runs short

    // With `lock` held: whether `count` capture samples are waiting, after asking the feed.
    bool HasCapture(std::size_t count) {
        if (capture.size() - captureNext >= count) return true;
        if (!feed) return false;
        capture.erase(capture.begin(), capture.begin() + static_cast<std::ptrdiff_t>(captureNext));
        captureNext = 0;
        while (capture.size() < count) {
            const std::size_t have = capture.size();
            capture.resize(count);
            const std::size_t got = feed(capture.data() + have, count - have);
            capture.resize(have + got);
            if (got == 0) {
                feed = nullptr;  // ran out: as samples that end
                return false;
            }
        }
        return true;
    }
    std::map<std::string, Failure> failures;

    std::vector<std::string> calls;
    std::vector<std::vector<std::int16_t>> written;
    std::size_t writtenCount = 0;
    bool recording = true;  // off: long headless runs keep counts only, not every call and sample
    std::size_t captured = 0;
    std::size_t played = 0;
    int openInputs = 0;
    int openOutputs = 0;
    std::vector<std::weak_ptr<WaveDeviceCore>> devices;

    // With `lock` held: records the call; returns the injected result, if one is due.
    std::optional<MMRESULT> Enter(const char* call) {
        if (recording) calls.emplace_back(call);
        auto it = failures.find(call);
        if (it == failures.end()) return std::nullopt;
        const MMRESULT code = it->second.code;
        if (it->second.remaining > 0 && --it->second.remaining == 0) failures.erase(it);
        return code;
    }

    // With `lock` held: every open device looks at the card again.
    void WakeDevices() {
        for (const auto& weak : devices)
            if (auto device = weak.lock()) device->Wake();
        changed.notify_all();
    }
};

namespace {

using State = SimulatedSoundCard::State;
using Pace = SimulatedSoundCard::Pace;

class SimulatedTransport final : public WaveTransport {
public:
    SimulatedTransport(std::shared_ptr<State> state, SoundDirection direction,
                       const WaveFormat& format)
        : m_state(std::move(state)), m_direction(direction), m_format(format) {
        std::lock_guard<std::mutex> guard(m_state->lock);
        ++OpenCount();
    }

    MMRESULT SetRunning(bool) override {
        m_headStart.reset();  // a stopped buffer starts again from its beginning
        return MMSYSERR_NOERROR;
    }

    void Discard() override { m_headStart.reset(); }

    std::size_t Move(std::deque<QueuedBuffer>& queue, bool running, bool quiet,
                     DeviceClock::time_point now,
                     std::optional<DeviceClock::time_point>* wake) override {
        std::lock_guard<std::mutex> guard(m_state->lock);
        if (m_state->pace != m_pace) {
            m_pace = m_state->pace;
            m_headStart.reset();
        }
        if (!running || queue.empty()) return 0;
        if (m_pace == Pace::Immediate) return quiet && Complete(queue.front()) ? 1 : 0;
        std::size_t done = 0;
        while (done < queue.size()) {
            if (!m_headStart) m_headStart = now;
            const DeviceClock::time_point due = *m_headStart + Length(*queue[done].header);
            if (due > now) {
                *wake = due;
                break;
            }
            if (!Complete(queue[done])) break;
            m_headStart = due;  // the next buffer continues where this one ended, as on a device
            ++done;
        }
        if (done == queue.size()) m_headStart.reset();
        return done;
    }

    void Shut() override {
        std::lock_guard<std::mutex> guard(m_state->lock);
        --OpenCount();
        m_state->changed.notify_all();
    }

    std::optional<MMRESULT> Enter(const char* call) override {
        std::lock_guard<std::mutex> guard(m_state->lock);
        return m_state->Enter(call);
    }

    void Written(const WaveHeader& header) override {
        std::lock_guard<std::mutex> guard(m_state->lock);
        ++m_state->writtenCount;
        if (m_state->recording) {
            std::vector<std::int16_t> samples(header.bufferLength / sizeof(std::int16_t));
            if (!samples.empty())
                std::memcpy(samples.data(), header.data, samples.size() * sizeof(std::int16_t));
            m_state->written.push_back(std::move(samples));
        }
        m_state->changed.notify_all();
    }

private:
    int& OpenCount() {
        return m_direction == SoundDirection::In ? m_state->openInputs : m_state->openOutputs;
    }

    DeviceClock::duration Length(const WaveHeader& header) const {
        const double frames = header.bufferLength / m_format.blockAlign;
        return std::chrono::duration_cast<DeviceClock::duration>(
            std::chrono::duration<double>(frames / m_format.samplesPerSec));
    }

    // Fills the buffer from the capture samples, or plays it (with the card's lock held).
    // False when a capture buffer cannot be filled completely: the samples have run out.
    bool Complete(QueuedBuffer& buffer) {
        const std::size_t count = SamplesIn(m_format, *buffer.header);
        if (m_direction == SoundDirection::In) {
            if (!m_state->HasCapture(count)) return false;
            if (count > 0)
                std::memcpy(buffer.header->data, m_state->capture.data() + m_state->captureNext,
                            count * sizeof(std::int16_t));
            m_state->captureNext += count;
            ++m_state->captured;
        } else {
            ++m_state->played;
        }
        buffer.samples = count;
        m_state->changed.notify_all();
        return true;
    }

    const std::shared_ptr<State> m_state;
    const SoundDirection m_direction;
    const WaveFormat m_format;
    Pace m_pace = Pace::Immediate;
    std::optional<DeviceClock::time_point> m_headStart;  // real pace: when the head buffer began
};

MMRESULT OpenDevice(const std::shared_ptr<State>& state, SoundDirection direction,
                    unsigned deviceId, const WaveFormat& format, AutoResetEvent* notify,
                    bool hasResult, std::shared_ptr<WaveDeviceCore>* opened) {
    const bool in = direction == SoundDirection::In;
    {
        std::lock_guard<std::mutex> guard(state->lock);
        const std::optional<MMRESULT> injected = state->Enter(in ? "waveInOpen" : "waveOutOpen");
        if (injected && *injected != MMSYSERR_NOERROR) return *injected;
        const unsigned count = in ? state->inputCount : state->outputCount;
        if (MMRESULT check = CheckOpen(deviceId < count, notify, hasResult, format, 2))
            return check;
    }
    auto core = std::make_shared<WaveDeviceCore>(direction, format, notify);
    core->Begin(std::make_unique<SimulatedTransport>(state, direction, format));
    {
        std::lock_guard<std::mutex> guard(state->lock);
        auto& devices = state->devices;
        devices.erase(std::remove_if(devices.begin(), devices.end(),
                                     [](const auto& weak) { return weak.expired(); }),
                      devices.end());
        devices.push_back(core);
    }
    *opened = std::move(core);
    return MMSYSERR_NOERROR;
}

MMRESULT GetCaps(State& state, const char* call, bool in, unsigned deviceId, std::string* name,
                 std::uint16_t* channels) {
    std::lock_guard<std::mutex> guard(state.lock);
    const std::optional<MMRESULT> injected = state.Enter(call);
    if (injected && *injected != MMSYSERR_NOERROR) return *injected;
    if (deviceId >= (in ? state.inputCount : state.outputCount)) return MMSYSERR_BADDEVICEID;
    if (name == nullptr) return MMSYSERR_INVALPARAM;
    *name = in ? "Simulated sound input" : "Simulated sound output";
    *channels = 2;
    return MMSYSERR_NOERROR;
}

}  // namespace

SimulatedSoundCard::SimulatedSoundCard() : m_state(std::make_shared<State>()) {}

SimulatedSoundCard::~SimulatedSoundCard() {
    std::vector<std::weak_ptr<WaveDeviceCore>> devices;
    {
        std::lock_guard<std::mutex> guard(m_state->lock);
        devices.swap(m_state->devices);
    }
    // Outside the card's lock: a device takes its own lock first.
    for (const auto& weak : devices)
        if (auto device = weak.lock()) device->Abandon();
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
    m_state->WakeDevices();
}

void SimulatedSoundCard::SetCaptureSamples(std::vector<std::int16_t> samples) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->capture = std::move(samples);
    m_state->captureNext = 0;
    m_state->feed = nullptr;
    m_state->WakeDevices();
}

void SimulatedSoundCard::SetCaptureFeed(CaptureFeed feed) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->capture.clear();
    m_state->captureNext = 0;
    m_state->feed = std::move(feed);
    m_state->WakeDevices();
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

void SimulatedSoundCard::SetRecording(bool record) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->recording = record;
}

std::vector<std::string> SimulatedSoundCard::Calls() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->calls;
}

void SimulatedSoundCard::ClearCalls() {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->calls.clear();
}

std::vector<std::vector<std::int16_t>> SimulatedSoundCard::WrittenBuffers() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->written;
}

std::size_t SimulatedSoundCard::WrittenBufferCount() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->writtenCount;
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
    return m_state->openInputs > 0;
}

bool SimulatedSoundCard::OutputOpen() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->openOutputs > 0;
}

unsigned SimulatedSoundCard::GetInputDeviceCount() {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->inputCount;
}

MMRESULT SimulatedSoundCard::GetInputCaps(unsigned deviceId, WaveInCaps* caps) {
    return GetCaps(*m_state, "waveInGetDevCaps", true, deviceId, caps ? &caps->name : nullptr,
                   caps ? &caps->channels : nullptr);
}

MMRESULT SimulatedSoundCard::OpenInput(unsigned deviceId, const WaveFormat& format,
                                       AutoResetEvent* notify,
                                       std::unique_ptr<WaveInDevice>* device) {
    std::shared_ptr<WaveDeviceCore> core;
    const MMRESULT result =
        OpenDevice(m_state, SoundDirection::In, deviceId, format, notify, device != nullptr, &core);
    if (result == MMSYSERR_NOERROR) *device = MakeWaveIn(std::move(core));
    return result;
}

unsigned SimulatedSoundCard::GetOutputDeviceCount() {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->outputCount;
}

MMRESULT SimulatedSoundCard::GetOutputCaps(unsigned deviceId, WaveOutCaps* caps) {
    return GetCaps(*m_state, "waveOutGetDevCaps", false, deviceId, caps ? &caps->name : nullptr,
                   caps ? &caps->channels : nullptr);
}

MMRESULT SimulatedSoundCard::OpenOutput(unsigned deviceId, const WaveFormat& format,
                                        AutoResetEvent* notify,
                                        std::unique_ptr<WaveOutDevice>* device) {
    std::shared_ptr<WaveDeviceCore> core;
    const MMRESULT result = OpenDevice(m_state, SoundDirection::Out, deviceId, format, notify,
                                       device != nullptr, &core);
    if (result == MMSYSERR_NOERROR) *device = MakeWaveOut(std::move(core));
    return result;
}

}  // namespace platform
