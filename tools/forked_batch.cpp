// Several inputs at once, analysed in child processes: the analyzers and the platform's seams
// are per process, so nothing is shared between jobs, and a job's memory is returned when it
// ends. Short inputs go to a child in runs of consecutive ones, so that a process's start
// (milliseconds) is not paid again for every small file. A child sends its progress and its result
// through a pipe; without an output directory it writes its rows to an unnamed temporary file,
// which the parent copies to the output once every earlier input's rows are there.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "analysis/band_bins.h"
#include "analysis/window_table.h"
#include "tools/batch_plan.h"
#include "tools/progress_bar.h"

namespace kavrin_analyze {
namespace {

// Messages from a child: 'P' and the position in its run (progress), and for each input in turn
// 'R', the row count, the seconds of signal, the error's length and the error text, the note's
// length and the note.
constexpr char kProgress = 'P';
constexpr char kResult = 'R';

// Runs whose rows are held for the output while an earlier one is still being waited for:
// bounds the temporary files (one a run) that a long first input lets pile up.
constexpr std::size_t kMinimumLookahead = 64;

// A child's run of consecutive inputs ends once it holds this many bytes (or inputs); a longer
// input is a run of its own. Starting a child costs about as much as analysing a few
// megabytes.
constexpr std::uint64_t kRunBytes = std::uint64_t{16} << 20;
constexpr std::size_t kRunInputs = 4096;

bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// An unnamed file for a child's rows, in $TMPDIR or /tmp.
int TemporaryFile() {
    const char* dir = std::getenv("TMPDIR");
    if (dir == nullptr || *dir == '\0') dir = "/tmp";
    int fd = ::open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string name = std::string(dir) + "/kavrin-analyze-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
    return fd;
}

// Copies the rows of a finished child to the output.
bool CopyRows(int fd, std::FILE* out) {
    char buffer[1 << 16];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        std::fwrite(buffer, 1, static_cast<std::size_t>(n), out);
        offset += n;
    }
}

[[noreturn]] void RunChild(const std::vector<PlannedInput>& plan, std::size_t first,
                           std::size_t count, const BatchSettings& settings, int rowsFd,
                           int pipeFd) {
    // A parent that dies takes its jobs with it.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() == 1) ::_exit(1);
    InstallHeadlessPlatform();
    std::FILE* rows = nullptr;
    std::vector<char> buffer(1 << 16);
    if (rowsFd >= 0) {
        rows = ::fdopen(rowsFd, "w");
        if (rows == nullptr) ::_exit(1);
        std::setvbuf(rows, buffer.data(), _IOFBF, buffer.size());
    }
    int lastPercent = -1;
    std::uint64_t before = 0;  // bytes of the run's earlier inputs
    bool sent = true;
    for (std::size_t i = first; i < first + count && sent; ++i) {
        const PlannedInput& input = plan[i];
        const JobTarget target{rows, settings.outputDir, input.name, settings.skipExisting};
        JobResult result = RunJob(
            input.path, settings.run, target, [&](std::uint64_t position, std::uint64_t length) {
                if (!settings.progressBar || length == 0) return;
                const int percent = static_cast<int>(position * 100 / length);
                if (percent == lastPercent) return;
                lastPercent = percent;
                const std::uint64_t at = BatchPosition(before, input.length, position, length);
                char message[1 + sizeof at];
                message[0] = kProgress;
                std::memcpy(message + 1, &at, sizeof at);
                WriteAll(pipeFd, message, sizeof message);
            });
        before += input.length;
        if (rows != nullptr && (std::fflush(rows) != 0 || std::ferror(rows)) &&
            result.error.empty())
            result.error = std::string("cannot write the rows: ") + std::strerror(errno);
        std::string message(1, kResult);
        const std::uint32_t errorLength = static_cast<std::uint32_t>(result.error.size());
        message.append(reinterpret_cast<const char*>(&result.rows), sizeof result.rows);
        message.append(reinterpret_cast<const char*>(&result.seconds), sizeof result.seconds);
        message.append(reinterpret_cast<const char*>(&errorLength), sizeof errorLength);
        message += result.error;
        const std::uint32_t noteLength = static_cast<std::uint32_t>(result.note.size());
        message.append(reinterpret_cast<const char*>(&noteLength), sizeof noteLength);
        message += result.note;
        message += result.skipped ? '\1' : '\0';
        sent = WriteAll(pipeFd, message.data(), message.size());
    }
    ::_exit(sent ? 0 : 1);
}

struct Child {
    pid_t pid = -1;
    int pipe = -1;
    std::size_t index = 0;  // the run's first input
    std::size_t count = 1;
    std::uint64_t position = 0;
    std::string received;
};

struct Finished {
    BatchOutcome outcome;
    int rowsFd = -1;
};

// Reads what a child sent (the pipe does not block); true once its pipe is closed. Progress
// messages are taken as they come, results are kept in order.
bool Receive(Child& child, std::vector<JobResult>* results) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(child.pipe, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
        if (n <= 0) return true;
        child.received.append(buffer, static_cast<std::size_t>(n));
        std::size_t used = 0;
        const std::string& r = child.received;
        constexpr std::size_t kFixed = 1 + 8 + 8 + 4;
        for (;;) {
            if (r.size() - used >= 9 && r[used] == kProgress) {
                std::memcpy(&child.position, r.data() + used + 1, 8);
                used += 9;
                continue;
            }
            if (r.size() - used < kFixed || r[used] != kResult) break;
            std::uint32_t errorLength = 0;
            std::memcpy(&errorLength, r.data() + used + 17, 4);
            const std::size_t noteAt = kFixed + std::size_t{errorLength};
            if (r.size() - used < noteAt + 4) break;
            std::uint32_t noteLength = 0;
            std::memcpy(&noteLength, r.data() + used + noteAt, 4);
            if (r.size() - used < noteAt + 4 + noteLength + 1) break;
            JobResult result;
            std::memcpy(&result.rows, r.data() + used + 1, 8);
            std::memcpy(&result.seconds, r.data() + used + 9, 8);
            result.error = r.substr(used + kFixed, errorLength);
            result.note = r.substr(used + noteAt + 4, noteLength);
            result.skipped = r[used + noteAt + 4 + noteLength] != 0;
            results->push_back(std::move(result));
            used += noteAt + 4 + noteLength + 1;
        }
        child.received.erase(0, used);
    }
}

