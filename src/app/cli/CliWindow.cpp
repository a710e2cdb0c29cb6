#include "CliWindow.h"

#include "base/Errors.h"
#include "output/AtomicOutputFile.h"
#include "output/BmpFile.h"

namespace skeldra {

void CliWindow::appendLog(const std::string& line)
{
    if (echoLog) out_.line(line);
}

void CliWindow::showMessage(const std::string& text)
{
    ++messageCount_;
    err_.line("skeldra-cli: " + text);
}

void CliWindow::showError(const std::string& text)
{
    ++errorCount_;
    err_.line("skeldra-cli: error: " + text);
}

bool CliWindow::askYesNo(const std::string& question)
{
    HeadlessWindow::askYesNo(question);
    if (allowOutsideData) return true;
    showError(question + " No: the batch tool reads it only with --allow-outside-data");
    return false;
}

void CliWindow::processEvents()
{
    if (out_.error() != 0) state.AbortRequested = true;
}

void CliWindow::setBoxText(Box box, const std::string& text)
{
    HeadlessWindow::setBoxText(box, text);
    ++controlsSet_;
    if (recordBoxes) written.emplace_back(box, text);
}

void CliWindow::check(Choice choice)
{
    HeadlessWindow::check(choice);
    ++controlsSet_;
}

void CliWindow::setChecked(Choice choice, bool checked)
{
    HeadlessWindow::setChecked(choice, checked);
    ++controlsSet_;
}

// The batch tool has no preview window: the picture goes to the -o file. Its
// errors end the preview like any error of the operation.
void CliWindow::showPreview(const PreviewPicture& picture)
{
    HeadlessWindow::showPreview(picture);
    if (previewPath.empty()) throw Error("The preview needs an output file (-o)");
    checkNotInputFile(state.InputFilename, previewPath);
    writeBgrBmp(picture, previewPath);
}

}  // namespace skeldra
