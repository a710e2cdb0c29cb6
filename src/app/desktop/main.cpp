// SPDX-License-Identifier: BSD-3-Clause
// skeldra: the desktop program. The main window is created first; the
// preview window follows and waits hidden for the first preview.
// `skeldra FILE` (a file manager's "open with") starts with FILE as the input
// file, chosen through Input File as a user would choose it.
#include <QApplication>
#include <QFileInfo>

#include "gui/ImagePreviewForm.h"
#include "gui/SkeldraForm.h"

namespace {

void chooseInputFile(TSkeldra_Form& form, const QString& path)
{
    const auto dialog = form.modal.openFile;
    const std::string chosen = QFileInfo(path).absoluteFilePath().toStdString();
    form.modal.openFile = [&chosen](const std::string&) { return std::optional<std::string>(chosen); };
    form.InputFile_ButtonClick();
    form.modal.openFile = dialog;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skeldra"));
    TSkeldra_Form form;
    TImagePreview_Form preview;
    form.attachPreview(&preview);
    form.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) chooseInputFile(form, arguments.at(1));
    return QApplication::exec();
}
