// The session timeline in the real window: hidden at start with the frame at its designed size,
// the Timeline menu between "Input" and "&View", the pane shown below the form, marks and
// segments in the CSV, the pane on screen with its red and green lines and a mark, the PNG, and
// a file played through the sound server whose exported rows are kavrin-analyze's own.
#include "ui/timeline/timeline.h"

#include <wx/image.h>
#include <wx/menu.h>
#include <wx/textdlg.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "platform/portaudio/portaudio_driver.h"
#include "platform/services/sleep.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "tests/app/user_input.h"
#include "ui/command_ids.h"
#include "ui/form_ids.h"
#include "ui/string_table.h"
#include "ui/timeline/timeline_drawing.h"
#include "ui/timeline/timeline_pane.h"
#include "ui/tolmar_disp.h"
#include "ui/tolmar_form.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, ',');) fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.emplace_back();
    return fields;
}

int CountColour(const wxImage& image, const wxColour& colour) {
    int count = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (image.GetRed(x, y) == colour.Red() && image.GetGreen(x, y) == colour.Green() &&
                image.GetBlue(x, y) == colour.Blue())
                ++count;
    return count;
}

// A speech-like file: a low tone whose tremor wanders through the band, with a slow swell.
std::string MakeWanderingFile(const std::string& path, double seconds) {
    std::ofstream out(path, std::ios::binary);
    const int samples = static_cast<int>(seconds * 11025);
    double phase = 0.0;
    for (int i = 0; i < samples; ++i) {
        const double t = i / 11025.0;
        const double tremor = 9.0 + 2.5 * std::sin(2 * M_PI * t / seconds);
        phase += 2 * M_PI * tremor / 11025.0;
        const double value = (3000 + 2000 * std::sin(2 * M_PI * 0.3 * t)) * std::sin(phase) +
                             800 * std::sin(2 * M_PI * 140.0 * t);
        const auto sample = static_cast<std::int16_t>(value);
        out.put(static_cast<char>(sample & 0xff));
        out.put(static_cast<char>((sample >> 8) & 0xff));
    }
    return path;
}

class TimelineTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(StartApp());
        timeline = View()->Timeline();
        ASSERT_NE(timeline, nullptr);
    }
    void TearDown() override {
        SetTimelinePathPrompt(nullptr);
        GuiTest::TearDown();
    }

    // Lets the toolkit run until `condition` holds; false at the deadline.
    bool YieldUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            Yield();
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    void StartTone() {
        g_liveAnalyzer.m_toneFrequency = 10.0;
        g_liveAnalyzer.m_toneAmplitude = 1000;
        g_liveAnalyzer.SetupTone();
        ChooseMenu(ID_TESTGEN_START);
        ASSERT_TRUE(WaitUntil([] { return g_liveAnalyzer.m_blockCount > 12; }));
    }

    // Every export path answered with `path`.
    void ExportTo(const std::string& path) {
        SetTimelinePathPrompt(
            [path](const std::string&, const std::string&, const std::string&) { return path; });
    }

    CTimeline* timeline = nullptr;
};

