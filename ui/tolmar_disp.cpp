#include "ui/tolmar_disp.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/radiobut.h>
#include <wx/statusbr.h>
#include <wx/weakref.h>

#include "platform/audio_files/wave_header.h"
#include "platform/services/sleep.h"
#include "sources/global_analyzers.h"
#include "ui/command_map.h"
#include "ui/dialog_text.h"
#include "ui/form_fit.h"
#include "ui/form_ids.h"
#include "ui/live_recording.h"
#include "ui/picture_control.h"
#include "ui/report_export.h"
#include "ui/status_panes.h"
#include "ui/string_table.h"
#include "ui/test_gen_dlg.h"
#include "ui/tick_drawing.h"
#include "ui/timeline/timeline.h"
#include "ui/timeline/timeline_review.h"

namespace kavrin {
namespace {

const CommandMapEntry<CTolmarDisp> kCommandMap[] = {
    {ID_LINE_ON, &CTolmarDisp::OnLineOn},
    {ID_LINE_OFF, &CTolmarDisp::OnLineOff},
    {ID_INPUT_FILE, &CTolmarDisp::OnFile},
    {ID_INPUT_STOP_FILE, &CTolmarDisp::OnStopFile},
    {ID_TESTGEN_START, &CTolmarDisp::OnTestGenStart},
    {ID_TESTGEN_STOP, &CTolmarDisp::OnTestGenStop},
    {ID_TESTGEN_SETPARAMS, &CTolmarDisp::OnSetParams},
    {ID_INPUT_DECODE, &CTolmarDisp::OnDecodeAudioFiles},
    {ID_LINE_RECORD, &CTolmarDisp::OnRecord},
};

template <class Analyzer>
void ReadSource(Analyzer& analyzer, SourceReading& reading) {
    reading.instFreq = analyzer.m_instFreq;
    reading.avgFreq = analyzer.m_avgFreq;
    reading.threshold = analyzer.m_threshold;
    // The nine display bins in one pass where the analyzer offers it; identical to nine single
    // evaluations.
    if constexpr (requires { analyzer.BandMagnitudes(reading.bins); }) {
        analyzer.BandMagnitudes(reading.bins);
    } else {
        for (int i = 0; i < kDisplayBinCount; ++i)
            reading.bins[i] = analyzer.BinMagnitude(kFirstDisplayBin + i * kDisplayBinStep);
    }
}

ClientRect ClientRectOf(const wxWindow* window) {
    ClientRect rect;
    if (!window) return rect;
    const wxSize size = window->GetClientSize();
    rect.right = size.x;
    rect.bottom = size.y;
    return rect;
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CTolmarDisp, wxView);

CTolmarDisp::CTolmarDisp() : m_timer(this, kDisplayTimerId) {
    BindCommandMap(*this, this, kCommandMap);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { OnTimer(); }, kDisplayTimerId);
}

CTolmarDisp::~CTolmarDisp() {
    m_timer.Stop();
    m_statusPanes.reset();
    // A running tone re-arms its pump by itself; end tone mode first so that the pump sees the
    // stop, as every command that stops the tone does.
    StopTone();
    g_liveAnalyzer.CloseCapture();
    CLiveRecording::Get().Close();
    CLiveRecording::Get().SetOnEnded(nullptr);
    g_fileAnalyzer.ClosePlayback();
    // The pump has ended: the sound file (and its exclusive lock) is released with the window,
    // not only when the program's statics go.
    g_fileAnalyzer.m_file.Close();
    if (m_form) m_form->Destroy();
}

bool CTolmarDisp::OnCreate(wxDocument* doc, long flags) {
    if (!wxView::OnCreate(doc, flags)) return false;
    auto* frame = wxDynamicCast(wxTheApp->GetTopWindow(), wxFrame);
    if (!frame) return false;
    SetFrame(frame);
    m_form = new CTolmarForm(frame);
    BindForm();
    GrowFrameToHold(*frame, m_form->GetVirtualSize());
    // On native Wayland the toolkit learns the size of the frame's own decorations (the client-
    // side shadow and header bar) only once it is shown, and counts them in the outer size
    // asked for above: the form came out cut. Asked again then, the frame holds it whole.
    frame->CallAfter([frame, form = wxWeakRef<wxWindow>(m_form)] {
        if (form) GrowFrameToHold(*frame, form->GetVirtualSize());
    });
    if (frame->GetStatusBar() && frame->GetStatusBar()->GetFieldsCount() > kReadingPane)
        m_statusPanes =
            std::make_unique<CStatusPanes>(*this, frame->GetStatusBar(), kSourcePane, kReadingPane);
    m_timeline = std::make_unique<CTimeline>(frame, m_form);
    m_timeline->BindCommands(*this);
    CLiveRecording::Get().SetOnEnded(
        [this](const EndedRecording& ended) { m_timeline->RecordingEnded(ended); });
    m_report =
        std::make_unique<CReportExport>(frame, *m_timeline, [this] { return ReportSettingsNow(); });
    m_report->BindCommand(*this);
    // A review analyses with the form's two adjust values as a start command reads them.
    m_timeline->Review().SetAdjustValues([this] {
        return std::make_pair(ClampAdjust(m_form ? m_form->GetItemInt(IDC_VOLUME_ADJUST) : 10),
                              ReadThresholdAdjust());
    });
    frame->SendSizeEvent();
    return true;
}

void CTolmarDisp::BindForm() {
    m_form->Radio(IDC_FIXED_RANGE)->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) {
        OnFixedRange();
    });
    m_form->Radio(IDC_FIXED_FREQ)->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) {
        OnFixedFreq();
    });
    m_form->Radio(IDC_AVG_RELATIVE)->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) {
        OnAvgRelative();
    });
}

