// The simulated card keeps the contract every driver keeps, at both of its paces.
#include <numeric>

#include "platform/devices/simulated_sound_card.h"
#include "tests/support/wave_device_contract.h"

namespace {

using wave_contract::WaveDeviceContract;

using platform::SimulatedSoundCard;

std::shared_ptr<platform::WaveAudioDriver> MakeCard(SimulatedSoundCard::Pace pace) {
    auto card = std::make_shared<SimulatedSoundCard>();
    card->SetPace(pace);
    card->SetRecording(false);
    std::vector<std::int16_t> samples(11025 * 30);  // more than any case captures
    std::iota(samples.begin(), samples.end(), std::int16_t{1});
    card->SetCaptureSamples(std::move(samples));
    return card;
}

void FailCall(platform::WaveAudioDriver& driver, const std::string& call, platform::MMRESULT code) {
    dynamic_cast<SimulatedSoundCard&>(driver).FailCall(call, code);
}

INSTANTIATE_TEST_SUITE_P(
    SimulatedCard, WaveDeviceContract,
    ::testing::Values(
        wave_contract::Target{
            "RealTime", [] { return MakeCard(SimulatedSoundCard::Pace::RealTime); }, FailCall},
        wave_contract::Target{"Immediate",
                              [] { return MakeCard(SimulatedSoundCard::Pace::Immediate); },
                              FailCall, false}),
    wave_contract::TargetName);

}  // namespace
