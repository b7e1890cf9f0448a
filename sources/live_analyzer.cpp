#include "sources/live_analyzer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "analysis/volume_factor.h"
#include "platform/services/message_box.h"
#include "platform/services/sleep.h"

namespace {

constexpr const char* kEventName = "WaveInThreadEvent";
constexpr std::uint32_t kBufferBytes = 2 * CTremorAnalyzer::kBlockSize;

// A tone sample: the recurrence value truncated toward zero, of which the low 16 bits are kept.
std::int16_t LowSixteenBits(double value) {
    if (!std::isfinite(value)) return 0;
    const double wrapped = std::fmod(std::trunc(value), 65536.0);  // exact, |wrapped| < 65536
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>(static_cast<std::int32_t>(wrapped)));
}

void Message(const char* text) {
    platform::ShowMessage(text);
}

}  // namespace

CLiveAnalyzer::CLiveAnalyzer() {
    ResetStatistics();
    m_underThreshold = 1;
    m_blockSize = kBlockSize;
    m_windowOffset = 512;
    m_windowGain = 3.0;
    m_sampleRate = 11025;
    m_toneMode = 0;
    m_toneFrequency = 10.0;
    m_toneSampleRate = 11025.0;
    m_toneAmplitude = 10;
    SetupTone();
    CLiveAnalyzer::Reset();
}

CLiveAnalyzer::~CLiveAnalyzer() {
    CloseCapture();
    CLiveAnalyzer::Reset();
}

PumpMembers CLiveAnalyzer::Members() {
    return PumpMembers{m_event, m_stop, m_thread};
}

void CLiveAnalyzer::Reset() {
    {
        std::lock_guard<std::mutex> guard(m_dataLock);
        std::fill(std::begin(m_captureBuffer), std::end(m_captureBuffer), std::int16_t{0});
    }
    CTremorAnalyzer::Reset();
}

int CLiveAnalyzer::FetchBlock() {
    if (m_toneMode == 1) {
        // The next block of the sine continues from the last two values of the previous one.
        std::lock_guard<std::mutex> guard(m_dataLock);
        constexpr int n = kBlockSize;
        const double k = m_toneCoefficient;
        double* d = m_toneValues;
        d[0] = k * d[n - 1] - d[n - 2];
        m_captureBuffer[0] = LowSixteenBits(d[0]);
        d[1] = k * d[0] - d[n - 1];
        m_captureBuffer[1] = LowSixteenBits(d[1]);
        for (int i = 2; i < n; ++i) {
            d[i] = k * d[i - 1] - d[i - 2];
            m_captureBuffer[i] = LowSixteenBits(d[i]);
        }
        return 0;
    }

    platform::WaveInDevice* device = m_hWaveIn.get();
    if (device == nullptr) return 0;
    // The completed block is taken before the buffer goes back to the device, which may start
    // filling it again at once.
    TakeCapturedBlock();
    if (device->UnprepareHeader(&m_header) != platform::MMSYSERR_NOERROR) {
        Message("Cannot UnPrepareHeader !");
        return 0;
    }
    m_header = platform::WaveHeader{};
    m_header.data = m_deviceBuffer;
    m_header.bufferLength = kBufferBytes;
    m_header.flags = 0;
    const platform::MMRESULT prepared = device->PrepareHeader(&m_header);
    if (prepared != platform::MMSYSERR_NOERROR || m_header.flags != platform::WHDR_PREPARED)
        Message("Cannot Prepare Header !");
    if (device->AddBuffer(&m_header) != platform::MMSYSERR_NOERROR) Message("Cannot Add Buffer !");
    if (device->Start() != platform::MMSYSERR_NOERROR) Message("Cannot Start Wave In !");
    return 0;
}

void CLiveAnalyzer::TakeCapturedBlock() {
    std::lock_guard<std::mutex> guard(m_dataLock);
    std::memcpy(m_captureBuffer, m_deviceBuffer, sizeof(m_captureBuffer));
}

int CLiveAnalyzer::Analyze(void*) {
    if (m_toneMode == 1) {
        m_windowOffset = 0;
        m_windowGain = 1.0;
    } else {
        m_windowOffset = 512;
        m_windowGain = 3.0;
    }
    ShiftHistory(m_captureBuffer);
    if (m_toneMode == 0) {
        if (m_blockSink.IsAttached()) {
            std::lock_guard<std::mutex> guard(m_dataLock);
            m_blockSink.Hand(m_captureBuffer, kBlockSize);
        }
    }
    ApplyWindow(m_windowGain.Load() * VolumeFactor(m_volume.Load()), m_windowOffset.Load());
    // Releases the next tone cycle at once. A stop is never cleared here: every pump begins with
    // m_stop = 0, so clearing it could only erase a stop that has just been requested.
    if (m_toneMode == 1) {
        if (platform::AutoResetEvent* event = m_event.load()) event->Set();
    }
    const std::uint64_t block = NextEvaluationBlock();
    StampBlockEnd(SessionSource() == EvaluationSource::Tone ? ToneBlockEndSeconds(block)
                                                            : LineBlockEndSeconds(block));
    return Evaluate();
}

