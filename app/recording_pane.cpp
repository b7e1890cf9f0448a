#include "app/recording_pane.h"

#include <wx/frame.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

#include <string>
#include <vector>

#include "ui/live_recording.h"
#include "ui/status_bar.h"
#include "ui/status_panes.h"

namespace kavrin {
namespace {

constexpr int kRefreshMs = 250;
// Until the status bar fits it: narrow but wider than its frame's borders.
constexpr int kIdleWidth = 6;

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
        CLiveRecording& recording = CLiveRecording::Get();
        const wxString text = wxString::FromUTF8(recording.StatusText());
        // The bar gives the pane its width with its text.
        if (bar->GetStatusText(m_pane) != text) bar->SetStatusText(text, m_pane);
        // Where the recording went stays in the message pane until something else is said there.
        const std::string& ended = recording.LastEndedPath();
        if (!ended.empty() && ended != m_toldPath) {
            m_toldPath = ended;
            bar->SetStatusText(wxString::FromUTF8(RecordingSavedText(ended)), 0);
        }
    }

private:
    wxFrame* m_frame;
    int m_pane;
    wxTimer m_timer;
    std::string m_toldPath;
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
    if (auto* fitted = dynamic_cast<CStatusBar*>(bar)) {
        PaneRule rule;
        rule.least = kLeastTextPane;
        rule.collapsesWhenEmpty = true;
        fitted->SetPaneRule(count, rule);
    }
    auto* pane = new RecordingPane(frame, count);
    // The frame owns the handler: it goes when the frame goes.
    frame->Bind(wxEVT_DESTROY, [frame, pane](wxWindowDestroyEvent& event) {
        if (event.GetEventObject() == frame) delete pane;
        event.Skip();
    });
}

}  // namespace kavrin
