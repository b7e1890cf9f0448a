// The view's two check items beyond the historical menu: decoding of the chosen files and the
// recording of the live input.
#include "sources/global_analyzers.h"
#include "ui/live_recording.h"
#include "ui/tolmar_disp.h"

namespace kavrin {

void CTolmarDisp::OnDecodeAudioFiles() {
    // Takes effect with the next File command; a run in progress goes on as it began.
    g_fileAnalyzer.m_decodeAudio = !g_fileAnalyzer.m_decodeAudio;
}

void CTolmarDisp::OnRecord() {
    CLiveRecording::Get().Toggle(m_lineOn != 0);
}

}  // namespace kavrin
