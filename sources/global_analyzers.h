// The two analyzers of the program, alive for its whole run: constructed during static
// initialisation (live first, then file) and destroyed at exit in reverse order.
#pragma once

#include "sources/file_analyzer.h"
#include "sources/live_analyzer.h"

// Capture and the test tone.
extern CLiveAnalyzer g_liveAnalyzer;
// The file source.
extern CFileAnalyzer g_fileAnalyzer;
