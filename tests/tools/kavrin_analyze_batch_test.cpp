// Batches as a user runs them: several files at once, one CSV per input, resuming, lists of
// files. Whatever the way, the bytes must be those of one file after the other.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class KavrinAnalyzeBatch : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("kavrin-batch-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs the program with the arguments (already quoted), standard input from `input`.
    Result Run(const std::string& arguments, const std::string& input = "") {
        const fs::path in = m_dir / "stdin";
        const fs::path err = m_dir / "stderr";
        std::ofstream(in, std::ios::binary) << input;
        const std::string command = std::string(KAVRIN_ANALYZE_PATH) + " " + arguments + " <" +
                                    Quote(in.string()) + " 2>" + Quote(err.string());
        Result result;
        FILE* pipe = ::popen(command.c_str(), "r");
        std::array<char, 65536> buffer{};
        std::size_t n;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            result.out.append(buffer.data(), n);
        const int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = ReadAll(err);
        return result;
    }

    // A voice-like recording: a carrier whose loudness trembles near 10 Hz, with noise.
    fs::path Recording(const std::string& name, std::size_t bytes, unsigned seed) {
        const fs::path path = m_dir / name;
        fs::create_directories(path.parent_path());
        std::mt19937 random(seed);
        std::normal_distribution<double> noise(0.0, 600.0);
        std::string data(bytes, '\0');
        for (std::size_t i = 0; i + 1 < bytes; i += 2) {
            const double n = static_cast<double>(i / 2);
            const double v = (1.0 + 0.3 * std::sin(n * 2 * M_PI * (9.0 + seed % 5) / 11025.0)) *
                                 5000.0 * std::sin(n * 2 * M_PI * 170.0 / 11025.0) +
                             noise(random);
            const auto s = static_cast<std::int16_t>(std::max(-32768.0, std::min(32767.0, v)));
            data[i] = static_cast<char>(s & 0xFF);
            data[i + 1] = static_cast<char>((s >> 8) & 0xFF);
        }
        std::ofstream(path, std::ios::binary) << data;
        return path;
    }

    std::vector<std::string> PartialFiles(const fs::path& dir) {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            if (entry.path().extension() == ".part") found.push_back(entry.path().string());
        return found;
    }

    fs::path m_dir;
};

TEST_F(KavrinAnalyzeBatch, JobsWriteTheBytesOfOneJobInTheOrderGiven) {
    // Long and short files mixed so that later ones finish first; one file twice (it is opened
    // without sharing, so two jobs must not hold it at once) and one missing.
    const std::string a = Recording("a.wav", 24576 + 8192 * 300 + 77, 1).string();
    const std::string b = Recording("b.wav", 34000, 2).string();
    const std::string c = Recording("c.wav", 24576 + 8192 * 40, 3).string();
    const std::string d = Recording("d d.wav", 33000, 4).string();
    const std::string inputs = Quote(a) + " " + Quote(b) + " " +
                               Quote((m_dir / "none.wav").string()) + " " + Quote(c) + " " +
                               Quote(a) + " " + Quote(d);
    for (const std::string options : {"", "--bins --volume 60 --threshold-adjust 30"}) {
        SCOPED_TRACE(options);
        const Result one = Run("--jobs 1 " + options + " " + inputs);
        EXPECT_EQ(one.status, 1);
        for (const char* jobs : {"--jobs 2", "--jobs 4"}) {
            const Result many = Run(std::string(jobs) + " " + options + " " + inputs);
            EXPECT_EQ(many.status, 1) << jobs;
            EXPECT_TRUE(many.out == one.out) << jobs << ": the rows differ";
            EXPECT_EQ(many.err, one.err) << jobs;
        }
        EXPECT_NE(one.err.find("none.wav"), std::string::npos);
        EXPECT_EQ(std::count(one.err.begin(), one.err.end(), '\n'), 1);
    }
}