TEST_F(TimelineTest, HiddenAtStartWithTheMenuBetweenInputAndView) {
    EXPECT_TRUE(FrameHoldsTheDesignedForm(Frame(), View()->GetForm()));
    EXPECT_FALSE(timeline->IsShown());
    // The form fills the client area as it does without a timeline.
    EXPECT_EQ(View()->GetForm()->GetSize(), Frame()->GetClientSize());

    wxMenuBar* bar = Frame()->GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), 4u);
    EXPECT_EQ(bar->GetMenuLabel(0), "Input");
    EXPECT_EQ(bar->GetMenuLabel(1), "&Timeline");
    EXPECT_EQ(bar->GetMenuLabel(2), "&View");
    const struct {
        int id;
        const char* label;
        bool enabled = true;
    } items[] = {
        {ID_TIMELINE_SHOW, "&Show Timeline\tCtrl+T"},
        {ID_TIMELINE_MARK, "&Mark\tCtrl+M"},
        {ID_TIMELINE_EXPORT_CSV, "Export &CSV...\tCtrl+E"},
        {ID_TIMELINE_EXPORT_PNG, "Export &PNG..."},
        {ID_TIMELINE_REPORT, "Export &Report...", false},
        {ID_TIMELINE_CLEAR, "C&lear"},
        {ID_TIMELINE_REVIEW, "&Review Recording...\tCtrl+R"},
        {ID_TIMELINE_CANCEL_REVIEW, "Cancel Re&view", false},
        {ID_TIMELINE_PLAY, "&Play/Pause", false},
        {ID_TIMELINE_LOOP, "Loop Selection"},
        {ID_TIMELINE_LABEL, "&Label Selection...\tCtrl+L"},
        {ID_TIMELINE_STATISTICS, "Segment &Statistics"},
        {ID_TIMELINE_IMPORT_LABELS, "&Import Labels..."},
        {ID_TIMELINE_EXPORT_LABELS, "E&xport Labels..."},
        {ID_TIMELINE_BASELINE, "Use Segment as &Baseline"},
        {ID_TIMELINE_READING_QUALITY, "Reading &Quality..."},
    };
    wxMenu* menu = bar->GetMenu(1);
    const std::size_t separators = 3;
    ASSERT_EQ(menu->GetMenuItemCount(), std::size(items) + separators);
    for (const auto& item : items) {
        wxMenuItem* entry = menu->FindItem(ToolkitId(item.id));
        ASSERT_NE(entry, nullptr) << item.label;
        EXPECT_EQ(entry->GetItemLabel(), item.label);
        EXPECT_FALSE(entry->GetHelp().empty()) << item.label;
        EXPECT_EQ(entry->GetHelp(), CommandPrompt(item.id));
        EXPECT_EQ(MenuEnabled(item.id), item.enabled) << item.label;
    }
    EXPECT_TRUE(menu->FindItem(ToolkitId(ID_TIMELINE_SHOW))->IsCheckable());
    EXPECT_FALSE(MenuChecked(ID_TIMELINE_SHOW));
    // The designed items keep their empty prompts.
    EXPECT_EQ(bar->FindItem(ToolkitId(ID_LINE_ON))->GetHelp(), "");
}

TEST_F(TimelineTest, ShowTimelineGrowsTheFrameBelowTheFormAndHideGivesTheRoomBack) {
    const wxSize formSize = View()->GetForm()->GetSize();
    const wxSize start = Frame()->GetSize();  // 640 x 450 on X11
    SendCommand(ID_TIMELINE_SHOW);
    EXPECT_TRUE(timeline->IsShown());
    EXPECT_TRUE(MenuChecked(ID_TIMELINE_SHOW));
    const int grown = start.y + timeline->PaneHeight();
    ASSERT_TRUE(YieldUntil([&] { return Frame()->GetSize().y == grown; }))
        << Frame()->GetSize().y << " instead of " << grown;
    ASSERT_TRUE(YieldUntil([&] { return View()->GetForm()->GetSize() == formSize; }));
    EXPECT_EQ(timeline->Pane()->GetPosition().y, formSize.y);
    EXPECT_EQ(timeline->Pane()->GetSize().x, Frame()->GetClientSize().x);

    SendCommand(ID_TIMELINE_SHOW);
    EXPECT_FALSE(timeline->IsShown());
    EXPECT_FALSE(MenuChecked(ID_TIMELINE_SHOW));
    ASSERT_TRUE(YieldUntil([&] { return Frame()->GetSize() == start; }));
    ASSERT_TRUE(YieldUntil([&] { return View()->GetForm()->GetSize() == formSize; }));
}

