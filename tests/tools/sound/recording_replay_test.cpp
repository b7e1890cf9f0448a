// A recording of the live input, made through a real sound server (scripts/with-pulseaudio.sh:
// what paplay plays into the null sink is what capture hears), replayed with
// `kavrin-analyze --live`, gives exactly the rows the live analyzer produced while recording.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "../../support/sound_file_support.h"
#include "analysis/evaluation_csv.h"
#include "platform/devices/wave_audio.h"
#include "platform/portaudio/portaudio_driver.h"
#include "sources/capture_recorder.h"
#include "sources/live_analyzer.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using namespace sound_file_test;

bool EnvironmentSays(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && std::string(value) == "1";
}

// The live analyzer as the window runs it, with the row the display could read after every
// evaluation kept in the form kavrin-analyze writes.
class RowTakingAnalyzer final : public CLiveAnalyzer {
public:
    explicit RowTakingAnalyzer(std::string file) : m_file(std::move(file)) {}

    int Analyze(void* block) override {
        const int result = CLiveAnalyzer::Analyze(block);
        std::lock_guard<std::mutex> guard(m_lock);
        m_rows.push_back(kavrin_analyze::FormatRow(m_file, LastEvaluation(), true));
        m_changed.notify_all();
        return result;
    }

    bool WaitForRows(std::size_t count, std::chrono::seconds timeout) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, timeout, [&] { return m_rows.size() >= count; });
    }
    std::vector<std::string> Rows() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_rows;
    }

private:
    std::string m_file;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_rows;
};

std::vector<std::string> ReplayRows(const std::string& path) {
    const std::string command =
        std::string(KAVRIN_ANALYZE_PATH) + " --live --bins --no-progress " + path;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    EXPECT_EQ(::pclose(pipe), 0);
    std::vector<std::string> rows;
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) rows.push_back(line + "\n");
    return rows;
}

TEST(RecordingReplay, ARecordingReplaysAsLiveToTheRowsTheLiveAnalyzerProduced) {
    if (EnvironmentSays("KAVRIN_EXPECT_NO_SOUND_SERVER")) GTEST_SKIP() << "no sound server";
    // Capture through the real devices, as the window does.
    platform::SetWaveAudioDriver(platform::MakePortAudioDriver());
    struct NullDriverAgain {
        ~NullDriverAgain() { platform::SetWaveAudioDriver(nullptr); }
    } restore;
    if (platform::WaveAudio().GetInputDeviceCount() == 0) {
        if (EnvironmentSays("KAVRIN_EXPECT_SOUND_SERVER"))
            FAIL() << "a sound server was expected, but PortAudio lists no default device";
        GTEST_SKIP() << "no default sound device (run under scripts/with-pulseaudio.sh)";
    }
    ScratchFolder folder;
    const std::string voice = folder.File("voice.wav");
    WriteSoundFile(voice, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1, TestSamples(11025 * 6, 2));
    const std::string recording = folder.File("recording.wav");

    CCaptureRecorder recorder;
    ASSERT_TRUE(recorder.Start(recording));
    auto analyzer = std::make_unique<RowTakingAnalyzer>(recording);
    analyzer->m_blockSink.Attach(&recorder);
    // As Line On with the form's start values.
    analyzer->m_thresholdPercent = 75;
    analyzer->m_volume = 10;
    ASSERT_EQ(analyzer->OpenCapture(), 0);

    pid_t player = 0;
    const char* arguments[] = {"paplay", voice.c_str(), nullptr};
    ASSERT_EQ(
        ::posix_spawnp(&player, "paplay", nullptr, nullptr, const_cast<char**>(arguments), environ),
        0);
    int status = 0;
    ASSERT_EQ(::waitpid(player, &status, 0), player);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // Six seconds of speech take about sixteen blocks; a few more of the silence after it.
    ASSERT_TRUE(analyzer->WaitForRows(20, 60s)) << "the capture stalled";
    analyzer->CloseCapture();
    analyzer->m_blockSink.Detach();
    recorder.Stop();
    EXPECT_EQ(recorder.Failure(), "");

    const std::vector<std::string> live = analyzer->Rows();
    sf_count_t frames = 0;
    const std::vector<std::int16_t> kept = ReadSoundFile(recording, &frames);
    EXPECT_EQ(static_cast<std::size_t>(frames), live.size() * 4096);
    int loudest = 0;
    for (std::int16_t s : kept) loudest = std::max(loudest, std::abs(static_cast<int>(s)));
    EXPECT_GT(loudest, 2000) << "capture did not hear the player";
    EXPECT_EQ(ReplayRows(recording), live);
}

}  // namespace
