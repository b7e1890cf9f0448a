// Bad files through the window: FIFOs, devices and folders refused with the file error and its
// stop icon instead of freezing the window, names with bytes that are no UTF-8, and the
// settings file as a link, a dangling link, a folder, or in a place that cannot be written.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/filehistory.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/file_names.h"
#include "app/kavrin_app.h"
#include "app/kavrin_doc_manager.h"
#include "app/kavrin_message_dlg.h"
#include "app/main_frame.h"
#include "app/settings.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "ui/command_ids.h"
#include "ui/tolmar_disp.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Opens the FIFO for writing after a deadline, so that a blocked open in the test ends (and
// the test fails) instead of hanging.
class FifoWatchdog {
public:
    explicit FifoWatchdog(std::string path) : m_path(std::move(path)) {
        m_thread = std::thread([this] {
            const auto deadline = std::chrono::steady_clock::now() + 15s;
            while (!m_done && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(10ms);
            if (m_done) return;
            m_fired = true;
            const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        });
    }
    ~FifoWatchdog() {
        m_done = true;
        m_thread.join();
    }
    bool Fired() const { return m_fired; }

private:
    std::string m_path;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_fired{false};
    std::thread m_thread;
};

// Standard error into a file while it lives.
class StderrCapture {
public:
    explicit StderrCapture(std::string path) : m_path(std::move(path)) {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StderrCapture() { Restore(); }
    std::string Text() {
        Restore();
        std::ifstream in(m_path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    void Restore() {
        if (m_saved < 0) return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    std::string m_path;
    int m_saved = -1;
};

class BadFileTest : public GuiTest {
protected:
    std::string MakeFifo(const std::string& name) {
        const std::string path = TempPath(name);
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path;
    }
    // The settings file as the program names it, with its folder made.
    std::string SettingsPath() {
        const std::string path = FileNameBytes(SettingsFilePath());
        fs::create_directories(fs::path(path).parent_path());
        return path;
    }
    std::string Read(const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Starts, takes one file into the recent-file list, and closes.
    void RunOnceWithRecentFile(const std::string& recent) {
        ASSERT_TRUE(StartApp());
        App().GetDocManager()->GetFileHistory()->AddFileToHistory(
            FileNameFromBytes(recent.c_str()));
        CloseApp();
    }
};

TEST_F(BadFileTest, InputFileRefusesFifosDevicesAndFoldersWithTheStopIcon) {
    ASSERT_TRUE(StartApp());
    const std::string fifo = MakeFifo("nobody_writes.wav");
    for (const std::string& path : {fifo, std::string("/dev/zero"), TempPath("")}) {
        ClearMessages();
        ChooseSoundFile(path);
        FifoWatchdog watchdog(fifo);
        ChooseMenu(ID_INPUT_FILE);
        EXPECT_FALSE(watchdog.Fired()) << "Input > File blocked on " << path;
        ASSERT_EQ(Messages().size(), 1u) << path;
        EXPECT_EQ(Messages()[0].icon, platform::MessageIcon::Stop);
        const std::string reason = path == TempPath("") ? "Access denied" : "Not a regular file";
        EXPECT_EQ(Messages()[0].text, reason + " while accessing " + path + ".");
        EXPECT_FALSE(View()->IsTimerRunning());
        EXPECT_FALSE(card->OutputOpen());
    }
    // And the window still closes at once.
    EXPECT_LT(CloseApp().count(), 1000);
}

TEST_F(BadFileTest, AFifoOrDeviceOnTheCommandLineEndsTheStartWithTheFileError) {
    const std::string fifo = MakeFifo("argument.wav");
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        wxString message;
        platform::MessageIcon icon = platform::MessageIcon::Exclamation;
        dialogs->Expect([&](wxDialog* dialog) {
            if (auto* box = dynamic_cast<kavrin::CKavrinMessageDlg*>(dialog)) {
                message = box->GetText();
                icon = box->GetIconKind();
            }
            return wxID_OK;
        });
        FifoWatchdog watchdog(fifo);
        EXPECT_FALSE(StartApp(FileNameFromBytes(path.c_str())));
        EXPECT_FALSE(watchdog.Fired()) << "the start blocked on " << path;
        EXPECT_EQ(message, "Not a regular file while accessing " + path + ".");
        EXPECT_EQ(icon, platform::MessageIcon::Stop);
        App().ExitInstance();
        wxTheApp->ProcessIdle();
    }
}

TEST_F(BadFileTest, NamesThatAreNoUtf8OpenAsDocumentAndAsSoundFile) {
    const std::string raw = TempPath("bad\xff\xfe.wav");
    {
        std::ofstream out(raw, std::ios::binary);
        for (int i = 0; i < 40 * 4096; ++i) out.put(static_cast<char>(i * 5));
    }
    // As the program's entry converts its arguments: every byte comes back.
    EXPECT_EQ(FileNameBytes(FileNameFromBytes(raw.c_str())), raw);
    EXPECT_EQ(
        FileNameFromBytes(raw.c_str()).length(),
        fs::path(raw).filename().string().size() + fs::path(raw).parent_path().string().size() + 1);
    ASSERT_TRUE(StartApp(FileNameFromBytes(raw.c_str())));
    EXPECT_TRUE(Frame()->GetTitle().StartsWith("bad")) << Frame()->GetTitle();
    EXPECT_FALSE(Frame()->GetTitle().StartsWith("Untitled"));
    EXPECT_TRUE(Messages().empty());
    ChooseSoundFile(raw);
    ChooseMenu(ID_INPUT_FILE);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(card->WaitForWrittenBuffers(2, 20s));
    // The recent-file list keeps the name through the settings file.
    RestartApp();
    wxFileHistory* history = App().GetDocManager()->GetFileHistory();
    ASSERT_EQ(history->GetCount(), 1u);
    EXPECT_EQ(FileNameBytes(history->GetHistoryFile(0)), raw);
    EXPECT_TRUE(App().GetDocManager()->OpenDocumentFile(history->GetHistoryFile(0)));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(BadFileTest, ALinkedSettingsFileIsWrittenThroughTheLink) {
    const std::string settings = SettingsPath();
    const std::string target = TempPath("dotfiles/Kavrin.conf");
    fs::create_directories(TempPath("dotfiles"));
    std::ofstream(target) << "[Settings]\nPreviewPages=2\n";
    fs::create_symlink(fs::relative(target, fs::path(settings).parent_path()), settings);
    RunOnceWithRecentFile(TempPath("first.wav"));
    RunOnceWithRecentFile(TempPath("second.wav"));
    EXPECT_TRUE(fs::is_symlink(settings));
    const std::string text = Read(target);
    EXPECT_NE(text.find("File1=" + TempPath("second.wav")), std::string::npos) << text;
    EXPECT_NE(text.find("File2=" + TempPath("first.wav")), std::string::npos) << text;
    EXPECT_NE(text.find("PreviewPages=2"), std::string::npos) << text;
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(settings).parent_path()), {}), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(TempPath("dotfiles")), {}), 1);
}

TEST_F(BadFileTest, ADanglingLinkedSettingsFileCreatesItsTarget) {
    const std::string settings = SettingsPath();
    const std::string target = TempPath("dotfiles/Kavrin.conf");
    fs::create_directories(TempPath("dotfiles"));
    fs::create_symlink(target, settings);
    RunOnceWithRecentFile(TempPath("one.wav"));
    EXPECT_TRUE(fs::is_symlink(settings));
    EXPECT_NE(Read(target).find("File1=" + TempPath("one.wav")), std::string::npos);
}

TEST_F(BadFileTest, SettingsThatCannotBeWrittenLeaveNothingAndAreSaidOnce) {
    const std::string settings = SettingsPath();
    fs::create_directories(settings);  // a folder in the file's place
    for (int run = 0; run < 3; ++run) {
        StderrCapture capture(TempPath("stderr"));
        RunOnceWithRecentFile(TempPath("x.wav"));
        const std::string said = capture.Text();
        EXPECT_EQ(said, "kavrin: the settings were not saved: " + settings + " is a folder\n");
    }
    const fs::path vendor = fs::path(settings).parent_path();
    EXPECT_EQ(std::distance(fs::directory_iterator(vendor), {}), 1) << "temporary files left";
    EXPECT_TRUE(fs::is_empty(settings));
    // A configuration folder under a regular file cannot be made, even by root.
    std::ofstream(TempPath("plain")) << "";
    ::setenv("XDG_CONFIG_HOME", TempPath("plain").c_str(), 1);
    StderrCapture capture(TempPath("stderr"));
    RunOnceWithRecentFile(TempPath("y.wav"));
    const std::string said = capture.Text();
    EXPECT_EQ(said.rfind("kavrin: the settings were not saved: cannot create a file in ", 0), 0u)
        << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

}  // namespace
}  // namespace gui_test
