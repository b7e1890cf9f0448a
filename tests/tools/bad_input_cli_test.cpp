// kavrin-analyze against inputs that are no sound file, or odd ones: every run ends (a deadline
// catches a hang), what is not a regular file is refused in one line with exit status 1, and
// "-" analyses standard input exactly as the same bytes in a regular file.
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTimedOut = 124;  // timeout(1)'s status: the run hung

using cli_test::Result;

class BadInputCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("kavrin-bad-input-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        ::chmod(folder.c_str(), 0755);
    }
    void TearDown() override { fs::remove_all(folder); }

    // `prefix` runs before the program in the same shell command (a pipe's writer, setpriv).
    Result Run(const std::string& arguments, const std::string& prefix = "") {
        return cli_test::RunWithStderrIn(
            prefix + "timeout 20 " + KAVRIN_ANALYZE_PATH + " --no-progress " + arguments,
            folder + "/stderr");
    }

    std::string Make(const std::string& name, std::size_t bytes) {
        const std::string path = folder + "/" + name;
        std::ofstream out(path, std::ios::binary);
        for (std::size_t i = 0; i < bytes; ++i) out.put(static_cast<char>((i * 37) & 0xff));
        return path;
    }

    static int Rows(const std::string& csv) {
        int lines = 0;
        for (char c : csv) lines += c == '\n';
        return lines - 1;  // the header
    }
    static std::string Quote(const std::string& path) { return "'" + path + "'"; }

    // One line, with the name and the reason.
    static void ExpectRefused(const Result& result, const std::string& name,
                              const std::string& reason) {
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_EQ(Rows(result.out), 0) << name;
        EXPECT_EQ(result.err,
                  "kavrin-analyze: " + name + ": " + reason + " while accessing " + name + ".\n");
    }

    std::string folder;
};

TEST_F(BadInputCliTest, SpecialFilesAreRefusedInOneLineWithoutBlocking) {
    const std::string fifo = folder + "/fifo.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Result noWriter = Run(fifo);
    ASSERT_NE(noWriter.status, kTimedOut) << "a FIFO without a writer hung the tool";
    ExpectRefused(noWriter, fifo, "Not a regular file");
    ExpectRefused(Run("/dev/zero"), "/dev/zero", "Not a regular file");
    ExpectRefused(Run("/proc/cpuinfo"), "/proc/cpuinfo", "Not a regular file");
    ExpectRefused(Run(folder), folder, "Access denied");
    // Standard input from a pipe through its /dev name, and a process substitution's pipe.
    const std::string wave = Make("tone.wav", 50000);
    ExpectRefused(Run("/dev/stdin", "cat " + wave + " | "), "/dev/stdin", "Not a regular file");
    // The other files are still analysed.
    const Result mixed = Run("/dev/zero " + wave);
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(Rows(mixed.out), 4);
}

TEST_F(BadInputCliTest, DashAnalysesStandardInputAsTheSameBytesInAFile) {
    const std::string wave = Make("speech.wav", 24576 + 8192 * 5 + 301);
    const Result file = Run(wave);
    ASSERT_EQ(file.status, 0) << file.err;
    const Result piped = Run("-", "cat " + wave + " | ");
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.err, "");
    std::string expected = file.out;
    for (std::size_t at = expected.find(wave); at != std::string::npos;
         at = expected.find(wave, at))
        expected.replace(at, wave.size(), "-");
    EXPECT_EQ(piped.out, expected);
    EXPECT_EQ(Rows(piped.out), 6);
    // Empty input is an empty file (nothing analysed); no temporary file is left.
    const Result empty = Run("- " + wave, "TMPDIR=" + folder + " ");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(Rows(empty.out), 1 + 6);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2);  // the wave and stderr
}

