// The PortAudio driver as the sound tests take it: against the private server the test script
// starts. Without a device they skip, unless KAVRIN_EXPECT_SOUND_SERVER=1 says one must be there.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/portaudio/portaudio_driver.h"

namespace sound_test {

inline bool EnvironmentSays(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && std::string(value) == "1";
}

// The driver, or nullptr with the reason to skip (a fatal failure is added when a server was
// expected).
inline std::shared_ptr<platform::WaveAudioDriver> ServerDriver(std::string* whyNot) {
    if (EnvironmentSays("KAVRIN_EXPECT_NO_SOUND_SERVER")) {
        *whyNot = "no sound server in this run";
        return nullptr;
    }
    auto driver = platform::MakePortAudioDriver();
    if (driver->GetInputDeviceCount() > 0 && driver->GetOutputDeviceCount() > 0) return driver;
    // A fatal failure, so that a fixture's SetUp calling this keeps its test body from running.
    if (EnvironmentSays("KAVRIN_EXPECT_SOUND_SERVER"))
        [] { FAIL() << "a sound server was expected, but PortAudio lists no default device"; }();
    *whyNot = "no default sound device (run under scripts/with-pulseaudio.sh)";
    return nullptr;
}

}  // namespace sound_test
