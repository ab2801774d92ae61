#pragma once

#include "driver/FiscalDriver.h"
#include "platform/win32/Variant_win.h"

namespace velmar::driver {

// The driver reached through the program's Driver value. It borrows the object from Driver on
// every call and keeps no reference of its own, so Driver stays the only holder.
class DispatchDriver final : public FiscalDriver {
  public:
    explicit DispatchDriver(const win32::Variant& driver) : driver_(driver) {}

    void showProperties() override;
    void getDeviceMetrics() override;
    void showAdditionalParams() override;
    std::int32_t resultCode() override;
    Text resultCodeDescription() override;
    Text uDescription() override;
    std::int32_t getCloudCashdeskParams() override;
    bool cloudCashdeskEnabled() override;
    Text ecrId() override;
    void setParentWnd(std::int32_t window) override;
    void setParamsPageIndex(std::int32_t page) override;

  private:
    IDispatch* object() const;
    const win32::Variant& driver_;
};

}  // namespace velmar::driver
