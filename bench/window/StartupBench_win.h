#pragma once

#include <string>
#include <vector>

#include "tools/robot/Process_win.h"

namespace velmar::bench {

// A program whose start is timed: launched as given, in a folder of its own.
struct Subject {
    std::string name;
    robot::LaunchOptions launch;
};

struct StartupSample {
    double firstFrameMs;  // from just before CreateProcess to the first complete frame on screen
    double peakWorkingSetMiB;
};

// Starts the subject once, untimed, and keeps what its settled window shows as the frame that
// the timed starts wait for.
class StartupProbe {
  public:
    explicit StartupProbe(Subject subject);

    StartupSample measureOnce() const;
    const std::string& name() const { return subject_.name; }

  private:
    struct Patch {
        RECT area;  // screen coordinates
        std::vector<std::uint32_t> pixels;
    };

    bool showsFrame() const;
    void waitForClearScreen() const;

    Subject subject_;
    std::vector<Patch> patches_;
};

}  // namespace velmar::bench
