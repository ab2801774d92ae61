// The shipped program as a file: what the loader and the user's system see in it. Run on the
// Windows builds' output (build/dist/<arch>, or VELMAR_DIST_ROOT/<arch>).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <string>

#include "PeFile.h"
#include "platform/Text.h"

namespace velmar::release {
namespace {

struct Build {
    const char* arch;
    std::uint16_t machine;
};

void PrintTo(const Build& build, std::ostream* out) {
    *out << build.arch;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

class ShippedProgram : public testing::TestWithParam<Build> {
  protected:
    void SetUp() override {
        const char* root = std::getenv("VELMAR_DIST_ROOT");
        path_ = std::filesystem::path(root != nullptr ? root : VELMAR_DEFAULT_DIST_ROOT) /
                GetParam().arch / "VelmarMaster.exe";
        ASSERT_TRUE(std::filesystem::exists(path_))
            << path_ << " is missing: build the Windows presets first (./run.sh build)";
        pe_ = PeFile::read(path_);
    }

    std::filesystem::path path_;
    PeFile pe_;
};

TEST_P(ShippedProgram, IsAWindowsGuiProgramForItsArchitecture) {
    EXPECT_EQ(pe_.machine(), GetParam().machine);
    EXPECT_EQ(pe_.subsystem(), 2) << "IMAGE_SUBSYSTEM_WINDOWS_GUI";
}

TEST_P(ShippedProgram, AsksTheLoaderForAddressRandomisationAndNoExecutableData) {
    const std::uint16_t flags = pe_.dllCharacteristics();
    EXPECT_NE(flags & PeFile::kDynamicBase, 0) << "DYNAMIC_BASE";
    EXPECT_GT(pe_.relocationsSize(), 0u) << "DYNAMIC_BASE needs relocations to move the image";
    EXPECT_NE(flags & PeFile::kNxCompat, 0) << "NX_COMPAT";
    if (GetParam().machine == PeFile::kMachineAmd64) {
        EXPECT_NE(flags & PeFile::kHighEntropyVa, 0) << "HIGH_ENTROPY_VA";
    }
}

TEST_P(ShippedProgram, HasNoSectionThatIsBothWritableAndExecutable) {
    ASSERT_FALSE(pe_.sections().empty());
    for (const PeFile::Section& section : pe_.sections()) {
        const bool writable = (section.characteristics & PeFile::kSectionWrite) != 0;
        const bool executable = (section.characteristics & PeFile::kSectionExecute) != 0;
        EXPECT_FALSE(writable && executable) << section.name;
    }
}

TEST_P(ShippedProgram, ImportsOnlySystemLibrariesAndLoadsTheShellOnlyWhenNeeded) {
    // The C and C++ runtimes are linked in; msvcrt is the system's own C library.
    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll",   "ole32.dll",
                                          "oleaut32.dll", "msvcrt.dll", "advapi32.dll"};
    ASSERT_FALSE(pe_.importedDlls().empty());
    for (const std::string& dll : pe_.importedDlls()) {
        EXPECT_TRUE(system.contains(lower(dll))) << dll << " is not a system library";
    }
    // The shell is loaded from the system folder when the document is first opened.
    for (const std::string& dll : pe_.importedDlls()) {
        EXPECT_NE(lower(dll), "shell32.dll");
    }
}

TEST_P(ShippedProgram, CarriesNoSymbolsOrDebugInformation) {
    EXPECT_FALSE(pe_.hasSymbolTable());
    for (const PeFile::Section& section : pe_.sections()) {
        EXPECT_NE(section.name.rfind(".debug", 0), 0u) << section.name;
        EXPECT_NE(section.name.rfind("/", 0), 0u) << "a long-named section: " << section.name;
    }
}

TEST_P(ShippedProgram, CarriesItsVersionAndRussianDescriptionAndItsIcon) {
    const auto info = pe_.versionInfo();
    ASSERT_TRUE(info.has_value()) << "no VERSIONINFO resource";
    const std::string version = std::to_string(info->fileVersion[0]) + "." +
                                std::to_string(info->fileVersion[1]) + "." +
                                std::to_string(info->fileVersion[2]);
    EXPECT_EQ(version, VELMAR_VERSION);
    EXPECT_EQ(info->fileVersion[3], 0);
    auto value = [&](const char16_t* key) {
        const auto found = info->strings.find(key);
        return found == info->strings.end() ? std::string("(none)") : toUtf8(found->second);
    };
    EXPECT_EQ(value(u"FileVersion"), VELMAR_VERSION);
    EXPECT_EQ(value(u"ProductVersion"), VELMAR_VERSION);
    EXPECT_EQ(value(u"ProductName"), "VELMAR: Мастер подключения");
    EXPECT_EQ(value(u"FileDescription"), "Мастер подключения кассы к сервису «Велмар»");
    EXPECT_EQ(value(u"OriginalFilename"), "VelmarMaster.exe");
    EXPECT_TRUE(pe_.hasNamedResource(14 /* RT_GROUP_ICON */, u"MAINICON"));
    EXPECT_FALSE(pe_.hasResourceType(24 /* RT_MANIFEST */)) << "the program carries no manifest";
}

INSTANTIATE_TEST_SUITE_P(Builds, ShippedProgram,
                         testing::Values(Build{"x64", PeFile::kMachineAmd64},
                                         Build{"x86", PeFile::kMachineI386}),
                         [](const testing::TestParamInfo<Build>& info) {
                             return std::string(info.param.arch);
                         });

}  // namespace
}  // namespace velmar::release
