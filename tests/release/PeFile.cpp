#include "PeFile.h"

#include <fstream>
#include <stdexcept>

namespace velmar::release {
namespace {

constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kRelocationDirectory = 5;
constexpr std::uint16_t kVersionResource = 16;
constexpr std::uint32_t kSubdirectory = 0x80000000;

[[noreturn]] void malformed(const std::string& what) {
    throw std::runtime_error("not a well-formed PE image: " + what);
}

std::uint32_t align4(std::uint32_t offset) {
    return (offset + 3) & ~3u;
}

// One block of a version resource: key, value and the blocks inside it.
struct VersionBlock {
    std::u16string key;
    std::uint16_t valueLength = 0;  // bytes for binary values, characters for text
    bool text = false;
    std::uint32_t valueOffset = 0;
    std::vector<VersionBlock> children;
};

std::uint16_t readU16(const std::vector<std::uint8_t>& data, std::uint32_t offset) {
    if (offset + 2 > data.size()) {
        malformed("version resource cut short");
    }
    return static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
}

std::u16string readText(const std::vector<std::uint8_t>& data, std::uint32_t offset,
                        std::uint32_t limit) {
    std::u16string text;
    for (; offset + 2 <= limit; offset += 2) {
        const char16_t c = readU16(data, offset);
        if (c == 0) {
            return text;
        }
        text += c;
    }
    malformed("unterminated text in the version resource");
}

VersionBlock parseBlock(const std::vector<std::uint8_t>& data, std::uint32_t offset) {
    const std::uint32_t length = readU16(data, offset);
    const std::uint32_t end = offset + length;
    if (length < 6 || end > data.size()) {
        malformed("version block of a bad length");
    }
    VersionBlock block;
    block.valueLength = readU16(data, offset + 2);
    block.text = readU16(data, offset + 4) == 1;
    block.key = readText(data, offset + 6, end);
    block.valueOffset = align4(offset + 6 + static_cast<std::uint32_t>(block.key.size() + 1) * 2);
    const std::uint32_t valueBytes = block.text ? block.valueLength * 2u : block.valueLength;
    for (std::uint32_t child = align4(block.valueOffset + valueBytes); child + 6 <= end;) {
        const std::uint32_t childLength = readU16(data, child);
        if (childLength == 0) {
            break;
        }
        block.children.push_back(parseBlock(data, child));
        child = align4(child + childLength);
    }
    return block;
}

}  // namespace

PeFile PeFile::read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path.string());
    }
    PeFile pe;
    file.seekg(0, std::ios::end);
    pe.bytes_.resize(static_cast<std::size_t>(file.tellg()));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(pe.bytes_.data()),
              static_cast<std::streamsize>(pe.bytes_.size()));
    if (!file) {
        throw std::runtime_error("cannot read " + path.string());
    }
    if (pe.bytes_.size() < 0x40 || pe.bytes_[0] != 'M' || pe.bytes_[1] != 'Z') {
        malformed("no MZ header");
    }
    const std::uint32_t header = pe.u32(0x3C);
    if (pe.u32(header) != 0x00004550) {
        malformed("no PE signature");
    }
    pe.machine_ = pe.u16(header + 4);
    const std::uint16_t sectionCount = pe.u16(header + 6);
    pe.hasSymbolTable_ = pe.u32(header + 12) != 0;
    const std::uint16_t optionalSize = pe.u16(header + 20);
    const std::uint32_t optional = header + 24;
    const std::uint16_t magic = pe.u16(optional);
    if (magic != 0x10B && magic != 0x20B) {
        malformed("unknown optional header");
    }
    pe.subsystem_ = pe.u16(optional + 68);
    pe.dllCharacteristics_ = pe.u16(optional + 70);
    const std::uint32_t directories = optional + (magic == 0x20B ? 112 : 96);
    const std::uint32_t directoryCount = pe.u32(directories - 4);
    auto directory = [&](std::uint32_t index) {
        return index < directoryCount
                   ? std::pair{pe.u32(directories + index * 8), pe.u32(directories + index * 8 + 4)}
                   : std::pair{0u, 0u};
    };
    const std::uint32_t sectionTable = optional + optionalSize;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::uint32_t s = sectionTable + i * 40u;
        const auto* name = pe.at(s, 8);
        Section section;
        section.name.assign(reinterpret_cast<const char*>(name), 8);
        section.name.resize(section.name.find('\0') == std::string::npos ? 8
                                                                         : section.name.find('\0'));
        section.virtualSize = pe.u32(s + 8);
        section.virtualAddress = pe.u32(s + 12);
        section.rawSize = pe.u32(s + 16);
        section.rawOffset = pe.u32(s + 20);
        section.characteristics = pe.u32(s + 36);
        pe.sections_.push_back(section);
    }
    pe.relocationsSize_ = directory(kRelocationDirectory).second;
    if (const auto [rva, size] = directory(kImportDirectory); rva != 0 && size != 0) {
        pe.readImports(rva);
    }
    pe.resourceRva_ = directory(kResourceDirectory).first;
    return pe;
}

const std::uint8_t* PeFile::at(std::uint32_t offset, std::uint32_t size) const {
    if (offset > bytes_.size() || size > bytes_.size() - offset) {
        malformed("offset " + std::to_string(offset) + " outside the file");
    }
    return bytes_.data() + offset;
}

