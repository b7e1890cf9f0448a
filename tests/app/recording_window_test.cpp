// The window's decoding switch and recording through the real window and the simulated card:
// the check items, the remembered switch, the File dialog's types, a decoded run, a file that
// cannot be decoded, Stop File, and a recording of exactly the captured blocks with its status
// pane and its marks beside it.
#include <wx/statusbr.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "app/main_frame.h"
#include "labels/label_sidecar.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/sound_file_support.h"
#include "ui/command_ids.h"
#include "ui/live_recording.h"
#include "ui/timeline/timeline.h"
#include "ui/tolmar_disp.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;
using namespace sound_file_test;

class RecordingWindowTest : public GuiTest {};

TEST_F(RecordingWindowTest, DecodeAudioFilesIsOffAtFirstStartAndRemembered) {
    ASSERT_TRUE(StartApp());
    EXPECT_TRUE(MenuEnabled(ID_INPUT_DECODE));
    EXPECT_FALSE(MenuChecked(ID_INPUT_DECODE));
    EXPECT_FALSE(g_fileAnalyzer.m_decodeAudio);
    ChooseMenu(ID_INPUT_DECODE);
    EXPECT_TRUE(MenuChecked(ID_INPUT_DECODE));
    RestartApp();
    EXPECT_TRUE(MenuChecked(ID_INPUT_DECODE));
    ChooseMenu(ID_INPUT_DECODE);
    RestartApp();
    EXPECT_FALSE(MenuChecked(ID_INPUT_DECODE));
}

TEST_F(RecordingWindowTest, WhileDecodingTheFileDialogOffersTheDecodableTypesAndRunsTheSamples) {
    ASSERT_TRUE(StartApp());
    // 44.1 kHz stereo: 3 s decode to 33075 samples, 66150 bytes.
    WriteSoundFile(TempPath("voice.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
                   TestSamples(44100 * 2 * 3));
    std::vector<platform::OpenFileRequest> requests;
    platform::SetOpenFileChooser([&](const platform::OpenFileRequest& request) {
        requests.push_back(request);
        return std::optional<std::string>(TempPath("voice.wav"));
    });
    ChooseMenu(ID_INPUT_FILE);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filterLabel, "Sound File (*.Wav)");
    EXPECT_TRUE(requests[0].extraFilters.empty());
    // Played raw as designed, and what the header says is named.
    wxStatusBar* status = Frame()->GetStatusBar();
    EXPECT_EQ(status->GetStatusText(0),
              "44100 Hz stereo: Input > Decode Audio Files analyses it as recorded");
    status->SetStatusText("", 0);
    ASSERT_TRUE(WaitUntil(
        [] { return !g_fileAnalyzer.m_thread.Exists() || g_fileAnalyzer.m_thread.Finished(); }));
    ChooseMenu(ID_INPUT_DECODE);
    ChooseMenu(ID_INPUT_FILE);
    EXPECT_EQ(status->GetStatusText(0), "");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].filterLabel, "Sound File (*.Wav)");
    ASSERT_EQ(requests[1].extraFilters.size(), 1u);
    EXPECT_EQ(requests[0].initialFilter, 0);
    EXPECT_EQ(requests[1].initialFilter, 1);
    const std::vector<std::string>& patterns = requests[1].extraFilters[0].patterns;
    EXPECT_NE(std::find(patterns.begin(), patterns.end(), "*.flac"), patterns.end());
    EXPECT_EQ(View()->m_fileOn, 1);
    EXPECT_TRUE(View()->IsTimerRunning());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(RecordingWindowTest, StopFileEndsAFileRunAndIsEnabledOnlyWhileOneRuns) {
    ASSERT_TRUE(StartApp());
    EXPECT_FALSE(MenuEnabled(ID_INPUT_STOP_FILE));
    // Five minutes: still playing when the command comes.
    const std::string path = TempPath("long.wav");
    WriteSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1, TestSamples(11025 * 300));
    ChooseSoundFile(path);
    ChooseMenu(ID_INPUT_FILE);
    ASSERT_EQ(View()->m_fileOn, 1);
    ASSERT_TRUE(MenuEnabled(ID_INPUT_STOP_FILE));
    ChooseMenu(ID_INPUT_STOP_FILE);
    EXPECT_EQ(View()->m_fileOn, 0);
    EXPECT_TRUE(WaitUntil([] { return g_fileAnalyzer.m_thread.Finished(); }));
    EXPECT_FALSE(View()->IsTimerRunning());
    EXPECT_FALSE(MenuEnabled(ID_INPUT_STOP_FILE));
    EXPECT_TRUE(Messages().empty());
    // The same file starts again.
    ChooseMenu(ID_INPUT_FILE);
    EXPECT_EQ(View()->m_fileOn, 1);
    EXPECT_TRUE(MenuEnabled(ID_INPUT_STOP_FILE));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(RecordingWindowTest, ADecodedFileThatEndsAtDamagedDataSaysSoInTheMessagePane) {
    ASSERT_TRUE(StartApp());
    ChooseMenu(ID_INPUT_DECODE);
    const std::string path = TempPath("cut.flac");
    WriteSoundFile(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, TestSamples(44100 * 2 * 6));
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 20000);
    ChooseSoundFile(path);
    ChooseMenu(ID_INPUT_FILE);
    wxStatusBar* status = Frame()->GetStatusBar();
    EXPECT_TRUE(WaitUntil([&] {
        Yield();
        return status->GetStatusText(0).utf8_string().rfind("Damaged data in " + path, 0) == 0;
    })) << status->GetStatusText(0);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(RecordingWindowTest, AFileThatCannotBeDecodedIsReportedInAMessageBox) {
    ASSERT_TRUE(StartApp());
    ChooseMenu(ID_INPUT_DECODE);
    const std::string path = TempPath("words.wav");
    std::ofstream(path) << "no sound in here";
    ChooseSoundFile(path);
    ChooseMenu(ID_INPUT_FILE);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].icon, platform::MessageIcon::Stop);
    EXPECT_EQ(Messages()[0].text.rfind("Cannot decode " + path + ": ", 0), 0u)
        << Messages()[0].text;
    EXPECT_FALSE(View()->IsTimerRunning());
}

