// SPDX-License-Identifier: BSD-3-Clause
// The main window's side of the preview window: the pointer over the picture
// and the Live preview.
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

#include "gui/ImagePreviewForm.h"
#include "gui/LabeledNumericEdit.h"
#include "gui/SkeldraForm.h"

using skeldra::Box;
using skeldra::Choice;

namespace {

// A re-render once the typing has paused this long.
constexpr int livePauseMs = 300;

// What the preview does not read: a change of these draws nothing new.
bool previewIgnores(Box box)
{
    return box == Box::Line || box == Box::Sample || box == Box::MaxHeaderLineLength ||
           box == Box::MaxHeaderLines;
}
bool previewIgnores(Choice choice)
{
    return choice == Choice::ListPoints || choice == Choice::BMPOutput || choice == Choice::TextOutput;
}

}  // namespace

void TSkeldra_Form::attachPreview(TImagePreview_Form* preview)
{
    preview_ = preview;
    connect(preview, &TImagePreview_Form::pixelClicked, this, &TSkeldra_Form::PreviewPixel_Click);
    connect(preview, &TImagePreview_Form::rectangleDrawn, this, &TSkeldra_Form::PreviewRectangle_Drawn);
    connect(preview, &TImagePreview_Form::backRequested, this, &TSkeldra_Form::PreviewBack_Click);
}

TImagePreview_Form& TSkeldra_Form::previewWindow()
{
    if (!preview_) {
        ownPreview_ = std::make_unique<TImagePreview_Form>();
        attachPreview(ownPreview_.get());
    }
    return *preview_;
}

void TSkeldra_Form::PreviewPixel_Click(QPoint pixel)
{
    logic_.PreviewPoint_Click(previewWindow().source(), pixel.x(), pixel.y());
}

void TSkeldra_Form::PreviewRectangle_Drawn(QPoint first, QPoint last)
{
    logic_.PreviewArea_Drag(previewWindow().source(), first.x(), first.y(), last.x(), last.y());
    liveTimer_->stop();  // the area boxes changed, and the preview shows them already
    previewWindow().setBackEnabled(logic_.canGoBack());
}

void TSkeldra_Form::PreviewBack_Click()
{
    logic_.PreviewBack_Click();
    liveTimer_->stop();
    previewWindow().setBackEnabled(logic_.canGoBack());
}

void TSkeldra_Form::connectLivePreview()
{
    liveTimer_ = new QTimer(this);
    liveTimer_->setSingleShot(true);
    liveTimer_->setInterval(livePauseMs);
    connect(liveTimer_, &QTimer::timeout, this, &TSkeldra_Form::livePreviewDue);
    for (int i = 0; i < skeldra::boxCount; ++i)
        if (!previewIgnores(static_cast<Box>(i)))
            connect(boxes_[i]->NumericEdit, &QLineEdit::textChanged, this, &TSkeldra_Form::layoutChanged);
    for (int i = 0; i < skeldra::choiceCount; ++i)
        if (!previewIgnores(static_cast<Choice>(i)))
            connect(choices_[i], &QAbstractButton::toggled, this, &TSkeldra_Form::layoutChanged);
    connect(LivePreview_CheckBox, &QCheckBox::toggled, this, &TSkeldra_Form::layoutChanged);
}

void TSkeldra_Form::layoutChanged()
{
    if (LivePreview_CheckBox->isChecked()) liveTimer_->start();
}

void TSkeldra_Form::livePreviewDue()
{
    if (!LivePreview_CheckBox->isChecked() || !preview_ || !preview_->isVisible()) return;
    liveRendering_ = true;
    logic_.LivePreview();
    liveRendering_ = false;
}
