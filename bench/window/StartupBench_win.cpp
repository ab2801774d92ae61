#include "bench/window/StartupBench_win.h"

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "tools/robot/Capture_win.h"
#include "tools/robot/Wait.h"
#include "tools/robot/Windows_win.h"

namespace velmar::bench {
namespace {

using Clock = std::chrono::steady_clock;
using robot::Milliseconds;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
// Small patches spread over the window, and one over the instruction button's label, whose
// highlight the program's first frame must already show.
constexpr RECT kPatches[] = {
    {100, 80, 124, 104},  {388, 80, 412, 104},  {676, 80, 700, 104},  {100, 288, 124, 312},
    {388, 288, 412, 312}, {676, 288, 700, 312}, {100, 496, 124, 520}, {388, 496, 412, 520},
    {676, 496, 700, 520}, {560, 455, 624, 479},
};
constexpr int kTolerance = 8;
// A screen read costs the X server a round trip; every few milliseconds is gentle enough.
constexpr Milliseconds kFramePoll{4};
constexpr Milliseconds kSettle{1500};
constexpr Milliseconds kAfterFrame{300};
constexpr Milliseconds kStartLimit{20000};

RECT onScreen(const RECT& inWindow) {
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    return {inWindow.left + left, inWindow.top + top, inWindow.right + left, inWindow.bottom + top};
}

bool close(std::uint32_t a, std::uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > kTolerance) {
            return false;
        }
    }
    return true;
}

void stop(robot::Process& process) {
    process.kill();
    process.waitForExit(Milliseconds(10000));
}

}  // namespace

StartupProbe::StartupProbe(Subject subject) : subject_(std::move(subject)) {
    robot::Process process = robot::Process::launch(subject_.launch);
    robot::waitForWindow(
        process, subject_.name + "'s window", [](HWND) { return true; }, kStartLimit);
    std::this_thread::sleep_for(kSettle);
    for (const RECT& patch : kPatches) {
        const RECT area = onScreen(patch);
        const robot::Image image = robot::captureScreen(area);
        patches_.push_back({area, {image.data(), image.data() + image.width() * image.height()}});
    }
    stop(process);
}

bool StartupProbe::showsFrame() const {
    for (const Patch& patch : patches_) {
        const robot::Image image = robot::captureScreen(patch.area);
        const std::size_t count = patch.pixels.size();
        std::size_t differing = 0;
        for (std::size_t i = 0; i < count; ++i) {
            differing += close(image.data()[i], patch.pixels[i]) ? 0 : 1;
        }
        if (differing * 100 > count) {
            return false;
        }
    }
    return true;
}

void StartupProbe::waitForClearScreen() const {
    robot::waitUntil("the screen to clear of " + subject_.name + "'s last window",
                     Milliseconds(5000), [&] { return !showsFrame(); });
}

StartupSample StartupProbe::measureOnce() const {
    waitForClearScreen();
    const auto start = Clock::now();
    robot::Process process = robot::Process::launch(subject_.launch);
    Clock::time_point shown;
    for (;;) {
        if (showsFrame()) {
            shown = Clock::now();
            break;
        }
        if (process.hasExited()) {
            throw std::runtime_error(subject_.name + " exited before its first frame");
        }
        if (Clock::now() - start > kStartLimit) {
            throw std::runtime_error(subject_.name + " showed no frame within " +
                                     std::to_string(kStartLimit.count()) + " ms");
        }
        std::this_thread::sleep_for(kFramePoll);
    }
    std::this_thread::sleep_for(kAfterFrame);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process.handle(), &memory, sizeof memory)) {
        throw std::runtime_error("GetProcessMemoryInfo of " + subject_.name + " failed");
    }
    stop(process);
    return {std::chrono::duration<double, std::milli>(shown - start).count(),
            static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0)};
}

}  // namespace velmar::bench
