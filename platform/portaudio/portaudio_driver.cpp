// The real sound devices through PortAudio: each open device is the shared device core with a
// transport that moves samples between a PortAudio callback stream and the queued buffers.
#include "platform/portaudio/portaudio_driver.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <deque>
#include <iterator>
#include <mutex>
#include <utility>

#include "platform/devices/wave_device_core.h"
#include "platform/portaudio/portaudio_library.h"
#include "platform/portaudio/portaudio_stream_closer.h"
#include "platform/services/sample_ring.h"

namespace platform {
namespace {

// About three seconds at 11025 samples per second.
constexpr std::size_t kRingCapacity = 32768;
// The least stream latency asked for. PulseAudio through ALSA's pulse plugin holds back a
// playback stream for seconds when asked for the few tens of milliseconds it reports as its
// "high" latency; a tenth of a second starts at once and is still well below one block.
constexpr double kLeastLatencySeconds = 0.1;
// How long a close waits for its stream to end before it lets it end in the background.
constexpr std::chrono::milliseconds kClosePatience{250};
// A started stream whose callback has not run for this long is taken for dead (its server died,
// stopped or suspended it) and ended: PortAudio's ALSA thread spins on a stream whose PipeWire
// went away. Well beyond the 3 s after which the window says that a source stalled.
constexpr std::chrono::seconds kDeadAfter{5};

using Direction = SoundDirection;

// What the stream's callback uses. It outlives the transport while the stream is still being
// ended on the closer's thread.
struct StreamState {
    StreamState(const WaveFormat& format, std::shared_ptr<DeviceWake> wake)
        : channels(format.channels),
          streamChannels(format.channels),
          ring(kRingCapacity),
          wake(std::move(wake)) {}
    const unsigned channels;  // of the device's format, and of the ring
    // Of the stream: a mono capture takes two channels where the device has them and averages
    // them itself (set before the stream opens).
    unsigned streamChannels;
    SampleRing ring;
    std::atomic<bool> paused{false};          // output plays silence; input drops what it hears
    std::atomic<std::uint64_t> discardTo{0};  // output: the callback drops what lies before
    // Input: the write position from which the callback wakes the service thread (it has
    // nothing to do before the front buffer can be filled); set by the service thread.
    std::atomic<std::uint64_t> wakeFrom{0};
    // When the callback last ran, on the device clock.
    std::atomic<DeviceClock::rep> lastCallback{0};
    const std::shared_ptr<DeviceWake> wake;
};

// Moves samples between a PortAudio callback stream and the queued buffers through a ring. The
// callback runs on PortAudio's real-time thread: it only copies samples between the stream and
// the ring and wakes the service thread (capture: only once there is a buffer's worth for it),
// so it never blocks, allocates or takes a lock.
//
// Once started, a capture stream runs until the device closes; a stop only drops what it hears.
// Stopping a stream can wait on the server, so streams are ended only by the closer's thread.
class PortAudioTransport final : public WaveTransport {
public:
    explicit PortAudioTransport(WaveDeviceCore& core)
        : m_core(core), m_state(std::make_shared<StreamState>(core.Format(), core.Waker())) {}

    // Opens the stream on the chosen device; an output stream starts at once (silence until
    // something is written). Called once, before the core serves.
    MMRESULT Open(const ChosenDevice& choice) {
        const bool in = m_core.Direction() == SoundDirection::In;
        const WaveFormat& format = m_core.Format();
        PaStreamParameters parameters{};
        parameters.device = choice.index;
        parameters.channelCount = format.channels;
        parameters.sampleFormat = paInt16;
        parameters.suggestedLatency =
            std::max(kLeastLatencySeconds, in ? choice.info->defaultHighInputLatency
                                              : choice.info->defaultHighOutputLatency);
        std::lock_guard<std::mutex> pa(PortAudioLibrary::Instance().Lock());
        const auto open = [&] {
            m_state->streamChannels = static_cast<unsigned>(parameters.channelCount);
            return Pa_OpenStream(&m_stream, in ? &parameters : nullptr, in ? nullptr : &parameters,
                                 format.samplesPerSec, paFramesPerBufferUnspecified, paNoFlag,
                                 &PortAudioTransport::Callback, m_state.get());
        };
        PaError error = paInvalidChannelCount;
        // Servers mix a stereo source down to mono differently (PipeWire sums the channels at
        // 0.707 each, 3 dB above PulseAudio's average): two channels averaged here read the
        // signal's level on every server. A device that will not give two is asked for one.
        if (in && format.channels == 1 && choice.info->maxInputChannels >= 2) {
            parameters.channelCount = 2;
            error = open();
            parameters.channelCount = 1;
        }
        if (error != paNoError) error = open();
        if (error == paNoError && !in) error = Pa_StartStream(m_stream);
        if (error == paNoError) {
            if (!in) MarkStarted();
            return MMSYSERR_NOERROR;
        }
        const MMRESULT result = ToWaveError(error);
        if (m_stream != nullptr) Pa_CloseStream(m_stream);
        m_stream = nullptr;
        return result;
    }

