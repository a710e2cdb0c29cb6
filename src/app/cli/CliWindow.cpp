// SPDX-License-Identifier: BSD-3-Clause
#include "CliWindow.h"

#include <algorithm>
#include <cmath>

#include "base/Errors.h"
#include "output/AtomicOutputFile.h"
#include "output/BmpFile.h"
#include "output/HistogramPicture.h"

namespace skeldra {

void CliWindow::appendLog(const std::string& line)
{
    if (echoLog) out_.line(line);
}

void CliWindow::showMessage(const std::string& text)
{
    ++messageCount_;
    err_.line(messagePrefix + text);
}

void CliWindow::showError(const std::string& text)
{
    ++errorCount_;
    err_.line(messagePrefix + "error: " + text);
}

void CliWindow::setProgressMaximum(int64_t maximum)
{
    HeadlessWindow::setProgressMaximum(maximum);
    barMaximum_ = maximum;
}

void CliWindow::setProgressPosition(int64_t position)
{
    HeadlessWindow::setProgressPosition(position);
    barPosition_ = position;
    if (barShown_ >= 0) drawProgress();
}

void CliWindow::setProgressVisible(bool visible)
{
    HeadlessWindow::setProgressVisible(visible);
    if (!progressBar) return;
    if (visible) {
        barShown_ = -1;
        drawProgress();
    } else if (barShown_ >= 0) {
        err_.write("\r" + std::string(60, ' ') + "\r");
        barShown_ = -1;
    }
}

// Redrawn only when the percentage changes: the statistics move the bar
// once per line.
void CliWindow::drawProgress()
{
    const int percent = barMaximum_ > 0 ? static_cast<int>(std::min<int64_t>(barPosition_ * 100 / barMaximum_, 100)) : 0;
    if (percent == barShown_) return;
    barShown_ = percent;
    const int filled = percent / 2;
    err_.write("\r[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(50 - filled), ' ') +
               "] " + std::to_string(percent) + "%");
    err_.flush();
}

namespace {

nlohmann::json::json_pointer pointerTo(const std::string& path)
{
    std::string escaped = "/";
    for (char c : path) escaped += c == '~' ? std::string("~0") : std::string(1, c);
    return nlohmann::json::json_pointer(escaped);
}

}  // namespace

void CliWindow::reportInteger(const std::string& path, int64_t value)
{
    if (json) (*json)[pointerTo(path)] = value;
}

// JSON numbers are doubles: a real that a double cannot hold (a NaN, an
// infinity, an extended value beyond its range) is null, and the text
// beside it always says exactly what the log says.
void CliWindow::reportReal(const std::string& path, long double value, const std::string& text)
{
    if (!json) return;
    const double number = static_cast<double>(value);
    if (std::isfinite(number)) (*json)[pointerTo(path)] = number;
    else (*json)[pointerTo(path)] = nullptr;
    (*json)[pointerTo(path + "_text")] = text;
}

void CliWindow::reportText(const std::string& path, const std::string& text)
{
    if (json) (*json)[pointerTo(path)] = text;
}

void CliWindow::reportListItem(const std::string& path, const std::string& text)
{
    if (json) (*json)[pointerTo(path)].push_back(text);
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
    checkNotInputFile(state, previewPath);
    writeBgrBmp(picture, previewPath);
}

void CliWindow::showHistogram(const HistogramReport& report)
{
    checkNotInputFile(state, histogramPath);
    writeRgbPng(renderHistogram(report, histogramLog), histogramPath);
    if (json == nullptr) return;
    const Histogram& h = report.histogram;
    nlohmann::json& out = (*json)["histogram"];
    out["bins"] = histogramBins;
    // np.linspace(first_edge, last_edge, bins + 1) rebuilds the edges.
    out["first_edge"] = h.edges.front();
    out["last_edge"] = h.edges.back();
    out["edges"] = h.edges;
    out["counts"] = h.counts;
    out["plus_infinity"] = h.plusInfinity;
    out["minus_infinity"] = h.minusInfinity;
    out["picture"] = histogramPath;
}

}  // namespace skeldra
