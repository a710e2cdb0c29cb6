// skeldra: the desktop program. The main window is created first; the
// preview window follows and waits hidden for the first preview.
#include <QApplication>

#include "gui/ImagePreviewForm.h"
#include "gui/SkeldraForm.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skeldra"));
    TSkeldra_Form form;
    TImagePreview_Form preview;
    form.attachPreview(&preview);
    form.show();
    return QApplication::exec();
}
