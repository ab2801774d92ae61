#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmar::sim {

inline constexpr char16_t kDefaultDescription[] = u"Меридиан-Ф 02";

// What the person sets up in the dialogs; the interactive driver keeps it in a file between runs.
struct DeviceState {
    bool registerAnswers = true;
    std::u16string description = kDefaultDescription;
    bool failCloudParams = false;  // "Имитировать сбой" of GetCloudCashdeskParams
    bool cloudEnabled = false;
    std::u16string ecrid;

    bool operator==(const DeviceState&) const = default;
};

// key=value lines, UTF-8. Parsing is forgiving: a damaged file gives the defaults for what it
// cannot read, since it only carries a demo's state.
std::string serializeDeviceState(const DeviceState& state);
DeviceState parseDeviceState(std::string_view text);

struct ResultStatus {
    std::int32_t code = 0;
    std::u16string description;
};

inline constexpr std::int32_t kNoLinkCode = -1;
inline constexpr std::int32_t kCloudParamsFailureCode = -16;

enum class Registration { Done, ServiceOff, NoLink };

// The driver's behaviour behind the operations: each call sets ResultCode and its description,
// reads answer from the state.
class DriverEngine {
  public:
    explicit DriverEngine(DeviceState state = {});

    DeviceState& state() { return state_; }
    const DeviceState& state() const { return state_; }

    void deviceMetrics();
    std::int32_t cloudCashdeskParams();
    void dialogClosed();
    // What the dialog's registration button does; a fresh ECRID on success.
    Registration registerAtService(std::uint64_t entropy);

    const ResultStatus& lastResult() const { return last_; }
    const std::u16string& uDescription() const { return uDescription_; }

    void setParentWnd(std::int32_t handle) { parentWnd_ = handle; }
    void setParamsPageIndex(std::int32_t page) { paramsPageIndex_ = page; }
    std::optional<std::int32_t> parentWnd() const { return parentWnd_; }
    std::optional<std::int32_t> paramsPageIndex() const { return paramsPageIndex_; }

  private:
    void succeed();

    DeviceState state_;
    ResultStatus last_;
    std::u16string uDescription_;
    std::optional<std::int32_t> parentWnd_;
    std::optional<std::int32_t> paramsPageIndex_;
};

// A believable register identifier at the service: 16 decimal digits, the first not 0.
std::u16string makeEcrid(std::uint64_t entropy);

}  // namespace velmar::sim
