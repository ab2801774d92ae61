#include "platform/win32/Dispatch_win.h"

#include "platform/AppError.h"
#include "platform/win32/SystemText_win.h"

namespace velmar::win32 {
namespace {

[[noreturn]] void throwStatus(HRESULT hr) {
    throw AppError(systemErrorText(static_cast<DWORD>(hr)));
}

[[noreturn]] void throwInvokeFailure(HRESULT hr, ExcepInfo& exception) {
    if (hr == DISP_E_EXCEPTION) {
        if (exception.info.pfnDeferredFillIn != nullptr) {
            exception.info.pfnDeferredFillIn(&exception.info);
        }
        Bstr description;
        *description.put() = std::exchange(exception.info.bstrDescription, nullptr);
        Text text = description.text();
        if (!text.empty()) {
            throw AppError(std::move(text));
        }
        // An exception without a description still deserves a readable report.
        if (exception.info.scode != 0) {
            throwStatus(exception.info.scode);
        }
    }
    throwStatus(hr);
}

Variant changeType(const Variant& value, VARTYPE type) {
    Variant converted;
    const HRESULT hr = VariantChangeTypeEx(converted.put(), const_cast<VARIANT*>(&value.get()),
                                           LOCALE_USER_DEFAULT, 0, type);
    if (FAILED(hr)) {
        throwStatus(hr);
    }
    return converted;
}

}  // namespace

Variant invokeByName(IDispatch* object, TextView name, InvokeKind kind, const Variant* argument) {
    const Text nameText(name);
    if (object == nullptr) {
        throwStatus(E_POINTER);
    }
    LPOLESTR names[] = {const_cast<LPOLESTR>(wide(nameText))};
    DISPID dispId = DISPID_UNKNOWN;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispId);
    if (hr == DISP_E_UNKNOWNNAME) {
        throw AppError(u"Method '" + nameText + u"' not supported by automation object");
    }
    if (FAILED(hr)) {
        throwStatus(hr);
    }

    DISPPARAMS params{};
    DISPID namedPut = DISPID_PROPERTYPUT;
    VARIANT putValue;
    WORD flags = DISPATCH_METHOD;
    Variant result;
    VARIANT* resultSlot = nullptr;
    switch (kind) {
        case InvokeKind::Call:
            break;
        case InvokeKind::Read:
            flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
            resultSlot = result.put();
            break;
        case InvokeKind::Write:
            flags = DISPATCH_PROPERTYPUT;
            // The callee must not change or free the argument; a shallow copy is passed.
            putValue = argument != nullptr ? argument->get() : VARIANT{};
            params.rgvarg = &putValue;
            params.cArgs = 1;
            params.rgdispidNamedArgs = &namedPut;
            params.cNamedArgs = 1;
            break;
    }
    ExcepInfo exception;
    UINT argError = 0;
    hr = object->Invoke(dispId, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, resultSlot,
                        &exception.info, &argError);
    if (FAILED(hr)) {
        throwInvokeFailure(hr, exception);
    }
    return result;
}

std::int32_t toInt32(const Variant& value) {
    return changeType(value, VT_I4).get().lVal;
}

bool toBool(const Variant& value) {
    return changeType(value, VT_BOOL).get().boolVal != VARIANT_FALSE;
}

Text toText(const Variant& value) {
    if (value.type() == VT_BSTR) {
        const BSTR text = value.get().bstrVal;
        return Text(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
    }
    const Variant converted = changeType(value, VT_BSTR);
    const BSTR text = converted.get().bstrVal;
    return Text(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

}  // namespace velmar::win32
