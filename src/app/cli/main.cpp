// skeldra-cli: the window's operations without a screen, for batches of
// files with one layout, scripts and benchmarks.
#include <iostream>

#include "CliWindow.h"
#include "Commands.h"
#include "Options.h"
#include "ui/ControlCatalog.h"
#include "window/MainWindow.h"

using namespace skeldra;

namespace {

// Records the box texts an operation writes, so that `reset` can print them.
class BoxRecordingWindow : public CliWindow {
public:
    std::vector<std::pair<Box, std::string>> written;
    bool recording = false;
    void setBoxText(Box box, const std::string& text) override
    {
        CliWindow::setBoxText(box, text);
        if (recording) written.emplace_back(box, text);
    }
};

void applyArguments(CliWindow& window, const ParsedArguments& args)
{
    for (const auto& [box, text] : args.boxTexts) window.setBoxText(box, text);
    for (Choice choice : args.choices) window.setChecked(choice, true);
    if (!args.outputFile.empty()) window.saveDialogAnswer = args.outputFile;
    window.previewPath = args.outputFile;
}

int runCommand(const Command& command, const std::string& inputFile, const ParsedArguments& args)
{
    BoxRecordingWindow window;
    MainWindow mainWindow(window);
    mainWindow.FormCreate();
    window.echoLog = true;
    window.state.InputFilename = inputFile;
    applyArguments(window, args);
    if (args.fromLabel && args.command != "label") mainWindow.LayoutFromLabel_ButtonClick();
    window.recording = command.printsWrittenBoxes;
    if (window.errors().empty()) command.run(mainWindow);
    for (const auto& [box, text] : window.written) std::cout << boxSpec(box).caption << " = " << text << '\n';

    if (!window.errors().empty()) return 1;
    return window.messages().empty() ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv)
{
    ParsedArguments args;
    try {
        args = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        std::cerr << "skeldra-cli: " << error.what() << "\n" << usageLine() << "\n(skeldra-cli --help lists the options)\n";
        return 2;
    }
    if (args.help) {
        std::cout << helpText();
        return 0;
    }
    return runCommand(*findCommand(args.command), args.inputFiles.front(), args);
}
