// The PortAudio driver against a real sound server: scripts/with-pulseaudio.sh starts a private
// PulseAudio whose null sink is the default output and whose monitor is the default input.
// Without a device the tests skip, unless KAVRIN_EXPECT_SOUND_SERVER=1 says one must be there.
#include "platform/portaudio/portaudio_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/sound/server_driver.h"
#include "tests/support/wave_test_support.h"

namespace {

using namespace std::chrono_literals;
using platform::AutoResetEvent;
using platform::WaitResult;
using platform::WaveHeader;
using Clock = std::chrono::steady_clock;

using wave_test::Buffer;
using wave_test::Format;
using wave_test::kBlock;
using wave_test::Take;
using wave_test::Watchdog;
constexpr double kBlockSeconds = kBlock / 11025.0;  // about 0.37 s

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void FillTone(Buffer& buffer, double frequency, double amplitude, int firstSample) {
    for (int i = 0; i < kBlock; ++i)
        buffer.data[i] = static_cast<std::int16_t>(
            amplitude * std::sin(2.0 * M_PI * frequency * (firstSample + i) / 11025.0));
}

class PortAudioDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        m_driver = sound_test::ServerDriver(&whyNot);
        if (m_driver == nullptr) GTEST_SKIP() << whyNot;
    }

    std::unique_ptr<platform::WaveOutDevice> OpenOut(AutoResetEvent& event) {
        std::unique_ptr<platform::WaveOutDevice> device;
        EXPECT_EQ(m_driver->OpenOutput(0, Format(), &event, &device), platform::MMSYSERR_NOERROR);
        return device;
    }

    std::unique_ptr<platform::WaveInDevice> OpenIn(AutoResetEvent& event) {
        std::unique_ptr<platform::WaveInDevice> device;
        EXPECT_EQ(m_driver->OpenInput(0, Format(), &event, &device), platform::MMSYSERR_NOERROR);
        return device;
    }

    std::shared_ptr<platform::WaveAudioDriver> m_driver;
};

TEST(PortAudioDriverWithoutServer, ReportsNoDevices) {
    if (!sound_test::EnvironmentSays("KAVRIN_EXPECT_NO_SOUND_SERVER"))
        GTEST_SKIP() << "only when KAVRIN_EXPECT_NO_SOUND_SERVER=1";
    auto driver = platform::MakePortAudioDriver();
    EXPECT_EQ(driver->GetInputDeviceCount(), 0u);
    EXPECT_EQ(driver->GetOutputDeviceCount(), 0u);
    platform::WaveInCaps inCaps;
    EXPECT_EQ(driver->GetInputCaps(0, &inCaps), platform::MMSYSERR_BADDEVICEID);
    platform::WaveOutCaps outCaps;
    EXPECT_EQ(driver->GetOutputCaps(0, &outCaps), platform::MMSYSERR_BADDEVICEID);
    AutoResetEvent event("WaveInThreadEvent");
    std::unique_ptr<platform::WaveInDevice> in;
    EXPECT_EQ(driver->OpenInput(0, Format(), &event, &in), platform::MMSYSERR_BADDEVICEID);
    std::unique_ptr<platform::WaveOutDevice> out;
    EXPECT_EQ(driver->OpenOutput(0, Format(), &event, &out), platform::MMSYSERR_BADDEVICEID);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(event.IsSignalled());
}