TEST_F(KavrinAnalyzeBatch, OutputDirHoldsOneWholeCsvPerInputUnderUniqueNames) {
    const std::string first = Recording("day1/call.wav", 24576 + 8192 * 20, 5).string();
    const std::string second = Recording("day2/call.wav", 24576 + 8192 * 7 + 3, 6).string();
    const std::string other = Recording("day2/call.wav-2", 40000, 7).string();
    const fs::path out = m_dir / "out" / "new";  // made when missing
    for (const char* jobs : {"--jobs 1", "--jobs 3"}) {
        SCOPED_TRACE(jobs);
        fs::remove_all(m_dir / "out");
        const Result r = Run(std::string(jobs) + " --bins --output-dir " + Quote(out.string()) +
                             " " + Quote(first) + " " + Quote(second) + " " + Quote(other));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        // One summary line per input (standard error is no terminal here), in input order.
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
        EXPECT_LT(r.err.find("day1/call.wav: 20 rows"), r.err.find("day2/call.wav: 8 rows"));
        // Each CSV is exactly what a run on that file alone writes to standard output.
        EXPECT_EQ(ReadAll(out / "day1/call.wav.csv"), Run("--bins " + Quote(first)).out);
        EXPECT_EQ(ReadAll(out / "day2/call.wav.csv"), Run("--bins " + Quote(second)).out);
        EXPECT_EQ(ReadAll(out / "day2/call.wav-2.csv"), Run("--bins " + Quote(other)).out);
        EXPECT_EQ(std::distance(fs::recursive_directory_iterator(out),
                                fs::recursive_directory_iterator()),
                  5);
    }
}

TEST_F(KavrinAnalyzeBatch, LinksPlantedInTheOutputFolderAreNeverWrittenThrough) {
    const std::string input = Recording("in/r06.raw", 24576 + 8192 * 4, 40).string();
    const fs::path out = m_dir / "shared";
    const fs::path victim = m_dir / "victim";
    fs::create_directories(out);
    std::ofstream(victim) << "precious\n";
    fs::create_symlink(victim, out / "r06.raw.csv");
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A link at every partial name this very process could be expected to use.
        const std::string self = std::to_string(::getpid());
        for (const std::string& name : {".r06.raw.csv." + self + ".part",
                                        ".kavrin-analyze." + self + ".0000000000000000.part"})
            ::symlink(victim.c_str(), (out / name).c_str());
        std::freopen("/dev/null", "w", stderr);
        ::execl(KAVRIN_ANALYZE_PATH, KAVRIN_ANALYZE_PATH, "--jobs", "1", "--output-dir",
                out.c_str(), input.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadAll(victim), "precious\n");
    EXPECT_FALSE(fs::is_symlink(out / "r06.raw.csv"));
    EXPECT_EQ(ReadAll(out / "r06.raw.csv"), Run(Quote(input)).out);
}

TEST_F(KavrinAnalyzeBatch, AFailedInputLeavesNoCsvAndSkipExistingResumes) {
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; ++i)
        inputs.push_back(
            Recording("r" + std::to_string(i) + ".wav", 24576 + 8192 * (5 + i), 10 + i).string());
    const fs::path out = m_dir / "out";
    std::string all;
    for (const std::string& input : inputs) all += " " + Quote(input);
    ASSERT_EQ(Run("--output-dir " + Quote(out.string()) + all).status, 0);
    std::vector<std::string> whole;
    for (int i = 0; i < 4; ++i)
        whole.push_back(ReadAll(out / ("r" + std::to_string(i) + ".wav.csv")));

    // An unreadable input (a directory here) gets no CSV, not even a partial one.
    fs::create_directories(m_dir / "folder.wav");
    Result r =
        Run("--output-dir " + Quote(out.string()) + " " + Quote((m_dir / "folder.wav").string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(out / "folder.wav.csv"));
    EXPECT_TRUE(PartialFiles(out).empty());

    // A batch that lost two CSVs: only those are analysed again, the others are skipped.
    fs::remove(out / "r1.wav.csv");
    fs::remove(out / "r3.wav.csv");
    const auto untouched = fs::last_write_time(out / "r0.wav.csv");
    for (const char* jobs : {"--jobs 1", "--jobs 2"}) {
        SCOPED_TRACE(jobs);
        r = Run(std::string(jobs) + " --skip-existing --output-dir " + Quote(out.string()) + all);
        EXPECT_EQ(r.status, 0) << r.err;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(ReadAll(out / ("r" + std::to_string(i) + ".wav.csv")), whole[i]) << i;
        fs::remove(out / "r3.wav.csv");
    }
    EXPECT_EQ(fs::last_write_time(out / "r0.wav.csv"), untouched);
    EXPECT_NE(r.err.find("r0.wav: skipped"), std::string::npos) << r.err;
    EXPECT_EQ(Run("--skip-existing " + Quote(inputs[0])).status, 2);
}