TEST_F(BadInputCliTest, ShortOddAndExactSizesAndAnyByteInTheName) {
    struct Case {
        std::size_t bytes;
        int rows;
    };
    // A file of at most 32768 bytes ends in its first cycle (its one row, and exit status 1:
    // nothing was analysed); then one row per 8192 bytes begun.
    for (const Case c : {Case{0, 1}, Case{1, 1}, Case{32767, 1}, Case{32769, 2},
                         Case{24576 + 8192 * 3, 3}, Case{24576 + 8192 * 3 + 1, 4}}) {
        const std::string path = Make("size_" + std::to_string(c.bytes) + ".wav", c.bytes);
        const Result result = Run(path);
        EXPECT_EQ(result.status, c.bytes > 32768 ? 0 : 1) << c.bytes << ": " << result.err;
        EXPECT_EQ(Rows(result.out), c.rows) << c.bytes;
    }
    const std::string odd = Make("bad\xff\xfe name.wav", 50001);
    const Result result = Run(Quote(odd));
    EXPECT_EQ(result.status, 0) << result.err;
    // The file column is valid UTF-8: each byte that is none is U+FFFD.
    const std::string shown = folder + "/bad\xEF\xBF\xBD\xEF\xBF\xBD name.wav";
    EXPECT_EQ(result.out.find("\n" + shown + ",1,") != std::string::npos, true) << result.out;
}

TEST_F(BadInputCliTest, AFileTheUserMayNotReadIsRefused) {
    const std::string secret = Make("secret.wav", 50000);
    ::chmod(secret.c_str(), 0600);
    std::string prefix;
    if (::geteuid() == 0) {
        // Root reads everything: the run is made as nobody.
        if (std::system("setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null") !=
            0)
            GTEST_SKIP() << "cannot drop privileges to nobody with setpriv";
        prefix = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
    }
    const Result result = Run(secret, prefix);
    ASSERT_NE(result.status, 126) << "nobody cannot run the program: " << result.err;
    ExpectRefused(result, secret, "Access denied");
}

TEST_F(BadInputCliTest, ASizeThatLiesAndListsWithoutEndStop) {
    // A kernel file that claims 4096 bytes and holds a line: rows for what it holds, then the end.
    const std::string lying = "/sys/kernel/mm/transparent_hugepage/enabled";
    struct stat info {};
    if (::stat(lying.c_str(), &info) == 0 && info.st_size > 100) {
        const Result result = Run(lying);
        ASSERT_NE(result.status, kTimedOut) << "a file whose size lies was read forever";
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(Rows(result.out), 1);
    }
    // A list without end, a line that is no path: usage errors, at once.
    std::ofstream(folder + "/long") << std::string(PATH_MAX + 1, 'a') << "\n";
    for (const std::string& list : {std::string("/dev/zero"), folder + "/long"}) {
        const Result result = Run("--files-from " + list);
        EXPECT_EQ(result.status, 2) << list;
        EXPECT_EQ(Rows(result.out), -1) << list;
    }
}

struct HostileName {
    const char* label;
    std::string name;
};

class HostileNameTest : public BadInputCliTest,
                        public ::testing::WithParamInterface<HostileName> {};

// Each name analysed into an output folder beside a missing one of the same name: one line per
// input on standard error, a CSV under the name, its file column valid UTF-8.
TEST_P(HostileNameTest, OneLineEachAndAWholeCsv) {
    const std::string name = GetParam().name;
    const std::string path = Make(name, 40000);
    const std::string missing = folder + "/gone-" + name.substr(5);
    const Result result = Run("--jobs 1 --output-dir " + Quote(folder + "/out") + " " +
                              Quote(path) + " " + Quote(missing));
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
    const std::string csv = folder + "/out/" + name + ".csv";
    ASSERT_TRUE(fs::exists(csv)) << result.err;
    EXPECT_EQ(std::system(("iconv -f UTF-8 -t UTF-8 " + Quote(csv) + " >/dev/null").c_str()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Names, HostileNameTest,
    ::testing::Values(HostileName{"Newline", "line\nkavrin-analyze: forged.raw"},
                      HostileName{"Escape", "term\x1b[31m\r.raw"},
                      HostileName{"Latin1", "f\xfcr.raw"},
                      HostileName{"Long245", std::string(241, 'n') + ".raw"},
                      HostileName{"Long251", std::string(247, 'n') + ".raw"}),
    [](const ::testing::TestParamInfo<HostileName>& info) { return info.param.label; });

TEST_F(BadInputCliTest, StandardInputOnceAndListsWithCrLf) {
    const std::string wave = Make("crlf.wav", 40000);
    EXPECT_EQ(Run("- -", "true | ").status, 2);
    EXPECT_EQ(Run("--files-from - -", "true | ").status, 2);
    std::ofstream(folder + "/list") << wave << "\r\n";
    const Result listed = Run("--files-from " + Quote(folder + "/list"));
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, Run(Quote(wave)).out);
}

}  // namespace
