#include "platform/portaudio/portaudio_recording_player.h"

#include <portaudio.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio_files/mono_resampler.h"
#include "platform/portaudio/portaudio_library.h"
#include "platform/portaudio/portaudio_stream_closer.h"
#include "platform/services/sample_ring.h"

namespace platform {
namespace {

constexpr std::size_t kReadFrames = 4096;
// About a second and a half at 48 kHz stereo: room for the reader's pauses.
constexpr std::size_t kRingSamples = std::size_t{1} << 17;
constexpr auto kCloserPatience = std::chrono::milliseconds(500);

}  // namespace

struct CRecordingPlayer::Run {
    SampleRing ring{kRingSamples};
    SNDFILE* sound = nullptr;
    std::unique_ptr<CMonoResampler> converter;  // set when the device plays 11025 Hz mono
    int fileChannels = 1;
    int sourceRate = 0;
    int channels = 1;  // what the device gets
    double rate = 11025.0;
    double from = 0.0;
    std::uint64_t firstFrame = 0;
    std::uint64_t endFrame = 0;  // of the file, exclusive
    bool loop = false;
    std::atomic<bool> stop{false};
    std::atomic<bool> readerDone{false};
    std::atomic<bool> finished{false};
    std::atomic<std::uint64_t> playedFrames{0};
    std::thread reader;
    PaStream* stream = nullptr;

    ~Run() {
        if (sound) sf_close(sound);
    }

