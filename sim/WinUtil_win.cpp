#include "sim/WinUtil_win.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

namespace velmar::sim {

namespace {

[[noreturn]] void throwFileError(const char* what, const std::wstring& path) {
    const DWORD code = GetLastError();
    throw std::runtime_error(std::string(what) + " " + toUtf8(u16(path.c_str(), path.size())) +
                             ": " + windowsErrorText(code));
}

void writeAll(HANDLE file, std::string_view bytes, const std::wstring& path) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) {
            throwFileError("cannot write", path);
        }
        bytes.remove_prefix(written);
    }
}

}  // namespace

std::string toUtf8(std::u16string_view text) {
    if (text.empty()) {
        return {};
    }
    const auto* src = reinterpret_cast<const wchar_t*>(text.data());
    const int n = WideCharToMultiByte(CP_UTF8, 0, src, static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, src, static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::string windowsErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, decltype(&LocalFree)> owner(buffer, &LocalFree);
    std::u16string_view text = n > 0 ? u16(buffer, n) : std::u16string_view{};
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
        text.remove_suffix(1);
    }
    return text.empty() ? "error " + std::to_string(code) : toUtf8(text);
}

std::string readWholeFile(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        throwFileError("cannot open", path);
    }
    std::string bytes;
    char buffer[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
            throwFileError("cannot read", path);
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(buffer, got);
    }
}

void appendToFile(const std::wstring& path, std::string_view bytes) {
    // Append-only access: concurrent writers (two driver objects, two processes) never overwrite
    // each other's lines.
    UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        throwFileError("cannot open", path);
    }
    writeAll(file.get(), bytes, path);
}

void replaceFile(const std::wstring& path, std::string_view bytes) {
    const std::wstring temporary = path + L".tmp";
    {
        UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            throwFileError("cannot create", temporary);
        }
        writeAll(file.get(), bytes, temporary);
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throwFileError("cannot replace", path);
    }
}

std::optional<std::wstring> environmentVariable(const wchar_t* name) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        const DWORD n =
            GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            return std::nullopt;
        }
        if (n < buffer.size()) {
            return std::wstring(buffer.data(), n);
        }
        buffer.resize(n);
    }
}

}  // namespace velmar::sim
