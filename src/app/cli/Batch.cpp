#include "Batch.h"

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "FileRun.h"
#include "base/Errors.h"
#include "base/FileNames.h"

namespace skeldra {

namespace fs = std::filesystem;

namespace {

int coreCount()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
}

// Errors rank above warnings, warnings above success.
int rank(int status)
{
    switch (status) {
    case status::Done: return 0;
    case status::Warnings: return 1;
    default: return 2;
    }
}

int worse(int a, int b) { return rank(b) > rank(a) ? b : a; }

// An unnamed file in TMPDIR that disappears with its last descriptor.
std::FILE* anonymousFile()
{
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/skeldra-cli-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return nullptr;
    unlink(pattern.c_str());
    std::FILE* file = fdopen(fd, "w+");
    if (!file) close(fd);
    return file;
}

struct Job {
    FileTask task;
    pid_t pid = -1;
    std::FILE* out = nullptr;
    std::FILE* err = nullptr;
    bool finished = false;
    int status = status::Done;
    std::string failure = {};  // why it failed, for the summary
};

void copyInto(std::FILE* from, OutputStream& to)
{
    std::rewind(from);
    std::array<char, 1 << 16> chunk;
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), from)) > 0) to.write(std::string_view(chunk.data(), n));
}

// The extension of a file the command writes, as the window's save dialog
// would propose it; "" when the arguments do not say.
std::string outputExtension(const Command& command, const ParsedArguments& args)
{
    const std::string name = command.name;
    if (name == "describe") {
        if (args.layoutKind == "vrt") return ".vrt";
        if (args.layoutKind == "envi") return ".hdr";
        if (args.layoutKind == "pds3") return ".lbl";
        return "";
    }
    if (name != "convert") return ".bmp";
    // The last output button chosen is the one checked, as in the window.
    std::string extension = ".bmp";
    for (Choice choice : args.choices) {
        if (choice == Choice::BMPOutput) extension = ".bmp";
        if (choice == Choice::TextOutput) extension = ".txt";
        if (choice == Choice::PNGOutput || choice == Choice::PNG16Output) extension = ".png";
        if (choice == Choice::TIFFOutput) extension = ".tif";
    }
    return extension;
}

// The outputs of several files go into the -o folder, named after the
// inputs. Returns a usage problem, or "".
std::string planOutputs(const Command& command, const ParsedArguments& args, std::vector<Job>& jobs)
{
    if (!command.needsOutput) return "";
    std::error_code error;
    if (!fs::is_directory(args.outputFile, error))
        return "with several input files, -o names an existing folder: " + args.outputFile;
    const std::string extension = outputExtension(command, args);
    if (extension.empty()) return std::string("with several input files, ") + command.name + " needs --as";
    std::set<std::string> names;
    for (Job& job : jobs) {
        const std::string name = changeFileExtension(fs::path(job.task.input).filename().string(), extension);
        if (!names.insert(name).second) return "two input files would both write " + name;
        job.task.output = (fs::path(args.outputFile) / name).string();
    }
    return "";
}

class Scheduler {
public:
    Scheduler(const Command& command, const ParsedArguments& args, std::vector<Job>& jobs, OutputStream& out,
              OutputStream& err, bool progressBar)
        : command_(command), args_(args), jobs_(jobs), out_(out), err_(err), progressBar_(progressBar)
    {
    }

    void run(size_t slots)
    {
        size_t next = 0, emitted = 0, running = 0;
        while (emitted < jobs_.size()) {
            while (running < slots && next < jobs_.size()) {
                start(jobs_[next++]);
                if (jobs_[next - 1].pid > 0) ++running;
            }
            if (running > 0) {
                reapOne();
                --running;
            }
            while (emitted < jobs_.size() && jobs_[emitted].finished) emit(jobs_[emitted++]);
            drawProgress(emitted);
        }
        if (progressBar_) err_.write("\r" + std::string(70, ' ') + "\r");
    }

private:
    void start(Job& job)
    {
        job.out = anonymousFile();
        job.err = anonymousFile();
        if (!job.out || !job.err) return fail(job, std::strerror(errno));
        out_.flush();
        err_.flush();
        const pid_t pid = fork();
        if (pid < 0) return fail(job, std::strerror(errno));
        if (pid == 0) {
            OutputStream out(job.out), err(job.err);
            const int status = runOnFile(command_, job.task, args_, RunStyle{true, false}, out, err);
            err.flush();
            _exit(status);
        }
        job.pid = pid;
    }

