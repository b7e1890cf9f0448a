// Prints the Kavrin plugin's features the way vamp-simple-host prints them, from either side:
//   vamp_rows expect [--exact] [--param ID=V]... OUTPUT < kavrin-analyze-decode-bins.csv
//   vamp_rows host [--exact] [--param ID=V]... [--block N --step N] OUTPUT FILE...
// `expect` turns the tool's rows into the features the plugin must give; `host` loads the plugin
// through the Vamp host SDK (VAMP_PATH) and runs one instance per FILE side by side, block by
// block, each file's features after a line "== FILE". OUTPUT "all" prints every output, each
// line after its output's identifier. --exact prints floats with 9 digits (every bit).
#include <sndfile.h>
#include <vamp-hostsdk/PluginLoader.h>

#include <algorithm>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "vamp/row_features.h"

namespace {

using Vamp::Plugin;

struct Options {
    bool exact = false;
    std::map<std::string, float> params;
    std::size_t block = 0, step = 0;
    std::string output;
    std::vector<std::string> files;
};

void Print(const Plugin::OutputList& outputs, const std::string& wanted, Plugin::FeatureSet& set,
           bool exact) {
    for (auto& [index, features] : set) {
        const std::string id = outputs[index].identifier;
        if (wanted != "all" && wanted != id) continue;
        for (const Plugin::Feature& f : features) {
            std::ostringstream line;
            if (exact) line << std::setprecision(9);
            if (wanted == "all") line << id;
            line << f.timestamp.toString();  // with a blank before, as the sign's place
            if (f.hasDuration) line << "," << f.duration.toString();
            line << ":";
            for (float v : f.values) line << " " << v;
            std::cout << line.str() << " " << f.label << "\n";
        }
    }
    set.clear();
}

int Expect(const Options& o, const Plugin::OutputList& outputs) {
    auto param = [&](const char* id, float fallback) {
        return static_cast<int>(o.params.count(id) ? o.params.at(id) : fallback);
    };
    kavrin_vamp::CRowFeatures rows(
        static_cast<kavrin_vamp::ReferenceMode>(param("referencemode", 1)), param("volume", 10),
        param("thresholdadjust", 75));
    kavrin_vamp::RowFeatures features;
    Plugin::FeatureSet set;
    auto print = [&] {
        for (const kavrin_vamp::RowFeature& r : features) {
            Plugin::Feature f;
            f.timestamp = Vamp::RealTime::fromSeconds(r.seconds);
            f.hasDuration = r.endSeconds.has_value();
            if (f.hasDuration)
                f.duration = Vamp::RealTime::fromSeconds(*r.endSeconds) - f.timestamp;
            f.values = r.values;
            f.label = r.label;
            set[r.output].push_back(f);
        }
        features.clear();
    };
    std::string line;
    std::getline(std::cin, line);  // header
    while (std::getline(std::cin, line)) {
        std::istringstream in(line.substr(line.find(',') + 1));
        std::vector<double> v;
        for (std::string field; std::getline(in, field, ',');)
            v.push_back(std::strtod(field.c_str(), nullptr));
        kavrin_analyze::EvaluationRow row;
        row.block = static_cast<std::uint64_t>(v[0]);
        row.timeSeconds = v[1];
        row.instFreq = v[2];
        row.avgFreq = v[3];
        row.threshold = static_cast<std::uint32_t>(v[6]);
        row.magnitude = v[7];
        for (int i = 0; i < 9; ++i) row.bins[i] = v[10 + i];
        rows.Add(row, features);
        print();
    }
    rows.Finish(features);
    print();
    Print(outputs, o.output, set, o.exact);
    return 0;
}

int Host(const Options& o, Vamp::HostExt::PluginLoader& loader) {
    struct Run {
        SF_INFO info{};
        std::vector<float> frames;  // the whole file, interleaved, as vamp-simple-host reads it
        std::unique_ptr<Plugin> plugin;
        Plugin::FeatureSet features;
    };
    std::vector<Run> runs(o.files.size());
    std::size_t block = o.block, step = o.step, longest = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        Run& r = runs[i];
        SNDFILE* file = sf_open(o.files[i].c_str(), SFM_READ, &r.info);
        if (!file) return std::cerr << sf_strerror(nullptr) << "\n", 1;
        r.frames.resize(r.info.frames * r.info.channels);
        sf_readf_float(file, r.frames.data(), r.info.frames);
        sf_close(file);
        r.plugin.reset(loader.loadPlugin("kavrin:kavrin", static_cast<float>(r.info.samplerate)));
        for (auto& [id, value] : o.params) r.plugin->setParameter(id, value);
        if (!block) block = step = r.plugin->getPreferredBlockSize();
        if (!r.plugin->initialise(r.info.channels, step, block))
            return std::cerr << "initialise refused\n", 1;
        longest = std::max<std::size_t>(longest, r.info.frames);
    }
    // Blocks every `step` frames while one starts inside the file, padded with zeros; the
    // instances take turns.
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
            auto time = Vamp::RealTime::frame2RealTime(at, r.info.samplerate);
            for (auto& [k, f] : r.plugin->process(buffers.data(), time))
                r.features[k].insert(r.features[k].end(), f.begin(), f.end());
        }
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        for (auto& [k, f] : runs[i].plugin->getRemainingFeatures())
            runs[i].features[k].insert(runs[i].features[k].end(), f.begin(), f.end());
        std::cout << "== " << o.files[i] << "\n";
        Print(runs[i].plugin->getOutputDescriptors(), o.output, runs[i].features, o.exact);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    const std::string mode = argc > 1 ? argv[1] : "";
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--exact") {
            o.exact = true;
        } else if (a == "--param" && i + 1 < argc) {
            const std::string p = argv[++i];
            o.params[p.substr(0, p.find('='))] = std::stof(p.substr(p.find('=') + 1));
        } else if (a == "--block" && i + 1 < argc) {
            o.block = std::stoul(argv[++i]);
        } else if (a == "--step" && i + 1 < argc) {
            o.step = std::stoul(argv[++i]);
        } else if (o.output.empty()) {
            o.output = a;
        } else {
            o.files.push_back(a);
        }
    }
    auto* loader = Vamp::HostExt::PluginLoader::getInstance();
    std::unique_ptr<Plugin> described(loader->loadPlugin("kavrin:kavrin", 11025.0f));
    if (!described || o.output.empty()) return std::cerr << "usage: see vamp_rows.cpp\n", 2;
    if (mode == "expect") return Expect(o, described->getOutputDescriptors());
    if (mode == "host" && !o.files.empty()) return Host(o, *loader);
    return 2;
}
