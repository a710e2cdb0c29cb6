// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Runs the batch tool as a whole process and collects what it printed.
#include <string>

#include "support/TempFiles.h"

namespace skeldra::testing {

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

// `arguments` is passed through the shell; standard error is collected in
// a file of `dir`.
CliResult runCli(const std::string& cliPath, const std::string& arguments, const TempDir& dir);

}  // namespace skeldra::testing
