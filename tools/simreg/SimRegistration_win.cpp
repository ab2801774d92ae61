#include "tools/simreg/SimRegistration_win.h"

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <vector>

#include "sim/SimClsid.h"
#include "sim/WinUtil_win.h"

namespace velmar::simreg {

namespace {

using sim::toUtf8;
using sim::u16;

class RegKey {
  public:
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    HKEY get() const { return key_; }
    HKEY* put() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
            key_ = nullptr;
        }
        return &key_;
    }

  private:
    HKEY key_ = nullptr;
};

REGSAM viewFlag(Arch view) {
    return view == Arch::X64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}
Arch otherView(Arch view) {
    return view == Arch::X64 ? Arch::X86 : Arch::X64;
}
const char* viewName(Arch view) {
    return view == Arch::X64 ? "x64" : "x86";
}

std::wstring wide(const std::u16string& s) {
    return {s.begin(), s.end()};
}

const std::wstring kClsid = wide(sim::classIdString(sim::kSimDriverClsid));
const std::wstring kProgId = wide(sim::kDriverProgId);
const std::wstring kProgIdKey = L"Software\\Classes\\" + kProgId;
const std::wstring kClsidKey = L"Software\\Classes\\CLSID\\" + kClsid;

std::string narrow(const std::wstring& s) {
    return toUtf8(u16(s.c_str(), s.size()));
}

[[noreturn]] void fail(const std::string& what, const std::wstring& key, LSTATUS status) {
    throw std::runtime_error(what + " HKLM\\" + narrow(key) + ": " +
                             sim::windowsErrorText(static_cast<DWORD>(status)));
}

void setString(Arch view, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    RegKey k;
    LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE | viewFlag(view), nullptr, k.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        fail("cannot create", key, status);
    }
    status = RegSetValueExW(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) {
        fail("cannot write", key, status);
    }
}

std::optional<std::wstring> readString(Arch view, const std::wstring& key) {
    RegKey k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | viewFlag(view),
                      k.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(512);
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(k.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring value(buffer.data(), bytes / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') {
        value.pop_back();
    }
    return value;
}

void deleteTree(Arch view, const std::wstring& key) {
    std::vector<std::wstring> children;
    {
        RegKey k;
        LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0,
                                       KEY_ENUMERATE_SUB_KEYS | viewFlag(view), k.put());
        if (status == ERROR_FILE_NOT_FOUND) {
            return;
        }
        if (status != ERROR_SUCCESS) {
            fail("cannot open", key, status);
        }
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            status = RegEnumKeyExW(k.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (status != ERROR_SUCCESS) {
                break;
            }
            children.emplace_back(name, length);
        }
    }
    for (const auto& child : children) {
        deleteTree(view, key + L"\\" + child);
    }
    const LSTATUS status = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), viewFlag(view), 0);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        fail("cannot delete", key, status);
    }
}

void writeProgId(Arch view) {
    setString(view, kProgIdKey + L"\\CLSID", nullptr, kClsid);
}

bool classRegistered(Arch view) {
    return readString(view, kClsidKey + L"\\InprocServer32").has_value();
}

// The machine field of the DLL's PE header: an x86 DLL in the x64 view (or the reverse) would
// register fine and then fail in every client.
Arch dllArch(const std::wstring& path) {
    const std::string bytes = sim::readWholeFile(path);
    auto fieldAt = [&](std::size_t offset, std::size_t size) -> std::uint32_t {
        if (offset + size > bytes.size()) {
            throw std::runtime_error(narrow(path) + " is not a DLL");
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value |= std::uint32_t{static_cast<unsigned char>(bytes[offset + i])} << (8 * i);
        }
        return value;
    };
    if (fieldAt(0, 2) != IMAGE_DOS_SIGNATURE) {
        throw std::runtime_error(narrow(path) + " is not a DLL");
    }
    const std::size_t pe = fieldAt(0x3C, 4);
    if (fieldAt(pe, 4) != IMAGE_NT_SIGNATURE) {
        throw std::runtime_error(narrow(path) + " is not a DLL");
    }
    switch (fieldAt(pe + 4, 2)) {
        case IMAGE_FILE_MACHINE_AMD64:
            return Arch::X64;
        case IMAGE_FILE_MACHINE_I386:
            return Arch::X86;
        default:
            throw std::runtime_error(narrow(path) + " is neither an x64 nor an x86 DLL");
    }
}

}  // namespace

void registerDriver(Arch view, const std::wstring& dllWindowsPath) {
    if (dllWindowsPath.empty()) {
        throw std::runtime_error("no DLL path given");
    }
    if (const Arch arch = dllArch(dllWindowsPath); arch != view) {
        throw std::runtime_error(narrow(dllWindowsPath) + " is an " + viewName(arch) +
                                 " DLL; it cannot serve the " + viewName(view) + " view");
    }
    writeProgId(view);
    setString(view, kClsidKey, nullptr, L"Simulated fiscal register driver");
    setString(view, kClsidKey + L"\\ProgID", nullptr, kProgId);
    setString(view, kClsidKey + L"\\InprocServer32", nullptr, dllWindowsPath);
    setString(view, kClsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
}

void unregisterDriver(Arch view) {
    deleteTree(view, kClsidKey);
    // Only our own ProgID entry goes: another driver may have taken the name since.
    if (readString(view, kProgIdKey + L"\\CLSID") == kClsid) {
        deleteTree(view, kProgIdKey);
    }
    // Where the ProgID key is shared between the views (Windows 7 and later, Wine), deleting it
    // above also took it from the other view's registration: put it back there.
    if (classRegistered(otherView(view)) && !readString(otherView(view), kProgIdKey + L"\\CLSID")) {
        writeProgId(otherView(view));
    }
}

}  // namespace velmar::simreg
