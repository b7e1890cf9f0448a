// The analysis display through the real window: the test tone started from the menu and the
// pictures of one tick checked pixel by pixel; mode changes on the next tick; the volume handed
// to the analyzer; a tick with no source.
#include <wx/image.h>
#include <wx/radiobut.h>

#include <chrono>

#include "app/main_frame.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "tests/app/user_input.h"
#include "ui/command_ids.h"
#include "ui/form_ids.h"
#include "ui/picture_control.h"
#include "ui/tick_drawing.h"
#include "ui/tolmar_disp.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;

wxColour Pixel(const wxImage& image, int x, int y) {
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

bool AllWhite(const wxBitmap& bitmap) {
    const wxImage image = bitmap.ConvertToImage();
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (Pixel(image, x, y) != *wxWHITE) return false;
    return true;
}

class DisplayTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(StartApp());
        view = View();
    }

    // The start-up tone: 10 Hz, amplitude 10, from its zero crossing.
    void StartTheStartUpTone() {
        g_liveAnalyzer.m_toneFrequency = 10.0;
        g_liveAnalyzer.m_toneAmplitude = 10;
        g_liveAnalyzer.SetupTone();
        ChooseMenu(ID_TESTGEN_START);
        // Enough blocks for a full history.
        ASSERT_TRUE(WaitUntil([] { return g_liveAnalyzer.m_blockCount > 12; }));
    }

    const wxBitmap& Picture(int id) { return view->GetForm()->Picture(id)->GetPicture(); }

    CTolmarDisp* view = nullptr;
};

TEST_F(DisplayTest, TheStartUpToneShowsItsMarkerBarsAndLamp) {
    StartTheStartUpTone();
    view->OnTimer();
    const TickResult& tick = view->LastTick();
    ASSERT_TRUE(tick.liveShown);

    // The red marker near the middle of control 1002: 10 Hz is index 20 of 0..40.
    const wxImage inst = Picture(IDC_INST_MARKER).ConvertToImage();
    const int width = inst.GetWidth();
    int first = -1;
    int last = -1;
    for (int x = 0; x < width; ++x) {
        if (Pixel(inst, x, inst.GetHeight() / 2) == InstMarkerColour()) {
            if (first < 0) first = x;
            last = x;
        }
    }
    ASSERT_GE(first, 0) << "no red marker";
    const int middle = (first + last) / 2;
    EXPECT_NEAR(middle, width / 2 + 2, width / 20) << first << ".." << last;

    // The green average marker is drawn too.
    const wxImage avg = Picture(IDC_AVG_MARKER).ConvertToImage();
    bool green = false;
    for (int x = 0; x < avg.GetWidth(); ++x)
        green = green || Pixel(avg, x, avg.GetHeight() / 2) == AvgMarkerColour();
    EXPECT_TRUE(green);

    // Nine bars, black where they stand; the 10 Hz bar is the tallest.
    ASSERT_EQ(tick.barCount, 9);
    const wxImage spectrum = Picture(IDC_SPECTRUM).ConvertToImage();
    const int bottom = spectrum.GetHeight() - 1;
    int tallest = 0;
    for (int i = 0; i < 9; ++i) {
        const Stroke& bar = tick.bars[i];
        if (bar.y1 - bar.y2 >= 3) {
            EXPECT_EQ(Pixel(spectrum, bar.x1, bottom), BarColour()) << "bar " << i;
            EXPECT_EQ(Pixel(spectrum, bar.x1, std::max(bar.y2 + 1, 0)), BarColour()) << i;
        }
        if (bar.y1 - bar.y2 > tick.bars[tallest].y1 - tick.bars[tallest].y2) tallest = i;
    }
    EXPECT_EQ(tallest, 4);
    EXPECT_GT(tick.bars[4].y1 - tick.bars[4].y2, 10);
    // Between the bars the surface is white.
    EXPECT_EQ(Pixel(spectrum, (tick.bars[3].x1 + tick.bars[4].x1) / 2, bottom), *wxWHITE);

    // Fixed freq. at 75: reference 30 (11.0 Hz) lies well above 10 Hz: green.
    EXPECT_EQ(view->m_lampThreshold, 30);
    ASSERT_TRUE(tick.lamp.has_value());
    EXPECT_EQ(*tick.lamp, LampColour::Green);
    const wxImage lamp = Picture(IDC_LAMP).ConvertToImage();
    EXPECT_EQ(Pixel(lamp, lamp.GetWidth() / 2, lamp.GetHeight() / 2), wxColour(0, 255, 0));
    EXPECT_EQ(Pixel(lamp, 0, 0), *wxWHITE);

    // And the lamp reaches the screen once the toolkit has painted it.
    wxWindow* lampControl = view->GetForm()->Picture(IDC_LAMP);
    const auto screenPixel = [&] {
        const wxImage shown = ShownPicture(lampControl);
        return Pixel(shown, shown.GetWidth() / 2, shown.GetHeight() / 2);
    };
    EXPECT_TRUE(WaitUntil(
        [&] {
            Yield();
            Frame()->Refresh();
            Frame()->Update();
            return screenPixel() == wxColour(0, 255, 0);
        },
        5s))
        << "screen shows " << screenPixel().GetAsString(wxC2S_HTML_SYNTAX).ToStdString()
        << " at the lamp's centre; lamp "
        << static_cast<int>(view->LastTick().lamp.value_or(LampColour::Red));
}

