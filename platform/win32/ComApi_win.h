#pragma once

#include "app/Runtime.h"
#include "platform/win32/Variant_win.h"

namespace velmar::win32 {

// The real COM runtime. The driver object is kept in `driver`, the program's Driver value, which
// holds the only reference to it.
class ComApiWin32 final : public app::ComApi {
  public:
    explicit ComApiWin32(Variant& driver) : driver_(driver) {}

    HResult oleInitialize() override;
    void oleUninitialize() override;
    HResult coInitialize() override;
    void coUninitialize() override;
    HResult clsidFromProgId(TextView progId, app::ClassId& clsid) override;
    HResult createDriverInstance(const app::ClassId& clsid, std::uint32_t classContext) override;
    void clearDriver() override;

  private:
    Variant& driver_;
};

}  // namespace velmar::win32
