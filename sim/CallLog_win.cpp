#include "sim/CallLog_win.h"

#include <stdexcept>

#include "sim/WinUtil_win.h"

namespace velmar::sim {

void CallLog::add(std::string line) {
    std::lock_guard lock(mutex_);
    if (filePath_) {
        try {
            appendToFile(*filePath_, line + "\n");
        } catch (const std::runtime_error&) {
            // The driver must go on answering its client; the memory copy keeps the line.
        }
    }
    lines_.push_back(std::move(line));
}

std::vector<std::string> CallLog::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

}  // namespace velmar::sim
