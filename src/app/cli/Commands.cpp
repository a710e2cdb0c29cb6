#include "Commands.h"

#include "window/MainWindow.h"

namespace skeldra {

const std::vector<Command>& commands()
{
    static const std::vector<Command> table = {
        {"point", "read one sample (--line, --sample)", [](MainWindow& w) { w.RetrievePoint_ButtonClick(); }},
        {"header", "show the ASCII header", [](MainWindow& w) { w.ReadHeader_ButtonClick(); }},
        {"stats", "minimum, maximum and non-data count of the area",
         [](MainWindow& w) { w.Histogram_ButtonClick(); }},
        {"reset", "set the area to the whole image and check the file size",
         [](MainWindow& w) { w.ResetArea_ButtonClick(); }, true},
        {"convert", "write the area as BMP (or text with --text) to -o OUT",
         [](MainWindow& w) { w.ConvertFile_ButtonClick(); }, false, true},
        {"preview", "write the preview picture as a 24-bit BMP to -o OUT",
         [](MainWindow& w) { w.Preview_ButtonClick(); }, false, true},
        {"label", "show the layout found in the file's label",
         [](MainWindow& w) { w.LayoutFromLabel_ButtonClick(); }},
        {"map", "show where every byte of the file goes under the layout",
         [](MainWindow& w) { w.ExplainFile_ButtonClick(); }, false, false,
         [](MainWindow& w) { w.ExplainFileAsJson(); }},
    };
    return table;
}

const Command* findCommand(const std::string& name)
{
    for (const Command& command : commands())
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace skeldra
