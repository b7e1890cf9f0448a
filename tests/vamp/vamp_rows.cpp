// The Kavrin plugin's features, printed as vamp-simple-host prints them, from either side:
//   kavrin_vamp_rows expect OUTPUT [exact=1] [PARAMETER=V]... < (kavrin-analyze --decode --bins)
//   kavrin_vamp_rows host OUTPUT [exact=1] [PARAMETER=V]... [block=N step=N] FILE...
// `expect` turns the tool's rows into the features the plugin must give; `host` runs one plugin
// instance per FILE (Vamp host SDK, VAMP_PATH), the instances taking turns block by block, as a
// host that starts a block every `step` frames while one starts inside the file and pads it with
// zeros. OUTPUT "all": every output, each line after its identifier. --exact: 9 digits, every bit.
#include <sndfile.h>
#include <vamp-hostsdk/PluginLoader.h>

#include <cmath>
#include <iomanip>
#include <iostream>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "vamp/row_features.h"

namespace {

using Vamp::Plugin;
bool g_exact = false;
std::string g_output;

void Print(const Plugin::OutputList& outputs, const Plugin::FeatureSet& set) {
    for (const auto& [index, features] : set) {
        const std::string id = outputs[index].identifier;
        if (g_output != "all" && g_output != id) continue;
        for (const Plugin::Feature& f : features) {
            std::ostringstream line;
            line << std::setprecision(g_exact ? 9 : 6) << (g_output == "all" ? id : "");
            line << f.timestamp.toString();  // begins with a blank, the sign's place
            if (f.hasDuration) line << "," << f.duration.toString();
            line << ":";
            for (float v : f.values) line << " " << v;
            std::cout << line.str() << " " << f.label << "\n";
        }
    }
}

void Expect(std::map<std::string, float>& params, const Plugin::OutputList& outputs) {
    auto param = [&](const char* id, float fallback) {
        return static_cast<int>(params.count(id) ? params[id] : fallback);
    };
    kavrin_vamp::CRowFeatures rows(
        static_cast<kavrin_vamp::ReferenceMode>(param("referencemode", 1)), param("volume", 10),
        param("thresholdadjust", 75));
    kavrin_vamp::RowFeatures features;
    std::string line;
    std::getline(std::cin, line);  // the header
    while (std::getline(std::cin, line)) {
        std::istringstream in(line.substr(line.find(',') + 1));  // after the file name
        // Empty fields (the level of digital silence, F0 where nothing was voiced) are no value.
        std::vector<double> v;
        for (std::string field; std::getline(in, field, ',');)
            v.push_back(field.empty() ? std::nan("") : std::stod(field));
        EvaluationRow row;
        row.block = static_cast<std::uint64_t>(v[0]);
        row.timeSeconds = v[1];
        row.instFreq = v[2];
        row.avgFreq = v[3];
        row.threshold = static_cast<std::uint32_t>(v[6]);
        row.magnitude = v[7];
        for (int i = 0; i < 9; ++i) row.bins[i] = v[10 + i];
        // --quality: level_dbfs,clipped,voiced_share,f0_hz (an empty last field is not read).
        if (v.size() >= 22) {
            row.quality.levelDbfs =
                std::isnan(v[19]) ? -std::numeric_limits<double>::infinity() : v[19];
            row.quality.voicedShare = v[21];
            row.quality.f0Hz = v.size() > 22 ? v[22] : std::nan("");
        }
        rows.Add(row, features);
    }
    rows.Finish(features);
    Plugin::FeatureSet set;
    for (const kavrin_vamp::RowFeature& r : features) {
        Plugin::Feature f;
        f.timestamp = Vamp::RealTime::fromSeconds(r.seconds);
        f.hasDuration = r.endSeconds.has_value();
        if (f.hasDuration) f.duration = Vamp::RealTime::fromSeconds(*r.endSeconds) - f.timestamp;
        f.values = r.values;
        f.label = r.label;
        set[r.output].push_back(f);
    }
    Print(outputs, set);
}

struct Run {
    SF_INFO info{};
    std::vector<float> frames;  // interleaved, read as vamp-simple-host reads them
    std::unique_ptr<Plugin> plugin;
    Plugin::FeatureSet features;
    void Add(const Plugin::FeatureSet& set) {
        for (const auto& [k, f] : set) features[k].insert(features[k].end(), f.begin(), f.end());
    }
};

int Host(std::map<std::string, float>& params, std::size_t block, std::size_t step,
         const std::vector<std::string>& files) {
    std::vector<Run> runs(files.size());
    std::size_t longest = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        Run& r = runs[i];
        SNDFILE* file = sf_open(files[i].c_str(), SFM_READ, &r.info);
        if (!file) return std::cerr << files[i] << ": " << sf_strerror(nullptr) << "\n", 1;
        r.frames.resize(r.info.frames * r.info.channels);
        sf_readf_float(file, r.frames.data(), r.info.frames);
        sf_close(file);
        r.plugin.reset(Vamp::HostExt::PluginLoader::getInstance()->loadPlugin(
            "kavrin:kavrin", static_cast<float>(r.info.samplerate)));
        for (auto& [id, value] : params) r.plugin->setParameter(id, value);
        if (!r.plugin->initialise(r.info.channels, step, block)) return 1;
        longest = std::max<std::size_t>(longest, r.info.frames);
    }
    for (std::size_t at = 0; at < longest; at += step) {
        for (Run& r : runs) {
            const std::size_t ch = r.info.channels, frames = r.info.frames;
            if (at >= frames) continue;
            std::vector<float> planar(block * ch, 0.0f);
            std::vector<const float*> buffers;
            for (std::size_t c = 0; c < ch; ++c) {
                for (std::size_t i = 0; i < block && at + i < frames; ++i)
                    planar[c * block + i] = r.frames[(at + i) * ch + c];
                buffers.push_back(&planar[c * block]);
            }
            r.Add(r.plugin->process(buffers.data(),
                                    Vamp::RealTime::frame2RealTime(at, r.info.samplerate)));
        }
    }
    for (Run& r : runs) {
        r.Add(r.plugin->getRemainingFeatures());
        Print(r.plugin->getOutputDescriptors(), r.features);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, float> params;
    std::size_t block = 4096, step = 4096;
    std::vector<std::string> files;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::size_t equals = arg.find('=');
        if (equals == std::string::npos) {
            files.push_back(arg);
            continue;
        }
        const std::string key = arg.substr(0, equals);
        const float value = std::stof(arg.substr(equals + 1));
        if (key == "exact")
            g_exact = value != 0.0f;
        else if (key == "block")
            block = static_cast<std::size_t>(value);
        else if (key == "step")
            step = static_cast<std::size_t>(value);
        else
            params[key] = value;
    }
    const std::string mode = argc > 2 ? argv[1] : "";
    g_output = argc > 2 ? argv[2] : "";
    std::unique_ptr<Plugin> plugin(
        Vamp::HostExt::PluginLoader::getInstance()->loadPlugin("kavrin:kavrin", 11025.0f));
    if (!plugin || g_output.empty()) return 2;
    if (mode == "expect") return Expect(params, plugin->getOutputDescriptors()), 0;
    return mode == "host" ? Host(params, block, step, files) : 2;
}
