#include "platform/inline_sound_card.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace platform {
namespace {

class InlineWaveOut final : public WaveOutDevice {
public:
    explicit InlineWaveOut(AutoResetEvent* event) : m_event(event) { m_event->SetQueued(); }

    MMRESULT PrepareHeader(WaveHeader* header) override {
        std::lock_guard<std::mutex> guard(m_lock);
        if (MMRESULT check = Check(header)) return check;
        if (IsQueued(header)) return WAVERR_STILLPLAYING;
        header->flags = WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    MMRESULT UnprepareHeader(WaveHeader* header) override {
        std::lock_guard<std::mutex> guard(m_lock);
        if (MMRESULT check = Check(header)) return check;
        if (IsQueued(header)) return WAVERR_STILLPLAYING;
        header->flags &= ~WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    MMRESULT Write(WaveHeader* header) override {
        std::lock_guard<std::mutex> guard(m_lock);
        if (MMRESULT check = Check(header)) return check;
        if (!(header->flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
        if (IsQueued(header)) return WAVERR_STILLPLAYING;
        if (m_paused) {
            header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
            m_queue.push_back(header);
            return MMSYSERR_NOERROR;
        }
        header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        m_event->SetQueued();
        return MMSYSERR_NOERROR;
    }

    MMRESULT Pause() override {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_open) return MMSYSERR_INVALHANDLE;
        m_paused = true;
        return MMSYSERR_NOERROR;
    }

    MMRESULT Reset() override {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_open) return MMSYSERR_INVALHANDLE;
        for (WaveHeader* header : m_queue) {
            header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
            m_event->SetQueued();
        }
        m_queue.clear();
        return MMSYSERR_NOERROR;
    }

    MMRESULT Close() override {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_open) return MMSYSERR_INVALHANDLE;
        for (WaveHeader* header : m_queue)
            header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        m_queue.clear();
        m_open = false;
        m_event->Set();
        return MMSYSERR_NOERROR;
    }

    bool IsClosed() const override {
        std::lock_guard<std::mutex> guard(m_lock);
        return !m_open;
    }

private:
    MMRESULT Check(const WaveHeader* header) const {
        if (!m_open) return MMSYSERR_INVALHANDLE;
        if (header == nullptr || (header->data == nullptr && header->bufferLength != 0))
            return MMSYSERR_INVALPARAM;
        return MMSYSERR_NOERROR;
    }

    bool IsQueued(const WaveHeader* header) const {
        return std::find(m_queue.begin(), m_queue.end(), header) != m_queue.end();
    }

    mutable std::mutex m_lock;
    AutoResetEvent* m_event;
    std::vector<WaveHeader*> m_queue;  // written while paused
    bool m_open = true;
    bool m_paused = false;
};

}  // namespace

MMRESULT InlineSoundCard::GetInputCaps(unsigned, WaveInCaps*) {
    return MMSYSERR_BADDEVICEID;
}

MMRESULT InlineSoundCard::OpenInput(unsigned, const WaveFormat&, AutoResetEvent*,
                                    std::unique_ptr<WaveInDevice>*) {
    return MMSYSERR_BADDEVICEID;
}

MMRESULT InlineSoundCard::GetOutputCaps(unsigned deviceId, WaveOutCaps* caps) {
    if (deviceId != 0) return MMSYSERR_BADDEVICEID;
    if (caps == nullptr) return MMSYSERR_INVALPARAM;
    caps->name = "Headless output";
    caps->channels = 2;
    return MMSYSERR_NOERROR;
}

MMRESULT InlineSoundCard::OpenOutput(unsigned deviceId, const WaveFormat& format,
                                     AutoResetEvent* notify,
                                     std::unique_ptr<WaveOutDevice>* device) {
    if (deviceId != 0) return MMSYSERR_BADDEVICEID;
    if (notify == nullptr || device == nullptr) return MMSYSERR_INVALPARAM;
    if (format.formatTag != WAVE_FORMAT_PCM || format.bitsPerSample != 16 || format.channels < 1 ||
        format.channels > 2 || format.samplesPerSec == 0)
        return WAVERR_BADFORMAT;
    *device = std::make_unique<InlineWaveOut>(notify);
    return MMSYSERR_NOERROR;
}

}  // namespace platform
