// Labelled segments in the real window: three segments made from selections on a reviewed
// recording give the statistics kavrin-analyze --decode --segments gives (the rows of a review are
// --decode's) for the exported labels, come back after a restart from the sidecar, follow the mouse
// in the label row (edge drag, double click, Delete), survive a sidecar that cannot be written, and
// Clear asks before losing them; a played file's come back when it is played again.
#include <wx/statusbr.h>
#include <wx/textdlg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "app/kavrin_app.h"
#include "app/main_frame.h"
#include "labels/label_sidecar.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/sound_file_support.h"
#include "ui/command_ids.h"
#include "ui/timeline/segment_statistics_dlg.h"
#include "ui/timeline/timeline.h"
#include "ui/timeline/timeline_labels.h"
#include "ui/timeline/timeline_pane.h"
#include "ui/timeline/timeline_review.h"
#include "ui/tolmar_disp.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;
using kavrin_labels::Segment;

class SegmentsWindowTest : public GuiTest {
protected:
    CTimeline& Timeline() { return *View()->Timeline(); }
    CTimelineLabels& Labels() { return Timeline().Labels(); }
    CTimelinePane& Pane() { return *Timeline().Pane(); }

    // Reviews `path` and runs the toolkit until its rows are in.
    void ReviewFile(const std::string& path) {
        ChooseSoundFile(path);
        ChooseMenu(ID_TIMELINE_REVIEW);
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (Timeline().Review().Running()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the review does not end";
            Yield();
        }
        ASSERT_EQ(Timeline().Review().Path(), path);
    }
    // Timeline > Label Selection on [from, to] seconds of the recording, answered with `text`.
    void LabelSelection(double from, double to, const std::string& text) {
        const double start = Timeline().Review().StartSeconds();
        Pane().SetSelection(std::make_pair(start + from, start + to));
        dialogs->Expect([text](wxDialog* dialog) {
            dynamic_cast<wxTextEntryDialog&>(*dialog).SetValue(wxString::FromUTF8(text));
            return wxID_OK;
        });
        ChooseMenu(ID_TIMELINE_LABEL);
    }
    std::string Recording() {
        const std::string path = TempPath("interview.wav");
        if (!std::filesystem::exists(path))
            sound_file_test::WriteSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1,
                                            sound_file_test::TestSamples(11025 * 30));
        return path;
    }
    void Mouse(wxEventType type, double x, bool leftDown = true) {
        wxMouseEvent event(type);
        const TimelineRect& row = Pane().LastLayout().labelRow;
        event.m_x = static_cast<int>(x);
        event.m_y = static_cast<int>((row.top + row.bottom) / 2);
        event.m_leftDown = leftDown;
        event.SetEventObject(&Pane());
        Pane().GetEventHandler()->ProcessEvent(event);
    }
    const LabelRowItem& Item(std::size_t index) {
        for (const LabelRowItem& item : Pane().LastLayout().labelItems)
            if (item.index == index) return item;
        ADD_FAILURE() << "segment " << index << " is not in the label row";
        return Pane().LastLayout().labelItems.front();
    }
    static std::string Run(const std::string& command) {
        FILE* pipe = ::popen(command.c_str(), "r");
        std::string text;
        if (!pipe) return text;
        std::array<char, 4096> buffer{};
        while (std::fgets(buffer.data(), buffer.size(), pipe)) text += buffer.data();
        ::pclose(pipe);
        return text;
    }
};