TEST_F(KavrinAnalyzeBatch, AResumeAfterTheArchiveGrewAnalysesExactlyWhatIsNew) {
    const fs::path out = m_dir / "out";
    std::vector<std::string> months;
    for (int month = 1; month <= 3; ++month)
        months.push_back(
            Recording("arch/2024-0" + std::to_string(month) + "/call.raw", 40000 + month, month)
                .string());
    const std::string root = " --input-root " + Quote((m_dir / "arch").string());
    const std::string options = "--skip-existing --output-dir " + Quote(out.string()) + root;
    ASSERT_EQ(Run(options + " " + Quote(months[1])).status, 0);
    for (const char* jobs : {" --jobs 1", " --jobs 2"}) {
        fs::remove(out / "2024-03/call.raw.csv");
        const Result r = Run(options + jobs + " " + Quote(months[0]) + " " + Quote(months[1]) +
                             " " + Quote(months[2]));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
        EXPECT_NE(r.err.find("2024-02/call.raw: skipped"), std::string::npos) << r.err;
        for (int month = 0; month < 3; ++month)
            EXPECT_EQ(ReadAll(out / ("2024-0" + std::to_string(month + 1) + "/call.raw.csv")),
                      Run(Quote(months[month])).out)
                << month;
    }
    EXPECT_EQ(Run("--output-dir " + Quote(out.string()) + root + " " +
                  Quote(Recording("elsewhere.raw", 30000, 9).string()))
                  .status,
              2);
}

TEST_F(KavrinAnalyzeBatch, AnInterruptedBatchLeavesOnlyWholeCsvsAndResumes) {
    const std::string small = Recording("small.wav", 24576 + 8192 * 3, 20).string();
    // A quarter of an hour of signal (a recording repeated): still running when the first CSV
    // appears.
    const fs::path big = m_dir / "big.wav";
    {
        const std::string piece = ReadAll(Recording("piece.wav", 1984500, 21));
        std::ofstream bigFile(big, std::ios::binary);
        for (int i = 0; i < 10; ++i) bigFile << piece;
    }
    const fs::path out = m_dir / "out";
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stderr);
        ::execl(KAVRIN_ANALYZE_PATH, KAVRIN_ANALYZE_PATH, "--jobs", "1", "--output-dir",
                out.c_str(), small.c_str(), big.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(out / "small.wav.csv") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(fs::exists(out / "small.wav.csv")) << "the first CSV never appeared";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the batch ended before it could be interrupted";
    EXPECT_FALSE(fs::exists(out / "big.wav.csv"));
    EXPECT_TRUE(PartialFiles(out).empty());

    const Result resumed = Run("--skip-existing --output-dir " + Quote(out.string()) + " " +
                               Quote(small) + " " + Quote(big.string()));
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_NE(resumed.err.find("small.wav: skipped"), std::string::npos);
    EXPECT_EQ(ReadAll(out / "big.wav.csv"), Run(Quote(big.string())).out);
}

TEST_F(KavrinAnalyzeBatch, ABatchRemovesThePartialFilesOfKilledWritersOnly) {
    const fs::path big = m_dir / "big.raw";
    {
        const std::string piece = ReadAll(Recording("piece.raw", 1984500, 22));
        std::ofstream bigFile(big, std::ios::binary);
        for (int i = 0; i < 10; ++i) bigFile << piece;
    }
    const fs::path out = m_dir / "out";
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stderr);
        ::execl(KAVRIN_ANALYZE_PATH, KAVRIN_ANALYZE_PATH, "--jobs", "1", "--output-dir",
                out.c_str(), big.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((!fs::exists(out) || PartialFiles(out).empty()) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const std::vector<std::string> stale = PartialFiles(out);
    ASSERT_EQ(stale.size(), 1u) << "the killed batch left no partial file";
    // One of a writer that still runs (this test) stays; so do names of the dead writer that
    // are no regular file of this user: a link, another's file.
    const auto named = [&](long writer, const char* token) {
        return (out / (".kavrin-analyze." + std::to_string(writer) + "." + token + ".part"))
            .string();
    };
    std::set<std::string> kept = {named(::getpid(), "0123456789abcdef"),
                                  named(pid, "1111111111111111")};
    std::ofstream(named(::getpid(), "0123456789abcdef")) << "half";
    fs::create_symlink(big, named(pid, "1111111111111111"));
    if (::geteuid() == 0) {
        const std::string foreign = *kept.insert(named(pid, "2222222222222222")).first;
        std::ofstream(foreign) << "another's";
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    }

    const Result r = Run("--output-dir " + Quote(out.string()) + " " +
                         Quote(Recording("small.raw", 40000, 23).string()));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> left = PartialFiles(out);
    EXPECT_EQ(std::set<std::string>(left.begin(), left.end()), kept);
}

// True once a process waits for a lock on the file `inode` (/proc/locks marks a waiter "->"),
// or once `pid` has ended; false at the deadline.
bool WaitsForLockOrEnds(ino_t inode, pid_t pid, int* status) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (std::string locks; std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
        if (::waitpid(pid, status, WNOHANG) == pid) return true;
        locks = ReadAll("/proc/locks");
        if (locks.find("-> FLOCK") != std::string::npos &&
            locks.find(":" + std::to_string(inode) + " ") != std::string::npos)
            return true;
    }
    return false;
}

