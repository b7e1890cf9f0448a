// What every driver of the waveform-audio layer promises its callers, as one suite of cases run
// against each driver: the simulated card in the library tests, PortAudio against a real sound
// server in the sound tests. Include it in exactly one file of a test binary and instantiate
// WaveDeviceContract there with the targets that binary has.
//
// Buffers are short (40 ms) and the waiter is deliberately slower than they are, so buffers
// finish while a notification is still untaken: a driver that let two notifications merge into
// one would come up a signal short, which the watchdog turns into a failure.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/devices/wave_audio.h"
#include "tests/support/wave_test_support.h"

namespace wave_contract {

using namespace std::chrono_literals;
using platform::AutoResetEvent;
using platform::MMRESULT;
using platform::WaveHeader;
using wave_test::Buffer;
using wave_test::Format;
using wave_test::Take;
using wave_test::Watchdog;

struct Target {
    std::string name;
    // A driver with at least one device each way that captures and plays at real pace; nullptr
    // skips the case (no device here).
    std::function<std::shared_ptr<platform::WaveAudioDriver>()> make;
    // Makes the named call fail with the code from now on; empty when the driver cannot be
    // made to fail on demand.
    std::function<void(platform::WaveAudioDriver&, const std::string&, MMRESULT)> failCall;
    // False for a driver that finishes buffers as fast as they are taken instead.
    bool realPace = true;
};

inline void PrintTo(const Target& target, std::ostream* out) {
    *out << target.name;
}

inline std::string TargetName(const ::testing::TestParamInfo<Target>& info) {
    return info.param.name;
}

constexpr int kShort = 441;  // 40 ms at 11025 samples per second
constexpr int kBuffers = 6;

// Longer than a short buffer: completions pile up behind an untaken notification.
inline void BeASlowWaiter() {
    std::this_thread::sleep_for(60ms);
}

inline void TakeTheOpenAndOneSignalPerBufferSlowly(AutoResetEvent& event) {
    for (int signal = 0; signal <= kBuffers; ++signal) {
        BeASlowWaiter();
        ASSERT_TRUE(Take(event)) << "signal " << signal << " of " << kBuffers + 1
                                 << " (the open, then one per buffer) never came";
    }
}

// A look for a signal that must not come; an absence cannot be awaited.
inline bool SignalledWithin(AutoResetEvent& event, std::chrono::milliseconds wait) {
    std::this_thread::sleep_for(wait);
    return event.IsSignalled();
}

class WaveDeviceContract : public ::testing::TestWithParam<Target> {
protected:
    void SetUp() override {
        m_driver = GetParam().make();
        if (m_driver == nullptr) GTEST_SKIP() << "no " << GetParam().name << " devices here";
    }

    std::unique_ptr<platform::WaveInDevice> OpenIn(AutoResetEvent& event) {
        std::unique_ptr<platform::WaveInDevice> device;
        EXPECT_EQ(m_driver->OpenInput(0, Format(), &event, &device), platform::MMSYSERR_NOERROR);
        return device;
    }

    std::unique_ptr<platform::WaveOutDevice> OpenOut(AutoResetEvent& event) {
        std::unique_ptr<platform::WaveOutDevice> device;
        EXPECT_EQ(m_driver->OpenOutput(0, Format(), &event, &device), platform::MMSYSERR_NOERROR);
        return device;
    }

    std::vector<Buffer> ShortBuffers(int count = kBuffers) {
        std::vector<Buffer> buffers;
        for (int i = 0; i < count; ++i) buffers.emplace_back(kShort, std::int16_t{1});
        return buffers;
    }

