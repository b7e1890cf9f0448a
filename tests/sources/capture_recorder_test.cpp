// The recording: exactly the blocks handed over, in order, in a WAV file that stays valid while
// it grows; a kill loses at most the last block; a full disk or a vanished folder ends it with a
// message and keeps what was written.
#include "sources/capture_recorder.h"

#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <cstring>
#include <memory>

#include "../support/deadline.h"
#include "../support/sound_file_support.h"
#include "source_test_support.h"
#include "sources/live_analyzer.h"
#include "sources/recording_name.h"

namespace {

using namespace sources_test;
using namespace sound_file_test;
constexpr std::size_t kBlock = 4096;

class CaptureRecorderTest : public SourceTest {};

// Counts its analyses, so a test can wait for some tone cycles to have run.
class CountingLiveAnalyzer final : public CLiveAnalyzer {
public:
    int Analyze(void* block) override {
        const int result = CLiveAnalyzer::Analyze(block);
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_count;
        m_changed.notify_all();
        return result;
    }
    bool WaitForAnalyses(int count) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, 20s, [&] { return m_count >= count; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_count = 0;
};

// Holds the pump inside the hand-off of its first block until released, then passes it on.
class HeldSink final : public CBlockSink {
public:
    explicit HeldSink(CBlockSink& next) : m_next(next) {}
    void TakeBlock(const std::int16_t* block, std::size_t count) override {
        {
            std::unique_lock<std::mutex> guard(m_lock);
            if (!m_held) {
                m_held = true;
                m_changed.notify_all();
                m_changed.wait(guard, [&] { return m_released; });
            }
        }
        m_next.TakeBlock(block, count);
    }
    bool WaitHeld() {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, 20s, [&] { return m_held; });
    }
    void Release() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_released = true;
        m_changed.notify_all();
    }

private:
    CBlockSink& m_next;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
};

