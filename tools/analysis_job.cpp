#include "tools/analysis_job.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "analysis/evaluation_csv.h"
#include "platform/services/file.h"
#include "tools/partial_file.h"
#include "tools/text_escapes.h"

namespace kavrin_analyze {
namespace {

// The partial file being written and its folder, for the signal handler (which may only use
// plain memory).
char g_partial[NAME_MAX + 1];
volatile int g_partialFolder = -1;
volatile sig_atomic_t g_partialSet = 0;

void RemovePartialAndDie(int signal) {
    if (g_partialSet) ::unlinkat(g_partialFolder, g_partial, 0);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void SetPartial(int folder, const std::string& name) {
    g_partialSet = 0;
    if (name.size() > NAME_MAX) return;
    std::memcpy(g_partial, name.c_str(), name.size() + 1);
    g_partialFolder = folder;
    g_partialSet = 1;
}

std::string WriteError(const std::string& path, int error) {
    return "cannot write " + path + ": " + std::strerror(error);
}

// Rows into a stream, counting them and remembering the first write error.
struct RowWriter {
    std::FILE* stream;
    std::string input;  // as the file column shows it: valid UTF-8
    const RunSettings& settings;
    JobResult* result;

    void operator()(const EvaluationRow& row) {
        const std::string line = FormatRow(input, row, settings.bins, settings.quality);
        std::fwrite(line.data(), 1, line.size(), stream);
        ++result->rows;
        result->seconds = row.timeSeconds;
    }
};

bool IsRegularCsv(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Waits while another process holds the regular file `input` exclusively, as the file source
// does while it reads: two batches into one folder meet on the same inputs, and the second
// would otherwise fail where the first succeeds. True when it had to wait.
bool WaitWhileInUse(const std::string& input) {
    struct stat info {};
    if (::stat(input.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    const int fd = ::open(input.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    bool waited = false;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        waited = true;
        while (::flock(fd, LOCK_SH) != 0 && errno == EINTR) {
        }
    }
    ::close(fd);  // and with it the lock, before the file source takes its own
    return waited;
}

// After a wait for another batch: its file source lets the input go a moment before the batch
// renames the finished CSV into place, so the CSV is looked for a little while.
bool CsvAppears(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!IsRegularCsv(path)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

int OpenCsvFolder(const std::string& directory, const std::string& name, std::string* leaf,
                  bool make) {
    int folder = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::size_t begin = 0;
    for (std::size_t slash = name.find('/'); folder >= 0 && slash != std::string::npos;
         begin = slash + 1, slash = name.find('/', begin)) {
        const std::string part = name.substr(begin, slash - begin);
        if (part.empty()) continue;
        // The mirrored folders are made as needed and entered without following a link.
        if (make && ::mkdirat(folder, part.c_str(), 0777) != 0 && errno != EEXIST) {
            const int error = errno;
            ::close(folder);
            errno = error;
            return -1;
        }
        const int inner =
            ::openat(folder, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        ::close(folder);
        folder = inner;
        errno = error;
    }
    *leaf = name.substr(begin);
    return folder;
}

void RemovePartialFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemovePartialAndDie;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::sigaction(signal, &action, nullptr);
}

namespace {

// What is said beside a run's rows: the foreign header the raw path ignored, or where decoding
// stopped early.
std::string RunNote(const std::string& input, const RunSettings& settings, const RunNotes& notes) {
    std::string note = ForeignHeaderNote(input, settings);
    return note.empty() ? notes.decodeWarning : note;
}

JobResult RunJobOnce(const std::string& input, const RunSettings& settings, const JobTarget& target,
                     const ProgressSink& progress, bool waited) {
    JobResult result;
    // The designed row of a file too short to analyse is written; that nothing was analysed is
    // then an error all the same.
    RunNotes notes;
    if (target.directory.empty()) {
        result.error = AnalyzeFile(input, settings,
                                   RowWriter{target.stream, ValidUtf8(input), settings, &result},
                                   progress, &notes);
        result.note = RunNote(input, settings, notes);
        if (result.error.empty()) result.error = notes.nothingAnalysed;
        return result;
    }

    const std::string final = target.directory + "/" + target.name;
    // Another batch into the same folder may have written it since the batch began.
    if (target.skipExisting && (IsRegularCsv(final) || (waited && CsvAppears(final)))) {
        result.skipped = true;
        return result;
    }
    // Everything happens inside the opened folder: a name planted there (a link to a file the
    // user never named) is replaced by the rename, never written through.
    std::string leaf;
    const int folder = OpenCsvFolder(target.directory, target.name, &leaf);
    if (folder < 0) {
        result.error = WriteError(final, errno);
        return result;
    }
    std::string partial;
    const int fd = CreatePartialFile(folder, &partial);
    if (fd < 0) {
        result.error = WriteError(final, errno);
        ::close(folder);
        return result;
    }
    SetPartial(folder, partial);
    std::FILE* stream = ::fdopen(fd, "w");
    if (stream == nullptr) {
        result.error = WriteError(final, errno);
        ::close(fd);
        ::unlinkat(folder, partial.c_str(), 0);
        g_partialSet = 0;
        ::close(folder);
        return result;
    }
    std::vector<char> buffer(1 << 16);
    std::setvbuf(stream, buffer.data(), _IOFBF, buffer.size());
    const std::string header = CsvHeader(settings.bins, settings.quality);
    std::fwrite(header.data(), 1, header.size(), stream);
    result.error = AnalyzeFile(
        input, settings, RowWriter{stream, ValidUtf8(input), settings, &result}, progress, &notes);
    result.note = RunNote(input, settings, notes);

    // Only a CSV that reached the disk whole takes its name.
    int writeError = 0;
    if (std::fflush(stream) != 0 || std::ferror(stream)) writeError = errno ? errno : EIO;
    if (writeError == 0 && ::fdatasync(fd) != 0) writeError = errno;
    if (std::fclose(stream) != 0 && writeError == 0) writeError = errno;
    if (result.error.empty() && writeError != 0) result.error = WriteError(final, writeError);
    if (result.error.empty() && ::renameat(folder, partial.c_str(), folder, leaf.c_str()) != 0)
        result.error = WriteError(final, errno);
    if (!result.error.empty()) ::unlinkat(folder, partial.c_str(), 0);
    g_partialSet = 0;
    ::close(folder);
    if (result.error.empty()) result.error = notes.nothingAnalysed;
    return result;
}

}  // namespace

JobResult RunJob(const std::string& input, const RunSettings& settings, const JobTarget& target,
                 const ProgressSink& progress) {
    // Another process may take the input between the wait and the file source's own lock (two
    // batches reaching it together): its open then fails before anything is written, and the
    // input is waited for again.
    const std::string inUse =
        platform::CFileException(platform::CFileException::Cause::sharingViolation, 0, input)
            .what();
    for (int attempt = 1;; ++attempt) {
        const bool waited = input != "-" && WaitWhileInUse(input);
        JobResult result = RunJobOnce(input, settings, target, progress, waited);
        if (result.error != inUse || attempt == 100) return result;
    }
}

}  // namespace kavrin_analyze
