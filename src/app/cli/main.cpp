// skeldra-cli: the window's operations without a screen, for batches of
// files with one layout, scripts and benchmarks.
#include <functional>
#include <iostream>
#include <map>
#include <stdexcept>

#include "CliWindow.h"
#include "Options.h"
#include "ui/ControlCatalog.h"
#include "window/MainWindow.h"

using namespace skeldra;

namespace {

const std::map<std::string, std::function<void(MainWindow&)>>& commands()
{
    static const std::map<std::string, std::function<void(MainWindow&)>> table = {
        {"point", [](MainWindow& w) { w.RetrievePoint_ButtonClick(); }},
        {"header", [](MainWindow& w) { w.ReadHeader_ButtonClick(); }},
        {"stats", [](MainWindow& w) { w.Histogram_ButtonClick(); }},
        {"reset", [](MainWindow& w) { w.ResetArea_ButtonClick(); }},
        {"convert", [](MainWindow& w) { w.ConvertFile_ButtonClick(); }},
        {"preview", [](MainWindow& w) { w.Preview_ButtonClick(); }},
        {"label", [](MainWindow& w) { w.LayoutFromLabel_ButtonClick(); }},
    };
    return table;
}

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
    window.allowOutsideData = args.allowOutsideData;
}

}  // namespace

int main(int argc, char** argv)
{
    ParsedArguments args;
    try {
        args = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::cerr << "skeldra-cli: " << error.what() << "\n" << usageText();
        return 2;
    }
    if (args.help) {
        std::cout << usageText();
        return 0;
    }
    const auto command = commands().find(args.command);
    if (command == commands().end()) {
        std::cerr << "skeldra-cli: unknown command " << args.command << "\n" << usageText();
        return 2;
    }

    BoxRecordingWindow window;
    MainWindow mainWindow(window);
    mainWindow.FormCreate();
    window.echoLog = true;
    window.state.InputFilename = args.inputFile;
    applyArguments(window, args);
    if (args.fromLabel && args.command != "label") mainWindow.LayoutFromLabel_ButtonClick();
    window.recording = args.command == "reset";
    if (window.errors().empty()) command->second(mainWindow);
    for (const auto& [box, text] : window.written) std::cout << boxSpec(box).caption << " = " << text << '\n';

    if (!window.errors().empty()) return 1;
    return window.messages().empty() ? 0 : 3;
}