// The little-endian 32-bit value at `offset`.
std::uint32_t Le32(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

TEST_F(CaptureRecorderTest, WritesTheHandedOverBlocksInOrderAsA16BitMonoWav) {
    ScratchFolder folder;
    const std::vector<std::int16_t> samples = TestSamples(kBlock * 7, 3);
    auto recorder = std::make_unique<CCaptureRecorder>();
    const std::string path = folder.File("take.wav");
    ASSERT_TRUE(recorder->Start(path));
    EXPECT_TRUE(recorder->IsRecording());
    EXPECT_EQ(recorder->Path(), path);
    for (std::size_t k = 0; k < 7; ++k) recorder->TakeBlock(samples.data() + k * kBlock, kBlock);
    ASSERT_TRUE(recorder->WaitForSamples(samples.size(), 20s));
    // The header is valid while the recording still runs.
    sf_count_t frames = 0;
    int rate = 0;
    EXPECT_EQ(ReadSoundFile(path, &frames, &rate), samples);
    EXPECT_EQ(rate, 11025);
    recorder->Stop();
    EXPECT_FALSE(recorder->IsRecording());
    EXPECT_EQ(ReadSoundFile(path, &frames), samples);
    EXPECT_EQ(ReadBytes(path).size(), 44 + 2 * samples.size());
    // Blocks handed over after the stop are not written; a second recording never replaces the
    // first file.
    recorder->TakeBlock(samples.data(), kBlock);
    EXPECT_FALSE(recorder->Start(path));
    EXPECT_NE(recorder->Failure().find(path), std::string::npos);
    EXPECT_EQ(MessageTexts().size(), 1u);
    EXPECT_EQ(ReadSoundFile(path, &frames), samples);
}

TEST_F(CaptureRecorderTest, TheLiveAnalyzerHandsOverExactlyTheBlocksItAnalyses) {
    ScratchFolder folder;
    const std::vector<std::int16_t> samples = TestSamples(kBlock * 6, 9);
    card->SetCaptureSamples(samples);
    CCaptureRecorder recorder;
    ASSERT_TRUE(recorder.Start(folder.File("line.wav")));
    auto analyzer = std::make_unique<CountingLiveAnalyzer>();
    analyzer->m_blockSink.Attach(&recorder);
    analyzer->OpenCapture();
    ASSERT_TRUE(card->WaitForCapturedBuffers(6, 20s));
    ASSERT_TRUE(recorder.WaitForSamples(samples.size(), 20s));
    analyzer->CloseCapture();
    analyzer->m_blockSink.Detach();
    recorder.Stop();
    sf_count_t frames = 0;
    EXPECT_EQ(ReadSoundFile(folder.File("line.wav"), &frames), samples);

    // The test tone is never recorded.
    ASSERT_TRUE(recorder.Start(folder.File("tone.wav")));
    analyzer->m_blockSink.Attach(&recorder);
    analyzer->StartTone();
    ASSERT_TRUE(analyzer->WaitForAnalyses(6 + 5));
    analyzer->EndPump();
    analyzer->m_toneMode = 0;
    analyzer->m_blockSink.Detach();
    recorder.Stop();
    EXPECT_EQ(ReadSoundFile(folder.File("tone.wav"), &frames).size(), 0u);
    EXPECT_EQ(frames, 0);
}

// The window ends a recording and, Record still checked, begins the next while the pump is
// inside the hand-off of a block: that block belongs to the first file, never to the next.
TEST_F(CaptureRecorderTest, EndingARecordingWaitsOutTheBlockBeingHandedOver) {
    ScratchFolder folder;
    const std::vector<std::int16_t> samples = TestSamples(kBlock * 3, 5);
    card->SetCaptureSamples(samples);
    CCaptureRecorder recorder;
    HeldSink held(recorder);
    ASSERT_TRUE(recorder.Start(folder.File("first.wav")));
    auto analyzer = std::make_unique<CLiveAnalyzer>();
    struct ReleaseFirst {  // a failed assertion must not leave the pump held at the analyzer's end
        HeldSink& sink;
        ~ReleaseFirst() { sink.Release(); }
    } releaseFirst{held};
    analyzer->m_blockSink.Attach(&held);
    analyzer->OpenCapture();
    ASSERT_TRUE(held.WaitHeld());

    std::mutex lock;
    std::condition_variable changed;
    bool ended = false;
    std::thread ending([&] {
        analyzer->m_blockSink.Detach();
        recorder.Stop();
        recorder.Start(folder.File("second.wav"));
        std::lock_guard<std::mutex> guard(lock);
        ended = true;
        changed.notify_all();
    });
    {
        std::unique_lock<std::mutex> guard(lock);
        EXPECT_FALSE(changed.wait_for(guard, 300ms, [&] { return ended; }))
            << "the recording ended while a block was still being handed over";
    }
    held.Release();
    test_deadline::JoinWithin(ending, "ending the recording");
    analyzer->CloseCapture();
    recorder.Stop();
    sf_count_t frames = 0;
    EXPECT_EQ(ReadSoundFile(folder.File("first.wav"), &frames),
              std::vector<std::int16_t>(samples.begin(), samples.begin() + kBlock));
    EXPECT_EQ(ReadSoundFile(folder.File("second.wav"), &frames).size(), 0u)
        << "a block of the first recording opened the second";
}

// The ring takes a block whole or not at all: a block with no room ends the recording, and not
// a sample of it reaches the file.
TEST_F(CaptureRecorderTest, ABlockTheRingHasNoRoomForEndsTheRecordingWithNoneOfItWritten) {
    ScratchFolder folder;
    const std::size_t room = CCaptureRecorder::kRingSamples;
    const std::vector<std::int16_t> samples = TestSamples(2 * room + 1, 7);
    const std::string path = folder.File("overflow.wav");
    CCaptureRecorder recorder;
    ASSERT_TRUE(recorder.Start(path));
    recorder.TakeBlock(samples.data(), room);  // exactly the ring's room
    ASSERT_TRUE(recorder.WaitForSamples(room, 20s));
    recorder.TakeBlock(samples.data() + room, room + 1);  // the ring is empty: one sample too many
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_NE(MessageTexts()[0].find("does not keep up"), std::string::npos) << MessageTexts()[0];
    EXPECT_FALSE(recorder.IsRecording());
    recorder.Stop();
    sf_count_t frames = 0;
    const std::vector<std::int16_t> kept = ReadSoundFile(path, &frames);
    ASSERT_EQ(kept.size(), room) << "part of the block with no room was written";
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), samples.begin()));
}

TEST_F(CaptureRecorderTest, AKilledRecordingStillOpensAndHoldsAllButAtMostItsLastBlock) {
    ScratchFolder folder;
    const std::string path = folder.File("killed.wav");
    const std::vector<std::int16_t> samples = TestSamples(kBlock * 5, 4);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CCaptureRecorder recorder;
        if (!recorder.Start(path)) ::_exit(2);
        for (std::size_t k = 0; k < 5; ++k) recorder.TakeBlock(samples.data() + k * kBlock, kBlock);
        // The last block may still be on its way when the kill comes.
        recorder.WaitForSamples(4 * kBlock, 20s);
        ::kill(::getpid(), SIGKILL);
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    sf_count_t frames = 0;
    const std::vector<std::int16_t> kept = ReadSoundFile(path, &frames);
    ASSERT_GE(frames, static_cast<sf_count_t>(4 * kBlock));
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), samples.begin()));
    // The header itself says so (a lenient reader would take the data without it). A kill
    // between a block's samples and the header's update leaves that block beyond the
    // header's count: the header never claims more than the file holds.
    const std::string bytes = ReadBytes(path);
    const std::size_t claimed = 2 * static_cast<std::size_t>(frames);
    ASSERT_GE(bytes.size(), 44 + claimed);
    EXPECT_LE(bytes.size() - 44 - claimed, 2 * kBlock);
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(Le32(bytes, 40), claimed);
    EXPECT_EQ(Le32(bytes, 4), 36 + claimed);  // RIFF size agrees with the data chunk
}