TEST_F(PortAudioDriverTest, DescribesTheDefaultDevicesAndRefusesOthers) {
    platform::WaveInCaps inCaps;
    ASSERT_EQ(m_driver->GetInputCaps(0, &inCaps), platform::MMSYSERR_NOERROR);
    EXPECT_FALSE(inCaps.name.empty());
    EXPECT_GE(inCaps.channels, 1);
    platform::WaveOutCaps outCaps;
    ASSERT_EQ(m_driver->GetOutputCaps(0, &outCaps), platform::MMSYSERR_NOERROR);
    EXPECT_GE(outCaps.channels, 1);
    EXPECT_EQ(m_driver->GetOutputCaps(1, &outCaps), platform::MMSYSERR_BADDEVICEID);

    AutoResetEvent event("e");
    std::unique_ptr<platform::WaveOutDevice> out;
    EXPECT_EQ(m_driver->OpenOutput(1, Format(), &event, &out), platform::MMSYSERR_BADDEVICEID);
    platform::WaveFormat eightBit = Format();
    eightBit.bitsPerSample = 8;
    eightBit.blockAlign = 1;
    eightBit.avgBytesPerSec = 11025;
    EXPECT_EQ(m_driver->OpenOutput(0, eightBit, &event, &out), platform::WAVERR_BADFORMAT);
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(event.IsSignalled());
}

