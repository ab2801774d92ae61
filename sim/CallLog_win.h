#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace velmar::sim {

// What the driver received, one line per event. With a file, each line is appended to it at
// once (UTF-8, "\n"), so a client that crashes or is killed still leaves its log.
class CallLog {
  public:
    CallLog() = default;
    explicit CallLog(std::wstring filePath) : filePath_(std::move(filePath)) {}
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;

    void add(std::string line);
    std::vector<std::string> lines() const;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    std::optional<std::wstring> filePath_;
};

}  // namespace velmar::sim