    void Read() {
        std::vector<short> frames(kReadFrames * static_cast<std::size_t>(fileChannels));
        std::vector<double> normalised;
        std::vector<std::int16_t> converted;
        std::uint64_t at = firstFrame;
        std::size_t offered = 0;  // of `converted`, already in the ring
        while (!stop.load()) {
            if (offered < converted.size()) {
                offered += ring.Write(converted.data() + offered, converted.size() - offered);
                if (offered < converted.size()) {
                    // The ring is full: the callback empties it in real time.
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                continue;
            }
            converted.clear();
            offered = 0;
            if (at >= endFrame) {
                if (!loop) break;
                at = firstFrame;
                sf_seek(sound, static_cast<sf_count_t>(at), SEEK_SET);
                if (converter)
                    converter = std::make_unique<CMonoResampler>(sourceRate, fileChannels);
            }
            const auto want =
                static_cast<sf_count_t>(std::min<std::uint64_t>(kReadFrames, endFrame - at));
            const sf_count_t got = sf_readf_short(sound, frames.data(), want);
            if (got <= 0) {
                endFrame = at;  // the file ends sooner than it said
                if (!loop || at == firstFrame) break;
                continue;
            }
            at += static_cast<std::uint64_t>(got);
            const std::size_t values = static_cast<std::size_t>(got) * fileChannels;
            if (converter) {
                normalised.resize(values);
                for (std::size_t i = 0; i < values; ++i) normalised[i] = frames[i] / 32768.0;
                converter->Put(normalised.data(), static_cast<std::size_t>(got), converted);
                if (at >= endFrame) converter->Finish(converted);
            } else {
                converted.assign(frames.begin(),
                                 frames.begin() + static_cast<std::ptrdiff_t>(values));
            }
        }
        readerDone = true;
    }

    static int Callback(const void*, void* output, unsigned long frameCount,
                        const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
        Run& run = *static_cast<Run*>(user);
        auto* out = static_cast<std::int16_t*>(output);
        const std::size_t wanted = frameCount * static_cast<std::size_t>(run.channels);
        const bool lastData = run.readerDone.load();
        std::size_t got = run.ring.Read(out, wanted);
        got -= got % static_cast<std::size_t>(run.channels);
        std::fill(out + got, out + wanted, std::int16_t{0});
        run.playedFrames.fetch_add(got / static_cast<std::size_t>(run.channels));
        if (lastData && got == 0) {
            run.finished = true;
            return paComplete;
        }
        return paContinue;
    }
};

CRecordingPlayer::CRecordingPlayer() = default;

CRecordingPlayer::~CRecordingPlayer() {
    Stop();
}

std::string CRecordingPlayer::Play(const std::string& path, double from, double to, bool loop) {
    Stop();
    auto run = std::make_shared<Run>();
    SF_INFO info{};
    run->sound = sf_open(path.c_str(), SFM_READ, &info);
    if (!run->sound) return "Cannot play " + path + ": " + sf_strerror(nullptr);
    if (info.channels < 1 || info.samplerate < 1 || !info.seekable)
        return "Cannot play " + path + ": not a seekable recording";
    run->sourceRate = info.samplerate;
    run->fileChannels = info.channels;
    const auto frameAt = [&](double seconds) {
        const double frame = std::max(0.0, seconds) * info.samplerate;
        return std::min<std::uint64_t>(
            static_cast<std::uint64_t>(frame),
            static_cast<std::uint64_t>(std::max<sf_count_t>(0, info.frames)));
    };
    run->firstFrame = frameAt(from);
    run->endFrame = to > from ? frameAt(to) : static_cast<std::uint64_t>(info.frames);
    if (run->endFrame <= run->firstFrame) return "Nothing to play there";
    run->from = static_cast<double>(run->firstFrame) / info.samplerate;
    run->loop = loop;
    if (sf_seek(run->sound, static_cast<sf_count_t>(run->firstFrame), SEEK_SET) < 0)
        return "Cannot play " + path + ": " + sf_strerror(run->sound);

    PortAudioLibrary& library = PortAudioLibrary::Instance();
    {
        std::lock_guard<std::mutex> guard(library.Lock());
        const ChosenDevice device = DeviceZero(SoundDirection::Out);
        if (device.index == paNoDevice) return "No Sound Output Device";
        PaStreamParameters output{};
        output.device = device.index;
        output.sampleFormat = paInt16;
        output.suggestedLatency = device.info->defaultHighOutputLatency;
        output.channelCount = info.channels;
        // As recorded where the device takes it, else as the analysis hears it.
        if (info.channels > device.maxChannels ||
            Pa_IsFormatSupported(nullptr, &output, info.samplerate) != paFormatIsSupported) {
            output.channelCount = 1;
            run->converter = std::make_unique<CMonoResampler>(info.samplerate, info.channels);
            run->rate = kDecodedSampleRate;
        } else {
            run->rate = info.samplerate;
        }
        run->channels = output.channelCount;
        const PaError opened =
            Pa_OpenStream(&run->stream, nullptr, &output, run->rate, paFramesPerBufferUnspecified,
                          paNoFlag, &Run::Callback, run.get());
        if (opened != paNoError) {
            run->stream = nullptr;
            return std::string("Cannot play: ") + Pa_GetErrorText(opened);
        }
    }
    run->reader = std::thread([r = run.get()] { r->Read(); });
    {
        std::lock_guard<std::mutex> guard(library.Lock());
        if (const PaError started = Pa_StartStream(run->stream); started != paNoError) {
            m_run = run;
            Stop();
            return std::string("Cannot play: ") + Pa_GetErrorText(started);
        }
    }
    m_run = std::move(run);
    return {};
}

void CRecordingPlayer::Stop() {
    if (!m_run) return;
    m_stoppedAt = Position();
    std::shared_ptr<Run> run = std::move(m_run);
    run->stop = true;
    if (run->reader.joinable()) run->reader.join();
    if (run->stream) CloseStreamSoon(run->stream, run, kCloserPatience);
}

bool CRecordingPlayer::Playing() const {
    return m_run && !m_run->finished.load();
}

double CRecordingPlayer::Position() const {
    if (!m_run) return m_stoppedAt;
    const Run& run = *m_run;
    const double length = static_cast<double>(run.endFrame - run.firstFrame) / run.sourceRate;
    double played = static_cast<double>(run.playedFrames.load()) / run.rate;
    if (run.loop && length > 0.0) played = std::fmod(played, length);
    return run.from + std::min(played, length);
}

std::string CRecordingPlayer::Format() const {
    if (!m_run) return {};
    const Run& run = *m_run;
    if (run.converter) return "11025 Hz mono (converted)";
    return std::to_string(run.sourceRate) + " Hz " +
           (run.channels == 1   ? std::string("mono")
            : run.channels == 2 ? std::string("stereo")
                                : std::to_string(run.channels) + " channels");
}

}  // namespace platform
