// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// TImagePreview_Form: the second window, showing the preview picture at its
// exact size. Closing it only hides it; the next preview shows it again.
//
// It answers the pointer over the picture: a tooltip that follows it names
// the line, sample and value the pixel shows (one positioned read per move);
// a click picks the pixel; a drag draws a rubber band and picks the pixels
// it covers; Backspace or the "Back" action of its context menu asks for the
// previous area. The picking is reported in pixels; the main window decides.
#include <QLabel>
#include <QPoint>
#include <QWidget>
#include <string>

#include "port/PreviewPicture.h"

class QAction;
class QRubberBand;

class TImagePreview_Form : public QWidget {
    Q_OBJECT
public:
    explicit TImagePreview_Form(QWidget* parent = nullptr);

    enum class Raise { Yes, No };
    // Sizes the client area to the picture (the position stays), draws it
    // and, unless told not to, brings the window to the front (a picture
    // redrawn while the user types elsewhere must not take the focus).
    void showPicture(const skeldra::PreviewPicture& picture, Raise raise = Raise::Yes);

    const skeldra::PreviewSource& source() const { return source_; }
    // The pointer readout of a pixel: the point line, or why it cannot be read.
    std::string describePixel(QPoint pixel) const;

    void setBackEnabled(bool enabled);

    QLabel* const Image1;
    QAction* const Back_Action;

signals:
    void pixelClicked(QPoint pixel);
    // Both corners inside the picture, in the order drawn.
    void rectangleDrawn(QPoint first, QPoint last);
    void backRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPoint clampedToPicture(QPoint point) const;
    bool onPicture(QPoint point) const;
    void showReadout(QMouseEvent* event);

    skeldra::PreviewSource source_;
    QSize pictureSize_;
    QRubberBand* band_;
    QPoint pressedAt_;
    bool pressed_ = false;
    bool dragging_ = false;
};
