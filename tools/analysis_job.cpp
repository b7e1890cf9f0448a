#include "tools/analysis_job.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "analysis/evaluation_csv.h"
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

JobResult RunJob(const std::string& input, const RunSettings& settings, const JobTarget& target,
                 const ProgressSink& progress) {
    JobResult result;
    // The designed row of a file too short to analyse is written; that nothing was analysed is
    // then an error all the same.
    std::string nothingAnalysed;
    if (target.directory.empty()) {
        result.error = AnalyzeFile(input, settings,
                                   RowWriter{target.stream, ValidUtf8(input), settings, &result},
                                   progress, &nothingAnalysed);
        result.note = ForeignHeaderNote(input, settings);
        if (result.error.empty()) result.error = nothingAnalysed;
        return result;
    }

    const std::string final = target.directory + "/" + target.name;
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
    result.error =
        AnalyzeFile(input, settings, RowWriter{stream, ValidUtf8(input), settings, &result},
                    progress, &nothingAnalysed);
    result.note = ForeignHeaderNote(input, settings);

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
    if (result.error.empty()) result.error = nothingAnalysed;
    return result;
}

}  // namespace kavrin_analyze