    MMRESULT SetRunning(bool running) override {
        m_state->paused.store(!running, std::memory_order_release);
        if (!running || m_started || m_core.Direction() == SoundDirection::Out)
            return MMSYSERR_NOERROR;
        if (m_stream == nullptr) return MMSYSERR_NOERROR;  // ended as dead: nothing will move
        std::lock_guard<std::mutex> pa(PortAudioLibrary::Instance().Lock());
        if (MMRESULT result = ToWaveError(Pa_StartStream(m_stream))) return result;
        m_started = true;
        MarkStarted();
        return MMSYSERR_NOERROR;
    }

    void Discard() override {
        SampleRing& ring = m_state->ring;
        if (m_core.Direction() == SoundDirection::In)
            // The service thread, the ring's consumer, is held off by the device's lock.
            ring.SkipTo(ring.WritePosition());
        else
            m_state->discardTo.store(ring.WritePosition(), std::memory_order_release);
    }

    std::size_t Move(std::deque<QueuedBuffer>& queue, bool, bool, DeviceClock::time_point now,
                     std::optional<DeviceClock::time_point>* wake) override {
        if (m_stream == nullptr) return 0;
        if (m_watching) {
            const DeviceClock::time_point last{
                DeviceClock::duration{m_state->lastCallback.load(std::memory_order_relaxed)}};
            if (now - last >= kDeadAfter) {
                // Its buffers stay queued, as on a device that stopped: the source shows as
                // stalled, and the next start opens a new stream.
                Shut();
                return 0;
            }
            if (!*wake || **wake > last + kDeadAfter) *wake = last + kDeadAfter;
        }
        return m_core.Direction() == SoundDirection::In ? FillInput(queue) : FeedOutput(queue);
    }

    // A stream of a server that has stopped answering is left ending in the background.
    void Shut() override {
        if (m_stream == nullptr) return;
        CloseStreamSoon(m_stream, m_state, kClosePatience);
        m_stream = nullptr;
    }

private:
    // From here on the callback must keep coming.
    void MarkStarted() {
        m_state->lastCallback.store(DeviceClock::now().time_since_epoch().count(),
                                    std::memory_order_relaxed);
        m_watching = true;
    }

    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
        auto* state = static_cast<StreamState*>(user);
        state->lastCallback.store(DeviceClock::now().time_since_epoch().count(),
                                  std::memory_order_relaxed);
        const std::size_t count = frames * state->channels;
        const bool paused = state->paused.load(std::memory_order_acquire);
        if (input != nullptr) {
            // What does not fit is lost: the reader has fallen seconds behind.
            const auto* samples = static_cast<const std::int16_t*>(input);
            if (!paused && state->streamChannels == state->channels)
                state->ring.Write(samples, count);
            else if (!paused)
                WriteAveraged(*state, samples, frames);
            // A read-modify-write, as in WakeFrom: either it reads the new mark, or WakeFrom
            // sees this write.
            if (state->ring.WritePosition() <
                state->wakeFrom.fetch_add(0, std::memory_order_acq_rel))
                return paContinue;
        } else if (output != nullptr) {
            auto* samples = static_cast<std::int16_t*>(output);
            state->ring.SkipTo(state->discardTo.load(std::memory_order_acquire));
            const std::size_t played = paused ? 0 : state->ring.Read(samples, count);
            std::fill(samples + played, samples + count, std::int16_t{0});
        }
        state->wake->Post();
        return paContinue;
    }

    // Each frame's channels averaged into one sample (rounded, halves away from zero: equal
    // channels give their own value), in pieces that need no allocation.
    static void WriteAveraged(StreamState& state, const std::int16_t* frames, std::size_t count) {
        const unsigned channels = state.streamChannels;
        std::int16_t mono[256];
        while (count > 0) {
            const std::size_t piece = std::min(count, std::size(mono));
            for (std::size_t i = 0; i < piece; ++i) {
                long sum = 0;
                for (unsigned c = 0; c < channels; ++c) sum += frames[i * channels + c];
                mono[i] = static_cast<std::int16_t>(
                    std::lround(static_cast<double>(sum) / static_cast<double>(channels)));
            }
            state.ring.Write(mono, piece);
            frames += piece * channels;
            count -= piece;
        }
    }