TEST_F(SegmentsWindowTest, StatisticsAreTheToolsAndTheLabelsComeBackAfterARestart) {
    ASSERT_TRUE(StartApp());
    const std::string recording = Recording();
    // Reviewed twice: the second review lies after the first on the timeline, so that its
    // seconds are not the recording's.
    ReviewFile(recording);
    ReviewFile(recording);
    ASSERT_GT(Timeline().Review().StartSeconds(), 20.0);
    LabelSelection(1.0, 7.5, "Question one");
    LabelSelection(9.0, 16.25,
                   "Frage \xC3\xBC"
                   "ber, zwei");  // UTF-8 and a comma
    LabelSelection(18.0, 29.0, "Question three");
    ASSERT_EQ(Labels().Segments().size(), 3u);
    // The row lies between the recording's level and the lamps.
    const TimelineLayout& layout = Pane().LastLayout();
    EXPECT_EQ(layout.labelItems.size(), 3u);
    EXPECT_LE(layout.plot.bottom, layout.level.top);
    EXPECT_LE(layout.level.bottom, layout.labelRow.top);
    EXPECT_LE(layout.labelRow.bottom, layout.strip.top);
    EXPECT_TRUE(std::filesystem::exists(kavrin_labels::SidecarPathFor(recording)));

    // The labels as Audacity reads them, and the tool's table for them.
    const std::string labels = TempPath("interview.txt");
    SetTimelinePathPrompt([&](auto&&...) { return labels; });
    ChooseMenu(ID_TIMELINE_EXPORT_LABELS);
    SetTimelinePathPrompt(nullptr);
    const std::string tool = Run(std::string(KAVRIN_ANALYZE_PATH) + " --decode --segments '" +
                                 labels + "' '" + recording + "'");
    ASSERT_NE(tool.find("Question three"), std::string::npos) << tool;

    // The window's table, shown, sorted and written.
    const std::string csv = TempPath("statistics.csv");
    int rows = 0;
    dialogs->Expect([&](wxDialog* dialog) {
        auto& table = dynamic_cast<CSegmentStatisticsDlg&>(*dialog);
        rows = table.List()->GetItemCount();
        table.SortBy(4);
        table.SortBy(4);  // evaluations, most first
        EXPECT_GE(table.Table().front().evaluations, table.Table().back().evaluations);
        const std::string copied = table.CopyText();
        EXPECT_EQ(std::count(copied.begin(), copied.end(), '\n'), 4);
        table.SortBy(1);  // back in time order, as the tool writes them
        EXPECT_EQ(table.ExportTo(csv), "");
        return wxID_OK;
    });
    ChooseMenu(ID_TIMELINE_STATISTICS);
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(sound_file_test::ReadBytes(csv), tool);
    const auto statistics = Labels().Statistics();
    ASSERT_EQ(statistics.size(), 3u);
    EXPECT_EQ(statistics[0].segment, (Segment{1.0, 7.5, "Question one"}));
    EXPECT_GT(statistics[0].readings, 10u);

    std::vector<Segment> before = Labels().Segments();
    for (Segment& segment : before) {
        segment.start -= Timeline().Review().StartSeconds();
        segment.end -= Timeline().Review().StartSeconds();
    }
    RestartApp();
    ASSERT_TRUE(Labels().Segments().empty());
    ReviewFile(recording);
    ASSERT_EQ(Timeline().Review().StartSeconds(), 0.0);
    ASSERT_EQ(Labels().Segments().size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(Labels().Segments()[i].text, before[i].text);
        EXPECT_NEAR(Labels().Segments()[i].start, before[i].start, 1e-9);
        EXPECT_NEAR(Labels().Segments()[i].end, before[i].end, 1e-9);
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SegmentsWindowTest, TheMouseEditsSegmentsAndClearAsksFirst) {
    ASSERT_TRUE(StartApp());
    const std::string recording = Recording();
    ReviewFile(recording);
    LabelSelection(2.0, 6.0, "a");
    LabelSelection(10.0, 20.0, "b");
    ASSERT_EQ(Pane().LastLayout().labelItems.size(), 2u);

    // The end of "a" dragged right, as far as "b" begins.
    const double to = Item(1).x1;
    Mouse(wxEVT_LEFT_DOWN, Item(0).x2);
    Mouse(wxEVT_MOTION, (Item(0).x2 + to) / 2);
    Mouse(wxEVT_LEFT_UP, to, false);
    const double start = Timeline().Review().StartSeconds();
    EXPECT_NEAR(Labels().Segments()[0].end - start, 10.0, 0.2);
    bool found = false;
    auto kept = kavrin_labels::LoadSidecar(recording, &found);
    ASSERT_TRUE(found);
    EXPECT_NEAR(kept.labels.segments[0].end, 10.0, 0.2);

    // A double click renames, Delete takes the segment clicked.
    dialogs->Expect([](wxDialog* dialog) {
        dynamic_cast<wxTextEntryDialog&>(*dialog).SetValue("renamed");
        return wxID_OK;
    });
    Mouse(wxEVT_LEFT_DCLICK, (Item(1).x1 + Item(1).x2) / 2);
    EXPECT_EQ(Labels().Segments()[1].text, "renamed");
    Mouse(wxEVT_LEFT_DOWN, (Item(0).x1 + Item(0).x2) / 2);
    Mouse(wxEVT_LEFT_UP, (Item(0).x1 + Item(0).x2) / 2, false);
    wxKeyEvent key(wxEVT_KEY_DOWN);
    key.m_keyCode = WXK_DELETE;
    Pane().GetEventHandler()->ProcessEvent(key);
    ASSERT_EQ(Labels().Segments().size(), 1u);
    EXPECT_EQ(Labels().Segments()[0].text, "renamed");
    kept = kavrin_labels::LoadSidecar(recording, &found);
    ASSERT_EQ(kept.labels.segments.size(), 1u);

    // A sidecar that cannot be written: a message in the message pane, the segment stays.
    const std::string sidecar = kavrin_labels::SidecarPathFor(recording);
    std::filesystem::remove(sidecar);
    std::filesystem::create_directory(sidecar);
    LabelSelection(22.0, 25.0, "kept in the window");
    EXPECT_EQ(Labels().Segments().size(), 2u);
    EXPECT_NE(Frame()->GetStatusBar()->GetStatusText(0).Find("not saved"), wxNOT_FOUND);

    // The labels leave in each format and come back in seconds of the recording.
    std::vector<Segment> shown;
    for (const Segment& segment : Labels().Segments())
        shown.push_back({segment.start - start, segment.end - start, segment.text});
    const std::vector<std::string> files = {TempPath("l.TextGrid"), TempPath("l.eaf"),
                                            TempPath("l.txt")};
    for (const std::string& file : files) {
        SetTimelinePathPrompt([&](auto&&...) { return file; });
        ChooseMenu(ID_TIMELINE_EXPORT_LABELS);
    }
    SetTimelinePathPrompt(nullptr);

    // Clear asks: No keeps everything, Yes clears.
    for (const int answer : {wxID_NO, wxID_YES}) {
        dialogs->Expect([answer](wxDialog*) { return answer; });
        ChooseMenu(ID_TIMELINE_CLEAR);
        EXPECT_EQ(Labels().Segments().empty(), answer == wxID_YES);
        EXPECT_EQ(Timeline().Log().Empty(), answer == wxID_YES);
    }
    for (const std::string& file : files) {
        ReviewFile(recording);
        const std::size_t before = Labels().Segments().size();  // what the sidecar held
        ChooseSoundFile(file);
        ChooseMenu(ID_TIMELINE_IMPORT_LABELS);
        const auto& segments = Labels().Segments();
        ASSERT_EQ(segments.size(), before + shown.size()) << file;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const Segment& got = segments[before + i];
            EXPECT_EQ(got.text, shown[i].text) << file;
            // EAF keeps whole milliseconds.
            EXPECT_NEAR(got.start - Timeline().Review().StartSeconds(), shown[i].start, 1e-3);
            EXPECT_NEAR(got.end - Timeline().Review().StartSeconds(), shown[i].end, 1e-3);
        }
    }
    EXPECT_EQ(dialogs->Pending(), 0u);
    EXPECT_TRUE(Messages().empty());
}

