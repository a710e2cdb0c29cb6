#pragma once
// The batch tool's window: the log goes to standard output, messages and
// errors to standard error, the save dialog answers with the -o path.
#include <iostream>

#include "ui/HeadlessWindow.h"

namespace skeldra {

class CliWindow : public HeadlessWindow {
public:
    void appendLog(const std::string& line) override
    {
        HeadlessWindow::appendLog(line);
        if (echoLog) std::cout << line << '\n';
    }
    void showMessage(const std::string& text) override
    {
        HeadlessWindow::showMessage(text);
        std::cerr << "skeldra-cli: " << text << '\n';
    }
    void showError(const std::string& text) override
    {
        HeadlessWindow::showError(text);
        std::cerr << "skeldra-cli: error: " << text << '\n';
    }
    // The one question the operations ask is whether to follow a label's
    // pointer out of its folder. A batch cannot answer it: --allow-outside-data
    // answers Yes beforehand; otherwise the question ends the run as an error.
    bool askYesNo(const std::string& question) override
    {
        HeadlessWindow::askYesNo(question);
        if (allowOutsideData) return true;
        showError(question + " No: the batch tool reads it only with --allow-outside-data");
        return false;
    }
    void showPreview(const PreviewPicture& picture) override;

    // Off while the window starts up, whose log lines the window clears.
    bool echoLog = false;
    bool allowOutsideData = false;
    // Where `preview` writes its picture.
    std::string previewPath;
};

}  // namespace skeldra
