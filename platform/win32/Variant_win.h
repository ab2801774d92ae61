#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "platform/Text.h"

namespace velmar::win32 {

// Owns a VARIANT: cleared on destruction and before put() hands out its address, so nothing a
// callee writes into it can leak.
class Variant {
  public:
    Variant() noexcept { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            VariantClear(&value_);
            value_ = other.value_;
            VariantInit(&other.value_);
        }
        return *this;
    }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    static Variant fromInt32(LONG value) noexcept {
        Variant v;
        v.value_.vt = VT_I4;
        v.value_.lVal = value;
        return v;
    }

    VARIANT* put() noexcept {
        VariantClear(&value_);
        return &value_;
    }
    void clear() noexcept { VariantClear(&value_); }
    const VARIANT& get() const noexcept { return value_; }
    VARIANT& get() noexcept { return value_; }
    VARTYPE type() const noexcept { return value_.vt; }

  private:
    VARIANT value_;
};

// Owns a BSTR (SysFreeString on destruction and before put()).
class Bstr {
  public:
    Bstr() noexcept = default;
    explicit Bstr(TextView text)
        : value_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                   static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            SysFreeString(std::exchange(value_, std::exchange(other.value_, nullptr)));
        }
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR* put() noexcept {
        SysFreeString(std::exchange(value_, nullptr));
        return &value_;
    }
    BSTR get() const noexcept { return value_; }
    // The text, which may hold embedded NULs: a BSTR carries its own length.
    Text text() const {
        return Text(reinterpret_cast<const char16_t*>(value_), SysStringLen(value_));
    }

  private:
    BSTR value_ = nullptr;
};

// Frees what an IDispatch::Invoke wrote into an EXCEPINFO.
struct ExcepInfo {
    EXCEPINFO info{};
    ExcepInfo() = default;
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
};

}  // namespace velmar::win32
