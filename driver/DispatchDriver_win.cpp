#include "driver/DispatchDriver_win.h"

#include "platform/win32/Dispatch_win.h"

namespace velmar::driver {

using win32::invokeByName;
using win32::InvokeKind;
using win32::Variant;

IDispatch* DispatchDriver::object() const {
    return driver_.type() == VT_DISPATCH ? driver_.get().pdispVal : nullptr;
}

void DispatchDriver::showProperties() {
    invokeByName(object(), u"ShowProperties", InvokeKind::Call);
}

void DispatchDriver::getDeviceMetrics() {
    invokeByName(object(), u"GetDeviceMetrics", InvokeKind::Call);
}

void DispatchDriver::showAdditionalParams() {
    invokeByName(object(), u"ShowAdditionalParams", InvokeKind::Call);
}

std::int32_t DispatchDriver::resultCode() {
    return win32::toInt32(invokeByName(object(), u"ResultCode", InvokeKind::Read));
}

Text DispatchDriver::resultCodeDescription() {
    return win32::toText(invokeByName(object(), u"ResultCodeDescription", InvokeKind::Read));
}

Text DispatchDriver::uDescription() {
    return win32::toText(invokeByName(object(), u"UDescription", InvokeKind::Read));
}

std::int32_t DispatchDriver::getCloudCashdeskParams() {
    return win32::toInt32(invokeByName(object(), u"GetCloudCashdeskParams", InvokeKind::Read));
}

bool DispatchDriver::cloudCashdeskEnabled() {
    return win32::toBool(invokeByName(object(), u"CloudCashdeskEnabled", InvokeKind::Read));
}

Text DispatchDriver::ecrId() {
    return win32::toText(invokeByName(object(), u"ECRID", InvokeKind::Read));
}

void DispatchDriver::setParentWnd(std::int32_t window) {
    const Variant value = Variant::fromInt32(window);
    invokeByName(object(), u"ParentWnd", InvokeKind::Write, &value);
}

void DispatchDriver::setParamsPageIndex(std::int32_t page) {
    const Variant value = Variant::fromInt32(page);
    invokeByName(object(), u"ParamsPageIndex", InvokeKind::Write, &value);
}

}  // namespace velmar::driver