    void fail(Job& job, const std::string& why)
    {
        job.finished = true;
        job.status = status::Error;
        job.failure = why;
    }

    void reapOne()
    {
        int raw = 0;
        pid_t pid;
        while ((pid = waitpid(-1, &raw, 0)) < 0 && errno == EINTR) {}
        for (Job& job : jobs_) {
            if (job.pid != pid || job.finished) continue;
            job.finished = true;
            if (WIFEXITED(raw)) {
                job.status = WEXITSTATUS(raw);
            } else {
                job.status = status::Error;
                job.failure = "ended by signal " + std::to_string(WTERMSIG(raw));
            }
        }
    }

    // The files done so far, on the terminal's last line.
    void drawProgress(size_t done)
    {
        if (!progressBar_) return;
        const size_t filled = done * 50 / jobs_.size();
        err_.write("\r[" + std::string(filled, '#') + std::string(50 - filled, ' ') + "] " + std::to_string(done) +
                   "/" + std::to_string(jobs_.size()) + " files");
        err_.flush();
    }

    void emit(Job& job)
    {
        if (progressBar_) err_.write("\r" + std::string(70, ' ') + "\r");
        if (job.out) copyInto(job.out, out_);
        if (job.err) copyInto(job.err, err_);
        if (!job.failure.empty()) err_.line("skeldra-cli: " + job.task.input + ": " + job.failure);
        for (std::FILE* file : {job.out, job.err})
            if (file) std::fclose(file);
        job.out = job.err = nullptr;
    }

    const Command& command_;
    const ParsedArguments& args_;
    std::vector<Job>& jobs_;
    OutputStream& out_;
    OutputStream& err_;
    const bool progressBar_;
};

void summarize(const std::vector<Job>& jobs, OutputStream& err)
{
    size_t succeeded = 0, withWarnings = 0;
    std::string failed;
    for (const Job& job : jobs) {
        if (rank(job.status) < 2) {
            ++succeeded;
            if (job.status == status::Warnings) ++withWarnings;
        } else {
            failed += (failed.empty() ? "" : ", ") + job.task.input;
        }
    }
    std::string line = "skeldra-cli: " + std::to_string(succeeded) + " of " + std::to_string(jobs.size()) +
                       " files succeeded";
    if (withWarnings > 0) line += " (" + std::to_string(withWarnings) + " with warnings)";
    if (!failed.empty()) line += "; failed: " + failed;
    err.line(line);
}

}  // namespace

int runBatch(const Command& command, const ParsedArguments& args, OutputStream& out, OutputStream& err)
{
    const bool terminal = isatty(fileno(err.file())) != 0;
    if (args.inputFiles.size() == 1) {
        const RunStyle style{false, terminal};
        return runOnFile(command, FileTask{args.inputFiles.front(), args.outputFile}, args, style, out, err);
    }
    std::vector<Job> jobs;
    for (const std::string& input : args.inputFiles) jobs.push_back(Job{.task = FileTask{input, ""}});
    if (const std::string problem = planOutputs(command, args, jobs); !problem.empty()) {
        err.line("skeldra-cli: " + problem);
        return status::Usage;
    }
    const size_t slots = static_cast<size_t>(args.jobs > 0 ? args.jobs : coreCount());
    Scheduler(command, args, jobs, out, err, terminal && command.showsProgress).run(std::min(slots, jobs.size()));

    int worst = status::Done;
    for (const Job& job : jobs) worst = worse(worst, job.status);
    summarize(jobs, err);
    out.flush();
    err.flush();
    if (out.error() != 0) {
        err.line("skeldra-cli: error: " + errorBoxText(ioErrorTextFromErrno(out.error())));
        return status::Error;
    }
    return worst;
}

}  // namespace skeldra
