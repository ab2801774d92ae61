// simreg register x64|x86 <dll path>
// simreg unregister x64|x86
#include <windows.h>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tools/simreg/SimRegistration_win.h"

namespace {

using velmar::simreg::Arch;

void say(FILE* stream, const std::string& text) {
    // UTF-8 bytes: Wine's console drops non-ASCII text written through the wide printf family.
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stream);
}

std::string utf8(const std::wstring& s) {
    if (s.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::optional<Arch> parseArch(std::wstring_view s) {
    if (s == L"x64") {
        return Arch::X64;
    }
    if (s == L"x86") {
        return Arch::X86;
    }
    return std::nullopt;
}

std::wstring fullPath(const std::wstring& path) {
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) {
        throw std::runtime_error("invalid path " + utf8(path));
    }
    std::wstring full(n, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(written);
    return full;
}

int usage() {
    say(stderr, "usage: simreg register x64|x86 <dll path>\n       simreg unregister x64|x86");
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring_view command = argc > 1 ? argv[1] : L"";
    const bool registering = command == L"register" && argc == 4;
    const bool unregistering = command == L"unregister" && argc == 3;
    if (!registering && !unregistering) {
        return usage();
    }
    const std::optional<Arch> parsed = parseArch(argv[2]);
    if (!parsed) {
        return usage();
    }
    const Arch arch = *parsed;
    try {
        if (registering) {
            const std::wstring dll = fullPath(argv[3]);
            velmar::simreg::registerDriver(arch, dll);
            say(stdout, "registered " + utf8(dll) + " in the " + utf8(argv[2]) + " view");
        } else {
            velmar::simreg::unregisterDriver(arch);
            say(stdout, "unregistered from the " + utf8(argv[2]) + " view");
        }
        return 0;
    } catch (const std::exception& e) {
        say(stderr, std::string("simreg: ") + e.what());
        return 1;
    }
}
