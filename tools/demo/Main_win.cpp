// velmar_gallery <dist folder> <output folder>: the wizard's screens and boxes as pictures, for a
// headless demo. Needs a display (Xvfb will do) and the simulated driver registered.
#include <windows.h>

#include <exception>
#include <string>

#include "tools/demo/Gallery_win.h"
#include "tools/robot/Console_win.h"
#include "tools/robot/Text_win.h"

int wmain(int argc, wchar_t** argv) {
    using velmar::robot::printError;
    using velmar::robot::printLine;
    using velmar::robot::utf8;
    if (argc != 3) {
        printError("usage: velmar_gallery <dist folder> <output folder>");
        return 2;
    }
    try {
        const auto written = velmar::demo::makeGallery(argv[1], argv[2]);
        printLine(std::to_string(written.size()) + " pictures in " + utf8(argv[2]) + ":");
        for (const auto& path : written) {
            printLine("  " + utf8(path.substr(path.find_last_of(L'\\') + 1)));
        }
        return 0;
    } catch (const std::exception& error) {
        printError(std::string("velmar_gallery: ") + error.what());
        return 1;
    }
}