TEST_F(KavrinAnalyzeBatch, AnInputAnotherBatchAnalysesIsWaitedForThenSkippedOrAnalysed) {
    // The test holds the input as another batch's file source does while it reads it.
    const fs::path input = Recording("shared.raw", 24576 + 8192 * 5, 24);
    struct stat info {};
    ASSERT_EQ(::stat(input.c_str(), &info), 0);
    for (const bool skipExisting : {true, false}) {
        SCOPED_TRACE(skipExisting);
        const fs::path out = m_dir / (skipExisting ? "skip" : "all");
        const fs::path csv = out / "shared.raw.csv";
        fs::create_directories(out);
        const int held = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::freopen((m_dir / "stderr").c_str(), "w", stderr);
            ::execl(KAVRIN_ANALYZE_PATH, KAVRIN_ANALYZE_PATH, "--jobs", "1", "--output-dir",
                    out.c_str(), skipExisting ? "--skip-existing" : "--no-progress", input.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(pid, 0);
        int status = -1;
        ASSERT_TRUE(WaitsForLockOrEnds(info.st_ino, pid, &status));
        // The other batch finishes: its CSV in place, then the input let go.
        std::ofstream(csv) << "other\n";
        ::close(held);
        if (!WIFEXITED(status)) ::waitpid(pid, &status, 0);
        EXPECT_EQ(status, 0) << ReadAll(m_dir / "stderr");  // no "Sharing violation"
        EXPECT_EQ(ReadAll(csv) == "other\n", skipExisting);
    }
}

TEST_F(KavrinAnalyzeBatch, AJobThatWaitsForItsInputDoesNotHoldBackTheOthersOnStandardOutput) {
    // The first input is held (as another batch's file source holds it), so its job waits while
    // the rows of all later inputs must be kept back for standard output. The other job must go
    // on through every later input meanwhile; it once stopped after 64 inputs.
    const fs::path held = Recording("held.raw", 40000, 40);
    std::string inputs = Quote(held.string());
    fs::path last;
    for (int i = 0; i < 150; ++i) {
        last = Recording("small" + std::to_string(i) + ".raw", 40000, 41 + i % 7);
        inputs += " " + Quote(last.string());
    }
    const Result one = Run("--jobs 1 --no-progress " + inputs);
    ASSERT_EQ(one.status, 0) << one.err;

    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, last.c_str(), IN_CLOSE_NOWRITE), 0);
    const int lock = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    const fs::path out = m_dir / "stdout";
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen(out.c_str(), "w", stdout);
        std::freopen((m_dir / "stderr").c_str(), "w", stderr);
        ::execl("/bin/sh", "sh", "-c",
                (std::string("exec ") + KAVRIN_ANALYZE_PATH + " --jobs 2 --no-progress " + inputs)
                    .c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    pollfd ready{watch, POLLIN, 0};
    const bool reached = ::poll(&ready, 1, 30000) == 1;
    ::close(lock);
    int status = -1;
    ::waitpid(pid, &status, 0);
    ::close(watch);
    EXPECT_TRUE(reached) << "the last input was not read while the first one was held";
    EXPECT_EQ(status, 0) << ReadAll(m_dir / "stderr");
    EXPECT_TRUE(ReadAll(out) == one.out) << "the rows differ from --jobs 1";
}

