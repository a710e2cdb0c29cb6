// SPDX-License-Identifier: BSD-3-Clause
#include "gui/SkeldraForm.h"

#include "ui/ControlCatalog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFont>
#include <QGroupBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <limits>

#include "base/FileNames.h"
#include "gui/CandidateDialog.h"
#include "gui/FileNameLabel.h"
#include "gui/HistogramForm.h"
#include "gui/ImagePreviewForm.h"
#include "gui/LabeledNumericEdit.h"
#include "gui/LogText.h"
#include "gui/WrappedToolTips.h"

using skeldra::Box;
using skeldra::Choice;
using skeldra::MainWindow;

namespace {

const QString caption = QStringLiteral("Skeldra");

std::optional<std::string> chosenPath(const QString& path)
{
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

}  // namespace

TSkeldra_Form::TSkeldra_Form(QWidget* parent) : QWidget(parent), logic_(*this)
{
    setObjectName(QStringLiteral("Skeldra_Form"));
    setWindowTitle(caption);
    // The window is laid out for an 8-point dialog font.
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    setDefaultModalHooks();
    QApplication::instance()->installEventFilter(new WrappedToolTips(this));
    createControls();
    connectControls();
    arrangeControls();
    setKeyboardOrder();
    connectLivePreview();
    resize(780, 629);
    InputFile_Button->setFocus();
    setWindowTitle(QStringLiteral("Skeldra (v2.1)"));
    logic_.FormCreate();
}

TSkeldra_Form::~TSkeldra_Form() = default;

void TSkeldra_Form::setDefaultModalHooks()
{
    modal.message = [this](const std::string& text) {
        QMessageBox box(QMessageBox::NoIcon, caption, displayText(text), QMessageBox::Ok, this);
        box.exec();
    };
    modal.error = [this](const std::string& text) {
        QMessageBox box(QMessageBox::Critical, caption, displayText(text), QMessageBox::Ok, this);
        box.exec();
    };
    modal.yesNo = [this](const std::string& question) {
        QMessageBox box(QMessageBox::Question, caption, displayText(question), QMessageBox::Yes | QMessageBox::No,
                        this);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    modal.openFile = [this](const std::string& proposed) {
        return chosenPath(QFileDialog::getOpenFileName(
            this, QString(), QString::fromStdString(proposed),
            QStringLiteral("PDS Image File (*.IMG);;All files (*)")));
    };
    modal.saveFile = [this](const std::string& proposed) {
        return chosenPath(
            QFileDialog::getSaveFileName(this, QString(), QString::fromStdString(proposed)));
    };
    modal.saveFileOfKind = [this](const std::string& proposed, const std::vector<std::string>& filters) {
        QStringList kinds;
        for (const std::string& filter : filters) kinds << QString::fromStdString(filter);
        // The kind whose extension the proposed name has is the one offered first.
        QString selected = kinds.value(0);
        for (const QString& kind : kinds) {
            const QString extension = kind.section(QStringLiteral("*"), 1).chopped(1);
            if (QString::fromStdString(proposed).endsWith(extension, Qt::CaseInsensitive)) selected = kind;
        }
        const QString name = QFileDialog::getSaveFileName(this, QString(), QString::fromStdString(proposed),
                                                          kinds.join(QStringLiteral(";;")), &selected);
        return chosenPath(QString::fromStdString(
            skeldra::nameForSaveFilter(name.toStdString(), selected.toStdString(), filters)));
    };
    modal.chooseCandidate = [this](const std::string& verdict, const std::vector<skeldra::CandidateView>& candidates) {
        CandidateDialog dialog(verdict, candidates, this);
        dialog.exec();
        return dialog.chosen();
    };
    modal.chooseLabelImage = [this](const std::string& question,
                                    const std::vector<std::string>& images) -> std::optional<size_t> {
        QStringList items;
        for (const std::string& image : images) items << QString::fromStdString(image);
        bool accepted = false;
        const QString chosen = QInputDialog::getItem(this, caption, QString::fromStdString(question), items, 0, false,
                                                     &accepted);
        if (!accepted) return std::nullopt;
        return static_cast<size_t>(std::max<qsizetype>(0, items.indexOf(chosen)));
    };
}

// The window port.

int32_t TSkeldra_Form::IntegerValue(Box b) { return box(b)->NumericEdit->IntegerValue(); }
long double TSkeldra_Form::ExtendedValue(Box b) { return box(b)->NumericEdit->ExtendedValue(); }
std::string TSkeldra_Form::boxText(Box b) { return box(b)->NumericEdit->entry().text(); }

void TSkeldra_Form::setBoxText(Box b, const std::string& text)
{
    box(b)->NumericEdit->setText(QString::fromStdString(text));
}

void TSkeldra_Form::setBoxVisible(Box b, bool visible) { box(b)->setVisible(visible); }
bool TSkeldra_Form::boxAcceptsQuietly(Box b) { return box(b)->NumericEdit->entry().acceptsQuietly(); }
bool TSkeldra_Form::isChecked(Choice choice) { return choiceButton(choice)->isChecked(); }

void TSkeldra_Form::check(Choice choice) { choiceButton(choice)->setChecked(true); }

void TSkeldra_Form::setChecked(Choice choice, bool checked)
{
    if (checked) {
        check(choice);
    } else if (choiceSpec(choice).group == skeldra::ChoiceGroup::None) {
        choiceButton(choice)->setChecked(false);
    }
}

void TSkeldra_Form::setBandGroupHeight(int pixels) { BandStructure_GroupBox->setFixedHeight(pixels); }
void TSkeldra_Form::appendLog(const std::string& line)
{
    Memo1->appendPlainText(withControlPictures(displayText(line)));
}
void TSkeldra_Form::clearLog() { Memo1->clear(); }
void TSkeldra_Form::showMessage(const std::string& text) { modal.message(text); }
void TSkeldra_Form::showError(const std::string& text) { modal.error(text); }
bool TSkeldra_Form::askYesNo(const std::string& question) { return modal.yesNo(question); }
void TSkeldra_Form::beep() { QApplication::beep(); }

void TSkeldra_Form::showInputFilenameLabel(const std::string& path)
{
    InputFilename_Label->setPath(path);
}

void TSkeldra_Form::setProgressMaximum(int64_t maximum)
{
    constexpr int64_t intMax = std::numeric_limits<int>::max();
    progressScale_ = maximum > intMax ? maximum / intMax + 1 : 1;
    ProgressBar1->setMaximum(static_cast<int>(maximum / progressScale_));
}

void TSkeldra_Form::setProgressPosition(int64_t position)
{
    ProgressBar1->setValue(static_cast<int>(position / progressScale_));
}

void TSkeldra_Form::setProgressVisible(bool visible) { ProgressBar1->setVisible(visible); }
void TSkeldra_Form::setAbortVisible(bool visible) { Abort_Button->setVisible(visible); }
void TSkeldra_Form::processEvents() { QCoreApplication::processEvents(); }

std::optional<std::string> TSkeldra_Form::askOpenFileName(const std::string& proposed)
{
    return modal.openFile(proposed);
}

std::optional<std::string> TSkeldra_Form::askSaveFileName(const std::string& proposed)
{
    return modal.saveFile(proposed);
}

std::optional<std::string> TSkeldra_Form::askSaveFileNameWithFilters(const std::string& proposed,
                                                                    const std::vector<std::string>& filters)
{
    return modal.saveFileOfKind(proposed, filters);
}

std::optional<size_t> TSkeldra_Form::chooseCandidate(const std::string& verdict,
                                                     const std::vector<skeldra::CandidateView>& candidates)
{
    return modal.chooseCandidate(verdict, candidates);
}

std::optional<size_t> TSkeldra_Form::chooseLabelImage(const std::string& question,
                                                      const std::vector<std::string>& images)
{
    return modal.chooseLabelImage(question, images);
}

void TSkeldra_Form::setBusyPointer(bool busy)
{
    if (busy == busyPointer_) return;
    busyPointer_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TSkeldra_Form::showPreview(const skeldra::PreviewPicture& picture)
{
    previewWindow().showPicture(picture,
                                liveRendering_ ? TImagePreview_Form::Raise::No : TImagePreview_Form::Raise::Yes);
    previewWindow().setBackEnabled(logic_.canGoBack());
}

void TSkeldra_Form::showHistogram(const skeldra::HistogramReport& report)
{
    if (!histogram_) histogram_ = std::make_unique<THistogram_Form>();
    histogram_->showReport(report);
}

// Handlers.

void TSkeldra_Form::InputFile_ButtonClick() { runHandler(&MainWindow::InputFile_ButtonClick); }
void TSkeldra_Form::Clear_ButtonClick() { runHandler(&MainWindow::Clear_ButtonClick); }
void TSkeldra_Form::Abort_ButtonClick() { runHandler(&MainWindow::Abort_ButtonClick); }
void TSkeldra_Form::RetrievePoint_ButtonClick() { runHandler(&MainWindow::RetrievePoint_ButtonClick); }
void TSkeldra_Form::Histogram_ButtonClick() { runHandler(&MainWindow::Histogram_ButtonClick); }
void TSkeldra_Form::ReadHeader_ButtonClick() { runHandler(&MainWindow::ReadHeader_ButtonClick); }
void TSkeldra_Form::LayoutFromLabel_ButtonClick() { runHandler(&MainWindow::LayoutFromLabel_ButtonClick); }
void TSkeldra_Form::FindLayout_ButtonClick() { runHandler(&MainWindow::FindLayout_ButtonClick); }
void TSkeldra_Form::ExplainFile_ButtonClick() { runHandler(&MainWindow::ExplainFile_ButtonClick); }
void TSkeldra_Form::SaveLayout_ButtonClick()
{
    logic_.SaveLayout_ButtonClick();
    closeIfPending();
}
void TSkeldra_Form::ResetArea_ButtonClick() { runHandler(&MainWindow::ResetArea_ButtonClick); }
void TSkeldra_Form::ConvertFile_ButtonClick() { runHandler(&MainWindow::ConvertFile_ButtonClick); }
void TSkeldra_Form::Preview_ButtonClick()
{
    runHandler(&MainWindow::Preview_ButtonClick);
    liveTimer_->stop();  // this picture is up to date
}
void TSkeldra_Form::NoBands_RadioButtonClick() { runHandler(&MainWindow::BandStructure_RadioButtonClick); }
void TSkeldra_Form::BIL_RadioButtonClick() { runHandler(&MainWindow::BandStructure_RadioButtonClick); }
void TSkeldra_Form::BIP_RadioButtonClick() { runHandler(&MainWindow::BandStructure_RadioButtonClick); }
void TSkeldra_Form::BSQ_RadioButtonClick() { runHandler(&MainWindow::BandStructure_RadioButtonClick); }

void TSkeldra_Form::runHandler(void (MainWindow::*handler)())
{
    (logic_.*handler)();
    closeIfPending();
}

void TSkeldra_Form::closeIfPending()
{
    if (closePending_ && !logic_.operationRunning()) {
        closePending_ = false;
        close();
    }
}

void TSkeldra_Form::closeEvent(QCloseEvent* event)
{
    if (logic_.requestClose()) {
        if (histogram_) histogram_->close();  // it would keep the program running
        event->accept();
        return;
    }
    closePending_ = true;
    event->ignore();
}
