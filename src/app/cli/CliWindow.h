// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The batch tool's window: the log goes to standard output as it comes and
// is not kept (a listing of millions of points must not fill the memory),
// messages and errors go to standard error, the save dialog answers with the
// -o path. Find Layout's list of candidates is answered with Cancel: a batch
// cannot choose, and `guess` prints the candidates with their options.
#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

#include "OutputStream.h"
#include "ui/HeadlessWindow.h"

namespace skeldra {

class CliWindow : public HeadlessWindow {
public:
    CliWindow(OutputStream& out, OutputStream& err) : out_(out), err_(err) {}

    void appendLog(const std::string& line) override;
    void clearLog() override {}
    void showMessage(const std::string& text) override;
    void showError(const std::string& text) override;
    // The one question the operations ask is whether to follow a label's
    // pointer out of its folder. A batch cannot answer it: --allow-outside-data
    // answers Yes beforehand; otherwise the question ends the run as an error.
    bool askYesNo(const std::string& question) override;
    void showPreview(const PreviewPicture& picture) override;
    // With --histogram: the picture to histogramPath, the bins into `json`.
    bool wantsHistogram() const override { return !histogramPath.empty(); }
    void showHistogram(const HistogramReport& report) override;
    // A failed write on standard output stops a long operation as Abort
    // would, at its next event pump.
    void processEvents() override;

    // The progress bar, drawn on standard error when `progressBar` is on.
    void setProgressMaximum(int64_t maximum) override;
    void setProgressPosition(int64_t position) override;
    void setProgressVisible(bool visible) override;

    // The values go into `json` when it is set.
    void reportInteger(const std::string& path, int64_t value) override;
    void reportReal(const std::string& path, long double value, const std::string& text) override;
    void reportText(const std::string& path, const std::string& text) override;
    void reportListItem(const std::string& path, const std::string& text) override;

    void setBoxText(Box box, const std::string& text) override;
    void check(Choice choice) override;
    void setChecked(Choice choice, bool checked) override;

    int messageCount() const { return messageCount_; }
    int errorCount() const { return errorCount_; }
    // Controls set by the program since the start (the options' texts included).
    int controlsSet() const { return controlsSet_; }

    // Off while the window starts up, whose log lines the window clears.
    bool echoLog = false;
    bool allowOutsideData = false;
    // Where `preview` writes its picture.
    std::string previewPath;
    // Where stats writes the histogram picture; empty for none.
    std::string histogramPath;
    bool histogramLog = false;
    // While true, the box texts written are kept for `written`.
    bool recordBoxes = false;
    std::vector<std::pair<Box, std::string>> written;
    // Starts every message and error line: "skeldra-cli: ", with the file's
    // name when several files run.
    std::string messagePrefix = "skeldra-cli: ";
    bool progressBar = false;
    nlohmann::json* json = nullptr;

private:
    void drawProgress();

    OutputStream& out_;
    OutputStream& err_;
    int messageCount_ = 0;
    int errorCount_ = 0;
    int controlsSet_ = 0;
    int64_t barMaximum_ = 100;
    int64_t barPosition_ = 0;
    int barShown_ = -1;  // the percentage drawn, -1 none
};

}  // namespace skeldra
