// The form and the test-generator dialog laid out from the real font: no label clipped, no
// control outside its group box or the visible form, the radio buttons apart, the scale's
// numbers centred under the markers' positions (read back from the screen), and Tab visiting
// only the two edits. The ctest entries gui_scale_* run this suite again at larger fonts
// (GDK_DPI_SCALE, GDK_SCALE).
#include <wx/frame.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <chrono>
#include <cmath>
#include <sstream>
#include <vector>

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "tests/app/gui_test_support.h"
#include "tests/app/user_input.h"
#include "ui/form_ids.h"
#include "ui/picture_control.h"
#include "ui/scale_control.h"
#include "ui/scale_layout.h"
#include "ui/test_gen_dlg.h"
#include "ui/tolmar_disp.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;

std::string Describe(const wxWindow* window) {
    std::ostringstream out;
    const wxRect r = window->GetRect();
    out << wxString(window->GetClassInfo()->GetClassName()).ToStdString() << " \""
        << window->GetLabel().ToStdString() << "\" at " << r.x << "," << r.y << " " << r.width
        << "x" << r.height;
    return out.str();
}

// Every label as large as its text in the font it is drawn with, every radio button as large as
// the toolkit asks for.
void ExpectNoClippedText(const wxWindow& parent) {
    for (const wxWindow* child : parent.GetChildren()) {
        wxSize best;
        if (dynamic_cast<const wxStaticText*>(child))
            best = child->GetTextExtent(child->GetLabel());
        else if (dynamic_cast<const wxRadioButton*>(child))
            best = child->GetBestSize();
        else
            continue;
        EXPECT_GE(child->GetSize().x, best.x) << Describe(child);
        EXPECT_GE(child->GetSize().y, best.y) << Describe(child);
    }
}

class FormLayoutTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(StartApp());
        form = View()->GetForm();
        Frame()->Raise();
        Yield();
    }
    wxRadioButton* Radio(int id) { return form->Radio(id); }
    CTolmarForm* form = nullptr;
};

TEST_F(FormLayoutTest, NothingIsCutOffOrScrolled) {
    const wxSize frame = Frame()->GetSize();
    EXPECT_GE(frame.x, 640);
    EXPECT_GE(frame.y, 450);
    EXPECT_EQ(form->GetViewStart(), wxPoint(0, 0));
    const wxSize visible = form->GetClientSize();
    EXPECT_GE(visible.x, form->GetVirtualSize().x);
    EXPECT_GE(visible.y, form->GetVirtualSize().y);
    // No control overlaps another, but for those inside the group box.
    const wxStaticBox* group = nullptr;
    for (const wxWindow* child : form->GetChildren())
        if (auto* box = dynamic_cast<const wxStaticBox*>(child)) group = box;
    ASSERT_NE(group, nullptr);
    for (const wxWindow* a : form->GetChildren())
        for (const wxWindow* b : form->GetChildren()) {
            if (a >= b) continue;
            const wxRect ra = a->GetRect();
            const wxRect rb = b->GetRect();
            if ((a == group && group->GetRect().Contains(rb)) ||
                (b == group && group->GetRect().Contains(ra)))
                continue;
            EXPECT_FALSE(ra.Intersects(rb)) << Describe(a) << " / " << Describe(b);
        }
    for (const wxWindow* child : form->GetChildren()) {
        const wxRect r = child->GetRect();
        EXPECT_GE(r.x, 0) << Describe(child);
        EXPECT_GE(r.y, 0) << Describe(child);
        EXPECT_LE(r.GetRight(), visible.x - 1) << Describe(child);
        EXPECT_LE(r.GetBottom(), visible.y - 1) << Describe(child);
    }
}

TEST_F(FormLayoutTest, LabelsFitTheirTextAndTheGroupBoxHoldsItsControls) {
    ExpectNoClippedText(*form);
    const wxStaticBox* group = nullptr;
    for (const wxWindow* child : form->GetChildren())
        if (auto* box = dynamic_cast<const wxStaticBox*>(child)) group = box;
    ASSERT_NE(group, nullptr);
    const wxRect box = group->GetRect();
    const wxRect inside(box.x + 1, box.y + group->GetCharHeight(), box.width - 2,
                        box.height - group->GetCharHeight() - 1);
    std::vector<const wxWindow*> held = {Radio(IDC_FIXED_RANGE), Radio(IDC_FIXED_FREQ),
                                         Radio(IDC_AVG_RELATIVE), form->Edit(IDC_THRESHOLD_ADJUST)};
    for (const wxWindow* child : form->GetChildren())
        if (child->GetLabel() == "Threshold adjust") held.push_back(child);
    ASSERT_EQ(held.size(), 5u);
    for (const wxWindow* window : held)
        EXPECT_TRUE(inside.Contains(window->GetRect()))
            << Describe(window) << " in " << Describe(group);
    // The radio buttons (and the label below them) do not touch.
    for (std::size_t i = 1; i < held.size(); ++i) {
        if (i == 4) continue;
        const int gap = held[i]->GetRect().y - held[i - 1]->GetRect().GetBottom() - 1;
        EXPECT_GE(gap, 1) << Describe(held[i - 1]) << " / " << Describe(held[i]);
    }
}

