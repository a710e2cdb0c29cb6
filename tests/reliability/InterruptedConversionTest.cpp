// SPDX-License-Identifier: BSD-3-Clause
// A batch conversion ended by a signal leaves no temporary file behind, keeps
// the earlier file at its target, and ends with the signal's usual status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/TempFiles.h"

namespace skeldra {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

bool hasTemporaryFile(const TempDir& dir)
{
    for (const auto& entry : fs::directory_iterator(dir.path()))
        if (entry.path().filename().string().rfind(".out.txt.", 0) == 0) return true;
    return false;
}

// A text conversion of 64 MiB of samples, about 128 MiB of text.
pid_t startConversion(const TempDir& dir, int signalNumber)
{
    const std::string input = dir.writeSparse("big.img", int64_t{64} << 20, 0, {0});
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // The defaults a user's shell gives, whatever the test runner set.
    ::signal(signalNumber, SIG_DFL);
    if (signalNumber == SIGXFSZ) {
        const rlimit limit{1 << 20, 1 << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    const std::string output = dir.file("out.txt");
    ::execl(SKELDRA_CLI, SKELDRA_CLI, "convert", input.c_str(), "-o", output.c_str(), "--text", "--header-bytes",
            "0", "--samples", "4096", "--end-sample", "4096", "--end-line", "16384", static_cast<char*>(nullptr));
    ::_exit(127);
}

class InterruptedConversion : public ::testing::TestWithParam<int> {};

TEST_P(InterruptedConversion, RemovesItsTemporaryFileAndEndsWithTheSignal)
{
    const int signalNumber = GetParam();
    TempDir dir;
    dir.write("out.txt", std::string("earlier"));
    const pid_t pid = startConversion(dir, signalNumber);
    ASSERT_GT(pid, 0);
    if (signalNumber != SIGXFSZ) {
        // The signal comes while the temporary file is being written.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!hasTemporaryFile(dir) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ::kill(pid, signalNumber);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signalNumber);
    EXPECT_FALSE(hasTemporaryFile(dir));
    const std::vector<uint8_t> kept = testing::readFile(dir.file("out.txt"));
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "earlier");
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedConversion, ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGXFSZ),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

}  // namespace
}  // namespace skeldra
