// SPDX-License-Identifier: BSD-3-Clause
#include "Batch.h"

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <functional>
#include <limits>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "FileRun.h"
#include "base/Errors.h"
#include "base/FileNames.h"
#include "base/RemoveOnSignal.h"

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

std::string temporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

// An unnamed file in TMPDIR that disappears with its last descriptor.
// Throws with the folder named when it cannot be made.
std::FILE* anonymousFile()
{
    std::string pattern = temporaryFolder() + "/skeldra-cli-XXXXXX";
    const int fd = mkstemp(pattern.data());
    std::FILE* file = fd < 0 ? nullptr : fdopen(fd, "w+");
    if (!file) {
        const int error = errno;
        if (fd >= 0) close(fd);
        throw std::runtime_error("no temporary file can be made in " + temporaryFolder() + " (TMPDIR): " +
                                 std::strerror(error));
    }
    unlink(pattern.c_str());
    return file;
}

// Where a piece of a finished block lies in the spool.
struct Spooled {
    long offset = 0;
    size_t length = 0;
};

struct Job {
    FileTask task;
    pid_t pid = -1;
    std::FILE* out = nullptr;
    std::FILE* err = nullptr;
    bool finished = false;
    bool spooled = false;
    Spooled spooledOut, spooledErr;
    int status = status::Done;
    std::string failure = {};  // why it failed, for the summary
};

// Copies `length` bytes (all, by default) from the file's position on.
void copyBytes(std::FILE* from, const std::function<void(std::string_view)>& to,
               size_t length = std::numeric_limits<size_t>::max())
{
    std::array<char, 1 << 16> chunk;
    size_t n;
    while (length > 0 && (n = std::fread(chunk.data(), 1, std::min(chunk.size(), length), from)) > 0) {
        to(std::string_view(chunk.data(), n));
        length -= n;
    }
}

// The signal that interrupts a batch, passed on to every running child.
volatile sig_atomic_t interruption = 0;
// The running children's process ids, for the handler; set up before it is
// installed and never reallocated while it is.
std::atomic<pid_t>* runningChildren = nullptr;
size_t runningSlots = 0;

extern "C" void passOnInterruption(int signalNumber)
{
    interruption = signalNumber;
    for (size_t i = 0; i < runningSlots; ++i)
        if (const pid_t pid = runningChildren[i].load(); pid > 0) ::kill(pid, signalNumber);
}

constexpr int interruptions[] = {SIGINT, SIGTERM, SIGHUP};

// While it lives, an interruption of the batch is passed on to its children
// instead of ending the parent at once, which would leave them running.
class InterruptionsPassedOn {
public:
    explicit InterruptionsPassedOn(std::vector<std::atomic<pid_t>>& children)
    {
        runningChildren = children.data();
        runningSlots = children.size();
        for (size_t i = 0; i < std::size(interruptions); ++i) {
            struct sigaction action {};
            action.sa_handler = passOnInterruption;
            sigemptyset(&action.sa_mask);
            ::sigaction(interruptions[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler != SIG_IGN) ::sigaction(interruptions[i], &action, nullptr);
        }
    }
    ~InterruptionsPassedOn()
    {
        for (size_t i = 0; i < std::size(interruptions); ++i) ::sigaction(interruptions[i], &previous_[i], nullptr);
        runningSlots = 0;
        runningChildren = nullptr;
    }
    InterruptionsPassedOn(const InterruptionsPassedOn&) = delete;
    InterruptionsPassedOn& operator=(const InterruptionsPassedOn&) = delete;

private:
    struct sigaction previous_[std::size(interruptions)] {};
};

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
    // Every file's picture would replace the one before.
    if (!args.histogramFile.empty()) return "with several input files, --histogram cannot name one picture for each";
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

    // Returns the signal that interrupted the batch, 0 when it ran to its end.
    int run(size_t slots)
    {
        std::vector<std::atomic<pid_t>> children(slots);
        const InterruptionsPassedOn passedOn(children);
        size_t next = 0, emitted = 0, running = 0;
        while (emitted < jobs_.size()) {
            while (running < slots && next < jobs_.size() && interruption == 0) {
                start(jobs_[next++], children);
                if (jobs_[next - 1].pid > 0) ++running;
            }
            if (running == 0 && interruption != 0) break;
            if (running > 0) {
                reapOne(children);
                --running;
            }
            while (emitted < jobs_.size() && jobs_[emitted].finished) emit(jobs_[emitted++]);
            keepFinishedBlocks(emitted);
            drawProgress(emitted);
        }
        if (progressBar_) err_.write("\r" + std::string(70, ' ') + "\r");
        return interruption;
    }

private:
    void start(Job& job, std::vector<std::atomic<pid_t>>& children)
    {
        try {
            job.out = anonymousFile();
            job.err = anonymousFile();
        } catch (const std::runtime_error& error) {
            return fail(job, error.what());
        }
        out_.flush();
        err_.flush();
        // Held back until the child's id is where the handler finds it.
        const RemovalSignalsHeld held;
        const pid_t pid = fork();
        if (pid < 0) return fail(job, std::strerror(errno));
        if (pid == 0) _exit(runChild(job));
        job.pid = pid;
        for (auto& child : children) {
            pid_t free = 0;
            if (child.compare_exchange_strong(free, pid)) break;
        }
    }

