#include "ui/report_pdf.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <wx/graphics.h>
#include <wx/pen.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "ui/timeline/timeline_drawing.h"

namespace kavrin {
namespace {

// A4 landscape in points, with a margin of half an inch.
constexpr double kPageWidth = 842.0;
constexpr double kPageHeight = 595.0;
constexpr double kMargin = 36.0;
constexpr double kWidth = kPageWidth - 2 * kMargin;
constexpr double kFooterTop = kPageHeight - kMargin + 8;

// Widths of the segment table's columns: the label, then the numbers.
constexpr double kLabelColumn = 84.0;

wxFont Font(double points, bool bold = false) {
    wxFontInfo info(points);
    info.Family(wxFONTFAMILY_SWISS);
    if (bold) info.Bold();
    return wxFont(info);
}

// Text set on a page from top to bottom.
class CPage {
public:
    explicit CPage(wxGraphicsContext& gc) : m_gc(gc) {}

    double Y() const { return m_y; }
    void Skip(double points) { m_y += points; }

    // `text` broken into lines no wider than `width` (at spaces, or inside a word longer than
    // a line), drawn from (x, Y); Y moves below it.
    void Text(const std::string& text, const wxFont& font, double x = kMargin,
              double width = kWidth, const wxColour& colour = *wxBLACK) {
        const std::vector<wxString> lines = Wrap(wxString::FromUTF8(text), font, width);
        m_gc.SetFont(font, colour);
        for (const wxString& line : lines) {
            double w = 0, h = 0;
            m_gc.GetTextExtent(line.empty() ? wxString("X") : line, &w, &h);
            m_gc.DrawText(line, x, m_y);
            m_y += h;
        }
    }

    std::vector<wxString> Wrap(const wxString& text, const wxFont& font, double width) {
        m_gc.SetFont(font, *wxBLACK);
        const auto fits = [&](const wxString& s) {
            double w = 0, h = 0;
            m_gc.GetTextExtent(s, &w, &h);
            return w <= width;
        };
        std::vector<wxString> lines;
        wxString line;
        for (const wxString& word : wxSplit(text, ' ', 0)) {
            const wxString tried = line.empty() ? word : line + " " + word;
            if (fits(tried)) {
                line = tried;
                continue;
            }
            if (!line.empty()) lines.push_back(line);
            line = word;
            // A word longer than the line (a path) is cut where it must be.
            while (!fits(line) && line.length() > 1) {
                std::size_t n = line.length() - 1;
                while (n > 1 && !fits(line.Left(n))) --n;
                lines.push_back(line.Left(n));
                line = line.Mid(n);
            }
        }
        if (!line.empty() || lines.empty()) lines.push_back(line);
        return lines;
    }

private:
    wxGraphicsContext& m_gc;
    double m_y = kMargin;
};

// One table row's cells, each wrapped to its column; returns the row's height.
double TableRow(CPage& page, wxGraphicsContext& gc, const std::vector<std::string>& cells,
                const wxFont& font, double columnWidth, bool header) {
    const double top = page.Y();
    double bottom = top;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const double x = c == 0 ? kMargin : kMargin + kLabelColumn + (c - 1) * columnWidth;
        const double width = (c == 0 ? kLabelColumn : columnWidth) - 4;
        std::vector<wxString> lines = page.Wrap(wxString::FromUTF8(cells[c]), font, width);
        // A label keeps one line in a data row; its full text is in the label files.
        if (!header && c == 0 && lines.size() > 1) lines.resize(1);
        gc.SetFont(font, *wxBLACK);
        double y = top;
        for (const wxString& line : lines) {
            double w = 0, h = 0;
            gc.GetTextExtent(line.empty() ? wxString("X") : line, &w, &h);
            // Numbers to the right of their column, as in the window's table.
            gc.DrawText(line, c == 0 ? x : x + width - w, y);
            y += h;
        }
        bottom = std::max(bottom, y);
    }
    const unsigned char grey = header ? 90 : 215;
    gc.SetPen(gc.CreatePen(wxGraphicsPenInfo(wxColour(grey, grey, grey)).Width(0.5)));
    gc.StrokeLine(kMargin, bottom + 1.5, kMargin + kWidth, bottom + 1.5);
    page.Skip(bottom + 3 - top);
    return bottom + 3 - top;
}

void Footer(wxGraphicsContext& gc, const ReportFacts& facts, int page, int pages) {
    gc.SetFont(Font(6.5), wxColour(100, 100, 100));
    const wxString text =
        wxString::FromUTF8(facts.title) + wxString::Format(
                                              "  -  measurements only; the last page says what "
                                              "they can and cannot mean  -  page %d of %d",
                                              page, pages);
    gc.DrawText(text, kMargin, kFooterTop);
}

struct PdfSurface {
    cairo_surface_t* surface = nullptr;
    cairo_t* cairo = nullptr;
    ~PdfSurface() {
        if (cairo) cairo_destroy(cairo);
        if (surface) cairo_surface_destroy(surface);
    }
};

}  // namespace

