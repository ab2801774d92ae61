#pragma once

#include <cstdint>
#include <string>

namespace velmar::sim {

// The class of the simulated driver; registered under the ProgID the wizard asks for.
struct ClassId {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

inline constexpr ClassId kSimDriverClsid{
    0xCBCBC02F, 0x9A06, 0x4F5A, {0xBC, 0x3C, 0x1C, 0xF8, 0x4F, 0x57, 0xF2, 0x83}};
inline constexpr char16_t kDriverProgId[] = u"AddIn.DrvFR";

// The registry form, "{CBCBC02F-9A06-4F5A-BC3C-1CF84F57F283}".
inline std::u16string classIdString(const ClassId& id) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string s = u"{";
    auto put = [&s](std::uint64_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
            s += kHex[(value >> shift) & 0xF];
        }
    };
    put(id.data1, 8);
    s += u'-';
    put(id.data2, 4);
    s += u'-';
    put(id.data3, 4);
    s += u'-';
    put(id.data4[0], 2);
    put(id.data4[1], 2);
    s += u'-';
    for (int i = 2; i < 8; ++i) {
        put(id.data4[i], 2);
    }
    s += u'}';
    return s;
}

}  // namespace velmar::sim