// Every label whole, every control inside the dialog.
void ExpectWholeDialog(const wxDialog& dialog) {
    ExpectNoClippedText(dialog);
    const wxSize client = dialog.GetClientSize();
    for (const wxWindow* child : dialog.GetChildren()) {
        EXPECT_LE(child->GetRect().GetRight(), client.x - 1) << Describe(child);
        EXPECT_LE(child->GetRect().GetBottom(), client.y - 1) << Describe(child);
    }
}

TEST_F(FormLayoutTest, TheDialogsShowWholeLabels) {
    CTestGenDlg generator(nullptr);
    ExpectWholeDialog(generator);
    CAboutDlg about(nullptr);
    ExpectWholeDialog(about);
}

struct InkRun {
    double centre;
    int width;
};

// The runs of inked columns of `window` as it stands on the screen.
std::vector<InkRun> InkRuns(wxWindow* window, int minimumGap) {
    const wxImage image = ShownPicture(window);
    const wxRect area(wxPoint(0, 0), image.GetSize());
    std::vector<bool> inked(area.width, false);
    for (int x = 0; x < area.width; ++x)
        for (int y = 0; y < area.height; ++y)
            if (image.GetRed(x, y) + image.GetGreen(x, y) + image.GetBlue(x, y) < 3 * 128)
                inked[x] = true;
    std::vector<InkRun> runs;
    int first = -1;
    int last = -1;
    for (int x = 0; x <= area.width; ++x) {
        if (x < area.width && inked[x]) {
            if (first >= 0 && x - last > minimumGap) {
                runs.push_back({(first + last) / 2.0, last - first + 1});
                first = -1;
            }
            if (first < 0) first = x;
            last = x;
        } else if (x == area.width && first >= 0) {
            runs.push_back({(first + last) / 2.0, last - first + 1});
        }
    }
    return runs;
}

TEST_F(FormLayoutTest, ScaleNumbersStandCentredUnderTheirMarkerPositions) {
    auto* scale = dynamic_cast<CScaleControl*>(form->FindWindow(IDC_SCALE));
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale->GetLabel(), kScaleText);
    ASSERT_EQ(scale->LabelCount(), 9);
    // Where a tick puts the marker for 8.0, 8.5, ... 12.0 (index 0, 5, ... 40).
    wxWindow* marker = form->Picture(IDC_INST_MARKER);
    const int markerLeft = marker->ClientToScreen(wxPoint(0, 0)).x;
    const int scaleLeft = scale->GetScreenRect().x;
    const int width = marker->GetClientSize().x;
    std::vector<double> expected;
    for (int k = 0; k < 9; ++k) {
        const double x = width * (5 * k * 0.025);
        expected.push_back(markerLeft - scaleLeft + (int(x) + int(x + 5.0)) / 2.0);
        EXPECT_NEAR(scale->LabelCentre(k), expected.back(), 0.01) << k;
    }
    // What the screen shows: nine numbers, each centred on its position.
    std::vector<InkRun> runs;
    const int glyphGap = std::max(3, scale->GetCharWidth() / 2);
    EXPECT_TRUE(WaitUntil(
        [&] {
            Yield();
            runs = InkRuns(scale, glyphGap);
            return runs.size() == 9;
        },
        5s))
        << runs.size() << " numbers on the screen";
    ASSERT_EQ(runs.size(), 9u);
    const std::vector<std::string> labels = ScaleLabels(kScaleText);
    for (int k = 0; k < 9; ++k) {
        EXPECT_NEAR(runs[k].centre, expected[k], 2.0) << labels[k];
        // Whole, not cut at the control's edge.
        EXPECT_GE(runs[k].width, scale->GetTextExtent(labels[k]).x - 4) << labels[k];
    }
}

TEST_F(FormLayoutTest, TabVisitsOnlyTheTwoEdits) {
    wxTextCtrl* threshold = form->Edit(IDC_THRESHOLD_ADJUST);
    wxTextCtrl* volume = form->Edit(IDC_VOLUME_ADJUST);
    ClickAt(volume, wxPoint(volume->GetClientSize().x / 2, volume->GetClientSize().y / 2));
    ASSERT_TRUE(WaitUntil(
        [&] {
            Yield();
            return wxWindow::FindFocus() == volume;
        },
        5s));
    const auto pressTab = [&](int modifiers, wxWindow* expected) {
        TypeKey(volume, WXK_TAB, modifiers);
        EXPECT_TRUE(WaitUntil(
            [&] {
                Yield();
                return wxWindow::FindFocus() == expected;
            },
            2s))
            << "focus on " << (wxWindow::FindFocus() ? Describe(wxWindow::FindFocus()) : "nothing");
    };
    pressTab(wxMOD_NONE, threshold);
    pressTab(wxMOD_NONE, volume);
    pressTab(wxMOD_SHIFT, threshold);
    pressTab(wxMOD_SHIFT, volume);
    // Typing after a Tab reaches the edit.
    pressTab(wxMOD_NONE, threshold);
    threshold->SelectAll();
    TypeText(threshold, "42");
    EXPECT_TRUE(WaitUntil(
        [&] {
            Yield();
            return threshold->GetValue() == "42";
        },
        2s));
}

}  // namespace
}  // namespace gui_test