TEST_F(RecordingWindowTest, RecordKeepsExactlyTheCapturedBlocksAndShowsTheFileWhileItGrows) {
    const std::string music = TempPath("music");
    ::setenv("XDG_MUSIC_DIR", music.c_str(), 1);
    ASSERT_TRUE(StartApp());
    EXPECT_TRUE(MenuEnabled(ID_LINE_RECORD));
    EXPECT_FALSE(MenuChecked(ID_LINE_RECORD));
    const std::vector<std::int16_t> samples = TestSamples(4096 * 8, 12);
    card->SetCaptureSamples(samples);

    ChooseMenu(ID_LINE_RECORD);  // armed: nothing runs yet
    EXPECT_TRUE(MenuChecked(ID_LINE_RECORD));
    EXPECT_FALSE(std::filesystem::exists(music + "/Kavrin"));
    ChooseMenu(ID_LINE_ON);
    ASSERT_TRUE(card->WaitForCapturedBuffers(8, 20s));
    CCaptureRecorder& recorder = CLiveRecording::Get().Recorder();
    ASSERT_TRUE(recorder.WaitForSamples(samples.size(), 20s));
    const std::string path = recorder.Path();
    EXPECT_EQ(path.rfind(music + "/Kavrin/kavrin-", 0), 0u) << path;

    wxStatusBar* status = Frame()->GetStatusBar();
    const int pane = status->GetFieldsCount() - 1;
    const std::string name = std::filesystem::path(path).filename().string();
    EXPECT_TRUE(WaitUntil([&] {
        Yield();
        return status->GetStatusText(pane) == wxString::FromUTF8(name + "  0:02");
    })) << status->GetStatusText(pane);
    EXPECT_GT(status->GetStatusWidth(pane), 0);

    ChooseMenu(ID_LINE_OFF);
    EXPECT_TRUE(MenuChecked(ID_LINE_RECORD));  // stays armed for the next Line On
    sf_count_t frames = 0;
    EXPECT_EQ(ReadSoundFile(path, &frames), samples);
    EXPECT_TRUE(WaitUntil([&] {
        Yield();
        return status->GetStatusText(pane).empty();
    }));

    // Checked while capture runs: the recording begins at once; unchecked: it ends.
    card->SetCaptureSamples(TestSamples(4096 * 3, 13));
    ChooseMenu(ID_LINE_RECORD);
    ASSERT_FALSE(MenuChecked(ID_LINE_RECORD));
    ChooseMenu(ID_LINE_ON);
    EXPECT_FALSE(recorder.IsRecording());
    ChooseMenu(ID_LINE_RECORD);
    ASSERT_TRUE(MenuChecked(ID_LINE_RECORD));
    EXPECT_TRUE(recorder.IsRecording());
    EXPECT_NE(recorder.Path(), path);
    ChooseMenu(ID_LINE_RECORD);
    EXPECT_FALSE(recorder.IsRecording());
    ChooseMenu(ID_LINE_OFF);
    EXPECT_TRUE(Messages().empty());
    ::unsetenv("XDG_MUSIC_DIR");
}