void CTolmarDisp::OnChangeFilename() {
    auto* frame = wxDynamicCast(GetFrame(), wxFrame);
    wxDocument* doc = GetDocument();
    if (!frame || !doc) return;
    frame->SetTitle(doc->GetDocumentManager()->MakeFrameTitle(doc));
}

void CTolmarDisp::OnInitialUpdate() {
    if (!m_form) return;
    m_form->SetItemInt(IDC_THRESHOLD_ADJUST, static_cast<std::int32_t>(m_thresholdAdjust));
    m_form->SetItemInt(IDC_VOLUME_ADJUST, m_volumeAdjust);
    m_form->Refresh();
    m_form->SetItemInt(IDC_THRESHOLD_ADJUST, 75);
    m_form->SetItemInt(IDC_VOLUME_ADJUST, 10);
}

// --- Shared steps -------------------------------------------------------------------------

std::int32_t CTolmarDisp::ReadThresholdAdjust() const {
    return m_form ? m_form->GetItemInt(IDC_THRESHOLD_ADJUST) : 0;
}

void CTolmarDisp::PresetLamp(std::int32_t thresholdAdjust) {
    m_lampThreshold = LampPreset(thresholdAdjust);
}

void CTolmarDisp::StopLine() {
    if (m_lineOn) g_liveAnalyzer.StopCapture();
    // The recording holds the line's session only.
    CLiveRecording::Get().LineStopped();
}

bool CTolmarDisp::StopFile() {
    if (!m_fileOn) return false;
    m_fileOn = 0;
    g_fileAnalyzer.SignalStop();
    return true;
}

bool CTolmarDisp::StopTone() {
    if (!g_liveAnalyzer.m_toneMode) return false;
    EndTonePump();
    g_liveAnalyzer.m_toneMode = 0;
    return true;
}

void CTolmarDisp::EndTonePump() {
    // The tone's pump has ended before tone mode does: a pump that met the mode's end between
    // two cycles would take its next block from the capture device, closed or stopped by now
    // ("Cannot UnPrepareHeader !").
    if (g_liveAnalyzer.m_toneMode) g_liveAnalyzer.EndPump();
}

void CTolmarDisp::StartTimer() {
    m_timer.Start(kDisplayTimerPeriodMs);
}

void CTolmarDisp::KillTimer() {
    m_timer.Stop();
}

// --- Commands -----------------------------------------------------------------------------

void CTolmarDisp::OnLineOn() {
    StopFile();
    StopTone();
    const std::int32_t adj = ReadThresholdAdjust();
    g_liveAnalyzer.m_thresholdPercent = adj;
    m_lineOn = 1;
    PresetLamp(adj);
    CLiveRecording::Get().LineStarting();
    g_liveAnalyzer.OpenCapture();
    StartTimer();
}