    int runChild(const Job& job)
    {
        // The child's own clean-up on a signal, in place of the parent's
        // passing on; then the signals held back for the fork may come.
        removeRegisteredFilesOnSignals();
        sigset_t held;
        sigemptyset(&held);
        for (int signalNumber : interruptions) sigaddset(&held, signalNumber);
        ::sigprocmask(SIG_UNBLOCK, &held, nullptr);
        OutputStream out(job.out), err(job.err);
        const int status = runOnFile(command_, job.task, args_, RunStyle{true, false}, out, err);
        err.flush();
        // Nothing of this file's block could be kept (a full TMPDIR): say so
        // where the parent's own messages go.
        if (const int error = err.error() != 0 ? err.error() : out.error(); error != 0) {
            const std::string why = "skeldra-cli: " + job.task.input + ": its output could not be kept in " +
                                    temporaryFolder() + " (TMPDIR): " + std::strerror(error) + "\n";
            [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, why.data(), why.size());
            return status::Error;
        }
        return status;
    }

    void fail(Job& job, const std::string& why)
    {
        job.finished = true;
        job.status = status::Error;
        job.failure = why;
    }

    void reapOne(std::vector<std::atomic<pid_t>>& children)
    {
        int raw = 0;
        pid_t pid;
        while ((pid = waitpid(-1, &raw, 0)) < 0 && errno == EINTR) {}
        for (auto& child : children) {
            pid_t reaped = pid;
            if (child.compare_exchange_strong(reaped, 0)) break;
        }
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

    // Finished blocks that wait for an earlier file move into one spool
    // file, so that a slow first file holds no descriptors for the rest.
    void keepFinishedBlocks(size_t emitted)
    {
        for (size_t i = emitted; i < jobs_.size(); ++i) {
            Job& job = jobs_[i];
            if (!job.finished || job.spooled || !job.out) continue;
            try {
                if (!spool_) spool_ = anonymousFile();
                job.spooledOut = spoolPiece(job.out);
                job.spooledErr = spoolPiece(job.err);
            } catch (const std::runtime_error& error) {
                job.status = status::Error;
                job.failure = error.what();
                continue;  // kept in its own files instead
            }
            closeFiles(job);
            job.spooled = true;
        }
    }

    Spooled spoolPiece(std::FILE* piece)
    {
        std::fseek(spool_, 0, SEEK_END);
        Spooled at{std::ftell(spool_), 0};
        std::rewind(piece);
        copyBytes(piece, [&](std::string_view bytes) {
            if (std::fwrite(bytes.data(), 1, bytes.size(), spool_) != bytes.size())
                throw std::runtime_error(std::string("a finished block could not be kept: ") + std::strerror(errno));
            at.length += bytes.size();
        });
        if (std::ferror(piece)) throw std::runtime_error("a finished block could not be read back");
        return at;
    }

    void emit(Job& job)
    {
        if (progressBar_) err_.write("\r" + std::string(70, ' ') + "\r");
        const std::function<void(std::string_view)> toOut = [&](std::string_view bytes) { out_.write(bytes); };
        const std::function<void(std::string_view)> toErr = [&](std::string_view bytes) { err_.write(bytes); };
        if (job.spooled) {
            std::fflush(spool_);
            std::fseek(spool_, job.spooledOut.offset, SEEK_SET);
            copyBytes(spool_, toOut, job.spooledOut.length);
            std::fseek(spool_, job.spooledErr.offset, SEEK_SET);
            copyBytes(spool_, toErr, job.spooledErr.length);
        } else {
            for (auto [file, to] : {std::pair{job.out, toOut}, std::pair{job.err, toErr}}) {
                if (!file) continue;
                std::rewind(file);
                copyBytes(file, to);
            }
        }
        if (!job.failure.empty()) err_.line("skeldra-cli: " + job.task.input + ": " + job.failure);
        closeFiles(job);
    }

    static void closeFiles(Job& job)
    {
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
    std::FILE* spool_ = nullptr;

public:
    ~Scheduler()
    {
        if (spool_) std::fclose(spool_);
    }
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
    const int interrupted =
        Scheduler(command, args, jobs, out, err, terminal && command.showsProgress).run(std::min(slots, jobs.size()));
    if (interrupted != 0) {
        // Every child has ended: end as the signal would have ended us.
        out.flush();
        err.flush();
        ::signal(interrupted, SIG_DFL);
        ::raise(interrupted);
    }

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