TEST_F(DisplayTest, AModeChangeTakesEffectOnTheNextTick) {
    StartTheStartUpTone();
    view->OnTimer();
    EXPECT_EQ(view->m_lampThreshold, 30);
    wxRadioButton* radio = view->GetForm()->Radio(IDC_AVG_RELATIVE);
    radio->SetValue(true);
    wxCommandEvent click(wxEVT_RADIOBUTTON, IDC_AVG_RELATIVE);
    click.SetEventObject(radio);
    radio->HandleWindowEvent(click);
    EXPECT_EQ(view->m_modeAvgRelative, 1);
    EXPECT_EQ(view->m_lampThreshold, 30);  // not before the tick
    view->OnTimer();
    // avg near 20 (10 Hz), d = 12: the reference drops to about 8.
    EXPECT_GE(view->m_lampThreshold, 4);
    EXPECT_LE(view->m_lampThreshold, 12);
}

TEST_F(DisplayTest, TheVolumeValueReachesTheAnalyzerShown) {
    StartTheStartUpTone();
    view->GetForm()->SetItemInt(IDC_VOLUME_ADJUST, 40);
    view->OnTimer();
    EXPECT_EQ(view->m_volumeAdjust, 40);
    EXPECT_EQ(static_cast<int>(g_liveAnalyzer.m_volume), 40);
    view->GetForm()->SetItemInt(IDC_VOLUME_ADJUST, 10);
    view->OnTimer();
    EXPECT_EQ(static_cast<int>(g_liveAnalyzer.m_volume), 10);
}

TEST_F(DisplayTest, ATickWithNoSourceShowsWhiteSurfaces) {
    dialogs->Expect([](wxDialog*) { return wxID_CANCEL; });
    ChooseMenu(ID_TESTGEN_SETPARAMS);
    ASSERT_TRUE(view->IsTimerRunning());
    view->OnTimer();
    EXPECT_EQ(view->LastTick().barCount, 0);
    for (int id : {IDC_INST_MARKER, IDC_AVG_MARKER, IDC_SPECTRUM, IDC_LAMP}) {
        ASSERT_TRUE(Picture(id).IsOk()) << id;
        EXPECT_TRUE(AllWhite(Picture(id))) << id;
    }
}

TEST_F(DisplayTest, TheTimerDrawsWithoutHelp) {
    StartTheStartUpTone();
    ASSERT_TRUE(view->IsTimerRunning());
    EXPECT_TRUE(WaitUntil(
        [&] {
            Yield();
            return Picture(IDC_LAMP).IsOk();
        },
        5s));
}

TEST_F(DisplayTest, TheFormFitsTheFrameUpToTheLampsRightEdge) {
    wxWindow* lamp = view->GetForm()->Picture(IDC_LAMP);
    const wxRect lampRect = lamp->GetScreenRect();
    const wxRect formRect = view->GetForm()->GetScreenRect();
    EXPECT_LE(lampRect.GetRight(), formRect.GetRight());
    EXPECT_EQ(view->GetForm()->Units().BaseX(), 6);
}

}  // namespace
}  // namespace gui_test
