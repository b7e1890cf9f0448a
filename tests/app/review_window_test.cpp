// The review of a recording in the real window: the rows are kavrin-analyze --decode's beside a
// running tone, a review can be cancelled, an unreadable file is one message, the picture shows
// the level, the curves and the playhead, a recording given on the command line is reviewed (and
// Save never empties it), and a selection plays through the private sound server, alone, with
// pause and resume.
#include <wx/statusbr.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/kavrin_app.h"
#include "app/main_frame.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/sound_file_support.h"
#include "ui/command_ids.h"
#include "ui/timeline/timeline.h"
#include "ui/timeline/timeline_drawing.h"
#include "ui/timeline/timeline_pane.h"
#include "ui/timeline/timeline_review.h"
#include "ui/tolmar_disp.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;
using namespace sound_file_test;

class ReviewWindowTest : public GuiTest {
protected:
    CTimelineReview& Review() { return View()->Timeline()->Review(); }

    // Runs the toolkit until the review's result has been taken in.
    bool WaitForReview() {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (Review().Running()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            Yield();
        }
        return true;
    }

    // The exported rows of `path`'s review without the mark column, and the tool's rows.
    std::vector<std::string> ReviewRows(const std::string& path) {
        const std::string csv = TempPath("timeline.csv");
        EXPECT_TRUE(View()->Timeline()->ExportCsv(csv));
        std::ifstream in(csv);
        std::vector<std::string> rows;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind(path + ",", 0) != 0) continue;
            line.pop_back();  // the empty mark
            rows.push_back(line);
        }
        return rows;
    }
    static std::vector<std::string> ToolRows(const std::string& path) {
        const std::string command = std::string(KAVRIN_ANALYZE_PATH) + " --decode '" + path + "'";
        FILE* pipe = ::popen(command.c_str(), "r");
        std::vector<std::string> rows;
        if (!pipe) return rows;
        std::array<char, 4096> buffer{};
        std::string text;
        while (std::fgets(buffer.data(), buffer.size(), pipe)) text += buffer.data();
        ::pclose(pipe);
        std::istringstream lines(text);
        std::string line;
        std::getline(lines, line);  // header
        while (std::getline(lines, line)) rows.push_back(line);
        return rows;
    }
};

// Two tones, one after the other: what a stretch holds is heard in what is played.
std::vector<std::int16_t> TwoTones(int rate, int channels, double seconds, double first,
                                   double second) {
    const auto frames = static_cast<std::size_t>(rate * seconds);
    std::vector<std::int16_t> samples(frames * channels);
    for (std::size_t f = 0; f < frames; ++f) {
        const double hz = f < frames / 2 ? first : second;
        const auto value = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * hz * f / rate));
        for (int c = 0; c < channels; ++c) samples[f * channels + c] = value;
    }
    return samples;
}

double Power(const std::vector<std::int16_t>& samples, double hz, int rate) {
    double re = 0.0;
    double im = 0.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        re += samples[i] * std::cos(2 * M_PI * hz * i / rate);
        im += samples[i] * std::sin(2 * M_PI * hz * i / rate);
    }
    return re * re + im * im;
}

