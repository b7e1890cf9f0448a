#include "tests/app/gui_test_support.h"

#include <sys/resource.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/toplevel.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/kavrin_app.h"
#include "app/main_frame.h"
#include "platform/devices/wave_audio.h"
#include "platform/services/sleep.h"
#include "sources/global_analyzers.h"
#include "ui/command_ids.h"
#include "ui/tolmar_disp.h"

namespace gui_test {

int DialogScript::Enter(wxDialog* dialog) {
    ++m_shown;
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected modal dialog \"" << dialog->GetTitle().ToStdString() << "\"";
        return wxID_CANCEL;
    }
    Answer answer = std::move(m_answers.front());
    m_answers.pop_front();
    return answer(dialog);
}

bool OnWayland() {
    return std::getenv("WAYLAND_DISPLAY") != nullptr && std::getenv("DISPLAY") == nullptr;
}

::testing::AssertionResult FrameHoldsTheDesignedForm(wxFrame* frame, wxWindow* form) {
    if (!OnWayland()) {
        if (frame->GetSize() == wxSize(640, 450)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "frame " << frame->GetSize().x << " x " << frame->GetSize().y;
    }
    const auto holds = [&] {
        wxYield();
        const wxSize client = frame->GetClientSize(), needed = form->GetVirtualSize();
        return client.x >= needed.x && client.y >= needed.y;
    };
    if (WaitUntil(holds, std::chrono::seconds(5))) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "client " << frame->GetClientSize().x << " x " << frame->GetClientSize().y
           << " for a form of " << form->GetVirtualSize().x << " x " << form->GetVirtualSize().y;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void GuiTest::SetUp() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    folder = std::filesystem::temp_directory_path() /
             ("kavrin-gui-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/config");
    ::setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);

    card = std::make_shared<platform::SimulatedSoundCard>();
    platform::SetWaveAudioDriver(card);
    // The fixed pauses of the commands and sources order nothing that a test waits on.
    platform::SetSleepHook([](int) { std::this_thread::yield(); });
    dialogs = std::make_unique<DialogScript>();
}

void GuiTest::TearDown() {
    if (m_running) CloseApp();
    EXPECT_EQ(dialogs->Pending(), 0u) << "expected dialogs that never came";
    dialogs.reset();
    platform::SetSleepHook(nullptr);
    platform::SetOpenFileChooser(nullptr);
    platform::SetMessagePresenter(nullptr);
    platform::SetWaveAudioDriver(nullptr);
    std::filesystem::remove_all(folder);
}

kavrin::CKavrinApp& GuiTest::App() {
    return wxGetApp();
}
kavrin::CMainFrame* GuiTest::Frame() {
    return App().GetMainFrame();
}
kavrin::CTolmarDisp* GuiTest::View() {
    return App().GetView();
}

void GuiTest::InstallRecorders() {
    platform::SetMessagePresenter([this](const std::string& text, platform::MessageIcon icon) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_messages.push_back(RecordedMessage{text, icon});
    });
    platform::SetOpenFileChooser([this](const platform::OpenFileRequest&) {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_soundFileRequests;
        return std::optional<std::string>();
    });
}

bool GuiTest::StartApp(const wxString& path) {
    const bool started = App().InitInstance(path);
    m_running = started;
    // The application installs its own message boxes; the tests record them instead.
    InstallRecorders();
    if (started) Yield();
    return started;
}

std::chrono::milliseconds GuiTest::CloseApp() {
    const auto start = std::chrono::steady_clock::now();
    // A frame that a test closed already (it is gone from the top-level list) is not closed again.
    kavrin::CMainFrame* frame = Frame();
    if (frame && wxTopLevelWindows.Find(frame)) frame->Close(true);
    wxTheApp->ProcessIdle();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    App().ExitInstance();
    App().SetDocumentPathPrompt(nullptr);
    m_running = false;
    InstallRecorders();
    return elapsed;
}

void GuiTest::RestartApp() {
    CloseApp();
    ASSERT_TRUE(StartApp());
}

void GuiTest::ChooseMenu(int commandId) {
    ASSERT_NE(Frame(), nullptr);
    UpdateUI();
    // False also when the command ended in an exception that the application reported.
    Frame()->ProcessCommand(kavrin::ToolkitId(commandId));
}

void GuiTest::SendCommand(int commandId) {
    ASSERT_NE(Frame(), nullptr);
    wxCommandEvent event(wxEVT_MENU, kavrin::ToolkitId(commandId));
    event.SetEventObject(Frame());
    Frame()->HandleWindowEvent(event);
}

void GuiTest::UpdateUI() {
    if (Frame()) Frame()->UpdateWindowUI(wxUPDATE_UI_RECURSE);
}

bool GuiTest::MenuEnabled(int commandId) {
    UpdateUI();
    return Frame()->GetMenuBar()->IsEnabled(kavrin::ToolkitId(commandId));
}

bool GuiTest::MenuChecked(int commandId) {
    UpdateUI();
    return Frame()->GetMenuBar()->IsChecked(kavrin::ToolkitId(commandId));
}

bool GuiTest::ToolEnabled(int commandId) {
    UpdateUI();
    return Frame()->GetToolBar()->GetToolEnabled(kavrin::ToolkitId(commandId));
}

std::vector<RecordedMessage> GuiTest::Messages() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messages;
}

void GuiTest::ClearMessages() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_messages.clear();
}

void GuiTest::ChooseSoundFile(std::optional<std::string> path) {
    platform::SetOpenFileChooser([this, path](const platform::OpenFileRequest&) {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_soundFileRequests;
        return path;
    });
}

int GuiTest::SoundFileRequests() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_soundFileRequests;
}

void GuiTest::Yield() {
    for (int i = 0; i < 3; ++i) {
        wxTheApp->Yield(true);
        wxTheApp->ProcessIdle();
    }
}

std::chrono::microseconds ProcessCpuTime() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto micros = [](const timeval& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return micros(usage.ru_utime) + micros(usage.ru_stime);
}

std::chrono::milliseconds GuiTest::CpuWhileIdle(std::chrono::milliseconds span) {
    const auto cpuBefore = ProcessCpuTime();
    const auto end = std::chrono::steady_clock::now() + span;
    // Often enough for the panes' and display timers, seldom enough to cost little itself.
    while (std::chrono::steady_clock::now() < end) {
        Yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(ProcessCpuTime() - cpuBefore);
}

std::optional<std::chrono::milliseconds> GuiTest::RoundTrip(std::chrono::milliseconds deadline) {
    if (!Frame()) return std::nullopt;
    auto handled = std::make_shared<bool>(false);
    const auto start = std::chrono::steady_clock::now();
    Frame()->CallAfter([handled] { *handled = true; });
    const bool answered = WaitUntil(
        [&] {
            wxTheApp->Yield(true);
            return *handled;
        },
        deadline);
    if (!answered) return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

std::string GuiTest::TempPath(const std::string& name) const {
    return folder + "/" + name;
}

std::string GuiTest::MakeToneFile(const std::string& name, std::size_t samples, double frequency,
                                  int amplitude) {
    const std::string path = TempPath(name);
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < samples; ++i) {
        const double value = amplitude * std::sin(2.0 * M_PI * frequency * i / 11025.0);
        const auto sample = static_cast<std::int16_t>(value);
        const char bytes[2] = {static_cast<char>(sample & 0xff),
                               static_cast<char>((sample >> 8) & 0xff)};
        out.write(bytes, 2);
    }
    return path;
}

}  // namespace gui_test
