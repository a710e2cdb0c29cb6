#include "FileRun.h"

#include "CliWindow.h"
#include "base/Errors.h"
#include "ui/ControlCatalog.h"
#include "window/MainWindow.h"

namespace skeldra {

namespace {

void applyArguments(CliWindow& window, const ParsedArguments& args)
{
    for (const auto& [box, text] : args.boxTexts) window.setBoxText(box, text);
    for (Choice choice : args.choices) window.setChecked(choice, true);
    if (!args.outputFile.empty()) window.saveDialogAnswer = args.outputFile;
    window.previewPath = args.outputFile;
    window.allowOutsideData = args.allowOutsideData;
}

// The user asked for the label's layout: a file without a label that sets
// anything must not be read with whatever the boxes hold.
void applyLabel(MainWindow& mainWindow, CliWindow& window)
{
    const int controlsBefore = window.controlsSet();
    const std::string inputBefore = window.state.InputFilename;
    mainWindow.LayoutFromLabel_ButtonClick();
    if (window.errorCount() == 0 && window.controlsSet() == controlsBefore &&
        window.state.InputFilename == inputBefore)
        window.showError("--from-label: no usable label for " + inputBefore + "; nothing done");
}

}  // namespace

int runOnFile(const Command& command, const std::string& inputFile, const ParsedArguments& args,
              OutputStream& out, OutputStream& err)
{
    if (command.runWithoutWindow) return command.runWithoutWindow(inputFile, args, out, err);
    CliWindow window(out, err);
    MainWindow mainWindow(window);
    mainWindow.FormCreate();
    // With --json, standard output holds the one JSON object and nothing else.
    window.echoLog = !args.json;
    window.state.InputFilename = inputFile;
    applyArguments(window, args);
    if (args.fromLabel && std::string(command.name) != "label")
        applyLabel(mainWindow, window);
    window.echoLog = true;
    window.recordBoxes = command.printsWrittenBoxes;
    if (window.errorCount() == 0) {
        if (args.json)
            command.runJson(mainWindow);
        else if (command.runWithArguments)
            command.runWithArguments(mainWindow, args);
        else
            command.run(mainWindow);
    }
    for (const auto& [box, text] : window.written) out.line(boxSpec(box).caption + " = " + text);

    out.flush();
    if (out.error() != 0) window.showError(errorBoxText(ioErrorTextFromErrno(out.error())));
    if (window.errorCount() > 0) return status::Error;
    return window.messageCount() == 0 ? status::Done : status::Warnings;
}

}  // namespace skeldra
