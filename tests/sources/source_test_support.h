// What the source tests share: the simulated sound card installed as the driver, the messages
// recorded instead of shown, the pauses recorded (and not taken) in order with the device calls,
// and an answer for the open-file dialog.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/devices/simulated_sound_card.h"
#include "platform/devices/wave_audio.h"
#include "platform/services/message_box.h"
#include "platform/services/open_file_dialog.h"
#include "platform/services/sleep.h"

namespace sources_test {

using namespace std::chrono_literals;

struct RecordedMessage {
    std::string text;
    platform::MessageIcon icon;
};

class SourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        card = std::make_shared<platform::SimulatedSoundCard>();
        platform::SetWaveAudioDriver(card);
        platform::SetMessagePresenter([this](const std::string& text, platform::MessageIcon icon) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_messages.push_back(RecordedMessage{text, icon});
            m_changed.notify_all();
        });
        platform::SetSleepHook([this](int milliseconds) {
            std::function<void(int)> observer;
            {
                std::lock_guard<std::mutex> guard(m_lock);
                m_pauses.emplace_back(milliseconds, card->Calls().size());
                observer = m_pauseObserver;
            }
            if (observer) observer(milliseconds);
            std::this_thread::yield();
        });
        platform::SetOpenFileChooser(nullptr);
    }

    void TearDown() override {
        platform::SetOpenFileChooser(nullptr);
        platform::SetSleepHook(nullptr);
        platform::SetMessagePresenter(nullptr);
        platform::SetWaveAudioDriver(nullptr);
    }

    std::vector<RecordedMessage> Messages() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_messages;
    }
    std::vector<std::string> MessageTexts() {
        std::vector<std::string> texts;
        for (const RecordedMessage& message : Messages()) texts.push_back(message.text);
        return texts;
    }
    bool WaitForMessages(std::size_t count, std::chrono::milliseconds timeout = 20s) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, timeout, [&] { return m_messages.size() >= count; });
    }

    // The device calls with the pauses between them, in order: "waveInOpen", "sleep 50", ...
    std::vector<std::string> Trace() {
        const std::vector<std::string> calls = card->Calls();
        std::vector<std::pair<int, std::size_t>> pauses;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            pauses = m_pauses;
        }
        std::vector<std::string> trace;
        std::size_t next = 0;
        for (std::size_t i = 0; i <= calls.size(); ++i) {
            while (next < pauses.size() && pauses[next].second <= i) {
                trace.push_back("sleep " + std::to_string(pauses[next].first));
                ++next;
            }
            if (i < calls.size()) trace.push_back(calls[i]);
        }
        return trace;
    }
    void ClearTrace() {
        std::lock_guard<std::mutex> guard(m_lock);
        card->ClearCalls();
        m_pauses.clear();
    }
    void ClearMessages() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_messages.clear();
    }
    // Called for every pause, on the pausing thread.
    void OnPause(std::function<void(int)> observer) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pauseObserver = std::move(observer);
    }

    void ChooseFile(std::optional<std::string> path) {
        platform::SetOpenFileChooser([this, path](const platform::OpenFileRequest& request) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_requests.push_back(request);
            return path;
        });
    }
    std::vector<platform::OpenFileRequest> Requests() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_requests;
    }

    std::shared_ptr<platform::SimulatedSoundCard> card;

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<RecordedMessage> m_messages;
    std::vector<std::pair<int, std::size_t>> m_pauses;  // milliseconds, calls made before it
    std::function<void(int)> m_pauseObserver;
    std::vector<platform::OpenFileRequest> m_requests;
};

// A file in the test's temporary folder, removed again at the end of the test.
class TempFile {
public:
    explicit TempFile(const std::string& name)
        : m_path(::testing::TempDir() + "kavrin_" + std::to_string(::getpid()) + "_" + name) {}
    ~TempFile() { std::remove(m_path.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return m_path; }

    void WriteSamples(const std::vector<std::int16_t>& samples) const {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(samples.size() * sizeof(std::int16_t)));
    }
    void WriteBytes(const std::vector<unsigned char>& bytes) const {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::string m_path;
};

}  // namespace sources_test
