#pragma once
// One command on one input file, as the window would run it: a fresh window,
// the options' texts typed into its boxes, the label's layout when asked,
// then the command's handler.
#include <string>

#include "Commands.h"
#include "Options.h"
#include "OutputStream.h"

namespace skeldra {

namespace status {
inline constexpr int Done = 0;
inline constexpr int Error = 1;
inline constexpr int Usage = 2;
inline constexpr int Warnings = 3;
}  // namespace status

// Returns the exit status of this file.
int runOnFile(const Command& command, const std::string& inputFile, const ParsedArguments& args,
              OutputStream& out, OutputStream& err);

}  // namespace skeldra
