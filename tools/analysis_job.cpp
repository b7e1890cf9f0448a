#include "tools/analysis_job.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "analysis/evaluation_csv.h"
#include "tools/output_names.h"

namespace kavrin_analyze {
namespace {

// The partial file being written, for the signal handler (which may only use plain memory).
char g_partial[PATH_MAX + 1];
volatile sig_atomic_t g_partialSet = 0;

void RemovePartialAndDie(int signal) {
    if (g_partialSet) ::unlink(g_partial);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void SetPartial(const std::string& path) {
    g_partialSet = 0;
    if (path.size() > PATH_MAX) return;
    std::memcpy(g_partial, path.c_str(), path.size() + 1);
    g_partialSet = 1;
}

std::string WriteError(const std::string& path, int error) {
    return "cannot write " + path + ": " + std::strerror(error);
}

// Rows into a stream, counting them and remembering the first write error.
struct RowWriter {
    std::FILE* stream;
    const std::string& input;
    const RunSettings& settings;
    JobResult* result;

    void operator()(const EvaluationRow& row) {
        const std::string line = FormatRow(input, row, settings.bins, settings.quality);
        std::fwrite(line.data(), 1, line.size(), stream);
        ++result->rows;
        result->seconds = row.timeSeconds;
    }
};

}  // namespace

void RemovePartialFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemovePartialAndDie;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::sigaction(signal, &action, nullptr);
}

JobResult RunJob(const std::string& input, const RunSettings& settings, const JobTarget& target,
                 const ProgressSink& progress) {
    JobResult result;
    if (target.directory.empty()) {
        result.error = AnalyzeFile(input, settings,
                                   RowWriter{target.stream, input, settings, &result}, progress);
        result.note = ForeignHeaderNote(input, settings);
        return result;
    }

    const std::string final = target.directory + "/" + target.name;
    const std::string partial =
        target.directory + "/" + PartialName(target.name, static_cast<long>(::getpid()));
    SetPartial(partial);
    // A partial file of this name can only be left by a dead process that had this id.
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        g_partialSet = 0;
        result.error = WriteError(final, errno);
        return result;
    }
    std::FILE* stream = ::fdopen(fd, "w");
    if (stream == nullptr) {
        result.error = WriteError(final, errno);
        ::close(fd);
        ::unlink(partial.c_str());
        g_partialSet = 0;
        return result;
    }
    std::vector<char> buffer(1 << 16);
    std::setvbuf(stream, buffer.data(), _IOFBF, buffer.size());
    const std::string header = CsvHeader(settings.bins, settings.quality);
    std::fwrite(header.data(), 1, header.size(), stream);
    result.error =
        AnalyzeFile(input, settings, RowWriter{stream, input, settings, &result}, progress);
    result.note = ForeignHeaderNote(input, settings);

    // Only a CSV that reached the disk whole takes its name.
    int writeError = 0;
    if (std::fflush(stream) != 0 || std::ferror(stream)) writeError = errno ? errno : EIO;
    if (writeError == 0 && ::fdatasync(fd) != 0) writeError = errno;
    if (std::fclose(stream) != 0 && writeError == 0) writeError = errno;
    if (result.error.empty() && writeError != 0) result.error = WriteError(final, writeError);
    if (result.error.empty() && ::rename(partial.c_str(), final.c_str()) != 0)
        result.error = WriteError(final, errno);
    if (!result.error.empty()) ::unlink(partial.c_str());
    g_partialSet = 0;
    return result;
}

}  // namespace kavrin_analyze