    std::shared_ptr<platform::WaveAudioDriver> m_driver;
};

TEST_P(WaveDeviceContract, OpensOnlyAnExistingDeviceWithAnEventAndA16BitPcmFormat) {
    AutoResetEvent event("e");
    std::unique_ptr<platform::WaveInDevice> in;
    std::unique_ptr<platform::WaveOutDevice> out;
    const unsigned inputs = m_driver->GetInputDeviceCount();
    const unsigned outputs = m_driver->GetOutputDeviceCount();
    EXPECT_EQ(m_driver->OpenInput(inputs, Format(), &event, &in), platform::MMSYSERR_BADDEVICEID);
    EXPECT_EQ(m_driver->OpenOutput(outputs, Format(), &event, &out),
              platform::MMSYSERR_BADDEVICEID);
    EXPECT_EQ(m_driver->OpenInput(0, Format(), nullptr, &in), platform::MMSYSERR_INVALPARAM);
    EXPECT_EQ(m_driver->OpenOutput(0, Format(), &event, nullptr), platform::MMSYSERR_INVALPARAM);
    platform::WaveFormat eightBit = platform::PcmFormat(1, 11025, 8);
    platform::WaveFormat noChannels = platform::PcmFormat(0, 11025, 16);
    platform::WaveFormat noRate = platform::PcmFormat(1, 0, 16);
    platform::WaveFormat inconsistent = Format();
    inconsistent.avgBytesPerSec += 1;
    platform::WaveFormat notPcm = Format();
    notPcm.formatTag = 3;
    for (const platform::WaveFormat& format :
         {eightBit, noChannels, noRate, inconsistent, notPcm}) {
        EXPECT_EQ(m_driver->OpenInput(0, format, &event, &in), platform::WAVERR_BADFORMAT);
        EXPECT_EQ(m_driver->OpenOutput(0, format, &event, &out), platform::WAVERR_BADFORMAT);
    }
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(event.IsSignalled());
    platform::WaveInCaps inCaps;
    EXPECT_EQ(m_driver->GetInputCaps(0, &inCaps), platform::MMSYSERR_NOERROR);
    EXPECT_GE(inCaps.channels, 1);
    EXPECT_EQ(m_driver->GetInputCaps(inputs, &inCaps), platform::MMSYSERR_BADDEVICEID);
    platform::WaveOutCaps outCaps;
    EXPECT_EQ(m_driver->GetOutputCaps(outputs, &outCaps), platform::MMSYSERR_BADDEVICEID);
}

TEST_P(WaveDeviceContract, SignalsTheOpenAndTheCloseOnceEachAndAnswersNothingAfterClose) {
    AutoResetEvent inEvent("WaveInThreadEvent");
    AutoResetEvent outEvent("WaveOutThreadEvent");
    Watchdog inWatchdog(inEvent, 10s);
    Watchdog outWatchdog(outEvent, 10s);
    auto in = OpenIn(inEvent);
    auto out = OpenOut(outEvent);
    ASSERT_TRUE(in && out);
    ASSERT_TRUE(Take(inEvent)) << "no open notification";
    ASSERT_TRUE(Take(outEvent)) << "no open notification";
    EXPECT_FALSE(in->IsClosed());
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(out->Close(), platform::MMSYSERR_NOERROR);
    ASSERT_TRUE(Take(inEvent)) << "no close notification";
    ASSERT_TRUE(Take(outEvent)) << "no close notification";
    EXPECT_TRUE(in->IsClosed());
    EXPECT_TRUE(out->IsClosed());
    Buffer buffer(kShort);
    const MMRESULT invalid = platform::MMSYSERR_INVALHANDLE;
    EXPECT_EQ(in->PrepareHeader(&buffer.header), invalid);
    EXPECT_EQ(in->UnprepareHeader(&buffer.header), invalid);
    EXPECT_EQ(in->AddBuffer(&buffer.header), invalid);
    EXPECT_EQ(in->Start(), invalid);
    EXPECT_EQ(in->Stop(), invalid);
    EXPECT_EQ(in->Reset(), invalid);
    EXPECT_EQ(in->Close(), invalid);
    EXPECT_EQ(out->PrepareHeader(&buffer.header), invalid);
    EXPECT_EQ(out->UnprepareHeader(&buffer.header), invalid);
    EXPECT_EQ(out->Write(&buffer.header), invalid);
    EXPECT_EQ(out->Pause(), invalid);
    EXPECT_EQ(out->Reset(), invalid);
    EXPECT_EQ(out->Close(), invalid);
    EXPECT_EQ(buffer.header.flags, 0u);
    EXPECT_FALSE(SignalledWithin(inEvent, 50ms) || outEvent.IsSignalled());
}

TEST_P(WaveDeviceContract, GuardsHeadersAndTheQueue) {
    AutoResetEvent event("WaveOutThreadEvent");
    Watchdog watchdog(event, 10s);
    auto out = OpenOut(event);
    ASSERT_TRUE(out);
    ASSERT_TRUE(Take(event));
    ASSERT_EQ(out->Pause(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(out->PrepareHeader(nullptr), platform::MMSYSERR_INVALPARAM);
    WaveHeader noData;
    noData.bufferLength = 8;
    EXPECT_EQ(out->PrepareHeader(&noData), platform::MMSYSERR_INVALPARAM);
    EXPECT_EQ(out->Write(&noData), platform::MMSYSERR_INVALPARAM);
    Buffer buffer(kShort);
    EXPECT_EQ(out->UnprepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);  // never prepared
    buffer.header.flags = platform::WHDR_DONE;
    EXPECT_EQ(out->Write(&buffer.header), platform::WAVERR_UNPREPARED);
    ASSERT_EQ(out->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED);
    ASSERT_EQ(out->Write(&buffer.header), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(out->Write(&buffer.header), platform::WAVERR_STILLPLAYING);
    EXPECT_EQ(out->PrepareHeader(&buffer.header), platform::WAVERR_STILLPLAYING);
    EXPECT_EQ(out->UnprepareHeader(&buffer.header), platform::WAVERR_STILLPLAYING);
    // Paused: the buffer waits, and so does its notification.
    EXPECT_FALSE(SignalledWithin(event, 100ms));
    ASSERT_EQ(out->Reset(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED | platform::WHDR_DONE);
    EXPECT_TRUE(Take(event));
    EXPECT_EQ(out->UnprepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.flags, platform::WHDR_DONE);
    out->Close();
}

TEST_P(WaveDeviceContract, CaptureFinishesEveryBufferInOrderWithASignalOfItsOwn) {
    AutoResetEvent event("WaveInThreadEvent");
    Watchdog watchdog(event, 10s);
    auto in = OpenIn(event);
    ASSERT_TRUE(in);
    std::vector<Buffer> buffers = ShortBuffers();
    for (Buffer& buffer : buffers) {
        ASSERT_EQ(in->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(in->AddBuffer(&buffer.header), platform::MMSYSERR_NOERROR);
    }
    ASSERT_EQ(in->Start(), platform::MMSYSERR_NOERROR);
    TakeTheOpenAndOneSignalPerBufferSlowly(event);
    if (HasFatalFailure()) return;
    for (const Buffer& buffer : buffers) {
        EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED | platform::WHDR_DONE);
        EXPECT_EQ(buffer.header.bytesRecorded, buffer.header.bufferLength);
    }
    EXPECT_FALSE(SignalledWithin(event, 100ms)) << "a signal more than buffers finished";
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
}

TEST_P(WaveDeviceContract, PlaybackFinishesEveryBufferInOrderWithASignalOfItsOwn) {
    AutoResetEvent event("WaveOutThreadEvent");
    Watchdog watchdog(event, 10s);
    auto out = OpenOut(event);
    ASSERT_TRUE(out);
    std::vector<Buffer> buffers = ShortBuffers();
    for (Buffer& buffer : buffers) {
        ASSERT_EQ(out->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(out->Write(&buffer.header), platform::MMSYSERR_NOERROR);
    }
    TakeTheOpenAndOneSignalPerBufferSlowly(event);
    if (HasFatalFailure()) return;
    for (const Buffer& buffer : buffers)
        EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED | platform::WHDR_DONE);
    EXPECT_FALSE(SignalledWithin(event, 100ms)) << "a signal more than buffers finished";
    EXPECT_EQ(out->Close(), platform::MMSYSERR_NOERROR);
}

TEST_P(WaveDeviceContract, ResetReturnsEveryQueuedBufferWithASignalEach) {
    AutoResetEvent inEvent("WaveInThreadEvent");
    AutoResetEvent outEvent("WaveOutThreadEvent");
    Watchdog inWatchdog(inEvent, 10s);
    Watchdog outWatchdog(outEvent, 10s);
    auto in = OpenIn(inEvent);
    auto out = OpenOut(outEvent);
    ASSERT_TRUE(in && out);
    ASSERT_TRUE(Take(inEvent));
    ASSERT_TRUE(Take(outEvent));
    ASSERT_EQ(out->Pause(), platform::MMSYSERR_NOERROR);
    std::vector<Buffer> captures = ShortBuffers(3);
    std::vector<Buffer> plays = ShortBuffers(3);
    for (int i = 0; i < 3; ++i) {
        in->PrepareHeader(&captures[i].header);
        ASSERT_EQ(in->AddBuffer(&captures[i].header), platform::MMSYSERR_NOERROR);
        out->PrepareHeader(&plays[i].header);
        ASSERT_EQ(out->Write(&plays[i].header), platform::MMSYSERR_NOERROR);
    }
    ASSERT_EQ(in->Reset(), platform::MMSYSERR_NOERROR);   // never started
    ASSERT_EQ(out->Reset(), platform::MMSYSERR_NOERROR);  // paused
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(captures[i].header.flags, platform::WHDR_PREPARED | platform::WHDR_DONE);
        EXPECT_EQ(captures[i].header.bytesRecorded, 0u);
        EXPECT_EQ(plays[i].header.flags, platform::WHDR_PREPARED | platform::WHDR_DONE);
    }
    for (int signal = 0; signal < 3; ++signal) {
        BeASlowWaiter();
        ASSERT_TRUE(Take(inEvent)) << "capture buffer " << signal << " gave no signal";
        ASSERT_TRUE(Take(outEvent)) << "playback buffer " << signal << " gave no signal";
    }
    EXPECT_FALSE(SignalledWithin(inEvent, 100ms) || outEvent.IsSignalled());
    in->Close();
    out->Close();
}

TEST_P(WaveDeviceContract, StopAndPauseKeepBuffersQueuedAndCloseReturnsThemWithOneSignal) {
    if (!GetParam().realPace) GTEST_SKIP() << "a capture buffer fills at once at this pace";
    AutoResetEvent inEvent("WaveInThreadEvent");
    AutoResetEvent outEvent("WaveOutThreadEvent");
    Watchdog inWatchdog(inEvent, 10s);
    Watchdog outWatchdog(outEvent, 10s);
    auto in = OpenIn(inEvent);
    auto out = OpenOut(outEvent);
    ASSERT_TRUE(in && out);
    ASSERT_TRUE(Take(inEvent));
    ASSERT_TRUE(Take(outEvent));
    Buffer longCapture(11025);  // a second: still filling when stopped
    std::vector<Buffer> plays = ShortBuffers(2);
    in->PrepareHeader(&longCapture.header);
    ASSERT_EQ(in->AddBuffer(&longCapture.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->Start(), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->Stop(), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(out->Pause(), platform::MMSYSERR_NOERROR);
    for (Buffer& buffer : plays) {
        out->PrepareHeader(&buffer.header);
        ASSERT_EQ(out->Write(&buffer.header), platform::MMSYSERR_NOERROR);
    }
    EXPECT_FALSE(SignalledWithin(inEvent, 100ms) || outEvent.IsSignalled());
    EXPECT_EQ(in->UnprepareHeader(&longCapture.header), platform::WAVERR_STILLPLAYING);
    EXPECT_EQ(out->UnprepareHeader(&plays[0].header), platform::WAVERR_STILLPLAYING);
    ASSERT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(out->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(longCapture.header.flags, platform::WHDR_PREPARED | platform::WHDR_DONE);
    for (const Buffer& buffer : plays)
        EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED | platform::WHDR_DONE);
    ASSERT_TRUE(Take(inEvent));
    ASSERT_TRUE(Take(outEvent));
    EXPECT_FALSE(SignalledWithin(inEvent, 100ms) || outEvent.IsSignalled())
        << "Close signals once, whatever it returns";
}

TEST_P(WaveDeviceContract, ADeviceDroppedWithoutCloseLeavesTheEventAndHeadersAlone) {
    AutoResetEvent event("WaveOutThreadEvent");
    Watchdog watchdog(event, 10s);
    auto out = OpenOut(event);
    ASSERT_TRUE(out);
    ASSERT_TRUE(Take(event));
    out->Pause();
    Buffer buffer(kShort);
    out->PrepareHeader(&buffer.header);
    out->Write(&buffer.header);
    out.reset();
    EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED | platform::WHDR_INQUEUE);
    EXPECT_FALSE(SignalledWithin(event, 50ms));
}

// Every code the layer reports, from each call that can fail, reaches the caller unchanged and
// changes nothing else.
TEST_P(WaveDeviceContract, EveryErrorCodeOfACallComesBackUnchanged) {
    if (!GetParam().failCall) GTEST_SKIP() << GetParam().name << " cannot be made to fail at will";
    const MMRESULT codes[] = {platform::MMSYSERR_BADDEVICEID, platform::MMSYSERR_ALLOCATED,
                              platform::MMSYSERR_INVALHANDLE, platform::MMSYSERR_NODRIVER,
                              platform::MMSYSERR_NOMEM,       platform::WAVERR_BADFORMAT,
                              platform::WAVERR_STILLPLAYING,  platform::WAVERR_SYNC};
    for (const MMRESULT code : codes) {
        SCOPED_TRACE("code " + std::to_string(code));
        auto driver = GetParam().make();
        AutoResetEvent event("e");
        std::unique_ptr<platform::WaveInDevice> in;
        std::unique_ptr<platform::WaveOutDevice> out;
        GetParam().failCall(*driver, "waveInOpen", code);
        GetParam().failCall(*driver, "waveOutOpen", code);
        EXPECT_EQ(driver->OpenInput(0, Format(), &event, &in), code);
        EXPECT_EQ(driver->OpenOutput(0, Format(), &event, &out), code);
        EXPECT_FALSE(in || out || event.IsSignalled());

        driver = GetParam().make();
        Watchdog watchdog(event, 10s);
        ASSERT_EQ(driver->OpenInput(0, Format(), &event, &in), platform::MMSYSERR_NOERROR);
        ASSERT_TRUE(Take(event));
        Buffer buffer(kShort);
        for (const char* call :
             {"waveInPrepareHeader", "waveInAddBuffer", "waveInStart", "waveInStop", "waveInReset",
              "waveInUnprepareHeader", "waveInClose"})
            GetParam().failCall(*driver, call, code);
        EXPECT_EQ(in->PrepareHeader(&buffer.header), code);
        EXPECT_EQ(buffer.header.flags, 0u);
        buffer.header.flags = platform::WHDR_PREPARED;
        EXPECT_EQ(in->AddBuffer(&buffer.header), code);
        EXPECT_EQ(in->Start(), code);
        EXPECT_EQ(in->Stop(), code);
        EXPECT_EQ(in->Reset(), code);
        EXPECT_EQ(in->UnprepareHeader(&buffer.header), code);
        EXPECT_EQ(in->Close(), code);
        EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED);
        EXPECT_FALSE(in->IsClosed());
        EXPECT_FALSE(SignalledWithin(event, 10ms));
    }
}

}  // namespace wave_contract
