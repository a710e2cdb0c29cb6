// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The main window as the operations see it. Every operation is written once
// against this port; the Qt window, the batch tool's headless window and the
// tests' scripted window implement it.
//
// Failure: the port's calls do not throw, except showPreview of a window
// that writes the picture to a file, which raises the file's I/O error.
// Errors of the operations are skeldra::Error exceptions, caught in one place
// (window/MainWindow).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "port/CandidateView.h"
#include "port/Controls.h"
#include "port/FormState.h"
#include "port/HistogramReport.h"
#include "port/PreviewPicture.h"

namespace skeldra {

// How long an operation may run between two event pumps. Controls change
// only while events are processed, so a run of samples between pumps behaves
// as if the controls had been read at every sample.
struct PumpPolicy {
    int64_t maxSamplesPerRun = 1 << 16;
    std::chrono::nanoseconds maxRunTime = std::chrono::milliseconds(10);
};

class WindowPort {
public:
    virtual ~WindowPort() = default;

    FormState state;

    // Numeric boxes. The values always come back as numbers; a bad entry is
    // reported through showMessage and substituted by the box.
    virtual int32_t IntegerValue(Box box) = 0;
    virtual long double ExtendedValue(Box box) = 0;
    virtual std::string boxText(Box box) = 0;
    virtual void setBoxText(Box box, const std::string& text) = 0;
    virtual void setBoxVisible(Box box, bool visible) = 0;
    // Whether the box would give its value now without a message and without
    // rewriting its text: the quiet check before a trial run while typing.
    virtual bool boxAcceptsQuietly(Box box) = 0;

    // Check boxes and radio buttons. check() of a radio button unchecks the
    // others of its group; a band-structure button that becomes checked runs
    // the band-structure handler where the window has one to show.
    virtual bool isChecked(Choice choice) = 0;
    virtual void check(Choice choice) = 0;
    // A check box's state; for a radio button, true checks it and false does nothing.
    virtual void setChecked(Choice choice, bool checked) = 0;
    virtual void setBandGroupHeight(int pixels) = 0;

    // The log (Memo1): whole lines; an empty text gives an empty line.
    virtual void appendLog(const std::string& line) = 0;
    virtual void clearLog() = 0;
    // A modal warning captioned "Skeldra" with an OK button.
    virtual void showMessage(const std::string& text) = 0;
    // The modal error box; the text is already in its final form.
    virtual void showError(const std::string& text) = 0;
    // A modal question captioned "Skeldra" with Yes and No buttons, No the
    // default: true when the user answers Yes.
    virtual bool askYesNo(const std::string& question) = 0;
    virtual void beep() = 0;
    // Shows the input file's path in the file name label, shortened to fit.
    virtual void showInputFilenameLabel(const std::string& path) = 0;

    // Progress and abort protocol of long operations.
    virtual void setProgressMaximum(int64_t maximum) = 0;
    virtual void setProgressPosition(int64_t position) = 0;
    virtual void setProgressVisible(bool visible) = 0;
    virtual void setAbortVisible(bool visible) = 0;
    // Lets the window process all pending events once (a click on Abort runs
    // the Abort handler from in here).
    virtual void processEvents() = 0;
    virtual PumpPolicy pumpPolicy() const { return {}; }

    // Dialogs, pointer and the preview window.
    // The open dialog: empty when the user cancels.
    virtual std::optional<std::string> askOpenFileName(const std::string& proposed) = 0;
    // The save dialog (asks before overwriting): empty when the user cancels.
    virtual std::optional<std::string> askSaveFileName(const std::string& proposed) = 0;
    // The save dialog offering kinds of file, each "Name (*.ext)"; the name
    // comes back with the extension of the kind chosen. A window without
    // such a list shows the plain dialog.
    virtual std::optional<std::string> askSaveFileNameWithFilters(const std::string& proposed,
                                                                  const std::vector<std::string>& filters)
    {
        (void)filters;
        return askSaveFileName(proposed);
    }
    // Find Layout's candidates, best first, under its sentence about the
    // search: the index of the one the user chooses, empty on Cancel.
    virtual std::optional<size_t> chooseCandidate(const std::string& verdict,
                                                  const std::vector<CandidateView>& candidates) = 0;
    // Layout from Label on a label describing several images: the index of
    // the image chosen (0 the first, which is read without a choice), empty
    // on Cancel. A window that cannot ask reads the first.
    virtual std::optional<size_t> chooseLabelImage(const std::string& question, const std::vector<std::string>& images)
    {
        (void)question;
        (void)images;
        return 0;
    }
    virtual void setBusyPointer(bool busy) = 0;
    virtual void showPreview(const PreviewPicture& picture) = 0;

    // The histogram of the area statistics, for windows that show or write
    // it; counting it costs a little per point, so only they ask for it.
    virtual bool wantsHistogram() const { return false; }
    virtual void showHistogram(const HistogramReport& /*report*/) {}

    // The values an operation's log lines carry, for front ends that hand
    // them to scripts (the batch tool's --json), so that nobody parses log
    // text. A path names a value ("min_line", "set/Header bytes"); a real
    // comes with the exact text the log prints. Windows that show only the
    // log ignore them.
    virtual void reportInteger(const std::string& /*path*/, int64_t /*value*/) {}
    virtual void reportReal(const std::string& /*path*/, long double /*value*/, const std::string& /*text*/) {}
    virtual void reportText(const std::string& /*path*/, const std::string& /*text*/) {}
    // Appends to the list at the path.
    virtual void reportListItem(const std::string& /*path*/, const std::string& /*text*/) {}
};

}  // namespace skeldra