TEST_F(ReviewWindowTest, RowsAreTheToolsAndTheRunningToneIsLeftAlone) {
    ASSERT_TRUE(StartApp());
    ChooseMenu(ID_TESTGEN_START);
    ASSERT_EQ(g_liveAnalyzer.m_toneMode, 1);
    const std::string wav = TempPath("memo.wav");
    const std::string flac = TempPath("interview.flac");
    WriteSoundFile(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1, TestSamples(11025 * 20));
    WriteSoundFile(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, TestSamples(44100 * 2 * 15));
    for (const std::string& path : {wav, flac}) {
        ChooseSoundFile(path);
        ChooseMenu(ID_TIMELINE_REVIEW);
        ASSERT_TRUE(WaitForReview()) << "the review of " << path << " does not end";
        const std::vector<std::string> expected = ToolRows(path);
        ASSERT_GT(expected.size(), 10u);
        EXPECT_EQ(ReviewRows(path), expected) << path;
        EXPECT_EQ(Review().Path(), path);
    }
    // The tone ran on throughout, with its own rows, and the form is as it was.
    EXPECT_EQ(g_liveAnalyzer.m_toneMode, 1);
    EXPECT_EQ(View()->m_fileOn, 0);
    const auto& segments = View()->Timeline()->Log().Segments();
    EXPECT_TRUE(std::any_of(segments.begin(), segments.end(),
                            [](const auto& s) { return s.source == EvaluationSource::Tone; }));
    EXPECT_TRUE(View()->Timeline()->IsShown());
    EXPECT_FALSE(View()->Timeline()->Pane()->View().following);
    // Every row of the reviews carries its block's signal quality.
    const CEvaluationLog& log = View()->Timeline()->Log();
    for (std::size_t i = 0; i < log.Rows().size(); ++i) {
        if (log.Segments()[log.SegmentOf(i)].analyzer != kTimelineReviewAnalyzer) continue;
        ASSERT_FALSE(std::isnan(log.Rows()[i].quality.voicedShare))
            << log.Rows()[i].timelineSeconds;
    }
    ChooseMenu(ID_TESTGEN_STOP);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ReviewWindowTest, ACancelledReviewOrAnUnreadableFileChangesNothing) {
    ASSERT_TRUE(StartApp());
    // An hour: long enough to be stopped on its way.
    const std::string hour = TempPath("hour.wav");
    WriteSoundFile(hour, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1,
                   std::vector<std::int16_t>(11025 * 3600, 100));
    Review().Start(hour);
    UpdateUI();
    EXPECT_TRUE(MenuEnabled(ID_TIMELINE_CANCEL_REVIEW));
    ChooseMenu(ID_TIMELINE_CANCEL_REVIEW);
    ASSERT_TRUE(WaitForReview());
    EXPECT_TRUE(View()->Timeline()->Log().Empty());
    EXPECT_NE(Frame()->GetStatusBar()->GetStatusText(0).Find("cancelled"), wxNOT_FOUND);

    const std::string words = TempPath("words.wav");
    std::ofstream(words) << "no sound in here";
    Review().Start(words);
    ASSERT_TRUE(WaitForReview());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text.rfind("Cannot decode " + words + ": ", 0), 0u)
        << Messages()[0].text;
    EXPECT_TRUE(View()->Timeline()->Log().Empty());
    EXPECT_TRUE(Review().Path().empty());
}

TEST_F(ReviewWindowTest, ARecordingOnTheCommandLineIsReviewedAndSaveNeverEmptiesIt) {
    const std::string flac = TempPath("call.flac");
    std::vector<std::int16_t> samples = TestSamples(44100 * 12);
    // A pause in the middle, as between two turns.
    std::fill(samples.begin() + 44100 * 5, samples.begin() + 44100 * 7, std::int16_t{0});
    WriteSoundFile(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, samples);
    const auto size = std::filesystem::file_size(flac);
    ASSERT_TRUE(StartApp(flac));
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (Review().Path() != flac && std::chrono::steady_clock::now() < deadline) Yield();
    ASSERT_EQ(Review().Path(), flac);
    EXPECT_EQ(Frame()->GetTitle().BeforeFirst(' '), "Untitled");

    // The picture: the recording's level, the curves and the playhead at its start. The test
    // signal is no speech: with no voicing asked for, its evaluations are readings.
    View()->Timeline()->SetMinVoicedShare(0.0);
    const TimelineLayout& layout = View()->Timeline()->Pane()->LastLayout();
    ASSERT_FALSE(layout.levelColumns.empty());
    ASSERT_TRUE(layout.playheadX);
    const wxImage picture = View()->Timeline()->Pane()->Picture().ConvertToImage();
    const auto count = [&](const wxColour& colour, const TimelineRect& in) {
        int found = 0;
        for (int y = static_cast<int>(in.top); y < static_cast<int>(in.bottom); ++y)
            for (int x = static_cast<int>(in.left); x < static_cast<int>(in.right); ++x)
                if (picture.GetRed(x, y) == colour.Red() &&
                    picture.GetGreen(x, y) == colour.Green() &&
                    picture.GetBlue(x, y) == colour.Blue())
                    ++found;
        return found;
    };
    EXPECT_GT(count(TimelineLevelColour(), layout.level), 100);
    EXPECT_GT(count(TimelineInstColour(), layout.plot), 20);
    EXPECT_GT(count(TimelinePlayheadColour(), layout.plot), 20);
    // The pause is flat in the level strip: its columns span a pixel or two.
    const double pauseX = layout.plot.left + (6.0 - layout.fromSeconds) /
                                                 (layout.toSeconds - layout.fromSeconds) *
                                                 (layout.plot.right - layout.plot.left);
    for (const TimelineColumn& column : layout.levelColumns)
        if (std::abs(column.x - pauseX) < 2) {
            EXPECT_LE(column.bottom - column.top, 2.0);
        }

    // Save over the recording writes nothing.
    wxGetApp().SetDocumentPathPrompt(
        [&](const wxString&, const wxString&, bool) { return wxString(flac); });
    SendCommand(ID_FILE_SAVE);
    EXPECT_EQ(std::filesystem::file_size(flac), size);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].text.find("holds data"), std::string::npos);
}

