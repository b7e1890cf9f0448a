// The report in the real window: a generated recording reviewed, two segments labelled, one of
// them the baseline, then Timeline > Export Report... writes a PDF whose text (pdftotext) holds
// the statement of the measure, the segment table and the file's SHA-256 as sha256sum gives it,
// and whose first page (pdftoppm) shows the plot; the same as one HTML page with the plot inside.
#include <wx/image.h>
#include <wx/textdlg.h>

#include <array>
#include <cstdio>

#include "tests/app/gui_test_support.h"
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

std::string Shell(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return text;
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe)) text += buffer.data();
    ::pclose(pipe);
    return text;
}

// Runs of white space as one blank, so that words wrapped on the page still read as a phrase.
std::string OneLine(std::string text) {
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\t' || c == '\f' || c == '\r';
        if (!blank || (!out.empty() && out.back() != ' ')) out += blank ? ' ' : c;
    }
    return out;
}

class ReportWindowTest : public GuiTest {
protected:
    CTimeline& Timeline() { return *View()->Timeline(); }
    void LabelSelection(double from, double to, const std::string& text) {
        const double start = Timeline().Review().StartSeconds();
        Timeline().Pane()->SetSelection(std::make_pair(start + from, start + to));
        dialogs->Expect([text](wxDialog* dialog) {
            dynamic_cast<wxTextEntryDialog&>(*dialog).SetValue(wxString::FromUTF8(text));
            return wxID_OK;
        });
        ChooseMenu(ID_TIMELINE_LABEL);
    }
};

TEST_F(ReportWindowTest, ThePdfHoldsTheStatementTheTableTheHashAndThePlot) {
    ASSERT_TRUE(StartApp());
    const std::string recording = TempPath("interview.wav");
    Shell("espeak-ng -s 120 -w '" + recording +
          "' 'Good morning. Please tell me your name and where you live. I live in a small town "
          "by the river, and I have worked there as a baker for twenty years. Thank you.'");
    const std::string hash = Shell("sha256sum '" + recording + "'").substr(0, 64);
    ASSERT_EQ(hash.size(), 64u) << "espeak-ng wrote no recording";
    UpdateUI();
    EXPECT_FALSE(MenuEnabled(ID_TIMELINE_REPORT));

    ChooseSoundFile(recording);
    ChooseMenu(ID_TIMELINE_REVIEW);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (Timeline().Review().Running()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the review does not end";
        Yield();
    }
    LabelSelection(0.5, 4.0, "Calm start");
    LabelSelection(4.5, 9.0, "Question about work");
    ASSERT_TRUE(Timeline().Labels().UseAsBaseline(0));

    const std::string pdf = TempPath("report.pdf");
    SetTimelinePathPrompt([&](auto&&...) { return pdf; });
    UpdateUI();
    ASSERT_TRUE(MenuEnabled(ID_TIMELINE_REPORT));
    ChooseMenu(ID_TIMELINE_REPORT);
    SetTimelinePathPrompt(nullptr);
    EXPECT_TRUE(Messages().empty());

    const std::string text = OneLine(Shell("pdftotext -layout '" + pdf + "' - 2>&1"));
    for (const std::string& expected :
         {std::string("It is not a lie detector, and no reading says whether anyone told the "
                      "truth."),
          "SHA-256 " + hash, std::string("Decode Audio Files off")})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\nin: " << text;
    // The table's rows, cell for cell as Segment Statistics shows them.
    for (const kavrin_labels::SegmentStatistics& row : Timeline().Labels().Statistics()) {
        std::string cells;
        for (const std::string& cell : SegmentTableCells(row)) cells += cell + " ";
        EXPECT_NE(text.find(OneLine(cells)), std::string::npos) << cells;
    }
    for (const char* verdict : {"liar", "lying", "deceptive", "truthful"})
        EXPECT_EQ(wxString(text).Lower().Find(verdict), wxNOT_FOUND) << verdict;

    // The same as one HTML page, the plot inside it.
    const std::string html = TempPath("report.html");
    SetTimelinePathPrompt([&](auto&&...) { return html; });
    ChooseMenu(ID_TIMELINE_REPORT);
    SetTimelinePathPrompt(nullptr);
    const std::string page = Shell("cat '" + html + "'");
    for (const std::string& expected :
         {"<th>SHA-256</th><td>" + hash + "</td>", std::string("src=\"data:image/png;base64,iVBOR"),
          std::string("It is not a lie detector"), std::string("<td>Question about work</td>")})
        EXPECT_NE(page.find(expected), std::string::npos) << expected;

    // Page 1 as pixels: the plot fills the lower part of the page with something not white.
    Shell("pdftoppm -png -r 40 -f 1 -l 1 -singlefile '" + pdf + "' '" + TempPath("page") + "'");
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    wxImage image(TempPath("page.png"), wxBITMAP_TYPE_PNG);
    ASSERT_TRUE(image.IsOk());
    long coloured = 0;
    const int top = image.GetHeight() * 45 / 100;
    const int bottom = image.GetHeight() * 85 / 100;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (image.GetRed(x, y) < 200 || image.GetGreen(x, y) < 200 || image.GetBlue(x, y) < 200)
                ++coloured;
    EXPECT_GT(coloured, static_cast<long>(image.GetWidth()) * (bottom - top) / 50);
}

}  // namespace
}  // namespace gui_test
