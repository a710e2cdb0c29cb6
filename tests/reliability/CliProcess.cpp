// SPDX-License-Identifier: BSD-3-Clause
#include "CliProcess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/TempFiles.h"

namespace skeldra::testing {
namespace {

// The user "nobody" and its group, which own nothing the tests make.
constexpr const char* setpriv = "/usr/bin/setpriv";
const std::vector<std::string> dropToNobody = {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups", "--"};

std::string readText(const std::string& path)
{
    const auto bytes = readFile(path);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

bool runningAsRoot() { return ::geteuid() == 0; }

bool canRunUnprivileged() { return runningAsRoot() && ::access(setpriv, X_OK) == 0; }

CliResult runCli(const std::vector<std::string>& arguments, bool asUnprivilegedUser)
{
    TempDir capture;
    const std::string outPath = capture.file("stdout"), errPath = capture.file("stderr");
    std::vector<std::string> command;
    if (asUnprivilegedUser) command = dropToNobody;
    command.push_back(SKELDRA_CLI);
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : command) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    CliResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readText(outPath);
    result.err = readText(errPath);
    return result;
}

}  // namespace skeldra::testing
