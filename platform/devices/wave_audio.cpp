#include "platform/devices/wave_audio.h"

#include <mutex>
#include <utility>

#include "platform/devices/null_wave_driver.h"

namespace platform {
namespace {

// Never destroyed: the static analyzers close their devices during static destruction, in an
// order relative to this file's statics that nothing fixes.
struct DriverSlot {
    std::mutex lock;
    std::shared_ptr<WaveAudioDriver> driver;
};

DriverSlot& Slot() {
    static DriverSlot* slot = new DriverSlot;
    return *slot;
}

}  // namespace

WaveAudioDriver& WaveAudio() {
    DriverSlot& slot = Slot();
    std::lock_guard<std::mutex> guard(slot.lock);
    if (!slot.driver) slot.driver = MakeNullWaveDriver();
    return *slot.driver;
}

void SetWaveAudioDriver(std::shared_ptr<WaveAudioDriver> driver) {
    DriverSlot& slot = Slot();
    std::lock_guard<std::mutex> guard(slot.lock);
    slot.driver = std::move(driver);
}

}  // namespace platform