// A voice-like pulse train at 120 Hz, a pause of digital silence, and the voice again: the pause
// is no reading (a gap with a grey cell, counted apart, in no mean), the first stretch taken as
// the baseline is a band in the plot and each segment's difference from it is in the table.
TEST_F(SegmentsWindowTest, APauseIsNoReadingAndSegmentsCompareWithTheBaseline) {
    ASSERT_TRUE(StartApp());
    const std::string path = TempPath("pause.wav");
    std::vector<std::int16_t> samples(11025 * 17);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / 11025.0;
        if (t >= 6.0 && t < 11.0) continue;  // the pause
        const double tremor = 1.0 + 0.3 * std::sin(2 * M_PI * (t < 6.0 ? 9.0 : 11.0) * t);
        const double phase = std::fmod(t * 120.0, 1.0);
        samples[i] = static_cast<std::int16_t>(9000 * tremor * std::exp(-8.0 * phase));
    }
    sound_file_test::WriteSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1, samples);
    ReviewFile(path);
    LabelSelection(0.5, 5.5, "calm");
    LabelSelection(6.5, 10.5, "pause");
    LabelSelection(11.5, 16.5, "question");
    ASSERT_EQ(Labels().Segments().size(), 3u);

    EXPECT_FALSE(Labels().UseAsBaseline(1)) << "a pause holds no readings";
    ASSERT_TRUE(Labels().UseAsBaseline(0));
    // Kept with the segments: the stretch, read back as the baseline.
    bool found = false;
    const auto kept = kavrin_labels::LoadSidecar(path, &found).labels.baseline;
    ASSERT_TRUE(kept.has_value());
    EXPECT_DOUBLE_EQ(kept->start, 0.5);
    EXPECT_DOUBLE_EQ(kept->end, 5.5);
    const auto table = Labels().Statistics();
    ASSERT_EQ(table.size(), 3u);
    EXPECT_GT(table[0].readings, 5u);
    EXPECT_EQ(table[0].baselineDiffHz, 0.0);
    EXPECT_GT(table[1].evaluations, 5u);
    EXPECT_EQ(table[1].noReading, table[1].evaluations);
    EXPECT_TRUE(std::isnan(table[1].instMeanHz));
    EXPECT_TRUE(std::isnan(table[1].baselineDiffHz));
    EXPECT_GT(table[2].readings, 5u);
    EXPECT_TRUE(std::isfinite(table[2].baselineDiffSd));

    Pane().SetView(
        FitTimeline(Timeline().Review().StartSeconds(), Timeline().Review().StartSeconds() + 17.0));
    const TimelineLayout& layout = Pane().LastLayout();
    ASSERT_TRUE(layout.baseline.has_value());
    EXPECT_LT(layout.baseline->top, layout.baseline->bottom);
    EXPECT_TRUE(std::any_of(layout.stripCells.begin(), layout.stripCells.end(),
                            [](const auto& cell) { return cell.lamp == EvaluationLamp::None; }));
    EXPECT_GE(layout.inst.size(), 2u) << "the pause is a gap";
}

