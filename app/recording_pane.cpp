#include "app/recording_pane.h"

#include <wx/frame.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

#include <vector>

#include "ui/live_recording.h"

namespace kavrin {
namespace {

constexpr int kRefreshMs = 250;
// Narrow but not empty: the toolkit refuses to draw a field of no width.
constexpr int kIdleWidth = 1;

// Lives as long as the frame (it is the frame's child handler through the timer's owner).
class RecordingPane : public wxEvtHandler {
public:
    RecordingPane(wxFrame* frame, int pane) : m_frame(frame), m_pane(pane), m_timer(this) {
        Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Refresh(); });
        m_timer.Start(kRefreshMs);
    }

    void Refresh() {
        wxStatusBar* bar = m_frame->GetStatusBar();
        if (!bar || m_pane >= bar->GetFieldsCount()) return;
        const wxString text = wxString::FromUTF8(CLiveRecording::Get().StatusText());
        if (bar->GetStatusText(m_pane) == text) return;
        const int width = text.empty() ? kIdleWidth : bar->GetTextExtent(text + "  00").x + 16;
        // Text out before the pane narrows, and room made before text comes in: the toolkit
        // cannot draw a text into a field narrower than its frame.
        if (text.empty()) bar->SetStatusText(text, m_pane);
        if (width != bar->GetStatusWidth(m_pane)) {
            std::vector<int> widths(bar->GetFieldsCount());
            for (int i = 0; i < bar->GetFieldsCount(); ++i) widths[i] = bar->GetStatusWidth(i);
            widths[m_pane] = width;
            bar->SetStatusWidths(static_cast<int>(widths.size()), widths.data());
        }
        if (!text.empty()) bar->SetStatusText(text, m_pane);
    }

private:
    wxFrame* m_frame;
    int m_pane;
    wxTimer m_timer;
};

}  // namespace

void AddRecordingPane(wxFrame* frame) {
    wxStatusBar* bar = frame->GetStatusBar();
    if (!bar) return;
    const int count = bar->GetFieldsCount();
    std::vector<int> widths(count + 1);
    std::vector<int> styles(count + 1);
    for (int i = 0; i < count; ++i) {
        widths[i] = bar->GetStatusWidth(i);
        styles[i] = bar->GetStatusStyle(i);
    }
    widths[count] = kIdleWidth;
    styles[count] = wxSB_SUNKEN;
    bar->SetFieldsCount(count + 1, widths.data());
    bar->SetStatusStyles(count + 1, styles.data());
    auto* pane = new RecordingPane(frame, count);
    // The frame owns the handler: it goes when the frame goes.
    frame->Bind(wxEVT_DESTROY, [frame, pane](wxWindowDestroyEvent& event) {
        if (event.GetEventObject() == frame) delete pane;
        event.Skip();
    });
}

}  // namespace kavrin
