// SPDX-License-Identifier: BSD-3-Clause
// skeldra-cli: the window's operations without a screen, for batches of
// files with one layout, scripts and benchmarks.
#include <cstdio>

#include "Batch.h"
#include "FileRun.h"
#include "Options.h"
#include "OutputStream.h"
#include "base/RemoveOnSignal.h"

using namespace skeldra;

int main(int argc, char** argv)
{
    removeRegisteredFilesOnSignals();
    OutputStream out(stdout);
    OutputStream err(stderr);
    ParsedArguments args;
    try {
        args = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        err.write("skeldra-cli: " + std::string(error.what()) + "\n" + usageLine() +
                  "\n(skeldra-cli --help lists the options)\n");
        return status::Usage;
    }
    if (args.help || args.version) {
        out.write(args.help ? helpText() : versionText());
        out.flush();
        return out.error() == 0 ? status::Done : status::Error;
    }
    return runBatch(*findCommand(args.command), args, out, err);
}
