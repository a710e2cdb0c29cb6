#include "CliWindow.h"

namespace skeldra {

void CliWindow::showPreview(const PreviewPicture& picture)
{
    HeadlessWindow::showPreview(picture);
    // Writing the picture as a file comes with the preview's image output.
    showError("Not available yet");
}

}  // namespace skeldra
