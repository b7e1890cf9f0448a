#include "sources/wave_player.h"

#include <algorithm>

#include "platform/devices/wave_error_text.h"
#include "platform/services/message_box.h"
#include "platform/services/sleep.h"

namespace {

constexpr const char* kEventName = "WaveOutThreadEvent";
constexpr std::uint32_t kBufferBytes = 2 * CTremorAnalyzer::kBlockSize;

void Message(const char* text) {
    platform::ShowMessage(text);
}

// The channel's own text for the code, else the waveform-audio layer's (never an empty box).
std::string ErrorText(const char* own, platform::MMRESULT code) {
    return *own ? std::string(own) : platform::WaveErrorText(code);
}

}  // namespace

CWavePlayer::CWavePlayer() {
    m_blockSize = kBlockSize;
    m_sampleRate = 11025;
    m_bufferIndex = 0;
    // Header i always describes buffer i; the first unprepare of header 1 finds it unprepared.
    DescribeBuffer(0);
    DescribeBuffer(1);
}

CWavePlayer::~CWavePlayer() {
    ClosePlayback();
}

PumpMembers CWavePlayer::Members() {
    return PumpMembers{m_event, m_stop, m_thread};
}

void CWavePlayer::Reset() {
    std::lock_guard<std::mutex> guard(m_dataLock);
    for (auto& buffer : m_playBuffers) std::fill(buffer, buffer + kBlockSize, std::int16_t{0});
}

int CWavePlayer::FetchBlock() {
    NextBuffer();
    return 0;
}

void CWavePlayer::DescribeBuffer(int index) {
    platform::WaveHeader& header = m_headers[index];
    header = platform::WaveHeader{};
    header.data = m_playBuffers[index];
    header.bufferLength = kBufferBytes;
    header.loops = 0;
    header.flags = 0;
}

std::int32_t CWavePlayer::OpenPlayback() {
    // A channel that a command stopped without closing (its pump ended, its device still open):
    // the old device is closed before the new one is opened.
    EndRun();

    m_deviceFailed = false;
    platform::WaveAudioDriver& audio = platform::WaveAudio();
    if (audio.GetOutputDeviceCount() == 0) {
        m_deviceFailed = true;
        Message("No Sound Output Device");
        return 0;
    }
    if (audio.GetOutputCaps(0, &m_outCaps) != platform::MMSYSERR_NOERROR)
        Message("Sound output Cannot determine card capabilities !");

    m_stop = 0;
    StartBlockPump(*this, Members(), m_eventOwner, kEventName, &m_bufferIndex, PumpKind::Device,
                   platform::ThreadPriority::TimeCritical);
    SetFormat(1, static_cast<unsigned>(m_sampleRate.Load()), 16);
    platform::SleepMilliseconds(100);

    std::unique_ptr<platform::WaveOutDevice> device;
    platform::MMRESULT result = audio.OpenOutput(0, m_format, m_event.load(), &device);
    if (result != platform::MMSYSERR_NOERROR) {
        m_deviceFailed = true;
        Message(ErrorText(OpenErrorText(result), result).c_str());
        // The pump was never released; it is discarded without running.
        EndBlockPump(Members());
        return static_cast<std::int32_t>(result);
    }
    m_hWaveOut = std::move(device);

    m_bufferIndex = 0;
    DescribeBuffer(0);
    result = m_hWaveOut->PrepareHeader(&m_headers[0]);
    if (result != platform::MMSYSERR_NOERROR || m_headers[0].flags != platform::WHDR_PREPARED) {
        Message(" Sound Output Cannot Prepare Header !");
        EndBlockPump(Members());
        return static_cast<std::int32_t>(result);
    }
    result = m_hWaveOut->Write(&m_headers[0]);
    if (result != platform::MMSYSERR_NOERROR) {
        Message(" Sound Output Cannot Write Buffer !");
        EndBlockPump(Members());
        return static_cast<std::int32_t>(result);
    }
    m_bufferIndex = 1;
    m_thread.Resume();
    return 0;
}

void CWavePlayer::NextBuffer() {
    const std::int16_t b = (m_bufferIndex == 0) ? 1 : 0;
    m_bufferIndex = b;
    platform::WaveOutDevice* device = m_hWaveOut.get();
    if (device == nullptr) return;  // never opened: nothing to play on
    platform::WaveHeader& header = m_headers[b];
    platform::MMRESULT result = device->UnprepareHeader(&header);
    if (result != platform::MMSYSERR_NOERROR) {
        Message(ErrorText(UnprepareErrorText(result), result).c_str());
        return;
    }
    DescribeBuffer(b);
    result = device->PrepareHeader(&header);
    if (result != platform::MMSYSERR_NOERROR || header.flags != platform::WHDR_PREPARED)
        Message("Sound output Cannot Prepare Header !");
    if (device->Write(&header) != platform::MMSYSERR_NOERROR)
        Message("Sound output Cannot Add Buffer !");
}

void CWavePlayer::SetFormat(unsigned channels, unsigned samplesPerSec, unsigned bitsPerSample) {
    m_format = platform::PcmFormat(channels, samplesPerSec, bitsPerSample);
}

void CWavePlayer::ClosePlayback() {
    {
        std::lock_guard<std::mutex> guard(m_deviceLock);
        if (DeviceOpen()) m_hWaveOut->Pause();
    }
    platform::SleepMilliseconds(50);
    SignalStop();
    platform::SleepMilliseconds(50);
    // On the user-interface thread the pump has ended before the device is reset and closed;
    // on the pump itself (end of a file) there is nothing to wait for.
    EndBlockPump(Members());
    std::lock_guard<std::mutex> guard(m_deviceLock);
    if (DeviceOpen()) {
        m_hWaveOut->Reset();
        m_hWaveOut->Close();
    }
}

void CWavePlayer::EndRun() {
    EndBlockPump(Members());
    std::lock_guard<std::mutex> guard(m_deviceLock);
    if (DeviceOpen()) {
        m_hWaveOut->Reset();
        m_hWaveOut->Close();
    }
}

void CWavePlayer::SignalStop() {
    ::SignalStop(Members());
}

const char* CWavePlayer::OpenErrorText(platform::MMRESULT code) {
    switch (code) {
        case platform::MMSYSERR_BADDEVICEID:
            return " Specified device identifier is out of range. ";
        case platform::MMSYSERR_ALLOCATED:
            return "Specified resource is already allocated.";
        case platform::MMSYSERR_NODRIVER:
            return "No device driver is present.";
        case platform::MMSYSERR_NOMEM:
            return "Unable to allocate or lock memory.";
        case platform::WAVERR_BADFORMAT:
            return "Attempted to open with an unsupported waveform-audio format.";
        case platform::WAVERR_SYNC:
            return "The device is synchronous but waveOutOpen was called without using the "
                   "WAVE_ALLOWSYNC flag.";
        default:
            return "";
    }
}

const char* CWavePlayer::UnprepareErrorText(platform::MMRESULT code) {
    switch (code) {
        case platform::MMSYSERR_INVALHANDLE:
            return "Specified device handle is invalid.";
        case platform::MMSYSERR_NODRIVER:
            return "No device driver is present. ";
        case platform::MMSYSERR_NOMEM:
            return "Unable to allocate or lock memory.";
        case platform::WAVERR_STILLPLAYING:
            return "The data block pointed to by the pwh parameter is still in the queue. ";
        default:
            return "";
    }
}
