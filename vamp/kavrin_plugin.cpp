#include "vamp/kavrin_plugin.h"

#include <cmath>
#include <exception>
#include <iostream>

#include "analysis/evaluation_csv.h"

namespace {

using kavrin_vamp::ReferenceMode;

const char* const kVolume = "volume";
const char* const kThresholdAdjust = "thresholdadjust";
const char* const kReferenceMode = "referencemode";

Vamp::Plugin::ParameterDescriptor Parameter(const char* id, const char* name,
                                            const char* description, float min, float max,
                                            float defaultValue) {
    Vamp::Plugin::ParameterDescriptor d;
    d.identifier = id;
    d.name = name;
    d.description = description;
    d.minValue = min;
    d.maxValue = max;
    d.defaultValue = defaultValue;
    d.isQuantized = true;
    d.quantizeStep = 1.0f;
    return d;
}

Vamp::Plugin::OutputDescriptor Output(const char* id, const char* name, const char* description,
                                      const char* unit, std::size_t bins) {
    Vamp::Plugin::OutputDescriptor d;
    d.identifier = id;
    d.name = name;
    d.description = description;
    d.unit = unit;
    d.hasFixedBinCount = true;
    d.binCount = bins;
    // Each row at its own time (kavrin-analyze's time_s, which a short recording caps), with one
    // value: the kind of output Audacity lists and Sonic Visualiser draws as a curve.
    d.sampleType = Vamp::Plugin::OutputDescriptor::VariableSampleRate;
    d.sampleRate = 0.0f;
    return d;
}

}  // namespace

CKavrinPlugin::CKavrinPlugin(float inputSampleRate) : Vamp::Plugin(inputSampleRate) {}

CKavrinPlugin::~CKavrinPlugin() = default;

std::string CKavrinPlugin::getDescription() const {
    return "Where inside the 8 to 12 Hz band a voice recording's energy lies, evaluated every "
           "4096 samples at 11025 Hz: the numbers kavrin-analyze --decode gives";
}

Vamp::Plugin::ParameterList CKavrinPlugin::getParameterDescriptors() const {
    ParameterList list;
    list.push_back(Parameter(kVolume, "Volume adjust",
                             "The form's Volume adjust: the analysis window's gain", -100, 100,
                             10));
    list.push_back(Parameter(kThresholdAdjust, "Threshold adjust",
                             "Where the threshold lies between the lowest and the highest band "
                             "frequency so far, in percent; also sets the lamp's reference",
                             0, 100, 75));
    ParameterDescriptor mode = Parameter(kReferenceMode, "Lamp reference",
                                         "How the lamp's reference is formed, as the form's "
                                         "three threshold modes",
                                         0, 2, 1);
    mode.valueNames = {"Fixed range", "Fixed freq.", "Avg. Relative"};
    list.push_back(mode);
    return list;
}

float CKavrinPlugin::getParameter(std::string identifier) const {
    if (identifier == kVolume) return static_cast<float>(m_volume);
    if (identifier == kThresholdAdjust) return static_cast<float>(m_thresholdAdjust);
    if (identifier == kReferenceMode) return static_cast<float>(static_cast<int>(m_mode));
    return 0.0f;
}

void CKavrinPlugin::setParameter(std::string identifier, float value) {
    const auto whole = static_cast<std::int32_t>(std::lround(value));
    if (identifier == kVolume) m_volume = whole;
    if (identifier == kThresholdAdjust) m_thresholdAdjust = whole;
    if (identifier == kReferenceMode && whole >= 0 && whole <= 2)
        m_mode = static_cast<ReferenceMode>(whole);
}

