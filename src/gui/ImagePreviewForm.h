#pragma once
// TImagePreview_Form: the second window, showing the preview picture at its
// exact size. Closing it only hides it; the next preview shows it again.
#include <QLabel>
#include <QWidget>

#include "port/PreviewPicture.h"

class TImagePreview_Form : public QWidget {
    Q_OBJECT
public:
    explicit TImagePreview_Form(QWidget* parent = nullptr);

    // Sizes the client area to the picture (the position stays), draws it
    // and brings the window to the front.
    void showPicture(const skeldra::PreviewPicture& picture);

    QLabel* const Image1;
};
