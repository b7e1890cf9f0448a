// CTolmarDisp: the one view of the application. It puts the form (template 130) into the main
// frame, handles the "Input" commands that choose the signal source, and draws the running
// analysis on its 200 ms display timer.
//
// The view owns no analyzer: it reaches g_liveAnalyzer and g_fileAnalyzer directly. Its
// destructor stops both, so no pump outlives the window.
//
// Threads: everything here runs on the user-interface thread.
#pragma once

#include <wx/docview.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "ui/source_status.h"
#include "ui/tick_computation.h"
#include "ui/timeline/timeline.h"
#include "ui/tolmar_form.h"

namespace kavrin {

class CStatusPanes;
class CReportExport;
struct ReportSettings;

class CTolmarDisp : public wxView {
public:
    CTolmarDisp();
    ~CTolmarDisp() override;

    // Puts the form into the application's main frame.
    bool OnCreate(wxDocument* doc, long flags) override;
    void OnDraw(wxDC*) override {}
    // Shows the document's name in the frame's caption.
    void OnChangeFilename() override;

    // The initial update, at creation and after New and Open: the members go into the edits
    // (both show 0), then the edits show 75 and 10.
    void OnInitialUpdate();

    // Commands of the "Input" menu.
    void OnLineOn();
    void OnLineOff();
    void OnFile();
    // Input > Stop File: ends a file run; enabled only while one runs (FileRunning).
    void OnStopFile();
    static bool FileRunning();
    void OnTestGenStart();
    void OnTestGenStop();
    void OnSetParams();
    // Input > "Decode Audio Files" and Input > Line (Mixer) > "Record" (check items).
    void OnDecodeAudioFiles();
    void OnRecord();
    // The threshold radio buttons.
    void OnFixedRange();
    void OnFixedFreq();
    void OnAvgRelative();

    // One display tick (timer 1).
    void OnTimer();

    CTolmarForm* GetForm() const { return m_form.get(); }
    bool IsTimerRunning() const { return m_timer.IsRunning(); }
    // What the last tick computed (for inspection).
    const TickResult& LastTick() const { return m_lastTick; }
    // The values of the analyzer the last tick drew; empty when it drew none.
    const std::optional<DrawnReading>& LastReading() const { return m_lastReading; }
    // The session timeline under the form (made with the form).
    CTimeline* Timeline() const { return m_timeline.get(); }

    std::uint32_t m_thresholdAdjust = 0;
    std::int32_t m_volumeAdjust = 0;
    int m_lineOn = 0;
    int m_fileOn = 0;
    int m_modeAvgRelative = 0;
    int m_modeFixedFreq = 1;
    int m_modeFixedRange = 0;
    // Set by every path that starts the timer before the first tick reads it.
    std::int32_t m_lampThreshold = 0;

private:
    // The shared steps of the commands.
    std::int32_t ReadThresholdAdjust() const;
    void PresetLamp(std::int32_t thresholdAdjust);
    void StopLine();
    // Each returns whether that source was running.
    bool StopFile();
    bool StopTone();
    // While tone mode is on: ends the tone's pump and waits for it.
    void EndTonePump();
    void StartTimer();
    void KillTimer();

    void BindForm();
    // The message pane names a played file's header when it contradicts the raw path.
    void SayForeignHeader();
    // The form's adjust values, mode and the decode switch, for the report.
    ReportSettings ReportSettingsNow() const;

    wxWeakRef<CTolmarForm> m_form;
    wxTimer m_timer;
    TickResult m_lastTick;
    std::optional<DrawnReading> m_lastReading;
    std::unique_ptr<CStatusPanes> m_statusPanes;
    std::unique_ptr<CTimeline> m_timeline;
    std::unique_ptr<CReportExport> m_report;

    wxDECLARE_DYNAMIC_CLASS(CTolmarDisp);
};

}  // namespace kavrin