Vamp::Plugin::OutputList CKavrinPlugin::getOutputDescriptors() const {
    OutputList list(kavrin_vamp::kOutputCount);
    list[kavrin_vamp::kBandFrequency] =
        Output("bandfrequency", "Band frequency",
               "Where half of the 8-12 Hz band's energy lies, per evaluation (none where the band "
               "holds no energy)",
               "Hz", 1);
    list[kavrin_vamp::kAverageFrequency] = Output("averagefrequency", "Average frequency",
                                                  "Running mean of the band frequency", "Hz", 1);
    list[kavrin_vamp::kThreshold] = Output(
        "threshold", "Threshold",
        "Between the lowest and highest band frequency so far, by Threshold adjust", "Hz", 1);
    OutputDescriptor lamp =
        Output("lamp", "Lamp",
               "red, yellow or green, as the window's lamp shows each evaluation against the "
               "chosen reference; one label per stretch of one colour",
               "", 0);
    lamp.hasDuration = true;
    list[kavrin_vamp::kLamp] = lamp;
    list[kavrin_vamp::kMagnitude] =
        Output("magnitude", "Block magnitude", "Magnitude of the analysed signal", "", 1);
    OutputDescriptor bins = Output("bandmagnitudes", "Band magnitudes",
                                   "The nine band bins at 8.0, 8.5, ... 12.0 Hz", "", 9);
    bins.binNames = {"8.0 Hz",  "8.5 Hz",  "9.0 Hz",  "9.5 Hz", "10.0 Hz",
                     "10.5 Hz", "11.0 Hz", "11.5 Hz", "12.0 Hz"};
    // One column every 4096 samples at 11025 Hz, drawn as a colour plot.
    bins.sampleType = OutputDescriptor::FixedSampleRate;
    bins.sampleRate = 11025.0f / 4096.0f;
    list[kavrin_vamp::kBandMagnitudes] = bins;
    list[kavrin_vamp::kLevel] =
        Output("level", "Level", "RMS level of each evaluated block (none for digital silence)",
               "dBFS", 1);
    list[kavrin_vamp::kVoicedShare] =
        Output("voicedshare", "Voiced share",
               "Share of each evaluated block's frames that are voiced (aubio's YIN); readings of "
               "blocks with little voicing are no speech",
               "", 1);
    list[kavrin_vamp::kF0] =
        Output("f0", "F0", "Median pitch of the voiced frames of each block", "Hz", 1);
    return list;
}

bool CKavrinPlugin::initialise(std::size_t channels, std::size_t stepSize, std::size_t blockSize) {
    if (channels < getMinChannelCount() || channels > getMaxChannelCount() || stepSize == 0 ||
        stepSize > blockSize)
        return false;
    m_channels = channels;
    m_step = stepSize;
    m_blockSize = blockSize;
    try {
        reset();
    } catch (const std::exception&) {
        return false;  // the resampler cannot convert from this rate, or aubio cannot be loaded
    }
    return true;
}

void CKavrinPlugin::reset() {
    m_input = std::make_unique<CHostInput>(m_channels, m_step, m_blockSize);
    m_resampler = std::make_unique<platform::CMonoResampler>(
        static_cast<int>(std::lround(m_inputSampleRate)), static_cast<int>(m_channels));
    m_cycle = std::make_unique<CFileCycle>(m_volume, m_thresholdAdjust, true);
    m_rows = std::make_unique<kavrin_vamp::CRowFeatures>(m_mode, m_volume, m_thresholdAdjust);
    m_frames.clear();
    m_samples.clear();
    m_features.clear();
    m_ended = false;
    m_rowFn = [this](const EvaluationRow& row) { m_rows->Add(row, m_features); };
}

void CKavrinPlugin::Analyze() {
    m_cycle->Put(m_samples.data(), m_samples.size(), m_rowFn);
    m_samples.clear();
}

Vamp::Plugin::FeatureSet CKavrinPlugin::TakeFeatures() {
    FeatureSet out;
    for (const kavrin_vamp::RowFeature& row : m_features) {
        Feature feature;
        feature.hasTimestamp = true;
        feature.timestamp = Vamp::RealTime::fromSeconds(row.seconds);
        if (row.endSeconds) {
            feature.hasDuration = true;
            feature.duration = Vamp::RealTime::fromSeconds(*row.endSeconds) - feature.timestamp;
        }
        feature.values = row.values;
        feature.label = row.label;
        out[row.output].push_back(feature);
    }
    m_features.clear();
    return out;
}

Vamp::Plugin::FeatureSet CKavrinPlugin::process(const float* const* inputBuffers, Vamp::RealTime) {
    if (!m_cycle || m_ended) return {};  // not initialised, or the input has ended
    try {
        m_input->Take(inputBuffers, m_frames);
        m_resampler->Put(m_frames.data(), m_frames.size() / m_channels, m_samples);
        m_frames.clear();
        Analyze();
    } catch (const std::exception& error) {
        Stop(error);
    }
    return TakeFeatures();
}

Vamp::Plugin::FeatureSet CKavrinPlugin::getRemainingFeatures() {
    if (!m_cycle || m_ended) return {};
    m_ended = true;
    try {
        m_resampler->Finish(m_samples);
        Analyze();
        m_cycle->Finish(m_rowFn);
        m_rows->Finish(m_features);
    } catch (const std::exception& error) {
        Stop(error);
    }
    return TakeFeatures();
}

void CKavrinPlugin::Stop(const std::exception& error) {
    // No exception may cross into the host; the rows so far stand, nothing follows them.
    std::cerr << "kavrin: " << error.what() << "; analysis stopped\n";
    m_ended = true;
}
