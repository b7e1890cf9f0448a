#include "platform/wave_audio.h"

#include <mutex>
#include <utility>

#include "platform/portaudio_driver.h"

namespace platform {
namespace {

std::mutex g_driverLock;
std::shared_ptr<WaveAudioDriver> g_driver;

}  // namespace

WaveAudioDriver& WaveAudio() {
    std::lock_guard<std::mutex> guard(g_driverLock);
    if (!g_driver) g_driver = MakePortAudioDriver();
    return *g_driver;
}

void SetWaveAudioDriver(std::shared_ptr<WaveAudioDriver> driver) {
    std::lock_guard<std::mutex> guard(g_driverLock);
    g_driver = std::move(driver);
}

}  // namespace platform
