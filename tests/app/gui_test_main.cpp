// The window tests' entry: the toolkit started once on the display (Xvfb, or Weston for native
// Wayland, in the test runs), with
// an event loop that the tests let run; every toolkit assertion fails the running test.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>

#include "app/kavrin_app.h"

wxIMPLEMENT_APP_NO_MAIN(kavrin::CKavrinApp);

namespace {

void FailOnAssert(const wxString& file, int line, const wxString& function,
                  const wxString& condition, const wxString& message) {
    ADD_FAILURE() << "toolkit assertion at " << file.ToStdString() << ":" << line << " in "
                  << function.ToStdString() << ": " << condition.ToStdString() << " "
                  << message.ToStdString();
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("GSETTINGS_BACKEND", "memory", 0);
    ::setenv("NO_AT_BRIDGE", "1", 0);
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr,
                     "kavrin_gui_tests needs a display: run it under xvfb-run -a (X11) or "
                     "scripts/with-weston.sh (Wayland)\n");
        return 1;
    }
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(toolkitArgc, toolkitArgv)) {
        std::fprintf(stderr, "kavrin_gui_tests: the toolkit could not start on the display\n");
        return 1;
    }
    wxSetAssertHandler(FailOnAssert);
    wxTheApp->SetExitOnFrameDelete(false);
    int result;
    {
        wxEventLoop loop;
        wxEventLoopBase::SetActive(&loop);
        result = RUN_ALL_TESTS();
        wxEventLoopBase::SetActive(nullptr);
    }
    wxEntryCleanup();
    return result;
}
