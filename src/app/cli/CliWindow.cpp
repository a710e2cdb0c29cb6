#include "CliWindow.h"

#include "base/Errors.h"
#include "output/AtomicOutputFile.h"
#include "output/BmpFile.h"

namespace skeldra {

// The batch tool has no preview window: the picture goes to the -o file. Its
// errors end the preview like any error of the operation.
void CliWindow::showPreview(const PreviewPicture& picture)
{
    HeadlessWindow::showPreview(picture);
    if (previewPath.empty()) throw Error("The preview needs an output file (-o)");
    checkNotInputFile(state.InputFilename, previewPath);
    writeBgrBmp(picture, previewPath);
}

}  // namespace skeldra