    // The consumer side of an input ring.
    std::size_t FillInput(std::deque<QueuedBuffer>& queue) {
        std::size_t done = 0;
        for (; done < queue.size(); ++done) {
            QueuedBuffer& buffer = queue[done];
            const std::size_t total = m_core.SamplesIn(*buffer.header);
            auto* data = static_cast<std::int16_t*>(buffer.header->data);
            buffer.samples += m_state->ring.Read(data + buffer.samples, total - buffer.samples);
            if (buffer.samples < total) {
                WakeFrom(total - buffer.samples);
                return done;
            }
        }
        // No buffer waits: keep only a short stretch, enough to bridge the moment in which a
        // buffer is handed back, so that a late reader never hears old sound.
        const WaveFormat& format = m_core.Format();
        const std::size_t keep = format.samplesPerSec * format.channels / 4;
        const std::size_t available = m_state->ring.Available();
        if (available > keep)
            m_state->ring.SkipTo(m_state->ring.ReadPosition() + (available - keep));
        WakeFrom(keep);
        return done;
    }

    // The callback wakes the service thread once `more` samples (at most a full ring) lie
    // beyond those read. Should they have come already, the next round is due now.
    void WakeFrom(std::size_t more) {
        SampleRing& ring = m_state->ring;
        const std::uint64_t from = ring.ReadPosition() + std::min(more, ring.Capacity());
        m_state->wakeFrom.exchange(from, std::memory_order_acq_rel);
        if (ring.WritePosition() >= from) m_state->wake->Post();
    }

    // The producer side of an output ring. A buffer is done once the callback has taken its
    // last sample, so buffers finish at the device's pace.
    std::size_t FeedOutput(std::deque<QueuedBuffer>& queue) {
        for (QueuedBuffer& buffer : queue) {
            const std::size_t total = m_core.SamplesIn(*buffer.header);
            if (buffer.samples == total) continue;
            const auto* data = static_cast<const std::int16_t*>(buffer.header->data);
            buffer.samples += m_state->ring.Write(data + buffer.samples, total - buffer.samples);
            if (buffer.samples < total) break;
            buffer.mark = m_state->ring.WritePosition();
        }
        const std::uint64_t played = m_state->ring.ReadPosition();
        std::size_t done = 0;
        while (done < queue.size() &&
               queue[done].samples == m_core.SamplesIn(*queue[done].header) &&
               played >= queue[done].mark)
            ++done;
        return done;
    }

    WaveDeviceCore& m_core;
    const std::shared_ptr<StreamState> m_state;
    PaStream* m_stream = nullptr;
    bool m_started = false;   // input
    bool m_watching = false;  // the stream runs: its callback must keep coming
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
        std::shared_ptr<WaveDeviceCore> core;
        const MMRESULT result =
            Open(Direction::In, deviceId, format, notify, device != nullptr, &core);
        if (result == MMSYSERR_NOERROR) *device = MakeWaveIn(std::move(core));
        return result;
    }

    unsigned GetOutputDeviceCount() override { return Count(Direction::Out); }

    MMRESULT GetOutputCaps(unsigned deviceId, WaveOutCaps* caps) override {
        if (caps == nullptr) return MMSYSERR_INVALPARAM;
        return Caps(Direction::Out, deviceId, &caps->name, &caps->channels);
    }

    MMRESULT OpenOutput(unsigned deviceId, const WaveFormat& format, AutoResetEvent* notify,
                        std::unique_ptr<WaveOutDevice>* device) override {
        std::shared_ptr<WaveDeviceCore> core;
        const MMRESULT result =
            Open(Direction::Out, deviceId, format, notify, device != nullptr, &core);
        if (result == MMSYSERR_NOERROR) *device = MakeWaveOut(std::move(core));
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
                         AutoResetEvent* notify, bool hasResult,
                         std::shared_ptr<WaveDeviceCore>* opened) {
        ChosenDevice choice;
        {
            std::lock_guard<std::mutex> pa(PortAudioLibrary::Instance().Lock());
            choice = DeviceZero(direction);
        }
        const bool exists = deviceId == 0 && choice.index != paNoDevice;
        if (MMRESULT check = CheckOpen(exists, notify, hasResult, format, choice.maxChannels))
            return check;
        auto core = std::make_shared<WaveDeviceCore>(direction, format, notify);
        auto transport = std::make_unique<PortAudioTransport>(*core);
        if (MMRESULT result = transport->Open(choice)) return result;
        core->Begin(std::move(transport));
        *opened = std::move(core);
        return MMSYSERR_NOERROR;
    }
};

}  // namespace

std::shared_ptr<WaveAudioDriver> MakePortAudioDriver() {
    return std::make_shared<PortAudioDriver>();
}

}  // namespace platform