TEST_F(CaptureRecorderTest, AFullDiskEndsTheRecordingWithAMessageAndKeepsWhatWasWritten) {
    ScratchFolder folder;
    const std::string disk = folder.File("disk");
    std::filesystem::create_directories(disk);
    // 64 KiB: room for the header and a few blocks of 8 KiB.
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs to fill (" << std::strerror(errno)
                     << "); the full-disk case is not tested";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};

    const std::string path = disk + "/full.wav";
    const std::vector<std::int16_t> samples = TestSamples(kBlock * 12, 6);
    CCaptureRecorder recorder;
    ASSERT_TRUE(recorder.Start(path));
    for (std::size_t k = 0; k < 12; ++k) recorder.TakeBlock(samples.data() + k * kBlock, kBlock);
    ASSERT_TRUE(recorder.WaitForSamples(samples.size(), 20s));
    EXPECT_FALSE(recorder.IsRecording());
    ASSERT_TRUE(WaitForMessages(1));
    const std::string message = MessageTexts()[0];
    EXPECT_EQ(message.rfind("The recording " + path + " stopped: ", 0), 0u) << message;
    EXPECT_EQ(recorder.Failure(), message);
    recorder.Stop();

    sf_count_t frames = 0;
    const std::vector<std::int16_t> kept = ReadSoundFile(path, &frames);
    EXPECT_GT(frames, static_cast<sf_count_t>(2 * kBlock));
    EXPECT_LT(frames, static_cast<sf_count_t>(samples.size()));
    EXPECT_EQ(static_cast<std::uint64_t>(frames), recorder.SamplesWritten());
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), samples.begin()));
}

TEST_F(CaptureRecorderTest, AVanishedFolderEndsTheRecordingWithAMessage) {
    ScratchFolder folder;
    const std::string sub = folder.File("music");
    std::filesystem::create_directories(sub);
    const std::vector<std::int16_t> samples = TestSamples(kBlock * 2, 8);
    CCaptureRecorder recorder;
    ASSERT_TRUE(recorder.Start(sub + "/gone.wav"));
    recorder.TakeBlock(samples.data(), kBlock);
    ASSERT_TRUE(recorder.WaitForSamples(kBlock, 20s));
    std::filesystem::remove_all(sub);
    recorder.TakeBlock(samples.data() + kBlock, kBlock);
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_NE(MessageTexts()[0].find("vanished"), std::string::npos) << MessageTexts()[0];
    EXPECT_FALSE(recorder.IsRecording());
    recorder.Stop();
}

TEST(RecordingName, FolderAndDatedNamesThatNeverReplaceAFile) {
    ScratchFolder folder;
    const char* oldMusic = std::getenv("XDG_MUSIC_DIR");
    const std::string saved = oldMusic ? oldMusic : "";
    ::setenv("XDG_MUSIC_DIR", folder.path.c_str(), 1);
    EXPECT_EQ(RecordingFolder(), folder.path.string() + "/Kavrin");
    ::unsetenv("XDG_MUSIC_DIR");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(RecordingFolder(), "/home/someone/Music/Kavrin");
    if (oldMusic) ::setenv("XDG_MUSIC_DIR", saved.c_str(), 1);

    // 2026-03-04 05:06:07 local time.
    std::tm when{};
    when.tm_year = 126;
    when.tm_mon = 2;
    when.tm_mday = 4;
    when.tm_hour = 5;
    when.tm_min = 6;
    when.tm_sec = 7;
    when.tm_isdst = -1;
    const std::time_t time = std::mktime(&when);
    const std::string target = folder.File("deep/Kavrin");
    std::string error;
    const std::string first = NewRecordingPath(target, time, &error);
    EXPECT_EQ(first, target + "/kavrin-2026-03-04-050607.wav");
    EXPECT_TRUE(std::filesystem::is_directory(target));
    std::ofstream(first) << "taken";
    EXPECT_EQ(NewRecordingPath(target, time, &error), target + "/kavrin-2026-03-04-050607-2.wav");
    std::ofstream(folder.File("plain")) << "a file, not a folder";
    EXPECT_EQ(NewRecordingPath(folder.File("plain/Kavrin"), time, &error), "");
    EXPECT_NE(error.find("plain/Kavrin"), std::string::npos);
}

}  // namespace