TEST_F(TimelineTest, MarksAndSegmentsOfTwoToneRunsInTheCsv) {
    StartTone();
    View()->OnTimer();
    SendCommand(ID_TIMELINE_MARK);
    ChooseMenu(ID_TESTGEN_STOP);
    StartTone();
    View()->OnTimer();
    dialogs->Expect([](wxDialog* dialog) {
        auto* entry = dynamic_cast<wxTextEntryDialog*>(dialog);
        if (!entry) return wxID_CANCEL;
        entry->SetValue("first question");
        return wxID_OK;
    });
    EXPECT_TRUE(timeline->MarkWithText());
    ChooseMenu(ID_TESTGEN_STOP);

    const std::string path = TempPath("timeline.csv");
    ExportTo(path);
    SendCommand(ID_TIMELINE_EXPORT_CSV);
    const std::vector<std::string> lines = Lines(path);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "file,block,time_s,inst_freq,avg_freq,min_freq,max_freq,threshold,magnitude,"
              "avg_magnitude,under_threshold,mark");
    int segmentStarts = 0;
    std::vector<std::string> marks;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = Fields(lines[i]);
        ASSERT_EQ(fields.size(), 12u) << lines[i];
        EXPECT_EQ(fields[0], "") << "the tone has no file";
        if (fields[1] == "1") ++segmentStarts;
        if (!fields[11].empty()) marks.push_back(fields[11]);
    }
    EXPECT_EQ(segmentStarts, 2) << "each start of the tone begins at block 1";
    EXPECT_EQ(marks, (std::vector<std::string>{"1", "first question"}));
    EXPECT_EQ(timeline->Log().Segments().size(), 2u);
    EXPECT_EQ(timeline->Log().LostRows(), 0u);

    // Marks would be lost: Clear asks first.
    dialogs->Expect([](wxDialog*) { return wxID_YES; });
    SendCommand(ID_TIMELINE_CLEAR);
    EXPECT_TRUE(timeline->Log().Empty());
    EXPECT_TRUE(timeline->Log().Marks().empty());
}

TEST_F(TimelineTest, ThePaneOnScreenShowsTheRedAndGreenLinesAndAMark) {
    SendCommand(ID_TIMELINE_SHOW);
    // A file whose tremor wanders, so that the instantaneous and the average lines part.
    ChooseSoundFile(MakeWanderingFile(TempPath("wandering.wav"), 30.0));
    ChooseMenu(ID_INPUT_FILE);
    // The simulated card plays as fast as it can: the run may be over already.
    ASSERT_TRUE(WaitUntil(
        [] { return g_fileAnalyzer.m_blockCount > 30 || g_fileAnalyzer.m_thread.Finished(); }));
    View()->OnTimer();
    SendCommand(ID_TIMELINE_MARK);
    ASSERT_TRUE(YieldUntil([] { return g_fileAnalyzer.m_thread.Finished(); }));
    // Repainted on a tick only when rows arrived.
    View()->OnTimer();
    const int redraws = timeline->Pane()->Redraws();
    View()->OnTimer();
    EXPECT_EQ(timeline->Pane()->Redraws(), redraws);

    CTimelinePane* pane = timeline->Pane();
    ASSERT_TRUE(YieldUntil([&] { return pane->IsShownOnScreen() && pane->GetSize().y > 100; }));
    pane->Redraw();
    pane->Update();
    // What reached the screen, read back from the X server by ImageMagick (the toolkit's screen
    // surface can hold an earlier test's picture). The plot is where its light band is (a
    // colour only the timeline uses); the lines and the mark lie within it.
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    const std::string screenFile = TempPath("screen.png");
    wxImage shot;
    const auto grabPlot = [&] {
        wxImage screenImage;
        if (OnWayland()) {
            screenImage = WindowPicture(pane);  // a Wayland client cannot read the screen
        } else {
            std::remove(screenFile.c_str());
            if (std::system(("import -window root '" + screenFile + "'").c_str()) != 0)
                return false;
            if (!screenImage.LoadFile(screenFile, wxBITMAP_TYPE_PNG)) return false;
        }
        const int width = screenImage.GetWidth();
        const int height = screenImage.GetHeight();
        const wxColour band = TimelineBandColour();
        wxRect box;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (screenImage.GetRed(x, y) == band.Red() &&
                    screenImage.GetGreen(x, y) == band.Green() &&
                    screenImage.GetBlue(x, y) == band.Blue())
                    box = box.IsEmpty() ? wxRect(x, y, 1, 1) : box.Union(wxRect(x, y, 1, 1));
        if (box.IsEmpty()) return false;
        box.Inflate(12, 2);
        box.Intersect(wxRect(0, 0, width, height));
        shot = screenImage.GetSubImage(box);
        return CountColour(shot, TimelineInstColour()) > 50;
    };
    ASSERT_TRUE(YieldUntil(grabPlot)) << "no plot with a red line on the screen";
    EXPECT_GT(CountColour(shot, TimelineAvgColour()), 50) << "no green line";
    EXPECT_GT(CountColour(shot, TimelineMarkColour()), 20) << "no mark";
    EXPECT_EQ(pane->LastLayout().marks.size(), 1u);
    if (const char* keep = std::getenv("KAVRIN_TIMELINE_SHOT")) {
        shot.SaveFile(keep, wxBITMAP_TYPE_PNG);
        std::filesystem::copy_file(screenFile, std::string(keep) + ".root.png",
                                   std::filesystem::copy_options::overwrite_existing);
    }

    // The PNG: the same picture, at least 1600 x 600.
    const std::string png = TempPath("timeline.png");
    ExportTo(png);
    SendCommand(ID_TIMELINE_EXPORT_PNG);
    wxImage saved;
    ASSERT_TRUE(saved.LoadFile(png, wxBITMAP_TYPE_PNG));
    EXPECT_GE(saved.GetWidth(), 1600);
    EXPECT_GE(saved.GetHeight(), 600);
    EXPECT_GT(CountColour(saved, TimelineInstColour()), 200);
    EXPECT_GT(CountColour(saved, TimelineAvgColour()), 200);
    EXPECT_GT(CountColour(saved, TimelineMarkColour()), 50);
}

