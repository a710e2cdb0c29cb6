// SPDX-License-Identifier: BSD-3-Clause
#include "FileRun.h"

#include <charconv>

#include "CliWindow.h"
#include "base/Errors.h"
#include "base/Utf8.h"
#include "ui/ControlCatalog.h"
#include "window/MainWindow.h"

namespace skeldra {

namespace {

void applyArguments(CliWindow& window, const ParsedArguments& args, const std::string& output)
{
    for (const auto& [box, text] : args.boxTexts) window.setBoxText(box, text);
    for (Choice choice : args.choices) window.setChecked(choice, true);
    if (!output.empty()) window.saveDialogAnswer = output;
    window.previewPath = output;
    window.histogramPath = args.histogramFile;
    window.histogramLog = args.histogramLog;
    window.allowOutsideData = args.allowOutsideData;
    window.state.LabelImage = args.labelImage;
}

// The user asked for the label's layout: a file without a label that sets
// anything must not be read with whatever the boxes hold.
void applyLabel(MainWindow& mainWindow, CliWindow& window)
{
    const int controlsBefore = window.controlsSet();
    const std::string inputBefore = window.state.InputFilename;
    window.state.WholeLabelLayoutRequired = true;
    mainWindow.LayoutFromLabel_ButtonClick();
    if (window.errorCount() == 0 && window.controlsSet() == controlsBefore &&
        window.state.InputFilename == inputBefore)
        window.showError("--from-label: no usable label for " + inputBefore + "; nothing done");
}

void reportWrittenBoxes(CliWindow& window)
{
    for (const auto& [box, text] : window.written) {
        int64_t number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error == std::errc() && end == text.data() + text.size())
            window.reportInteger("set/" + boxSpec(box).caption, number);
        else
            window.reportText("set/" + boxSpec(box).caption, text);
    }
}

}  // namespace

void putFileName(nlohmann::json& object, const std::string& path)
{
    object["file"] = path;
    if (!isValidUtf8(path)) object["file_escaped"] = escapedBytes(path);
}

int runOnFile(const Command& command, const FileTask& task, const ParsedArguments& args, const RunStyle& style,
              OutputStream& out, OutputStream& err)
{
    const std::string messagePrefix = "skeldra-cli: " + (style.severalFiles ? task.input + ": " : std::string());
    if (command.runWithoutWindow) return command.runWithoutWindow(task.input, args, messagePrefix, out, err);
    CliWindow window(out, err);
    MainWindow mainWindow(window);
    mainWindow.FormCreate();
    nlohmann::json values;
    putFileName(values, task.input);
    values["command"] = command.name;
    if (args.json) window.json = &values;
    window.echoLog = !args.json;
    window.progressBar = style.progressBar && command.showsProgress;
    if (style.severalFiles) window.messagePrefix = messagePrefix;
    window.state.InputFilename = task.input;
    if (style.severalFiles) mainWindow.ShowInputFilename();
    applyArguments(window, args, task.output);
    if (args.fromLabel && std::string(command.name) != "label") {
        // The label's values apart from the command's own.
        if (args.json) window.json = &values["layout"];
        applyLabel(mainWindow, window);
        if (args.json) window.json = &values;
    }
    window.recordBoxes = command.printsWrittenBoxes;
    // A command whose JSON form is a handler of its own logs the object itself.
    const bool ownJson = args.json && command.runJson;
    if (ownJson) {
        window.json = nullptr;
        window.echoLog = true;
    }
    if (window.errorCount() == 0) {
        if (ownJson)
            command.runJson(mainWindow);
        else if (command.runWithArguments)
            command.runWithArguments(mainWindow, args);
        else
            command.run(mainWindow);
    }
    if (args.json) reportWrittenBoxes(window);
    else
        for (const auto& [box, text] : window.written) out.line(boxSpec(box).caption + " = " + text);

    const auto finish = [&](int status) {
        if (args.json && !ownJson && status != status::Error) {
            values["status"] = status;
            out.line(values.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
        }
        out.flush();
        if (out.error() == 0) return status;
        window.showError(errorBoxText(ioErrorTextFromErrno(out.error())));
        return status::Error;
    };
    if (window.errorCount() > 0) return finish(status::Error);
    return finish(window.messageCount() == 0 ? status::Done : status::Warnings);
}

}  // namespace skeldra