std::int32_t CLiveAnalyzer::OpenCapture() {
    // A second Line On, or one after StopCapture (whose pump still runs and whose device is still
    // open): the old run ends first, so one pump and one device serve this analyzer.
    EndPump();
    CloseDevice();

    m_deviceFailed = false;
    platform::WaveAudioDriver& audio = platform::WaveAudio();
    if (audio.GetInputDeviceCount() == 0) {
        m_deviceFailed = true;
        Message("No Sound Device");
        return 0;
    }
    if (audio.GetInputCaps(0, &m_inCaps) != platform::MMSYSERR_NOERROR)
        Message("Cannot determine sound card capabilities !");

    StartPump();
    SetFormat(1, static_cast<unsigned>(m_sampleRate.Load()), 16);

    std::unique_ptr<platform::WaveInDevice> device;
    platform::MMRESULT result = audio.OpenInput(0, m_format, m_event.load(), &device);
    if (result != platform::MMSYSERR_NOERROR) {
        m_deviceFailed = true;
        Message("Cannot Open Sound Input Device!");
        return static_cast<std::int32_t>(result);
    }
    m_hWaveIn = std::move(device);

    m_header = platform::WaveHeader{};
    m_header.data = m_deviceBuffer;
    m_header.bufferLength = kBufferBytes;
    m_header.flags = 0;
    result = m_hWaveIn->PrepareHeader(&m_header);
    if (result != platform::MMSYSERR_NOERROR || m_header.flags != platform::WHDR_PREPARED) {
        Message("Cannot Prepare Header !");
        return static_cast<std::int32_t>(result);
    }
    result = m_hWaveIn->AddBuffer(&m_header);
    if (result != platform::MMSYSERR_NOERROR) {
        Message("Cannot Add Buffer !");
        return static_cast<std::int32_t>(result);
    }
    result = m_hWaveIn->Start();
    if (result != platform::MMSYSERR_NOERROR) {
        Message("Cannot Start Wave In !");
        return static_cast<std::int32_t>(result);
    }
    return 0;
}

void CLiveAnalyzer::StartPump() {
    ResetStatistics();
    const PumpKind kind = (m_toneMode == 1) ? PumpKind::Tone : PumpKind::Device;
    BeginEvaluationSession(kind == PumpKind::Tone ? EvaluationSource::Tone
                                                  : EvaluationSource::Line);
    StartBlockPump(*this, Members(), m_eventOwner, kEventName, m_captureBuffer, kind,
                   platform::ThreadPriority::Normal);
    m_thread.Resume();
}

void CLiveAnalyzer::SetFormat(unsigned channels, unsigned samplesPerSec, unsigned bitsPerSample) {
    m_format = platform::PcmFormat(channels, samplesPerSec, bitsPerSample);
}

void CLiveAnalyzer::CloseCapture() {
    SignalStop();
    platform::SleepMilliseconds(50);
    // The pump has ended before the device is closed, so it never works on a closing device.
    EndPump();
    CloseDevice();
}

void CLiveAnalyzer::CloseDevice() {
    if (!m_hWaveIn || m_hWaveIn->IsClosed()) return;
    m_hWaveIn->Stop();
    if (!m_hWaveIn->IsClosed()) m_hWaveIn->Close();
}

void CLiveAnalyzer::StopCapture() {
    ResetStatistics();
    if (!m_hWaveIn || m_hWaveIn->IsClosed()) return;
    m_hWaveIn->Stop();
    // Returns the queued buffer as filled, which wakes the pump.
    m_hWaveIn->Reset();
}

void CLiveAnalyzer::SetupTone() {
    ResetStatistics();
    const double frequency = m_toneFrequency;
    const double sampleRate = m_toneSampleRate;
    const double omega = 4.0 * std::atan(1.0) * frequency * 2.0 / sampleRate;
    m_toneOmega = omega;
    m_toneCoefficient = 2.0 * std::cos(omega);
    const double amplitude = m_toneAmplitude.Load();
    std::lock_guard<std::mutex> guard(m_dataLock);
    m_toneValues[kBlockSize - 2] = -(std::sin(omega) * amplitude);
    m_toneValues[kBlockSize - 1] = 0.0;
}

void CLiveAnalyzer::StartTone() {
    BeginTone(ToneStart::AfterDialog);
}

void CLiveAnalyzer::BeginTone(ToneStart start) {
    // No earlier pump may synthesise or analyse while this thread touches the tone: its
    // oscillator state has one owner at a time.
    EndPump();
    if (start == ToneStart::AfterDialog) {
        ResetStatistics();
        m_toneMode = 0;
        SetupTone();
    }
    m_toneMode = 1;
    // A first block; the pump's first FetchBlock writes the next one over it.
    FetchBlock();
    m_stop = 0;
    StartPump();
    platform::SleepMilliseconds(start == ToneStart::AfterDialog ? 200 : 500);
    if (platform::AutoResetEvent* event = m_event.load()) event->Set();
}

void CLiveAnalyzer::SignalStop() {
    ::SignalStop(Members());
}

void CLiveAnalyzer::EndPump() {
    EndBlockPump(Members());
}
