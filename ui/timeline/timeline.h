// The session timeline in the window: the log of every evaluation of both analyzers, drained
// from their rings on each display tick, the pane that plots it under the form, and the
// commands of the Timeline menu (show, mark, export as CSV or PNG, clear, label segments).
//
// Threads: user-interface thread only.
#pragma once

#include <wx/frame.h>
#include <wx/weakref.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "analysis/evaluation_log.h"
#include "analysis/reading_validity.h"
#include "ui/tick_computation.h"

namespace kavrin {

class CTimelinePane;
class CTimelineReview;
class CTimelineLabels;
struct EndedRecording;

// Where an export goes: asked of the user (a save dialog); tests answer instead. An empty
// answer cancels.
using TimelinePathPrompt = std::function<std::string(
    const std::string& title, const std::string& defaultName, const std::string& wildcard)>;
void SetTimelinePathPrompt(TimelinePathPrompt prompt);
// A save dialog, or the tests' answer.
std::string AskTimelinePath(wxWindow* parent, const std::string& title, const std::string& name,
                            const std::string& wildcard);

inline constexpr int kTimelineLiveAnalyzer = 0;
inline constexpr int kTimelineFileAnalyzer = 1;
// The PNG export is at least this large.
inline constexpr int kTimelineExportWidth = 1600;
inline constexpr int kTimelineExportHeight = 600;

class CTimeline {
public:
    // Creates the pane, hidden, under `form` in `frame`, and lays out the two itself.
    CTimeline(wxFrame* frame, wxWindow* form);
    ~CTimeline();
    CTimeline(const CTimeline&) = delete;
    CTimeline& operator=(const CTimeline&) = delete;

    // Binds the Timeline commands on `handler` (the view).
    void BindCommands(wxEvtHandler& handler);

    // The display tick: takes the rows waiting in both rings, with the tick's lamp reference,
    // and redraws the pane only when rows arrived.
    void OnTick(const TickResult& tick);
    // A live recording ended: the segments and marks made over it are kept beside it.
    void RecordingEnded(const EndedRecording& ended);

    void OnShowTimeline();
    // A numbered mark, or with Shift held one whose text is asked for.
    void OnMark();
    void OnExportCsv();
    void OnExportPng();
    void OnClear();
    void OnReview();
    void OnCancelReview();
    void OnPlay();
    void OnLoop();
    void OnLabelSelection();
    void OnSegmentStatistics();
    void OnImportLabels();
    void OnExportLabels();
    void OnReadingQuality();
    void OnUseAsBaseline();

    // The steps behind the commands, for the commands and for the tests.
    void ShowTimeline(bool show);
    bool MarkWithText();  // asks for the text; false when cancelled
    bool ExportCsv(const std::string& path);
    bool ExportPng(const std::string& path);

    bool IsShown() const;
    // Whether the newest evaluation of the file source (or else of the line and tone) is a
    // reading, by the band index drawn and that row's voicing; Reading without such a row.
    ReadingValidity NewestValidity(bool file, double instFreq) const;
    // The voiced share below which an evaluation is no reading (Timeline > Reading Quality).
    double MinVoicedShare() const;
    void SetMinVoicedShare(double share);
    CEvaluationLog& Log() { return m_log; }
    CTimelinePane* Pane() const { return m_pane; }
    CTimelineReview& Review() { return *m_review; }
    CTimelineLabels& Labels() { return *m_labels; }
    int PaneHeight() const;

private:
    std::size_t Drain();
    void LayOut();
    void OnFrameSize(wxSizeEvent& event);

    wxFrame* m_frame;
    wxWeakRef<wxWindow> m_form;
    CTimelinePane* m_pane = nullptr;
    CEvaluationLog m_log;
    std::unique_ptr<CTimelineReview> m_review;
    std::unique_ptr<CTimelineLabels> m_labels;
    // The lamp reference of the latest tick that had one.
    std::optional<std::int32_t> m_lampReference;
};

}  // namespace kavrin
