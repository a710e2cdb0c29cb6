// SPDX-License-Identifier: BSD-3-Clause
#include "gui/ImagePreviewForm.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QRubberBand>
#include <QToolTip>
#include <algorithm>
#include <cstring>
#include <exception>

#include "analysis/PointRetrieval.h"
#include "output/PreviewGeometry.h"

TImagePreview_Form::TImagePreview_Form(QWidget* parent)
    : QWidget(parent, Qt::Window),
      Image1(new QLabel(this)),
      Back_Action(new QAction(QStringLiteral("Back"), this)),
      band_(new QRubberBand(QRubberBand::Rectangle, this))
{
    setObjectName(QStringLiteral("ImagePreview_Form"));
    setWindowTitle(QStringLiteral("ImagePreview_Form"));
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 105, 105);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The window reads the pointer itself, over the picture and beside it.
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    setMouseTracking(true);
    Back_Action->setObjectName(QStringLiteral("Back_Action"));
    // The key is handled by keyPressEvent; the menu only names it.
    Back_Action->setText(QStringLiteral("Back\t") + QKeySequence(Qt::Key_Backspace).toString(QKeySequence::NativeText));
    Back_Action->setToolTip(QStringLiteral("Back to the area before the last rectangle"));
    Back_Action->setEnabled(false);
    connect(Back_Action, &QAction::triggered, this, &TImagePreview_Form::backRequested);
    addAction(Back_Action);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    move(16, 183);
    resize(686, 451);
}

void TImagePreview_Form::showPicture(const skeldra::PreviewPicture& picture, Raise raise)
{
    // A picture of an area one sample wide would make a window that cannot
    // be clicked or moved; the window is never smaller than this.
    constexpr int smallestSide = 32;
    resize(std::max(picture.Width, smallestSide), std::max(picture.Height, smallestSide));
    QImage image(picture.Width, picture.Height, QImage::Format_BGR888);
    const size_t rowBytes = static_cast<size_t>(picture.Width) * 3;
    for (int32_t r = 0; r < picture.Height; ++r)
        std::memcpy(image.scanLine(r), picture.row(r), rowBytes);
    Image1->setPixmap(QPixmap::fromImage(image));
    Image1->setGeometry(0, 0, picture.Width, picture.Height);
    Image1->repaint();
    source_ = picture.Source;
    pictureSize_ = QSize(picture.Width, picture.Height);
    show();
    if (raise == Raise::Yes) {
        this->raise();
        activateWindow();
    }
}

std::string TImagePreview_Form::describePixel(QPoint pixel) const
{
    const skeldra::PointPosition point = skeldra::pixelPosition(source_, pixel.x(), pixel.y());
    try {
        return skeldra::DescribePoint(source_, point.Line, point.Sample);
    } catch (const std::exception& error) {
        return "Line: " + std::to_string(point.Line) + "  Sample: " + std::to_string(point.Sample) + "   " +
               error.what();
    }
}

void TImagePreview_Form::setBackEnabled(bool enabled) { Back_Action->setEnabled(enabled); }

bool TImagePreview_Form::onPicture(QPoint point) const
{
    return point.x() >= 0 && point.y() >= 0 && point.x() < pictureSize_.width() &&
           point.y() < pictureSize_.height();
}

QPoint TImagePreview_Form::clampedToPicture(QPoint point) const
{
    return {std::clamp(point.x(), 0, std::max(0, pictureSize_.width() - 1)),
            std::clamp(point.y(), 0, std::max(0, pictureSize_.height() - 1))};
}

void TImagePreview_Form::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !onPicture(at)) return QWidget::mousePressEvent(event);
    pressed_ = true;
    dragging_ = false;
    pressedAt_ = at;
}

void TImagePreview_Form::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (pressed_ && !dragging_ && (at - pressedAt_).manhattanLength() >= QApplication::startDragDistance())
        dragging_ = true;
    if (dragging_) {
        band_->setGeometry(QRect(pressedAt_, clampedToPicture(at)).normalized());
        band_->show();
    }
    showReadout(event);
}

void TImagePreview_Form::mouseReleaseEvent(QMouseEvent* event)
{
    if (!pressed_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    pressed_ = false;
    band_->hide();
    if (dragging_) {
        dragging_ = false;
        emit rectangleDrawn(pressedAt_, clampedToPicture(event->position().toPoint()));
    } else {
        emit pixelClicked(pressedAt_);
    }
}

void TImagePreview_Form::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) {
        if (Back_Action->isEnabled()) Back_Action->trigger();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TImagePreview_Form::leaveEvent(QEvent* event)
{
    QToolTip::hideText();
    QWidget::leaveEvent(event);
}

void TImagePreview_Form::showReadout(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (!onPicture(at)) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(event->globalPosition().toPoint(), QString::fromStdString(describePixel(at)), this);
}