// As the file source plays: one buffer queued at a time, the next written when it is done.
TEST_F(PortAudioDriverTest, PlaysOneBufferAfterAnotherAtRealPace) {
    AutoResetEvent event("WaveOutThreadEvent");
    Watchdog watchdog(event);
    auto out = OpenOut(event);
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(Take(event));  // open
    Buffer buffers[2];
    std::vector<double> doneAt;
    const auto start = Clock::now();
    for (int block = 0; block < 7; ++block) {
        Buffer& buffer = buffers[block % 2];
        ASSERT_EQ(out->UnprepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
        FillTone(buffer, 440.0, 6000.0, block * kBlock);
        buffer.header.flags = 0;
        ASSERT_EQ(out->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(buffer.header.flags, platform::WHDR_PREPARED);
        ASSERT_EQ(out->Write(&buffer.header), platform::MMSYSERR_NOERROR);
        ASSERT_TRUE(Take(event)) << "block " << block;
        ASSERT_TRUE(buffer.header.flags & platform::WHDR_DONE);
        doneAt.push_back(SecondsSince(start));
    }
    // The first buffer partly fills the stream's own latency; from then on the pace is real.
    const double perBuffer = (doneAt.back() - doneAt.front()) / (doneAt.size() - 1);
    std::printf("output: first buffer done after %.3f s, then %.3f s per buffer (%.3f expected)\n",
                doneAt.front(), perBuffer, kBlockSeconds);
    EXPECT_GT(perBuffer, kBlockSeconds * 0.85);
    EXPECT_LT(perBuffer, kBlockSeconds * 1.25);
    EXPECT_GT(doneAt.back(), kBlockSeconds * 6);
    EXPECT_EQ(out->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_TRUE(Take(event));  // close
}

// As the live source captures: each filled buffer is handed straight back.
TEST_F(PortAudioDriverTest, CapturesAboutThreeBuffersPerSecond) {
    AutoResetEvent event("WaveInThreadEvent");
    Watchdog watchdog(event);
    auto in = OpenIn(event);
    ASSERT_NE(in, nullptr);
    ASSERT_TRUE(Take(event));  // open
    Buffer buffer;
    ASSERT_EQ(in->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->AddBuffer(&buffer.header), platform::MMSYSERR_NOERROR);
    const auto start = Clock::now();
    ASSERT_EQ(in->Start(), platform::MMSYSERR_NOERROR);
    std::vector<double> doneAt;
    for (int block = 0; block < 8; ++block) {
        ASSERT_TRUE(Take(event)) << "block " << block;
        doneAt.push_back(SecondsSince(start));
        ASSERT_TRUE(buffer.header.flags & platform::WHDR_DONE);
        ASSERT_EQ(buffer.header.bytesRecorded, kBlock * 2u);
        ASSERT_EQ(in->UnprepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
        buffer.header.flags = 0;
        ASSERT_EQ(in->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(in->AddBuffer(&buffer.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(in->Start(), platform::MMSYSERR_NOERROR);  // harmless while started
    }
    const double perSecond = (doneAt.size() - 1) / (doneAt.back() - doneAt.front());
    std::printf("input: first buffer after %.3f s, then %.2f buffers per second (%.2f expected)\n",
                doneAt.front(), perSecond, 1.0 / kBlockSeconds);
    EXPECT_GT(perSecond, 0.8 / kBlockSeconds);
    EXPECT_LT(perSecond, 1.2 / kBlockSeconds);
    EXPECT_EQ(in->Stop(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(in->Reset(), platform::MMSYSERR_NOERROR);
    EXPECT_TRUE(Take(event));  // the returned buffer
    EXPECT_TRUE(buffer.header.flags & platform::WHDR_DONE);
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_TRUE(Take(event));  // close
}

// The default input is the sink's monitor: it hears what the default output plays.
TEST_F(PortAudioDriverTest, CaptureHearsWhatIsPlayed) {
    AutoResetEvent outEvent("WaveOutThreadEvent");
    AutoResetEvent inEvent("WaveInThreadEvent");
    Watchdog outWatchdog(outEvent);
    Watchdog inWatchdog(inEvent);
    auto out = OpenOut(outEvent);
    auto in = OpenIn(inEvent);
    ASSERT_NE(out, nullptr);
    ASSERT_NE(in, nullptr);
    ASSERT_TRUE(Take(outEvent));
    ASSERT_TRUE(Take(inEvent));

    Buffer tone[3];
    for (int i = 0; i < 3; ++i) {
        FillTone(tone[i], 1000.0, 10000.0, i * kBlock);
        ASSERT_EQ(out->PrepareHeader(&tone[i].header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(out->Write(&tone[i].header), platform::MMSYSERR_NOERROR);
    }
    Buffer capture;
    ASSERT_EQ(in->PrepareHeader(&capture.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->AddBuffer(&capture.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->Start(), platform::MMSYSERR_NOERROR);

    int loudest = 0;
    for (int block = 0; block < 4 && loudest < 2000; ++block) {
        ASSERT_TRUE(Take(inEvent));
        for (std::int16_t sample : capture.data) loudest = std::max(loudest, std::abs(sample));
        ASSERT_EQ(in->UnprepareHeader(&capture.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(in->PrepareHeader(&capture.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(in->AddBuffer(&capture.header), platform::MMSYSERR_NOERROR);
    }
    std::printf("loopback: loudest captured sample %d of 10000 played\n", loudest);
    EXPECT_GT(loudest, 2000);
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(out->Reset(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(out->Close(), platform::MMSYSERR_NOERROR);
}

// A stereo signal played by another client reads at its own level, whatever the server's
// downmix: PipeWire's sums the channels at 0.707 each, 3 dB above PulseAudio's average.
TEST_F(PortAudioDriverTest, CaptureReadsAStereoSignalAtItsLevelOnEveryServer) {
    // 1000 Hz at a peak of 0.1 of full scale in both channels, 48 kHz, four seconds.
    const std::string raw = ::testing::TempDir() + "kavrin-stereo-tone.raw";
    {
        std::FILE* out = std::fopen(raw.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        for (int i = 0; i < 48000 * 4; ++i) {
            const auto v = static_cast<std::int16_t>(
                std::lround(3276.8 * std::sin(2.0 * M_PI * 1000.0 * i / 48000.0)));
            const std::int16_t frame[2] = {v, v};
            std::fwrite(frame, sizeof frame, 1, out);
        }
        std::fclose(out);
    }
    AutoResetEvent inEvent("WaveInThreadEvent");
    Watchdog inWatchdog(inEvent);
    auto in = OpenIn(inEvent);
    ASSERT_NE(in, nullptr);
    ASSERT_TRUE(Take(inEvent));
    Buffer capture;
    ASSERT_EQ(in->PrepareHeader(&capture.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->AddBuffer(&capture.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->Start(), platform::MMSYSERR_NOERROR);
    // Played while the capture runs; pclose waits for its end, so no player outlives the test.
    std::FILE* player = ::popen(("pacat --playback --raw --format=s16le --rate=48000 "
                                 "--channels=2 '" +
                                 raw + "' 2>&1")
                                    .c_str(),
                                "r");
    ASSERT_NE(player, nullptr);

    // The loudest block: one that the tone fills from end to end.
    double loudest = 0.0;
    for (int block = 0; block < 10; ++block) {
        ASSERT_TRUE(Take(inEvent));
        double sum = 0.0;
        for (std::int16_t sample : capture.data) sum += static_cast<double>(sample) * sample;
        loudest = std::max(loudest, std::sqrt(sum / kBlock));
        ASSERT_EQ(in->UnprepareHeader(&capture.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(in->PrepareHeader(&capture.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(in->AddBuffer(&capture.header), platform::MMSYSERR_NOERROR);
    }
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(::pclose(player), 0);
    std::remove(raw.c_str());
    const double decibels = 20.0 * std::log10(loudest / (3276.8 / std::sqrt(2.0)));
    std::printf("stereo tone captured %.2f dB from its level\n", decibels);
    EXPECT_LT(std::abs(decibels), 0.5) << "RMS " << loudest;
}

TEST_F(PortAudioDriverTest, PauseHoldsTheBufferUntilResetReturnsIt) {
    AutoResetEvent event("WaveOutThreadEvent");
    Watchdog watchdog(event);
    auto out = OpenOut(event);
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(Take(event));
    ASSERT_EQ(out->Pause(), platform::MMSYSERR_NOERROR);
    Buffer buffer;
    ASSERT_EQ(out->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(out->Write(&buffer.header), platform::MMSYSERR_NOERROR);
    // Longer than the buffer lasts: nothing can be awaited for something that must not happen.
    std::this_thread::sleep_for(std::chrono::duration<double>(kBlockSeconds * 1.5));
    EXPECT_FALSE(event.IsSignalled());
    EXPECT_EQ(out->UnprepareHeader(&buffer.header), platform::WAVERR_STILLPLAYING);
    ASSERT_EQ(out->Reset(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED | platform::WHDR_DONE);
    EXPECT_TRUE(Take(event));
    EXPECT_EQ(out->UnprepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(out->Close(), platform::MMSYSERR_NOERROR);
}

TEST_F(PortAudioDriverTest, CloseReturnsQueuedBuffersSignalsOnceAndLeavesTheDeviceClosed) {
    AutoResetEvent event("WaveInThreadEvent");
    Watchdog watchdog(event);
    auto in = OpenIn(event);
    ASSERT_NE(in, nullptr);
    ASSERT_TRUE(Take(event));
    Buffer buffer;
    ASSERT_EQ(in->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->AddBuffer(&buffer.header), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(in->AddBuffer(&buffer.header), platform::WAVERR_STILLPLAYING);
    EXPECT_FALSE(in->IsClosed());
    ASSERT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_TRUE(in->IsClosed());
    EXPECT_TRUE(buffer.header.flags & platform::WHDR_DONE);
    EXPECT_FALSE(buffer.header.flags & platform::WHDR_INQUEUE);
    EXPECT_TRUE(Take(event));
    using platform::MMSYSERR_INVALHANDLE;
    EXPECT_EQ(in->PrepareHeader(&buffer.header), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in->UnprepareHeader(&buffer.header), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in->AddBuffer(&buffer.header), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in->Start(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in->Stop(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in->Reset(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in->Close(), MMSYSERR_INVALHANDLE);
    EXPECT_FALSE(event.IsSignalled());
}

TEST_F(PortAudioDriverTest, UnpreparedBuffersAreRefused) {
    AutoResetEvent event("WaveOutThreadEvent");
    auto out = OpenOut(event);
    ASSERT_NE(out, nullptr);
    Buffer buffer;
    EXPECT_EQ(out->UnprepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(out->Write(&buffer.header), platform::WAVERR_UNPREPARED);
    EXPECT_EQ(out->Close(), platform::MMSYSERR_NOERROR);
}

}  // namespace