// What became of an input whose result never came: the child ended first.
JobResult Unfinished(int status) {
    JobResult result;
    if (WIFSIGNALED(status))
        result.error = "the analysis ended by signal " + std::to_string(WTERMSIG(status));
    else
        result.error = "the analysis ended without a result";
    return result;
}

// The analysis's tables (the window and the band bins' oscillator values, a few hundred thousand
// cosines) are made on first use. Made once here, every child shares them from the fork on
// instead of computing them again for each input.
void PrepareSharedTables() {
    static std::int16_t history[CTremorAnalyzer::kHistorySize];
    static double windowed[CTremorAnalyzer::kHistorySize];
    double magnitudes[CTremorAnalyzer::kBandBinCount];
    CWindowTable::Apply(history, 1.0, 0, windowed);
    CBandBins::Evaluate(windowed, magnitudes);
}

}  // namespace

bool RunForkedBatch(const std::vector<PlannedInput>& plan, const BatchSettings& settings,
                    std::FILE* out) {
    const bool toStream = settings.outputDir.empty();
    const std::size_t lookahead = std::max<std::size_t>(kMinimumLookahead, 4 * settings.jobs);
    std::uint64_t total = 0;
    for (const PlannedInput& p : plan)
        if (!p.skipped) total += p.length;
    ProgressBar bar(BatchLabel(plan), settings.progressBar);
    BatchReporter reporter(settings, stderr);
    PrepareSharedTables();

    // Runs short enough that every job gets several, long inputs alone.
    const std::uint64_t runLimit =
        std::max<std::uint64_t>(1, std::min<std::uint64_t>(kRunBytes, total / (4 * settings.jobs)));

    std::vector<Child> running;
    std::map<pid_t, std::vector<JobResult>> runResults;
    std::map<std::size_t, Finished> finished;
    std::set<std::pair<dev_t, ino_t>> busyFiles;
    std::size_t next = 0;
    std::size_t emitted = 0;
    std::size_t runsHeld = 0;  // runs started whose rows are not out yet
    std::uint64_t doneBytes = 0;
    bool ok = true;

    while (emitted < plan.size()) {
        // Start jobs in input order while there is room.
        while (running.size() < settings.jobs && next < plan.size() &&
               (!toStream || runsHeld < lookahead)) {
            const PlannedInput& p = plan[next];
            if (p.skipped) {
                finished[next].outcome.skipped = true;
                ++next;
                continue;
            }
            if (p.exists && busyFiles.count({p.device, p.inode}) != 0) break;
            // The run: consecutive inputs to analyse, none busy elsewhere, within the limits.
            std::size_t count = 1;
            std::uint64_t runBytes = p.length;
            while (next + count < plan.size() && count < kRunInputs) {
                const PlannedInput& q = plan[next + count];
                if (q.skipped || runBytes + q.length > runLimit ||
                    (q.exists && busyFiles.count({q.device, q.inode}) != 0))
                    break;
                runBytes += q.length;
                ++count;
            }
            int rowsFd = -1;
            if (toStream && (rowsFd = TemporaryFile()) < 0) {
                finished[next].outcome.result.error =
                    std::string("cannot make a temporary file: ") + std::strerror(errno);
                ++next;
                continue;
            }
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) != 0) {
                finished[next].outcome.result.error =
                    std::string("cannot start a job: ") + std::strerror(errno);
                if (rowsFd >= 0) ::close(rowsFd);
                ++next;
                continue;
            }
            std::fflush(nullptr);  // nothing buffered may be written twice
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(fds[0]);
                RunChild(plan, next, count, settings, rowsFd, fds[1]);
            }
            ::close(fds[1]);
            ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
            if (pid < 0) {
                finished[next].outcome.result.error =
                    std::string("cannot start a job: ") + std::strerror(errno);
                ::close(fds[0]);
                if (rowsFd >= 0) ::close(rowsFd);
                ++next;
                continue;
            }
            Child child;
            child.pid = pid;
            child.pipe = fds[0];
            child.index = next;
            child.count = count;
            running.push_back(std::move(child));
            for (std::size_t i = next; i < next + count; ++i) {
                finished.erase(i);
                finished[i].outcome.result.rows = ~std::uint64_t{0};  // still running
                if (plan[i].exists) busyFiles.insert({plan[i].device, plan[i].inode});
            }
            // The run's rows, in input order, go out with its first input.
            if (rowsFd >= 0) {
                finished[next].rowsFd = rowsFd;
                ++runsHeld;
            }
            next += count;
        }

        // Everything finished in front goes out, in input order.
        for (auto it = finished.find(emitted);
             it != finished.end() && it->second.outcome.result.rows != ~std::uint64_t{0};
             it = finished.find(emitted)) {
            const PlannedInput& p = plan[emitted];
            Finished& f = it->second;
            if (f.rowsFd >= 0) {
                if (!CopyRows(f.rowsFd, out) && f.outcome.result.error.empty())
                    f.outcome.result.error = "cannot read back the rows";
                ::close(f.rowsFd);
                --runsHeld;
                std::fflush(out);
            }
            if (!f.outcome.result.error.empty()) {
                ok = false;
                bar.Finish();
            }
            reporter.Report(p.path, p.name, f.outcome);
            finished.erase(it);
            ++emitted;
        }
        if (emitted >= plan.size()) break;
        if (running.empty()) continue;

        // Wait for a child to send something or end.
        std::vector<pollfd> polls;
        for (const Child& child : running) polls.push_back(pollfd{child.pipe, POLLIN, 0});
        const int ready = ::poll(polls.data(), polls.size(), settings.progressBar ? 200 : -1);
        if (ready < 0 && errno != EINTR) {
            ok = false;
            break;
        }
        for (std::size_t c = running.size(); c-- > 0;) {
            if (polls[c].revents == 0) continue;
            Child& child = running[c];
            std::vector<JobResult>& results = runResults[child.pid];
            if (!Receive(child, &results)) continue;
            int status = 0;
            while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
            }
            ::close(child.pipe);
            for (std::size_t k = 0; k < child.count; ++k) {
                const PlannedInput& p = plan[child.index + k];
                finished[child.index + k].outcome.result =
                    k < results.size() ? std::move(results[k]) : Unfinished(status);
                if (p.exists) busyFiles.erase({p.device, p.inode});
                doneBytes += p.length;
            }
            runResults.erase(child.pid);
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(c));
        }
        std::uint64_t position = doneBytes;
        for (const Child& child : running) position += child.position;
        bar.Update(position, total);
    }
    bar.Finish();
    return ok;
}

}  // namespace kavrin_analyze
