// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// One command on one input file, as the window would run it: a fresh window,
// the options' texts typed into its boxes, the label's layout when asked,
// then the command's handler.
#include <string>

#include <nlohmann/json_fwd.hpp>

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

struct FileTask {
    std::string input;
    std::string output;  // -o, or the name made for this file in -o DIR
};

struct RunStyle {
    // Several files: each block of the log starts with "Input file: FILE",
    // as the window logs a chosen file, and messages name the file.
    bool severalFiles = false;
    bool progressBar = false;
};

// The file's name in a JSON object: "file" as text (invalid UTF-8 shown as
// U+FFFD), and for such a name also "file_escaped", its bytes as
// escapedBytes writes them, so that two names never read alike.
void putFileName(nlohmann::json& object, const std::string& path);

// Returns the exit status of this file. With --json, prints one JSON line
// unless an error ended the command.
int runOnFile(const Command& command, const FileTask& task, const ParsedArguments& args, const RunStyle& style,
              OutputStream& out, OutputStream& err);

}  // namespace skeldra
