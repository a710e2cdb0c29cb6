// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// `skeldra-cli guess FILE [--top N] [--json]`: the candidate layouts of a
// file, best first, each with its score, evidence and the options that
// select it in the other commands.
#include <string>

#include "Options.h"
#include "OutputStream.h"

namespace skeldra {

// Returns the exit status: 0 with candidates, 3 when none was plausible,
// 1 when the file cannot be read, 2 for a bad --top. Errors and the verdict
// start with messagePrefix, which names the file in a batch.
int runGuess(const std::string& inputFile, const ParsedArguments& args, const std::string& messagePrefix,
             OutputStream& out, OutputStream& err);

}  // namespace skeldra
