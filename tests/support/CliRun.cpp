// SPDX-License-Identifier: BSD-3-Clause
#include "support/CliRun.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <stdexcept>

namespace skeldra::testing {

CliResult runCli(const std::string& cliPath, const std::string& arguments, const TempDir& dir)
{
    const std::string errFile = dir.file("cli-stderr.txt");
    const std::string command = cliPath + " " + arguments + " 2>" + errFile;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string out;
    std::array<char, 4096> chunk{};
    size_t n;
    while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) out.append(chunk.data(), n);
    const int status = pclose(pipe);
    const auto err = readFile(errFile);
    std::remove(errFile.c_str());
    return {WEXITSTATUS(status), out, std::string(err.begin(), err.end())};
}

}  // namespace skeldra::testing
