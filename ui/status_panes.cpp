#include "ui/status_panes.h"

#include <wx/statusbr.h>

#include "sources/global_analyzers.h"
#include "ui/tolmar_disp.h"

namespace kavrin {

CStatusPanes::CStatusPanes(CTolmarDisp& view, wxStatusBar* statusBar, int sourcePane,
                           int readingPane)
    : m_view(view),
      m_statusBar(statusBar),
      m_sourcePane(sourcePane),
      m_readingPane(readingPane),
      m_timer(this),
      m_lastChange(std::chrono::steady_clock::now()) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Update(); });
    m_timer.Start(kUpdatePeriodMs);
    Update();
}

CStatusPanes::~CStatusPanes() {
    m_timer.Stop();
}

SourceState CStatusPanes::CurrentSource() {
    SourceState state;
    // The order in which the display picks the analyzer it follows: the file source wins.
    std::uint32_t blocks = 0;
    if (m_view.m_fileOn) {
        state.kind = SourceKind::File;
        state.fileName = g_fileAnalyzer.m_fileName;
        state.filePosition = g_fileAnalyzer.m_position;
        state.fileLength = g_fileAnalyzer.m_length;
        blocks = g_fileAnalyzer.m_blockCount;
        state.deviceFailed = g_fileAnalyzer.m_deviceFailed;
    } else if (g_liveAnalyzer.m_toneMode) {
        state.kind = SourceKind::Tone;
        state.toneFrequency = g_liveAnalyzer.m_toneFrequency;
        state.toneAmplitude = g_liveAnalyzer.m_toneAmplitude;
        blocks = g_liveAnalyzer.m_blockCount;
    } else if (m_view.m_lineOn) {
        state.kind = SourceKind::Line;
        blocks = g_liveAnalyzer.m_blockCount;
        state.deviceFailed = g_liveAnalyzer.m_deviceFailed;
    }
    // A new source, or a block count that moved (on, or back after a restart), starts the clock.
    const auto now = std::chrono::steady_clock::now();
    if (state.kind != m_watchedKind || blocks != m_lastBlockCount) {
        m_watchedKind = state.kind;
        m_lastBlockCount = blocks;
        m_lastChange = now;
    }
    state.secondsWithoutBlock = std::chrono::duration<double>(now - m_lastChange).count();
    return state;
}

void CStatusPanes::Update() {
    wxStatusBar* bar = m_statusBar.get();
    if (!bar) return;
    const SourceState state = CurrentSource();
    const wxString source = wxString::FromUTF8(SourceStatusText(state));
    // With no source, or one whose device never opened, the last picture's values are history,
    // not readings.
    const wxString reading = state.kind == SourceKind::Idle || state.deviceFailed
                                 ? wxString()
                                 : wxString::FromUTF8(ReadingText(m_view.LastReading()));
    if (bar->GetStatusText(m_sourcePane) != source) bar->SetStatusText(source, m_sourcePane);
    if (bar->GetStatusText(m_readingPane) != reading) bar->SetStatusText(reading, m_readingPane);
    // A decoded file that ended early at damaged data says so once, in the message pane.
    const std::string warning = g_fileAnalyzer.EndWarning();
    if (!warning.empty() && warning != m_shownWarning)
        bar->SetStatusText(wxString::FromUTF8(warning), kMessagePane);
    m_shownWarning = warning;
}

}  // namespace kavrin
