#include "tools/batch_runner.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "tools/batch_plan.h"
#include "tools/partial_file.h"
#include "tools/progress_bar.h"
#include "tools/text_escapes.h"

namespace kavrin_analyze {

unsigned ProcessorCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return 1;
}

std::string BatchReporter::Line(const std::string& input, const std::string& name,
                                const BatchOutcome& outcome) const {
    const std::string csv = m_settings.outputDir + "/" + name;
    std::string note;
    if (!outcome.result.note.empty())
        note = "kavrin-analyze: " + input + ": " + outcome.result.note + "\n";
    if (!outcome.result.error.empty())
        return note + "kavrin-analyze: " + input + ": " + outcome.result.error + "\n";
    if (!m_settings.summaries) return note;
    if (outcome.skipped || outcome.result.skipped)
        return "kavrin-analyze: " + input + ": skipped, " + csv + " exists\n";
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "%.1f", outcome.result.seconds);
    std::string line = note + "kavrin-analyze: " + input + ": " +
                       std::to_string(outcome.result.rows) + " rows, " + seconds + " s of signal";
    if (!m_settings.outputDir.empty()) line += ", " + csv;
    return line + "\n";
}

void BatchReporter::Report(const std::string& input, const std::string& name,
                           const BatchOutcome& outcome) {
    std::string line = Line(input, name, outcome);
    if (line.empty()) return;
    // One line, whatever the name holds.
    line = EscapeControls(line.substr(0, line.size() - 1)) + "\n";
    std::fwrite(line.data(), 1, line.size(), m_errors);
    std::fflush(m_errors);
}

namespace {

bool RunInProcess(const std::vector<PlannedInput>& plan, const BatchSettings& settings,
                  std::FILE* out) {
    std::uint64_t total = 0;
    for (const PlannedInput& p : plan)
        if (!p.skipped) total += p.length;
    ProgressBar bar(BatchLabel(plan), settings.progressBar);
    BatchReporter reporter(settings, stderr);
    InstallHeadlessPlatform();
    bool ok = true;
    std::uint64_t done = 0;
    for (const PlannedInput& p : plan) {
        BatchOutcome outcome;
        if (p.skipped) {
            outcome.skipped = true;
        } else {
            const JobTarget target{out, settings.outputDir, p.name, settings.skipExisting};
            outcome.result = RunJob(
                p.path, settings.run, target, [&](std::uint64_t position, std::uint64_t length) {
                    bar.Update(BatchPosition(done, p.length, position, length), total);
                });
            done += p.length;
            if (out) std::fflush(out);
        }
        if (!outcome.result.error.empty()) {
            ok = false;
            bar.Finish();
        }
        reporter.Report(p.path, p.name, outcome);
    }
    bar.Finish();
    return ok;
}

}  // namespace

bool RunBatch(const std::vector<std::string>& inputs, const BatchSettings& settings,
              std::FILE* out) {
    const std::vector<PlannedInput> plan = PlanBatch(inputs, settings);
    if (!settings.outputDir.empty()) {
        // Each folder the batch writes to, reached as its writers reach it (no link followed
        // inside the output folder), and never made just for this.
        std::set<std::string> folders;
        for (const PlannedInput& p : plan) folders.insert(p.name.substr(0, p.name.rfind('/') + 1));
        for (const std::string& folder : folders) {
            std::string leaf;
            const int fd = OpenCsvFolder(settings.outputDir, folder, &leaf, false);
            if (fd < 0) continue;
            RemoveStalePartialFiles(fd);
            ::close(fd);
        }
    }
    std::size_t toAnalyse = 0;
    for (const PlannedInput& p : plan) toAnalyse += p.skipped ? 0 : 1;
    if (settings.jobs <= 1 || toAnalyse <= 1) return RunInProcess(plan, settings, out);
    return RunForkedBatch(plan, settings, out);
}

}  // namespace kavrin_analyze
