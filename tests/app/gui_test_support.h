// What the window tests share: the application started and ended around each test (with its
// settings under a private folder), the simulated sound card as the driver, messages recorded
// instead of shown, modal dialogs answered by script instead of waiting for a person, and the
// fixed pauses not taken.
#pragma once

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/modalhook.h>
#include <wx/string.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/simulated_sound_card.h"
#include "platform/services/message_box.h"
#include "platform/services/open_file_dialog.h"

namespace kavrin {
class CKavrinApp;
class CMainFrame;
class CTolmarDisp;
}  // namespace kavrin

namespace gui_test {

struct RecordedMessage {
    std::string text;
    platform::MessageIcon icon;
};

// Answers the modal dialogs of a test in order; a dialog nobody expected fails the test and is
// cancelled, so no test ever waits for a person.
class DialogScript : public wxModalDialogHook {
public:
    using Answer = std::function<int(wxDialog*)>;
    DialogScript() { Register(); }
    ~DialogScript() override { Unregister(); }

    void Expect(Answer answer) { m_answers.push_back(std::move(answer)); }
    std::size_t Pending() const { return m_answers.size(); }
    int Shown() const { return m_shown; }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}

private:
    std::deque<Answer> m_answers;
    int m_shown = 0;
};

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    kavrin::CKavrinApp& App();
    kavrin::CMainFrame* Frame();
    kavrin::CTolmarDisp* View();

    // Starts the application (optionally with a file argument) and records its messages.
    bool StartApp(const wxString& path = wxEmptyString);
    // Closes the main window as the user would and ends the application; returns how long the
    // close took.
    std::chrono::milliseconds CloseApp();
    // Settings survive: close, end, start again.
    void RestartApp();

    // A menu command, as choosing it does (a disabled item does nothing).
    void ChooseMenu(int commandId);
    // A command as a toolbar button or an accelerator sends it.
    void SendCommand(int commandId);
    // Brings menus and toolbar buttons up to date, as the frame does when idle.
    void UpdateUI();
    bool MenuEnabled(int commandId);
    bool MenuChecked(int commandId);
    bool ToolEnabled(int commandId);

    std::vector<RecordedMessage> Messages();
    void ClearMessages();
    // Every request for a sound file is answered with `path` (nothing: cancelled).
    void ChooseSoundFile(std::optional<std::string> path);
    int SoundFileRequests();

    // Lets the toolkit run its pending events (painting, layout) for a moment.
    void Yield();
    // Lets the toolkit run its events for `span` and returns the processor time the whole
    // process took meanwhile (all its threads, user and system).
    std::chrono::milliseconds CpuWhileIdle(std::chrono::milliseconds span);
    // Queues an event to the window and runs the toolkit until it is handled: how long that
    // took, or nothing when it was not handled within `deadline`.
    std::optional<std::chrono::milliseconds> RoundTrip(std::chrono::milliseconds deadline);

    // A fresh file under the test's folder with `bytes` bytes of a tone.
    std::string MakeToneFile(const std::string& name, std::size_t samples, double frequency,
                             int amplitude);
    std::string TempPath(const std::string& name) const;

    std::shared_ptr<platform::SimulatedSoundCard> card;
    std::unique_ptr<DialogScript> dialogs;
    std::string folder;

private:
    void InstallRecorders();

    std::mutex m_lock;
    std::vector<RecordedMessage> m_messages;
    int m_soundFileRequests = 0;
    bool m_running = false;
};

// The processor time of the whole process so far.
std::chrono::microseconds ProcessCpuTime();

// Whether the tests run on native Wayland (scripts/with-weston.sh), where a client can neither
// inject input through the system (wxUIActionSimulator) nor read the screen (wxScreenDC).
bool OnWayland();

// The frame at its designed 640 x 450 on X11. On native Wayland the toolkit counts its own shadow
// and header bar in a frame's size, and the frame grows once shown until its client area holds
// the form: there a client area that holds the whole form is what is asserted.
::testing::AssertionResult FrameHoldsTheDesignedForm(wxFrame* frame, wxWindow* form);

// Polls `condition` until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace gui_test
