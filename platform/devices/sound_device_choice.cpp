#include "platform/devices/sound_device_choice.h"

#include <mutex>
#include <utility>

namespace platform {
namespace {

struct Choice {
    std::mutex lock;
    SoundDeviceId input;
    SoundDeviceId output;
    SoundDeviceFallbackHook hook;
};

Choice& TheChoice() {
    // Never destroyed: devices close during static destruction and may still ask.
    static Choice* choice = new Choice;
    return *choice;
}

SoundDeviceId& Slot(Choice& choice, SoundDirection direction) {
    return direction == SoundDirection::In ? choice.input : choice.output;
}

}  // namespace

std::optional<std::size_t> FindSoundDevice(const std::vector<SoundDeviceId>& available,
                                           const SoundDeviceId& wanted) {
    if (wanted.IsSystemDefault()) return std::nullopt;
    for (std::size_t i = 0; i < available.size(); ++i)
        if (available[i] == wanted) return i;
    return std::nullopt;
}

std::string SoundDeviceLabel(const SoundDeviceId& device) {
    if (device.IsSystemDefault()) return "System default";
    if (device.hostApi.empty()) return device.name;
    return device.name + " (" + device.hostApi + ")";
}

std::string SoundDeviceFallbackNote(SoundDirection direction, const SoundDeviceId& gone) {
    // What is missing comes first: the message pane is narrow and cuts the rest short.
    return "Not found: \"" + SoundDeviceLabel(gone) + "\"; using the system default " +
           (direction == SoundDirection::In ? "input" : "output");
}

void SetChosenSoundDevice(SoundDirection direction, SoundDeviceId device) {
    Choice& choice = TheChoice();
    std::lock_guard<std::mutex> guard(choice.lock);
    Slot(choice, direction) = std::move(device);
}

SoundDeviceId ChosenSoundDevice(SoundDirection direction) {
    Choice& choice = TheChoice();
    std::lock_guard<std::mutex> guard(choice.lock);
    return Slot(choice, direction);
}

void SetSoundDeviceFallbackHook(SoundDeviceFallbackHook hook) {
    Choice& choice = TheChoice();
    std::lock_guard<std::mutex> guard(choice.lock);
    choice.hook = std::move(hook);
}

void NoteSoundDeviceFallback(SoundDirection direction, const SoundDeviceId& gone) {
    Choice& choice = TheChoice();
    // Held while the hook runs, so that a hook being removed is not running any more once
    // SetSoundDeviceFallbackHook has returned.
    std::lock_guard<std::mutex> guard(choice.lock);
    if (choice.hook) choice.hook(direction, gone);
}

}  // namespace platform
