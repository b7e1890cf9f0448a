// The two status-bar panes beside the message pane: which source runs and in what state, and the
// readings of the analyzer drawn on the last display tick. Brought up to date four times a
// second, whether or not the display timer runs, so that a stopped or stalled stream shows as
// such: a running source whose analyzer finishes no block for 3 s is reported as stalled.
//
// Threads: the user-interface thread; it only reads the analyzers' shared values.
#pragma once

#include <wx/event.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "ui/source_status.h"

class wxStatusBar;

namespace kavrin {

// The panes' places in the status bar: after the message pane, before the key-state indicators.
inline constexpr int kSourcePane = 1;
inline constexpr int kReadingPane = 2;
// A reading as wide as it gets, to size its pane, and the narrowest it shows.
inline constexpr const char* kWidestReading = "inst 10.0 Hz  avg 10.0 Hz  ref 10.0 Hz";
inline constexpr const char* kNarrowestReading = "no speech";
// The least width of a pane of text: a few words still show.
inline constexpr int kLeastTextPane = 64;

class CTolmarDisp;

class CStatusPanes : public wxEvtHandler {
public:
    // `sourcePane` and `readingPane` are the panes' indices in `statusBar`.
    CStatusPanes(CTolmarDisp& view, wxStatusBar* statusBar, int sourcePane, int readingPane);
    ~CStatusPanes() override;

    // Reads the source and the last tick now and writes both panes.
    void Update();
    // What Update() reads, for the panes and for inspection.
    SourceState CurrentSource();

    static constexpr int kUpdatePeriodMs = 250;
    // The message pane, where the toolkit's menu prompts go too.
    static constexpr int kMessagePane = 0;

private:
    CTolmarDisp& m_view;
    wxWeakRef<wxStatusBar> m_statusBar;
    int m_sourcePane;
    int m_readingPane;
    wxTimer m_timer;

    // The block count last seen, of which source, and since when it stands.
    SourceKind m_watchedKind = SourceKind::Idle;
    std::uint32_t m_lastBlockCount = 0;
    std::chrono::steady_clock::time_point m_lastChange;
    // The file run's end warning last put in the message pane (each is put there once).
    std::string m_shownWarning;
};

}  // namespace kavrin
