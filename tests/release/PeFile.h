#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmar::release {

// What the release checks read from a Windows executable: its headers, sections, imports and
// version resource. A file that is not a well-formed PE image is a std::runtime_error.
class PeFile {
  public:
    // Header flags the checks look at.
    static constexpr std::uint16_t kHighEntropyVa = 0x0020;
    static constexpr std::uint16_t kDynamicBase = 0x0040;
    static constexpr std::uint16_t kNxCompat = 0x0100;
    static constexpr std::uint32_t kSectionExecute = 0x20000000;
    static constexpr std::uint32_t kSectionWrite = 0x80000000;
    static constexpr std::uint16_t kMachineI386 = 0x014C;
    static constexpr std::uint16_t kMachineAmd64 = 0x8664;

    struct Section {
        std::string name;
        std::uint32_t virtualAddress = 0;
        std::uint32_t virtualSize = 0;
        std::uint32_t rawOffset = 0;
        std::uint32_t rawSize = 0;
        std::uint32_t characteristics = 0;
    };

    struct VersionInfo {
        std::uint16_t fileVersion[4] = {};  // from the fixed part: major, minor, patch, build
        std::map<std::u16string, std::u16string> strings;  // of the first string table
    };

    static PeFile read(const std::filesystem::path& path);

    std::uint16_t machine() const { return machine_; }
    std::uint16_t subsystem() const { return subsystem_; }
    std::uint16_t dllCharacteristics() const { return dllCharacteristics_; }
    bool hasSymbolTable() const { return hasSymbolTable_; }
    // The size of the base relocation table: an image that may move needs one.
    std::uint32_t relocationsSize() const { return relocationsSize_; }
    const std::vector<Section>& sections() const { return sections_; }
    // The names of the DLLs in the import table, as written there.
    const std::vector<std::string>& importedDlls() const { return importedDlls_; }
    // Whether a resource of this type has an entry with this name (named resources only).
    bool hasNamedResource(std::uint16_t type, const std::u16string& name) const;
    bool hasResourceType(std::uint16_t type) const;
    std::optional<VersionInfo> versionInfo() const;

  private:
    const std::uint8_t* at(std::uint32_t offset, std::uint32_t size) const;
    std::uint32_t fileOffset(std::uint32_t rva) const;
    std::uint16_t u16(std::uint32_t offset) const;
    std::uint32_t u32(std::uint32_t offset) const;
    std::string cString(std::uint32_t rva) const;
    void readImports(std::uint32_t rva);
    // The resource directory's entries at `offset` (from the section's start): name or id, and
    // the offset of what it points to (a subdirectory when the high bit is set).
    struct ResourceEntry {
        std::optional<std::uint16_t> id;
        std::u16string name;
        std::uint32_t target;
    };
    std::vector<ResourceEntry> resourceEntries(std::uint32_t offset) const;
    std::optional<std::vector<std::uint8_t>> firstResourceData(std::uint16_t type) const;

    std::vector<std::uint8_t> bytes_;
    std::uint16_t machine_ = 0;
    std::uint16_t subsystem_ = 0;
    std::uint16_t dllCharacteristics_ = 0;
    bool hasSymbolTable_ = false;
    std::uint32_t relocationsSize_ = 0;
    std::uint32_t resourceRva_ = 0;
    std::vector<Section> sections_;
    std::vector<std::string> importedDlls_;
};

}  // namespace velmar::release
