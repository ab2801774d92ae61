// The robot's own pieces whose faults would make the end-to-end tests pass or fail wrongly.
#include <windows.h>
#include <shellapi.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "tests/e2e/Harness_win.h"
#include "tools/robot/Capture_win.h"
#include "tools/robot/Image.h"
#include "tools/robot/Process_win.h"
#include "tools/robot/Sequence.h"
#include "tools/robot/Text_win.h"

namespace velmar::e2e {
namespace {

using robot::kOptional;
using robot::kWildcard;
using robot::SequenceEntry;

std::vector<std::wstring> parsedArguments(const std::wstring& commandLine) {
    int count = 0;
    wchar_t** parsed = CommandLineToArgvW(commandLine.c_str(), &count);
    if (parsed == nullptr) {
        robot::throwWin32Error("CommandLineToArgvW");
    }
    std::vector<std::wstring> arguments(parsed, parsed + count);
    LocalFree(parsed);
    return arguments;
}

TEST(RobotCommandLine, EveryArgumentIsParsedBackUnchanged) {
    const std::vector<std::wstring> arguments = {
        L"plain",      L"",        L"two words",    L"tab\there", L"\"quoted\"", L"a\\\"b",
        L"trailing\\", L"dir\\\\", L"C:\\a b\\c\\", L"Касса №7",  L"\\\\server", L"mid\"dle"};
    const std::wstring program = L"C:\\Program Files\\Some Dir\\prog.exe";
    const std::vector<std::wstring> parsed =
        parsedArguments(robot::commandLineFor(program, arguments));
    ASSERT_EQ(parsed.size(), arguments.size() + 1)
        << robot::utf8(robot::commandLineFor(program, arguments));
    EXPECT_EQ(parsed[0], program);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        EXPECT_EQ(robot::utf8(parsed[i + 1]), robot::utf8(arguments[i])) << "argument " << i;
    }
}

TEST(RobotEnvironment, ChangesReplaceWithoutRegardToCaseAndKeepTheRestSorted) {
    const std::vector<std::wstring> inherited = {L"=C:=C:\\work", L"Path=C:\\bin", L"TEMP=C:\\t",
                                                 L"SIMDRV_SCRIPT=old.txt", L"b=2"};
    const std::vector<std::wstring> merged =
        robot::mergeEnvironment(inherited, {{L"PATH", L"D:\\bin"},
                                            {L"simdrv_script", std::nullopt},
                                            {L"SIMDRV_LOG", L"C:\\t\\driver.log"},
                                            {L"ABSENT", std::nullopt}});
    const std::vector<std::wstring> expected = {L"=C:=C:\\work", L"b=2", L"PATH=D:\\bin",
                                                L"SIMDRV_LOG=C:\\t\\driver.log", L"TEMP=C:\\t"};
    EXPECT_EQ(merged, expected);
}

struct SequenceCase {
    const char* name;
    std::vector<SequenceEntry> expected;
    std::vector<std::string> actual;
    const char* reportStart;  // nullptr: the sequences match
};

void PrintTo(const SequenceCase& c, std::ostream* out) {
    *out << c.name;
}

const SequenceCase kSequenceCases[] = {
    {"Equal", {{"create"}, {"release"}}, {"create", "release"}, nullptr},
    {"OptionalAbsent",
     {{"create"}, {"lookup A", kOptional}, {"release"}},
     {"create", "release"},
     nullptr},
    {"OptionalPresent", {{"create"}, {"lookup A", kOptional}}, {"create", "lookup A"}, nullptr},
    {"OptionalAtTheEndAbsent", {{"create"}, {"lookup A", kOptional}}, {"create"}, nullptr},
    {"Wildcard",
     {{"dialog Show parent=* page=18", kWildcard}},
     {"dialog Show parent=0x1a2b page=18"},
     nullptr},
    {"WildcardStillChecksTheRest",
     {{"dialog Show parent=* page=18", kWildcard}},
     {"dialog Show parent=0x1a2b page=19"},
     "ctx: first difference at expected #0 / actual #0"},
    {"StarIsLiteralWithoutTheFlag",
     {{"value=*"}},
     {"value=7"},
     "ctx: first difference at expected #0 / actual #0"},
    {"Differs",
     {{"create"}, {"lookup A"}, {"release"}},
     {"create", "lookup B", "release"},
     "ctx: first difference at expected #1 / actual #1"},
    {"Swapped", {{"a"}, {"b"}}, {"b", "a"}, "ctx: first difference at expected #0 / actual #0"},
    {"Missing",
     {{"create"}, {"release"}},
     {"create"},
     "ctx: expected #1 \"release\" did not happen (1 events recorded)"},
    {"Extra",
     {{"create"}},
     {"create", "release", "release"},
     "ctx: unexpected event #1 \"release\" after the whole expected sequence"},
    {"OptionalDoesNotHideAWrongOne",
     {{"a"}, {"b", kOptional}, {"c"}},
     {"a", "x", "c"},
     "ctx: first difference at expected #2 / actual #1"},
    {"NothingRecorded", {{"create"}}, {}, "ctx: expected #0 \"create\" did not happen"},
};

class RobotSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(RobotSequence, ComparesTheWholeSequence) {
    const SequenceCase& c = GetParam();
    const auto report = robot::compareSequence(c.expected, c.actual, "ctx");
    if (c.reportStart == nullptr) {
        EXPECT_FALSE(report) << *report;
    } else {
        ASSERT_TRUE(report);
        EXPECT_TRUE(report->starts_with(c.reportStart)) << *report;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RobotSequence, ::testing::ValuesIn(kSequenceCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RobotSequenceReport, ListsExpectedBesideActualAndMarksTheFirstDifference) {
    const SequenceEntry expected[] = {{"create"}, {"lookup ECRID"}, {"release"}};
    const std::vector<std::string> actual = {"create", "lookup ResultCode"};
    const auto report = robot::compareSequence(expected, actual, "log");
    ASSERT_TRUE(report);
    EXPECT_EQ(*report,
              "log: first difference at expected #1 / actual #1\n"
              "     #  expected         #  actual\n"
              "     0  create           0  create\n"
              ">    1  lookup ECRID     1  lookup ResultCode\n"
              "     2  release             -\n");
}

// --- Saved captures read back by the system's own decoders ------------------------------------

robot::Image testPattern(int width, int height) {
    robot::Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y,
                           {static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(y * 3),
                            static_cast<std::uint8_t>((x ^ y) & 0xFF)});
        }
    }
    return image;
}

