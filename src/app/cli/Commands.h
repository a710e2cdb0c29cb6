// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The batch tool's commands: one entry per command, the one place where a
// command is added. Each runs one handler of the main window.
#include <functional>
#include <string>
#include <vector>

#include "Options.h"

namespace skeldra {

class MainWindow;
class OutputStream;
struct ParsedArguments;

struct Command {
    const char* name;
    const char* summary;  // its line in the help
    std::function<void(MainWindow&)> run = {};  // empty for a command that needs no window
    // Prints "Caption = text" for every box the operation wrote.
    bool printsWrittenBoxes = false;
    // Writes the -o file; without one there is nothing to do.
    bool needsOutput = false;
    // With --json, the values the operation reports make one JSON object.
    bool hasJson = false;
    // With --json, a handler whose log is the JSON object itself; it replaces
    // the reported values.
    std::function<void(MainWindow&)> runJson = {};
    // In place of `run`, for a command that takes options of its own.
    std::function<void(MainWindow&, const ParsedArguments&)> runWithArguments = {};
    // A command that needs no window (guess): runs on the file and returns
    // the exit status; its messages start with messagePrefix.
    std::function<int(const std::string& file, const ParsedArguments& args, const std::string& messagePrefix,
                      OutputStream& out, OutputStream& err)>
        runWithoutWindow = {};
    // Shows a progress bar when standard error is a terminal.
    bool showsProgress = false;
};

const std::vector<Command>& commands();
// nullptr when there is no such command.
const Command* findCommand(const std::string& name);

}  // namespace skeldra
