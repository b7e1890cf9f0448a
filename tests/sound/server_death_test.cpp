// A sound server that dies under running streams: its streams are ended, no thread of ours or of
// PortAudio's spins, and the devices close at once. Runs only in its own ctest entries (label
// "death"), each with a private server of its own to kill: PulseAudio, and PipeWire reached
// through its own ALSA plugin, where PortAudio's ALSA thread spun on the dead stream.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/sound/server_driver.h"
#include "tests/support/wave_test_support.h"

namespace {

using namespace std::chrono_literals;
using platform::AutoResetEvent;
using wave_test::Buffer;
using wave_test::Format;
using wave_test::Take;
using wave_test::Watchdog;

std::chrono::milliseconds ProcessCpuTime() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto us = [](const timeval& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return std::chrono::duration_cast<std::chrono::milliseconds>(us(usage.ru_utime) +
                                                                 us(usage.ru_stime));
}

int ServerPid() {
    for (const char* name : {"KAVRIN_PIPEWIRE_PID", "KAVRIN_PULSE_PID"})
        if (const char* pid = std::getenv(name)) return std::atoi(pid);
    return 0;
}

TEST(ServerDeath, StreamsOfADeadServerAreEndedAndNothingSpins) {
    if (!sound_test::EnvironmentSays("KAVRIN_SOUND_SERVER_DEATH"))
        GTEST_SKIP() << "kills its sound server: runs only in its own entries (ctest -L death)";
    std::string whyNot;
    const auto driver = sound_test::ServerDriver(&whyNot);
    if (driver == nullptr) GTEST_SKIP() << whyNot;
    const int server = ServerPid();
    ASSERT_GT(server, 0) << "no private sound server to kill";

    AutoResetEvent outEvent("WaveOutThreadEvent");
    AutoResetEvent inEvent("WaveInThreadEvent");
    Watchdog outWatchdog(outEvent, 60s);
    Watchdog inWatchdog(inEvent, 60s);
    std::unique_ptr<platform::WaveOutDevice> out;
    std::unique_ptr<platform::WaveInDevice> in;
    ASSERT_EQ(driver->OpenOutput(0, Format(), &outEvent, &out), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(driver->OpenInput(0, Format(), &inEvent, &in), platform::MMSYSERR_NOERROR);
    ASSERT_TRUE(Take(outEvent));
    ASSERT_TRUE(Take(inEvent));
    // Twenty seconds of sound queued, and a capture buffer waiting: both streams run on when
    // the server goes.
    std::vector<Buffer> played(54);
    for (Buffer& buffer : played) {
        ASSERT_EQ(out->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(out->Write(&buffer.header), platform::MMSYSERR_NOERROR);
    }
    Buffer captured;
    ASSERT_EQ(in->PrepareHeader(&captured.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->AddBuffer(&captured.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->Start(), platform::MMSYSERR_NOERROR);
    ASSERT_TRUE(Take(outEvent));  // the first buffer played: the output runs
    ASSERT_TRUE(Take(inEvent));   // the capture buffer filled: the input runs

    ASSERT_EQ(::kill(server, SIGKILL), 0);
    // The streams are taken for dead 5 s after their last callback; PipeWire's spin began about
    // 6 s after its death. Measured once both would have shown.
    std::this_thread::sleep_for(8s);
    const auto before = ProcessCpuTime();
    std::this_thread::sleep_for(2s);
    const auto busy = ProcessCpuTime() - before;
    std::printf("processor time over 2 s, 8 s after the server died: %lld ms\n",
                static_cast<long long>(busy.count()));
    EXPECT_LT(busy, 200ms);

    const auto closing = std::chrono::steady_clock::now();
    EXPECT_EQ(out->Reset(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(out->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 2s);
}

}  // namespace
