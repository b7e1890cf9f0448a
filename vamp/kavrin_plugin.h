// Kavrin's analysis as a Vamp plugin: the host's audio, at its own rate and channel count, is
// averaged and resampled to 16-bit mono at 11025 Hz exactly as `kavrin-analyze --decode` decodes
// a file, and analysed by the file source's cycle, so its rows are that tool's rows.
//
// Each instance owns its resampler, cycle and analyzer: a host may run several at once.
#pragma once

#include <vamp-sdk/Plugin.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "analysis/file_cycle.h"
#include "platform/audio_files/mono_resampler.h"
#include "vamp/host_input.h"
#include "vamp/row_features.h"

class CKavrinPlugin : public Vamp::Plugin {
public:
    explicit CKavrinPlugin(float inputSampleRate);
    ~CKavrinPlugin() override;

    std::string getIdentifier() const override { return "kavrin"; }
    std::string getName() const override { return "Kavrin"; }
    std::string getDescription() const override;
    std::string getMaker() const override { return "Kavrin"; }
    std::string getCopyright() const override { return "Kavrin developers"; }
    int getPluginVersion() const override { return 1; }

    InputDomain getInputDomain() const override { return TimeDomain; }
    std::size_t getPreferredBlockSize() const override { return kPreferredBlock; }
    std::size_t getPreferredStepSize() const override { return kPreferredBlock; }
    std::size_t getMinChannelCount() const override { return 1; }
    // Every channel is taken, so that the plugin averages them as the decoder does.
    std::size_t getMaxChannelCount() const override { return kMaxChannels; }

    ParameterList getParameterDescriptors() const override;
    float getParameter(std::string identifier) const override;
    void setParameter(std::string identifier, float value) override;

    OutputList getOutputDescriptors() const override;

    bool initialise(std::size_t channels, std::size_t stepSize, std::size_t blockSize) override;
    void reset() override;
    FeatureSet process(const float* const* inputBuffers, Vamp::RealTime timestamp) override;
    FeatureSet getRemainingFeatures() override;

private:
    static constexpr std::size_t kPreferredBlock = 4096;
    static constexpr std::size_t kMaxChannels = 1024;

    // Takes the samples resampled so far through the cycle; the rows' features go to m_features.
    void Analyze();
    // m_features as the host's feature set, stamped with the SDK's times.
    FeatureSet TakeFeatures();
    // Ends the run on an error: reported on standard error, later blocks ignored until reset.
    void Stop(const std::exception& error);

    std::int32_t m_volume = 10;
    std::int32_t m_thresholdAdjust = 75;
    kavrin_vamp::ReferenceMode m_mode = kavrin_vamp::ReferenceMode::FixedFreq;

    std::size_t m_channels = 0;
    std::size_t m_step = 0;
    std::size_t m_blockSize = 0;
    std::unique_ptr<CHostInput> m_input;
    std::unique_ptr<platform::CMonoResampler> m_resampler;
    std::unique_ptr<CFileCycle> m_cycle;
    std::unique_ptr<kavrin_vamp::CRowFeatures> m_rows;
    std::vector<double> m_frames;
    std::vector<std::int16_t> m_samples;
    kavrin_vamp::RowFeatures m_features;
    CFileCycle::RowFn m_rowFn;
    bool m_ended = false;  // the input has ended (or an error ended the run)
};
