#pragma once

#include <string>
#include <vector>

namespace velmar::bench {

// One slot change on the welcome page, made by a Tab release to the real window, and what the
// window then has to repaint before it is up to date again.
struct RepaintSample {
    std::string change;      // e.g. "slot 1 -> 2 (imgDoc -> imgClose)"
    long long overlaysArea;  // the two overlays involved, in pixels
    long long invalidArea;   // the update regions of all the window's parts: what gets drawn
    double paintMs;          // the time the window takes to paint it
};

// Creates the program's main window in this process (its pictures are this program's resources)
// over a runtime without COM or a driver, shows it, and walks page 0's Tab cycle.
std::vector<RepaintSample> measureSlotChanges();

}  // namespace velmar::bench