std::uint16_t PeFile::u16(std::uint32_t offset) const {
    const std::uint8_t* p = at(offset, 2);
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t PeFile::u32(std::uint32_t offset) const {
    const std::uint8_t* p = at(offset, 4);
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint32_t PeFile::fileOffset(std::uint32_t rva) const {
    for (const Section& section : sections_) {
        if (rva >= section.virtualAddress && rva - section.virtualAddress < section.rawSize) {
            return section.rawOffset + (rva - section.virtualAddress);
        }
    }
    malformed("address " + std::to_string(rva) + " in no section");
}

std::string PeFile::cString(std::uint32_t rva) const {
    std::string text;
    for (std::uint32_t offset = fileOffset(rva);; ++offset) {
        const char c = static_cast<char>(*at(offset, 1));
        if (c == '\0') {
            return text;
        }
        text += c;
    }
}

void PeFile::readImports(std::uint32_t rva) {
    for (std::uint32_t entry = fileOffset(rva);; entry += 20) {
        const std::uint32_t nameRva = u32(entry + 12);
        if (nameRva == 0 && u32(entry) == 0 && u32(entry + 16) == 0) {
            return;
        }
        importedDlls_.push_back(cString(nameRva));
    }
}

std::vector<PeFile::ResourceEntry> PeFile::resourceEntries(std::uint32_t offset) const {
    const std::uint32_t base = fileOffset(resourceRva_);
    const std::uint32_t directory = base + offset;
    const std::uint32_t count = u16(directory + 12) + u16(directory + 14);
    std::vector<ResourceEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t e = directory + 16 + i * 8;
        const std::uint32_t name = u32(e);
        ResourceEntry entry{std::nullopt, {}, u32(e + 4)};
        if ((name & kSubdirectory) != 0) {
            const std::uint32_t text = base + (name & ~kSubdirectory);
            const std::uint16_t length = u16(text);
            for (std::uint16_t c = 0; c < length; ++c) {
                entry.name += static_cast<char16_t>(u16(text + 2 + c * 2u));
            }
        } else {
            entry.id = static_cast<std::uint16_t>(name);
        }
        entries.push_back(entry);
    }
    return entries;
}

bool PeFile::hasResourceType(std::uint16_t type) const {
    if (resourceRva_ == 0) {
        return false;
    }
    for (const ResourceEntry& entry : resourceEntries(0)) {
        if (entry.id == type) {
            return true;
        }
    }
    return false;
}

bool PeFile::hasNamedResource(std::uint16_t type, const std::u16string& name) const {
    if (resourceRva_ == 0) {
        return false;
    }
    for (const ResourceEntry& typeEntry : resourceEntries(0)) {
        if (typeEntry.id != type || (typeEntry.target & kSubdirectory) == 0) {
            continue;
        }
        for (const ResourceEntry& nameEntry : resourceEntries(typeEntry.target & ~kSubdirectory)) {
            if (!nameEntry.id && nameEntry.name == name) {
                return true;
            }
        }
    }
    return false;
}

std::optional<std::vector<std::uint8_t>> PeFile::firstResourceData(std::uint16_t type) const {
    if (resourceRva_ == 0) {
        return std::nullopt;
    }
    for (const ResourceEntry& typeEntry : resourceEntries(0)) {
        if (typeEntry.id != type) {
            continue;
        }
        // type -> name -> language -> data
        std::uint32_t target = typeEntry.target;
        for (int level = 0; level < 2; ++level) {
            if ((target & kSubdirectory) == 0) {
                malformed("resource tree too shallow");
            }
            const auto entries = resourceEntries(target & ~kSubdirectory);
            if (entries.empty()) {
                return std::nullopt;
            }
            target = entries.front().target;
        }
        const std::uint32_t dataEntry = fileOffset(resourceRva_) + target;
        const std::uint32_t offset = fileOffset(u32(dataEntry));
        const std::uint32_t size = u32(dataEntry + 4);
        const std::uint8_t* data = at(offset, size);
        return std::vector<std::uint8_t>(data, data + size);
    }
    return std::nullopt;
}

std::optional<PeFile::VersionInfo> PeFile::versionInfo() const {
    const auto data = firstResourceData(kVersionResource);
    if (!data) {
        return std::nullopt;
    }
    const VersionBlock root = parseBlock(*data, 0);
    if (root.key != u"VS_VERSION_INFO" || root.valueLength < 16 ||
        readU16(*data, root.valueOffset) != 0x04BD ||
        readU16(*data, root.valueOffset + 2) != 0xFEEF) {
        malformed("no fixed version information");
    }
    VersionInfo info;
    // dwFileVersionMS then dwFileVersionLS, each high word first.
    info.fileVersion[0] = readU16(*data, root.valueOffset + 10);
    info.fileVersion[1] = readU16(*data, root.valueOffset + 8);
    info.fileVersion[2] = readU16(*data, root.valueOffset + 14);
    info.fileVersion[3] = readU16(*data, root.valueOffset + 12);
    for (const VersionBlock& child : root.children) {
        if (child.key != u"StringFileInfo" || child.children.empty()) {
            continue;
        }
        for (const VersionBlock& string : child.children.front().children) {
            const std::u16string value =
                string.valueLength == 0
                    ? std::u16string()
                    : readText(*data, string.valueOffset, static_cast<std::uint32_t>(data->size()));
            info.strings[string.key] = value;
        }
    }
    return info;
}

}  // namespace velmar::release