void CTolmarDisp::OnLineOff() {
    g_liveAnalyzer.CloseCapture();
    CLiveRecording::Get().LineStopped();
    g_liveAnalyzer.Reset();
    KillTimer();
    m_lineOn = 0;
}

void CTolmarDisp::OnFile() {
    StopLine();
    StopTone();
    m_fileOn = 1;
    m_lineOn = 0;
    g_fileAnalyzer.m_thresholdPercent = ReadThresholdAdjust();
    // A file that cannot be opened throws out of here before the timer starts; the
    // application's top-level handler reports it.
    const std::uint32_t session = g_fileAnalyzer.EvaluationSession();
    g_fileAnalyzer.OpenFile();
    if (g_fileAnalyzer.EvaluationSession() != session) SayForeignHeader();
    StartTimer();
}

ReportSettings CTolmarDisp::ReportSettingsNow() const {
    ReportSettings settings;
    settings.volumeAdjust = ClampAdjust(m_form ? m_form->GetItemInt(IDC_VOLUME_ADJUST) : 10);
    settings.thresholdAdjust = ReadThresholdAdjust();
    settings.referenceMode = m_modeFixedRange    ? "Fixed range"
                             : m_modeAvgRelative ? "Avg. Relative"
                                                 : "Fixed freq.";
    settings.decoding = g_fileAnalyzer.m_decodeAudio;
    settings.minVoicedShare = m_timeline ? m_timeline->MinVoicedShare() : kDefaultMinVoicedShare;
    return settings;
}

void CTolmarDisp::SayForeignHeader() {
    // The raw path plays every file as 16-bit mono at 11025 Hz, as designed; a header that says
    // otherwise is named once per run, in the words kavrin-analyze uses for --decode.
    if (g_fileAnalyzer.m_decodeAudio) return;
    const std::optional<std::string> format =
        platform::DescribeForeignWaveHeader(g_fileAnalyzer.m_file.GetFilePath());
    auto* frame = wxDynamicCast(GetFrame(), wxFrame);
    if (format && frame && frame->GetStatusBar())
        frame->SetStatusText(
            wxString::FromUTF8(*format + ": Input > Decode Audio Files analyses it as recorded"),
            0);
}

void CTolmarDisp::OnStopFile() {
    // The file run ends as another source's start ends it; nothing starts after it, so the
    // playback is closed (its pump joined) and the display stops following the file.
    if (!StopFile()) return;
    g_fileAnalyzer.ClosePlayback();
    KillTimer();
}

bool CTolmarDisp::FileRunning() {
    return g_fileAnalyzer.m_thread.Exists() && !g_fileAnalyzer.m_thread.Finished() &&
           g_fileAnalyzer.m_stop == 0;
}

void CTolmarDisp::OnTestGenStart() {
    StopLine();
    StopFile();
    StopTone();
    const std::int32_t adj = ReadThresholdAdjust();
    g_liveAnalyzer.m_thresholdPercent = adj;
    PresetLamp(adj);
    m_fileOn = 0;
    m_lineOn = 0;
    g_liveAnalyzer.BeginTone(CLiveAnalyzer::ToneStart::Command);
    StartTimer();
}

void CTolmarDisp::OnTestGenStop() {
    EndTonePump();
    g_liveAnalyzer.m_toneMode = 0;
    g_liveAnalyzer.SignalStop();
    KillTimer();
    g_liveAnalyzer.Reset();
}

