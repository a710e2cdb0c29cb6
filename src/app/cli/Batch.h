// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A command over every input file given. One file runs in this process, as
// it always has. Several files run as child processes, `--jobs` at a time,
// each writing its log and messages to temporary files, which are copied to
// standard output and error as one block per file, in the order given.
//
// Child processes rather than threads: a file that crashes the reader or
// runs out of memory ends its own process only, a signal's clean-up of a
// temporary output file concerns one file, and each job's memory is the
// bound of one file, freed when it ends.
#include "Commands.h"
#include "Options.h"
#include "OutputStream.h"

namespace skeldra {

// Returns the worst exit status of the files (an error before warnings).
int runBatch(const Command& command, const ParsedArguments& args, OutputStream& out, OutputStream& err);

}  // namespace skeldra