std::string WriteReportPdf(const std::string& path, const ReportFacts& facts,
                           const TimelineLayout& plot, const wxFont& plotFont) {
    PdfSurface pdf;
    pdf.surface = cairo_pdf_surface_create(path.c_str(), kPageWidth, kPageHeight);
    if (cairo_surface_status(pdf.surface) != CAIRO_STATUS_SUCCESS)
        return cairo_status_to_string(cairo_surface_status(pdf.surface));
    cairo_pdf_surface_set_metadata(pdf.surface, CAIRO_PDF_METADATA_TITLE, facts.title.c_str());
    cairo_pdf_surface_set_metadata(pdf.surface, CAIRO_PDF_METADATA_CREATOR, "Kavrin");
    pdf.cairo = cairo_create(pdf.surface);
    wxGraphicsRenderer* renderer = wxGraphicsRenderer::GetCairoRenderer();
    if (!renderer) return "no cairo renderer";

    const wxFont body = Font(7.5);
    const wxFont bold = Font(7.5, true);
    const wxFont heading = Font(11, true);
    const wxFont small = Font(5.5);
    const wxFont header = Font(5);

    // The table's pages: as many rows as fit under its heading and header.
    const std::size_t columns = std::max<std::size_t>(facts.tableTitles.size(), 2);
    const double columnWidth = (kWidth - kLabelColumn) / static_cast<double>(columns - 1);
    // Rows per page: a data row is one line of the small font; the heading and the two
    // sentences above the table take at most this much.
    std::vector<std::pair<std::size_t, std::size_t>> tablePages;
    {
        std::unique_ptr<wxGraphicsContext> gc(renderer->CreateContextFromNativeContext(pdf.cairo));
        CPage measure(*gc);
        double w = 0, line = 0;
        gc->SetFont(small, *wxBLACK);
        gc->GetTextExtent("X", &w, &line);
        std::size_t headerLines = 1;
        for (const std::string& title : facts.tableTitles)
            headerLines =
                std::max(headerLines,
                         measure.Wrap(wxString::FromUTF8(title), header, columnWidth - 4).size());
        const double top = kMargin + 90 + static_cast<double>(headerLines) * line + 3;
        const auto perPage =
            std::max<std::size_t>(1, static_cast<std::size_t>((kFooterTop - 8 - top) / (line + 3)));
        std::size_t row = 0;
        do {
            const std::size_t last = std::min(row + perPage, facts.tableRows.size());
            tablePages.emplace_back(row, last);
            row = last;
        } while (row < facts.tableRows.size());
    }
    const int pages = 2 + static_cast<int>(tablePages.size());
    int pageNumber = 0;
    const auto newPage = [&] {
        if (pageNumber > 0) cairo_show_page(pdf.cairo);
        ++pageNumber;
        return std::unique_ptr<wxGraphicsContext>(
            renderer->CreateContextFromNativeContext(pdf.cairo));
    };

    // Page 1: what was analysed, how, when; the whole session's plot.
    {
        auto gc = newPage();
        CPage page(*gc);
        page.Text(facts.title, heading);
        page.Skip(6);
        for (const auto& [label, value] : facts.lines) {
            const double top = page.Y();
            page.Text(label, bold, kMargin, 70);
            const double after = page.Y();
            page.Skip(top - after);
            page.Text(value, body, kMargin + 72, kWidth - 72);
            page.Skip(std::max(0.0, after - page.Y()) + 1.5);
        }
        page.Skip(6);
        const double room = kFooterTop - 30 - page.Y();
        const double scale =
            std::min(kWidth / std::max(plot.width, 1), room / std::max(plot.height, 1));
        gc->PushState();
        gc->Translate(kMargin, page.Y());
        gc->Scale(scale, scale);
        DrawTimelineOn(*gc, plot, plotFont);
        gc->PopState();
        gc->SetPen(gc->CreatePen(wxGraphicsPenInfo(wxColour(160, 160, 160)).Width(0.5)));
        gc->SetBrush(*wxTRANSPARENT_BRUSH);
        gc->DrawRectangle(kMargin, page.Y(), plot.width * scale, plot.height * scale);
        page.Skip(plot.height * scale + 4);
        page.Text(
            "The whole session. Red: the instantaneous band frequency; green: its running "
            "average; dashed: the lamp reference; light band: minimum to maximum; blue band: the "
            "baseline's mean plus and minus one standard deviation; gaps in the curves and grey "
            "lamp cells: no reading; boxes: labelled segments; blue lines: marks; under the "
            "plot the lamp of each evaluation and, for a reviewed recording, its level.",
            small, kMargin, kWidth, wxColour(60, 60, 60));
        Footer(*gc, facts, pageNumber, pages);
    }

    // The segment table, as Timeline > Segment Statistics shows it.
    for (const auto& [first, last] : tablePages) {
        auto gc = newPage();
        CPage page(*gc);
        page.Text("Segments", heading);
        page.Skip(3);
        page.Text(facts.baseline, body);
        page.Text(facts.leftOut, body);
        page.Skip(6);
        if (facts.tableRows.empty()) {
            page.Text("No segments were labelled.", body);
        } else {
            TableRow(page, *gc, facts.tableTitles, header, columnWidth, true);
            for (std::size_t r = first; r < last; ++r)
                TableRow(page, *gc, facts.tableRows[r], small, columnWidth, false);
        }
        Footer(*gc, facts, pageNumber, pages);
    }

    // The fixed statement.
    {
        auto gc = newPage();
        CPage page(*gc);
        page.Text("What the measure is and is not", heading);
        page.Skip(6);
        for (const std::string& paragraph : facts.statement) {
            page.Text(paragraph, Font(9), kMargin, kWidth * 0.8);
            page.Skip(8);
        }
        Footer(*gc, facts, pageNumber, pages);
    }
    cairo_show_page(pdf.cairo);
    cairo_surface_finish(pdf.surface);
    if (cairo_surface_status(pdf.surface) != CAIRO_STATUS_SUCCESS)
        return cairo_status_to_string(cairo_surface_status(pdf.surface));
    return "";
}

}  // namespace kavrin
