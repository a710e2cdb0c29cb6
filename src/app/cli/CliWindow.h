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
    void showPreview(const PreviewPicture& picture) override;

    // Off while the window starts up, whose log lines the window clears.
    bool echoLog = false;
    // Where `preview` writes its picture.
    std::string previewPath;
};

}  // namespace skeldra
