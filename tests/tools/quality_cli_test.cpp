// --quality as a user runs it: four columns appended to the very bytes of the run without it,
// for every kind of run; and one line on standard error for a header the raw path ignores.
#include <gtest/gtest.h>
#include <libavformat/version_major.h>
#include <libavutil/macros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/sound_file_support.h"
#include "cli_run.h"

namespace {

TEST(KavrinAnalyzeQualityCli, AppendsFourColumnsToTheUnchangedBytesAndSaysWhatAHeaderSays) {
    sound_file_test::ScratchFolder folder;
    const std::string mono = folder.File("mono.wav"), stereo = folder.File("stereo.wav");
    sound_file_test::WriteSoundFile(mono, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1,
                                    sound_file_test::TestSamples(8 * 4096));
    // Long enough that its decoded stream holds a block to analyse.
    sound_file_test::WriteSoundFile(stereo, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
                                    sound_file_test::TestSamples(40 * 4096));
    const auto run = [&](const std::string& arguments) {
        return cli_test::RunWithStderrIn(KAVRIN_ANALYZE_PATH " --no-progress " + arguments,
                                         folder.File("stderr.txt"));
    };
    for (const std::string& arguments :
         {mono, "--bins " + mono, "--decode " + stereo, "--live " + mono,
          std::string("--tone 10 --amplitude 1 --blocks 3")}) {
        const cli_test::Result plain = run(arguments), quality = run("--quality " + arguments);
        std::istringstream p(plain.out), q(quality.out);
        std::string pLine, qLine, last, suffix = ",level_dbfs,clipped,voiced_share,f0_hz";
        while (std::getline(p, pLine) && std::getline(q, qLine)) {
            ASSERT_EQ(qLine.substr(0, pLine.size() + 1), pLine + ",") << arguments;
            EXPECT_EQ(std::count(qLine.begin(), qLine.end(), ','),
                      std::count(suffix.begin(), suffix.end(), ',') +
                          std::count(pLine.begin(), pLine.end(), ','));
            if (pLine[0] == 'f') {
                EXPECT_EQ(qLine, pLine + suffix);
            }
            last = qLine;
        }
        EXPECT_TRUE(p.eof() && !std::getline(q, qLine)) << arguments;
        EXPECT_EQ(plain.status + quality.status, 0);
        // The end-of-file cycle of a raw run evaluates a cleared history: digital silence.
        if (arguments == mono) {
            EXPECT_EQ(last.substr(last.size() - 6), ",,0,0,");
        }
    }
    for (const char* jobs : {"--jobs 1 ", "--jobs 2 "}) {
        const cli_test::Result raw = run(jobs + stereo + " " + mono);
        EXPECT_EQ(raw.status, 0);
        EXPECT_EQ(raw.err, "kavrin-analyze: " + stereo +
                               ": 44100 Hz stereo: --decode analyses it as recorded\n");
    }
    EXPECT_EQ(run("--decode " + stereo).err, "");
}

TEST(KavrinAnalyzeQualityCli, FfmpegAndAubioAreLoadedOnlyByTheRunsThatUseThemAndMissedAloud) {
    // Linked, they cost every start some 60 ms of loading: a batch child, a tone, a raw file.
    // Where they cannot be loaded (here: empty files found first), a run that needs them says
    // which and why, and one that does not runs as ever.
    sound_file_test::ScratchFolder folder;
    const std::string mono = folder.File("mono.wav"), noise = folder.File("noise.bin");
    sound_file_test::WriteSoundFile(mono, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1,
                                    sound_file_test::TestSamples(8 * 4096));
    std::ofstream(noise, std::ios::binary) << std::string(5000, '\x5a');
    const std::string broken = folder.File("broken");
    std::filesystem::create_directories(broken);
    std::ofstream(broken + "/" KAVRIN_AUBIO_SONAME);
    std::ofstream(broken + "/libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR));
    const std::string hidden = "LD_LIBRARY_PATH=" + broken + " ";
    struct Case {
        std::string environment, arguments;
        bool aubio, ffmpeg;  // asked of the loader (LD_DEBUG=files says so)
        int status;
        std::string said;  // on standard error
    };
    for (const Case& c : {Case{"", "--tone 10 --amplitude 1 --blocks 2", false, false, 0, ""},
                          Case{"", mono, false, false, 0, ""},
                          Case{"", "--bins --decode " + mono, false, false, 0, ""},
                          Case{"", "--quality " + mono, true, true, 0, ""},  // aubio links FFmpeg
                          Case{"", "--decode " + noise, false, true, 1, ""},
                          Case{hidden, mono, false, false, 0, ""},
                          Case{hidden, "--quality " + mono, true, false, 1,
                               "kavrin-analyze: aubio cannot be loaded: "},
                          Case{hidden, "--decode " + noise, false, true, 1,
                               "; FFmpeg's libraries cannot be loaded: "}}) {
        SCOPED_TRACE(c.environment + c.arguments);
        const cli_test::Result r = cli_test::RunWithStderrIn(
            c.environment + "LD_DEBUG=files " KAVRIN_ANALYZE_PATH " --no-progress " + c.arguments,
            folder.File("stderr.txt"));
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.find("file=libaubio.so") != std::string::npos, c.aubio);
        EXPECT_EQ(r.err.find("file=libavformat.so") != std::string::npos, c.ffmpeg);
        if (!c.said.empty()) {
            EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        }
        if (c.arguments.rfind("--quality", 0) == 0 && c.status != 0) {
            EXPECT_EQ(r.out, "");  // stopped before any row
        }
    }
}

}  // namespace