// From the session's start or its fourth block on; a sidecar not written is a word in the pane.
TEST_F(RecordingWindowTest, ALiveRecordingsMarksAreKeptBesideIt) {
    ::setenv("XDG_MUSIC_DIR", TempPath("music").c_str(), 1);
    ASSERT_TRUE(StartApp());
    const CEvaluationLog& log = View()->Timeline()->Log();
    const std::tuple<std::size_t, std::size_t, bool> cases[] = {
        {0, 8, false}, {3, 5, false}, {0, 2, true}};
    std::vector<std::string> paths;
    for (const auto& [before, during, blocked] : cases) {
        const std::size_t first = log.Rows().size() + before, all = first + during;
        card->SetCaptureSamples(TestSamples(4096 * before, 12));
        if (before == 0) ChooseMenu(ID_LINE_RECORD);
        ChooseMenu(ID_LINE_ON);
        ASSERT_TRUE(WaitUntil([&] { return (Yield(), log.Rows().size() == first); }));
        if (before > 0) ChooseMenu(ID_LINE_RECORD);
        card->SetCaptureSamples(TestSamples(4096 * during, 13));
        ASSERT_TRUE(WaitUntil([&] { return (Yield(), log.Rows().size() == all); }));
        paths.push_back(CLiveRecording::Get().Recorder().Path());
        if (blocked) std::filesystem::create_directory(kavrin_labels::SidecarPathFor(paths.back()));
        ChooseMenu(ID_TIMELINE_MARK);
        ChooseMenu(ID_LINE_OFF);
        ChooseMenu(ID_LINE_RECORD);  // unchecked for the next case
        EXPECT_EQ(Frame()->GetStatusBar()->GetStatusText(0).Contains("not saved"), blocked);
    }
    // Read at the end: the later sessions' changes left the earlier recordings' labels whole.
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const auto& [before, during, blocked] = cases[i];
        bool found = false;
        const auto kept = kavrin_labels::LoadSidecar(paths[i], &found).labels.segments;
        ASSERT_EQ(kept.size(), blocked ? 0u : 1u) << before;
        for (const auto& mark : kept) EXPECT_NEAR(mark.end, during * 4096 / 11025.0, 1e-6);
    }
    ::unsetenv("XDG_MUSIC_DIR");
}

}  // namespace
}  // namespace gui_test