TEST_F(TimelineTest, AnExportThatCannotBeWrittenSaysSo) {
    ExportTo(TempPath("no-such-folder/timeline.csv"));
    SendCommand(ID_TIMELINE_EXPORT_CSV);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Cannot write " + TempPath("no-such-folder/timeline.csv"));
}

#ifdef KAVRIN_ANALYZE_PATH
std::string RunAnalyze(const std::string& arguments) {
    const std::string command = std::string(KAVRIN_ANALYZE_PATH) + " " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {};
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    ::pclose(pipe);
    return output;
}

TEST_F(TimelineTest, AFilePlayedThroughTheSoundServerExportsKavrinAnalyzesRows) {
    auto driver = platform::MakePortAudioDriver();
    if (driver->GetOutputDeviceCount() == 0)
        GTEST_SKIP() << "no default sound device (run under scripts/with-pulseaudio.sh)";
    platform::SetWaveAudioDriver(driver);
    platform::SetSleepHook(nullptr);  // real pauses for a real device

    const std::string file = MakeWanderingFile(TempPath("wandering.wav"), 6.0);
    View()->GetForm()->SetItemInt(IDC_THRESHOLD_ADJUST, 60);
    View()->GetForm()->SetItemInt(IDC_VOLUME_ADJUST, 10);
    // The volume the display handed over at its last tick, and the threshold of a program just
    // started (it survives from run to run until the extremes first differ).
    g_fileAnalyzer.m_volume = 10;
    g_fileAnalyzer.m_threshold = 0;
    ChooseSoundFile(file);
    ChooseMenu(ID_INPUT_FILE);
    // The run ends by itself at the end of the file; the display ticks meanwhile.
    ASSERT_TRUE(YieldUntil([] { return g_fileAnalyzer.m_thread.Finished(); }, 30s))
        << "the file run did not end";
    const std::string path = TempPath("file.csv");
    ExportTo(path);
    SendCommand(ID_TIMELINE_EXPORT_CSV);
    EXPECT_TRUE(Messages().empty());

    std::vector<std::string> window;
    for (const std::string& line : Lines(path)) {
        const std::size_t comma = line.find_last_of(',');
        window.push_back(line.substr(0, comma));  // without the mark
    }
    std::vector<std::string> analyzed;
    std::stringstream stream(RunAnalyze("--volume 10 --threshold-adjust 60 '" + file + "'"));
    for (std::string line; std::getline(stream, line);) analyzed.push_back(line);
    ASSERT_GT(analyzed.size(), 10u);
    EXPECT_EQ(window, analyzed);
}
#endif

}  // namespace
}  // namespace gui_test