TEST_F(KavrinAnalyzeBatch, FilesFromListsAfterTheCommandLineFiles) {
    const std::string a = Recording("a.wav", 35000, 30).string();
    const std::string b = Recording(" odd\nname.wav", 40000, 31).string();
    const std::string c = Recording("c.wav", 50000, 32).string();
    const Result expected = Run(Quote(a) + " " + Quote(b) + " " + Quote(c));
    ASSERT_EQ(expected.status, 0);

    // NUL-separated on standard input, as find -print0 gives them.
    Result r = Run(Quote(a) + " --files-from - --null", b + '\0' + c + '\0');
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == expected.out);

    // One path per line from a file (empty lines left out); then the same with several jobs.
    std::ofstream(m_dir / "list") << a << "\n\n" << c << "\n";
    r = Run("--jobs 2 --files-from " + Quote((m_dir / "list").string()));
    EXPECT_EQ(r.out, Run(Quote(a) + " " + Quote(c)).out);
    EXPECT_EQ(Run("--files-from " + Quote((m_dir / "missing").string())).status, 2);
    EXPECT_EQ(Run("--null " + Quote(a)).status, 2);
    EXPECT_EQ(Run("--files-from /dev/null").out,
              expected.out.substr(0, expected.out.find('\n') + 1));
}

TEST_F(KavrinAnalyzeBatch, DecodedAndReplayedInputsGiveTheSameBytesWithSeveralJobs) {
    // WAV files with their header (16-bit mono at 22050 Hz: decoding resamples them).
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; ++i) {
        const std::string raw =
            ReadAll(Recording("raw" + std::to_string(i), 70000 + 30000 * i, 50 + i));
        auto le = [](std::uint32_t v, int bytes) {
            std::string out;
            for (int b = 0; b < bytes; ++b) out += static_cast<char>((v >> (8 * b)) & 0xFF);
            return out;
        };
        const std::string wav = "RIFF" + le(36 + raw.size(), 4) + "WAVEfmt " + le(16, 4) +
                                le(1, 2) + le(1, 2) + le(22050, 4) + le(44100, 4) + le(2, 2) +
                                le(16, 2) + "data" + le(raw.size(), 4) + raw;
        const fs::path path = m_dir / ("w" + std::to_string(i) + ".wav");
        std::ofstream(path, std::ios::binary) << wav;
        inputs.push_back(Quote(path.string()));
    }
    std::string all;
    for (const std::string& input : inputs) all += " " + input;
    for (const char* mode : {"--decode", "--decode --live"}) {
        SCOPED_TRACE(mode);
        const Result one = Run(std::string("--jobs 1 ") + mode + all);
        EXPECT_EQ(one.status, 0) << one.err;
        EXPECT_GT(std::count(one.out.begin(), one.out.end(), '\n'), 8);
        const Result two = Run(std::string("--jobs 2 ") + mode + all);
        EXPECT_TRUE(two.out == one.out);
        const fs::path out = m_dir / "out";
        fs::remove_all(out);
        EXPECT_EQ(
            Run(std::string("--jobs 3 --output-dir ") + Quote(out.string()) + " " + mode + all)
                .status,
            0);
        EXPECT_EQ(ReadAll(out / "w2.wav.csv"), Run(std::string(mode) + " " + inputs[2]).out);
    }
}

TEST_F(KavrinAnalyzeBatch, OnATerminalOneBarCoversTheBatchInsteadOfSummaryLines) {
    // Long enough together for the bar (8 MiB), under a pseudo-terminal made by script(1).
    const std::string a = Recording("a.wav", 4500000, 40).string();
    const std::string b = Recording("b.wav", 4500000, 41).string();
    for (const char* jobs : {"--jobs 1", "--jobs 2"}) {
        SCOPED_TRACE(jobs);
        const std::string inner = std::string(KAVRIN_ANALYZE_PATH) + " " + jobs + " --output-dir " +
                                  Quote((m_dir / "out").string()) + " " + Quote(a) + " " + Quote(b);
        const std::string command = "script -qec " + Quote(inner) + " /dev/null </dev/null 2>&1";
        std::string shown;
        FILE* pipe = ::popen(command.c_str(), "r");
        std::array<char, 4096> buffer{};
        std::size_t n;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            shown.append(buffer.data(), n);
        EXPECT_EQ(::pclose(pipe), 0) << shown;
        EXPECT_NE(shown.find("2 files ["), std::string::npos) << shown;
        EXPECT_EQ(shown.find("rows,"), std::string::npos) << shown;
        EXPECT_TRUE(fs::exists(m_dir / "out" / "b.wav.csv"));
        fs::remove_all(m_dir / "out");
    }
}

}  // namespace
