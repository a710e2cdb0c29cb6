#include "gui/ImagePreviewForm.h"

#include <QImage>
#include <QPixmap>
#include <cstring>

TImagePreview_Form::TImagePreview_Form(QWidget* parent)
    : QWidget(parent, Qt::Window), Image1(new QLabel(this))
{
    setObjectName(QStringLiteral("ImagePreview_Form"));
    setWindowTitle(QStringLiteral("ImagePreview_Form"));
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 105, 105);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    move(16, 183);
    resize(686, 451);
}

void TImagePreview_Form::showPicture(const skeldra::PreviewPicture& picture)
{
    resize(picture.Width, picture.Height);
    QImage image(picture.Width, picture.Height, QImage::Format_BGR888);
    const size_t rowBytes = static_cast<size_t>(picture.Width) * 3;
    for (int32_t r = 0; r < picture.Height; ++r)
        std::memcpy(image.scanLine(r), picture.row(r), rowBytes);
    Image1->setPixmap(QPixmap::fromImage(image));
    Image1->setGeometry(0, 0, picture.Width, picture.Height);
    Image1->repaint();
    show();
    raise();
    activateWindow();
}
