#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>

namespace velmar::sim {

// char16_t and wchar_t are both UTF-16 units on Windows.
inline const wchar_t* wide(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline std::u16string_view u16(const wchar_t* s, std::size_t n) {
    return {reinterpret_cast<const char16_t*>(s), n};
}
inline std::u16string_view u16(BSTR s) {
    return u16(s, s ? SysStringLen(s) : 0);
}

class UniqueHandle {
  public:
    explicit UniqueHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() {
        if (valid()) {
            CloseHandle(h_);
        }
    }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

class ScopedVariant {
  public:
    ScopedVariant() { VariantInit(&v_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&v_); }
    VARIANT* get() { return &v_; }
    const VARIANT& operator*() const { return v_; }

  private:
    VARIANT v_;
};

// The system's text for an error code, UTF-8, without the trailing line break.
std::string windowsErrorText(DWORD code);

std::string toUtf8(std::u16string_view text);

// Throw std::runtime_error carrying the path and the system's text.
std::string readWholeFile(const std::wstring& path);
void appendToFile(const std::wstring& path, std::string_view bytes);
void replaceFile(const std::wstring& path, std::string_view bytes);

// An empty variable counts as absent.
std::optional<std::wstring> environmentVariable(const wchar_t* name);

}  // namespace velmar::sim