TEST_F(ReviewWindowTest, TheSelectionPlaysAloneAndPausesAndResumes) {
    if (!std::getenv("PULSE_SERVER")) {
        if (std::getenv("KAVRIN_EXPECT_SOUND_SERVER")) FAIL() << "no private sound server";
        GTEST_SKIP() << "needs the private sound server of scripts/with-pulseaudio.sh";
    }
    ASSERT_TRUE(StartApp());
    const std::string path = TempPath("halves.wav");
    WriteSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
                   TwoTones(44100, 2, 10.0, 440.0, 1000.0));
    Review().Start(path);
    ASSERT_TRUE(WaitForReview());
    CTimelinePane& pane = *View()->Timeline()->Pane();
    const double start = Review().StartSeconds();
    pane.SetSelection(std::make_pair(start + 5.5, start + 9.5));

    // What the sink plays, heard from its monitor while the selection plays.
    const std::string heard = TempPath("heard.raw");
    // Looped, so that it still plays when the recording ends and the pause below finds it so.
    Review().SetLoop(true);
    std::atomic<bool> recorded{false};
    std::thread recorder([&] {
        const std::string command =
            "timeout 4 parecord --device=kavrin_null.monitor --raw --format=s16le "
            "--rate=11025 --channels=1 '" +
            heard + "'";
        [[maybe_unused]] const int status = std::system(command.c_str());
        recorded = true;
    });
    ChooseMenu(ID_TIMELINE_PLAY);
    EXPECT_TRUE(Review().Playing());
    // parecord ends by itself after 4 s.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!recorded && std::chrono::steady_clock::now() < deadline) Yield();
    recorder.join();
    std::ifstream in(heard, std::ios::binary);
    const std::string sound((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(sound.size() / 2);
    ASSERT_GT(samples.size(), 5000u) << "nothing was heard";
    std::memcpy(samples.data(), sound.data(), samples.size() * 2);
    EXPECT_GT(Power(samples, 1000.0, 11025), 100.0 * Power(samples, 440.0, 11025))
        << "the selection's tone is not what plays";

    // Pause: the playhead stays; resume: it goes on from there, inside the selection.
    ChooseMenu(ID_TIMELINE_PLAY);
    EXPECT_FALSE(Review().Playing());
    const double paused = *pane.Overlay().playhead;
    EXPECT_GE(paused, start + 5.5);
    EXPECT_LE(paused, start + 9.5);
    pane.SetPlayhead(paused);
    pane.SetSelection(std::nullopt);
    ChooseMenu(ID_TIMELINE_PLAY);
    EXPECT_TRUE(Review().Playing());
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (pane.Overlay().playhead.value_or(0) < paused + 0.3 &&
           std::chrono::steady_clock::now() < until)
        Yield();
    EXPECT_GE(*pane.Overlay().playhead, paused + 0.3) << "the playhead does not move on";
    ChooseMenu(ID_TIMELINE_PLAY);
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace gui_test
