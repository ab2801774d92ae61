#pragma once

#include <cstdint>

#include "platform/Text.h"

namespace velmar::driver {

// The register maker's driver as the wizard uses it: eleven operations, each a call, a read or a
// write. Every operation goes to the driver afresh; a failing call, or a value that does not
// convert, throws AppError with the text for the user.
class FiscalDriver {
  public:
    virtual ~FiscalDriver() = default;

    virtual void showProperties() = 0;
    virtual void getDeviceMetrics() = 0;
    virtual void showAdditionalParams() = 0;

    virtual std::int32_t resultCode() = 0;
    virtual Text resultCodeDescription() = 0;
    virtual Text uDescription() = 0;
    virtual std::int32_t getCloudCashdeskParams() = 0;
    virtual bool cloudCashdeskEnabled() = 0;
    virtual Text ecrId() = 0;

    virtual void setParentWnd(std::int32_t window) = 0;
    virtual void setParamsPageIndex(std::int32_t page) = 0;
};

}  // namespace velmar::driver