class ComApartment {
  public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }

  private:
    HRESULT result_;
};

template <class T>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (p_ != nullptr) {
            p_->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** put() {
        if (p_ != nullptr) {
            p_->Release();
            p_ = nullptr;
        }
        return &p_;
    }

  private:
    T* p_ = nullptr;
};

void check(HRESULT result, const char* what) {
    if (FAILED(result)) {
        throw std::runtime_error(std::string(what) +
                                 " failed: " + robot::hexValue(static_cast<unsigned long>(result)));
    }
}

robot::Image decodeWithWic(const std::wstring& path) {
    const ComApartment apartment;
    ComRef<IWICImagingFactory> factory;
    check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_PPV_ARGS(factory.put())),
          "creating the imaging factory");
    ComRef<IWICBitmapDecoder> decoder;
    check(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                             WICDecodeMetadataCacheOnDemand, decoder.put()),
          "opening the file");
    ComRef<IWICBitmapFrameDecode> frame;
    check(decoder->GetFrame(0, frame.put()), "reading its frame");
    ComRef<IWICBitmapSource> converted;
    check(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.get(), converted.put()),
          "converting it");
    UINT width = 0, height = 0;
    check(converted->GetSize(&width, &height), "reading its size");
    robot::Image image(static_cast<int>(width), static_cast<int>(height));
    check(converted->CopyPixels(nullptr, width * 4, width * height * 4,
                                reinterpret_cast<BYTE*>(image.data())),
          "reading its pixels");
    std::transform(image.data(), image.data() + width * height, image.data(),
                   [](std::uint32_t p) { return p & 0x00FFFFFFu; });
    return image;
}

struct ImageFormat {
    const char* name;
    void (*save)(const robot::Image&, const std::wstring&);
    const wchar_t* extension;
};

void PrintTo(const ImageFormat& f, std::ostream* out) {
    *out << f.name;
}

const ImageFormat kImageFormats[] = {
    {"Png", robot::savePng, L".png"},
    {"Bmp", robot::saveBmp, L".bmp"},
};

class RobotImageFile : public ::testing::TestWithParam<ImageFormat> {};

// 300 x 250 RGB rows need several stored deflate blocks; 3 x 1 gives a padded BMP row.
TEST_P(RobotImageFile, DecodesBackToTheSamePixels) {
    const TempFolder folder;
    for (const auto& [width, height] : {std::pair{300, 250}, std::pair{3, 1}}) {
        const robot::Image original = testPattern(width, height);
        const std::wstring path = folder.file(L"pattern" + std::wstring(GetParam().extension));
        GetParam().save(original, path);
        const robot::Image decoded = decodeWithWic(path);
        ASSERT_EQ(decoded.width(), width);
        ASSERT_EQ(decoded.height(), height);
        EXPECT_TRUE(std::equal(original.data(), original.data() + width * height, decoded.data()))
            << width << "x" << height;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RobotImageFile, ::testing::ValuesIn(kImageFormats),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmar::e2e
