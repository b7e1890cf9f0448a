#include "ui/report_html.h"

#include <wx/base64.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include "labels/xml_text.h"
#include "ui/timeline/timeline_drawing.h"

namespace kavrin {
namespace {

// The plot as the pane draws it, as base64 PNG bytes.
std::string PlotPng(const TimelineLayout& plot, const wxFont& font) {
    const wxBitmap bitmap = DrawTimeline(plot, font);
    if (!bitmap.IsOk()) return {};
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    wxMemoryOutputStream stream;
    if (!bitmap.ConvertToImage().SaveFile(stream, wxBITMAP_TYPE_PNG)) return {};
    std::string png(stream.GetLength(), '\0');
    stream.CopyTo(png.data(), png.size());
    return wxBase64Encode(png.data(), png.size()).ToStdString();
}

}  // namespace

std::string ReportHtml(const ReportFacts& facts, const TimelineLayout& plot,
                       const wxFont& plotFont) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
        kavrin_labels::XmlEscaped(facts.title) +
        "</title>\n<style>body{font-family:sans-serif;max-width:70em;margin:2em auto}"
        "th,td{padding:0.2em 0.5em;border-bottom:1px solid #ddd}td.n{text-align:right}"
        "th{text-align:left;vertical-align:bottom}</style>\n</head>\n<body>\n<h1>" +
        kavrin_labels::XmlEscaped(facts.title) + "</h1>\n<table>\n";
    for (const auto& [label, value] : facts.lines)
        html += "<tr><th>" + kavrin_labels::XmlEscaped(label) + "</th><td>" +
                kavrin_labels::XmlEscaped(value) + "</td></tr>\n";
    html += "</table>\n";
    const std::string png = PlotPng(plot, plotFont);
    if (!png.empty())
        html +=
            "<p><img style=\"width:100%\" alt=\"The whole session's plot\" "
            "src=\"data:image/png;base64," +
            png + "\"></p>\n";
    html += "<h2>Segments</h2>\n<p>" + kavrin_labels::XmlEscaped(facts.baseline) + "</p>\n<p>" +
            kavrin_labels::XmlEscaped(facts.leftOut) + "</p>\n";
    if (facts.tableRows.empty()) {
        html += "<p>No segments were labelled.</p>\n";
    } else {
        html += "<table>\n<tr>";
        for (const std::string& title : facts.tableTitles)
            html += "<th>" + kavrin_labels::XmlEscaped(title) + "</th>";
        html += "</tr>\n";
        for (const auto& row : facts.tableRows) {
            html += "<tr>";
            for (std::size_t c = 0; c < row.size(); ++c)
                html += (c == 0 ? "<td>" : "<td class=\"n\">") + kavrin_labels::XmlEscaped(row[c]) +
                        "</td>";
            html += "</tr>\n";
        }
        html += "</table>\n";
    }
    html += "<h2>What the measure is and is not</h2>\n";
    for (const std::string& paragraph : facts.statement)
        html += "<p>" + kavrin_labels::XmlEscaped(paragraph) + "</p>\n";
    return html + "</body>\n</html>\n";
}

}  // namespace kavrin
