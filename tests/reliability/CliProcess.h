// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The batch tool run as a process, its output captured apart from the
// folder under test. It can run as an unprivileged user, so that permission
// cases mean something when the tests run as root.
#include <string>
#include <vector>

namespace skeldra::testing {

struct CliResult {
    int status = -1;      // the exit status; -1 when a signal ended the process
    std::string out;
    std::string err;
};

CliResult runCli(const std::vector<std::string>& arguments, bool asUnprivilegedUser = false);

// True when the process runs as root, whom file permissions do not stop.
bool runningAsRoot();
// Whether runCli(..., true) can drop to an unprivileged user here.
bool canRunUnprivileged();

}  // namespace skeldra::testing
