// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// TSkeldra_Form: the Qt main window. It implements the window port for the
// operations and forwards every button to the MainWindow handler of the same
// name; the layout of its controls is built in SkeldraFormLayout.cpp.
#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "port/WindowPort.h"
#include "window/MainWindow.h"

class QAbstractButton;
class QCheckBox;
class QTimer;
class QGroupBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class FileNameLabel;
class TImagePreview_Form;
class THistogram_Form;
class TLabeledNumericEdit;

class TSkeldra_Form : public QWidget, public skeldra::WindowPort {
    Q_OBJECT
public:
    explicit TSkeldra_Form(QWidget* parent = nullptr);
    ~TSkeldra_Form() override;

    // The lines the log keeps; older ones go (the batch tool keeps them all).
    static constexpr int logLineLimit = 100000;

    // The preview window is created after the main window; without one, the
    // first preview makes its own.
    void attachPreview(TImagePreview_Form* preview);

    // Everything the window shows modally. They default to message boxes and
    // file dialogs; tests replace them to answer without a screen.
    struct ModalHooks {
        std::function<void(const std::string&)> message;
        std::function<void(const std::string&)> error;
        std::function<bool(const std::string&)> yesNo;
        std::function<std::optional<std::string>(const std::string& proposed)> openFile;
        std::function<std::optional<std::string>(const std::string& proposed)> saveFile;
        std::function<std::optional<std::string>(const std::string& proposed, const std::vector<std::string>& filters)>
            saveFileOfKind;
        std::function<std::optional<size_t>(const std::string& verdict,
                                            const std::vector<skeldra::CandidateView>& candidates)>
            chooseCandidate;
        std::function<std::optional<size_t>(const std::string& question, const std::vector<std::string>& images)>
            chooseLabelImage;
    };
    ModalHooks modal;

    skeldra::MainWindow& logic() { return logic_; }
    TLabeledNumericEdit* box(skeldra::Box box) const { return boxes_[static_cast<size_t>(box)]; }
    QAbstractButton* choiceButton(skeldra::Choice choice) const
    {
        return choices_[static_cast<size_t>(choice)];
    }

    // The window port.
    int32_t IntegerValue(skeldra::Box box) override;
    long double ExtendedValue(skeldra::Box box) override;
    std::string boxText(skeldra::Box box) override;
    void setBoxText(skeldra::Box box, const std::string& text) override;
    void setBoxVisible(skeldra::Box box, bool visible) override;
    bool boxAcceptsQuietly(skeldra::Box box) override;
    bool isChecked(skeldra::Choice choice) override;
    void check(skeldra::Choice choice) override;
    void setChecked(skeldra::Choice choice, bool checked) override;
    void setBandGroupHeight(int pixels) override;
    void appendLog(const std::string& line) override;
    void clearLog() override;
    void showMessage(const std::string& text) override;
    void showError(const std::string& text) override;
    bool askYesNo(const std::string& question) override;
    void beep() override;
    void showInputFilenameLabel(const std::string& path) override;
    void setProgressMaximum(int64_t maximum) override;
    void setProgressPosition(int64_t position) override;
    void setProgressVisible(bool visible) override;
    void setAbortVisible(bool visible) override;
    void processEvents() override;
    std::optional<std::string> askOpenFileName(const std::string& proposed) override;
    std::optional<std::string> askSaveFileName(const std::string& proposed) override;
    std::optional<std::string> askSaveFileNameWithFilters(const std::string& proposed,
                                                          const std::vector<std::string>& filters) override;
    std::optional<size_t> chooseCandidate(const std::string& verdict,
                                          const std::vector<skeldra::CandidateView>& candidates) override;
    std::optional<size_t> chooseLabelImage(const std::string& question,
                                           const std::vector<std::string>& images) override;
    void setBusyPointer(bool busy) override;
    void showPreview(const skeldra::PreviewPicture& picture) override;
    bool wantsHistogram() const override { return true; }
    void showHistogram(const skeldra::HistogramReport& report) override;
    // The histogram window, made by the first Histogram; null before.
    THistogram_Form* histogramWindow() const { return histogram_.get(); }

public slots:
    void InputFile_ButtonClick();
    void Clear_ButtonClick();
    void Abort_ButtonClick();
    void RetrievePoint_ButtonClick();
    void Histogram_ButtonClick();
    void ReadHeader_ButtonClick();
    void LayoutFromLabel_ButtonClick();
    void FindLayout_ButtonClick();
    void ExplainFile_ButtonClick();
    void SaveLayout_ButtonClick();
    void ResetArea_ButtonClick();
    void ConvertFile_ButtonClick();
    void Preview_ButtonClick();
    void NoBands_RadioButtonClick();
    void BIL_RadioButtonClick();
    void BIP_RadioButtonClick();
    void BSQ_RadioButtonClick();
    // The pointer over the preview picture (pixels of the picture shown).
    void PreviewPixel_Click(QPoint pixel);
    void PreviewRectangle_Drawn(QPoint first, QPoint last);
    void PreviewBack_Click();

protected:
    // Closing during a long operation aborts it; the window closes when the
    // operation has returned.
    void closeEvent(QCloseEvent* event) override;

private:
    void setDefaultModalHooks();
    void createControls();
    void connectControls();
    void muteTileBoxesWhenUnused();
    void arrangeControls();
    void setKeyboardOrder();
    TLabeledNumericEdit* makeBox(skeldra::Box box);
    QAbstractButton* makeChoice(skeldra::Choice choice);
    QPushButton* makeButton(const std::string& objectName);
    QGroupBox* makeGroup(const std::string& objectName);
    void runHandler(void (skeldra::MainWindow::*handler)());
    // With "Live" ticked, a change of anything the preview reads draws the
    // preview again once the typing pauses.
    void connectLivePreview();
    void layoutChanged();
    void livePreviewDue();
    TImagePreview_Form& previewWindow();
    void closeIfPending();

    TImagePreview_Form* preview_ = nullptr;
    std::unique_ptr<TImagePreview_Form> ownPreview_;
    std::unique_ptr<THistogram_Form> histogram_;
    skeldra::MainWindow logic_;

    std::array<TLabeledNumericEdit*, skeldra::boxCount> boxes_{};
    std::array<QAbstractButton*, skeldra::choiceCount> choices_{};
    QPushButton* InputFile_Button = nullptr;
    FileNameLabel* InputFilename_Label = nullptr;
    QPushButton* RetrievePoint_Button = nullptr;
    QGroupBox* DataType_GroupBox = nullptr;
    QGroupBox* BandStructure_GroupBox = nullptr;
    QGroupBox* ImageArea_GroupBox = nullptr;
    QPushButton* ResetArea_Button = nullptr;
    QPushButton* Histogram_Button = nullptr;
    QGroupBox* FileConversion_GroupBox = nullptr;
    QPushButton* Preview_Button = nullptr;
    QCheckBox* LivePreview_CheckBox = nullptr;
    QPushButton* ConvertFile_Button = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* Abort_Button = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* ReadHeader_Button = nullptr;
    QPushButton* LayoutFromLabel_Button = nullptr;
    QPushButton* FindLayout_Button = nullptr;
    QPushButton* ExplainFile_Button = nullptr;
    QPushButton* SaveLayout_Button = nullptr;
    QPushButton* Clear_Button = nullptr;

    QTimer* liveTimer_ = nullptr;
    bool liveRendering_ = false;
    bool closePending_ = false;
    bool busyPointer_ = false;
    // The bar counts in int; huge areas are shown in steps of this many lines.
    int64_t progressScale_ = 1;
};