// Raw and decoded, after a restart; a change made before the rows reach the mark keeps the mark.
TEST_F(SegmentsWindowTest, APlayedFilesLabelsComeBackWhenItIsPlayedAgain) {
    ASSERT_TRUE(StartApp());
    for (const bool decode : {false, true}) {
        const std::string path = TempPath(decode ? "decoded.wav" : "raw.wav");
        sound_file_test::WriteSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1,
                                        sound_file_test::TestSamples(11025 * 3));
        if (decode) ChooseMenu(ID_INPUT_DECODE);
        ChooseSoundFile(path);
        card->SetPace(platform::SimulatedSoundCard::Pace::Immediate);
        ChooseMenu(ID_INPUT_FILE);
        ASSERT_TRUE(WaitUntil([] { return g_fileAnalyzer.m_thread.Finished(); }));
        ChooseMenu(ID_TIMELINE_MARK);  // at the newest row: the file's end
        const double start = Timeline().Log().Segments().back().startSeconds;
        ASSERT_TRUE(Labels().AddSegment(start + 1.0, start + 2.0, "question"));
        RestartApp();
        ChooseSoundFile(path);
        card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
        ChooseMenu(ID_INPUT_FILE);
        ASSERT_TRUE(WaitUntil([&] { return (Yield(), !Timeline().Log().Empty()); }));
        ASSERT_EQ(Labels().Segments(), std::vector<Segment>({{1.0, 2.0, "question"}})) << decode;
        EXPECT_TRUE(Timeline().Log().Marks().empty()) << "the rows have not reached it yet";
        ASSERT_TRUE(Labels().AddSegment(0.25, 0.5, "early"));
        bool found = false;
        EXPECT_EQ(kavrin_labels::LoadSidecar(path, &found).labels.segments.size(), 3u);
        EXPECT_TRUE(WaitUntil([&] { return (Yield(), Timeline().Log().Marks().size() == 1u); }));
    }
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace gui_test
