#include "sources/global_analyzers.h"

// One file fixes the order: g_liveAnalyzer is constructed before g_fileAnalyzer and destroyed
// after it.
CLiveAnalyzer g_liveAnalyzer;
CFileAnalyzer g_fileAnalyzer;