void CTolmarDisp::OnSetParams() {
    StopLine();
    if (StopFile()) platform::SleepMilliseconds(200);
    if (StopTone()) platform::SleepMilliseconds(200);
    KillTimer();
    const std::int32_t adj = ReadThresholdAdjust();
    g_liveAnalyzer.m_thresholdPercent = adj;
    PresetLamp(adj);
    g_liveAnalyzer.m_toneMode = 1;
    m_fileOn = 0;
    m_lineOn = 0;
    OnTestGenStop();

    CTestGenDlg dialog(nullptr);
    dialog.m_amplitude = static_cast<std::uint32_t>(
        static_cast<std::int32_t>(static_cast<std::int16_t>(g_liveAnalyzer.m_toneAmplitude)));
    // Truncated toward zero; the stored frequency is a whole number in 0..22000 or a value the
    // dialog itself accepted, so the conversion is defined.
    const double frequency = g_liveAnalyzer.m_toneFrequency;
    dialog.m_frequency =
        frequency > 0.0 && frequency < 4294967296.0 ? static_cast<std::uint32_t>(frequency) : 0u;
    if (dialog.ShowModal() != wxID_CANCEL) {
        g_liveAnalyzer.m_toneAmplitude = static_cast<std::int16_t>(dialog.m_amplitude & 0xffffu);
        g_liveAnalyzer.m_toneFrequency = static_cast<double>(dialog.m_frequency);
        g_liveAnalyzer.StartTone();
    }
    StartTimer();
}

void CTolmarDisp::OnFixedRange() {
    m_modeFixedRange = 1;
    m_modeAvgRelative = 0;
    m_modeFixedFreq = 0;
}

void CTolmarDisp::OnFixedFreq() {
    m_modeFixedFreq = 1;
    m_modeAvgRelative = 0;
    m_modeFixedRange = 0;
}

void CTolmarDisp::OnAvgRelative() {
    m_modeAvgRelative = 1;
    m_modeFixedFreq = 0;
    m_modeFixedRange = 0;
}

// --- Display ------------------------------------------------------------------------------

void CTolmarDisp::OnTimer() {
    if (!m_form) return;
    TickInputs in;
    in.volumeAdjust = m_form->GetItemInt(IDC_VOLUME_ADJUST);
    in.thresholdAdjust = m_form->GetItemInt(IDC_THRESHOLD_ADJUST);
    in.lineOn = m_lineOn != 0;
    in.toneMode = g_liveAnalyzer.m_toneMode != 0;
    in.fileOn = m_fileOn != 0;
    in.modeAvgRelative = m_modeAvgRelative != 0;
    in.modeFixedRange = m_modeFixedRange != 0;
    in.modeFixedFreq = m_modeFixedFreq != 0;
    in.instMarker = ClientRectOf(m_form->Picture(IDC_INST_MARKER));
    in.avgMarker = ClientRectOf(m_form->Picture(IDC_AVG_MARKER));
    in.spectrum = ClientRectOf(m_form->Picture(IDC_SPECTRUM));
    in.lamp = ClientRectOf(m_form->Picture(IDC_LAMP));
    if (LiveSourceShown(in.lineOn, in.toneMode)) ReadSource(g_liveAnalyzer, in.live);
    if (in.fileOn) ReadSource(g_fileAnalyzer, in.file);

    m_lastTick = ComputeTick(in);
    m_volumeAdjust = m_lastTick.volumeAdjust;
    if (m_lastTick.liveShown) g_liveAnalyzer.m_volume = m_volumeAdjust;
    if (m_lastTick.fileShown) g_fileAnalyzer.m_volume = m_volumeAdjust;
    if (m_lastTick.lampThreshold) m_lampThreshold = *m_lastTick.lampThreshold;
    // The markers and the lamp follow the file source when both are drawn.
    const SourceReading* drawn =
        m_lastTick.fileShown ? &in.file : (m_lastTick.liveShown ? &in.live : nullptr);
    m_lastReading.reset();
    if (drawn) m_lastReading = DrawnReading{drawn->instFreq, drawn->avgFreq, m_lampThreshold};
    if (m_timeline) {
        m_timeline->OnTick(m_lastTick);
        if (m_lastReading)
            m_lastReading->validity =
                m_timeline->NewestValidity(m_lastTick.fileShown, drawn->instFreq);
    }

    const TickPictures pictures = DrawTick(in, m_lastTick);
    const auto show = [this](int id, const wxBitmap& picture) {
        if (picture.IsOk()) m_form->Picture(id)->SetPicture(picture);
    };
    show(IDC_SPECTRUM, pictures.spectrum);
    show(IDC_INST_MARKER, pictures.instMarker);
    show(IDC_AVG_MARKER, pictures.avgMarker);
    show(IDC_LAMP, pictures.lamp);
}

}  // namespace kavrin
