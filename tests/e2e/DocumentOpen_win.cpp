// The instruction document on the real program: the shell opens it from the folder of the
// program's own file with the handler registered for .htm, and a failure ends in the document
// error box with the message for the shell's code.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>

#include "tests/e2e/FlowHarness_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"

namespace velmar::e2e {
namespace {

using robot::utf8;

constexpr wchar_t kDocument[] =
    L"Doc\\Велмар (Инструкция администратора личного кабинета)_Версия_1.3_310315.htm";
constexpr wchar_t kHandlerFile[] = L"velmar_openlog.exe";
constexpr wchar_t kProgId[] = L"VelmarE2e.OpenLog";

// The shell's failure codes that have a message, as the document error box words them.
std::optional<std::string> messageForCode(std::uintptr_t code) {
    switch (code) {
        case 2:
            return "Файл не найден";
        case 3:
            return "Путь не найден";
        case 5:
            return "Доступ к файлу запрещен";
        case 8:
            return "He хватает памяти";  // a Latin "He"
        case 26:
            return "Файл захвачен другим пользователем";
        case 27:
            return "Не полная информация о связанном с файлом приложении";
        case 28:
            return "Истекло время на выполнение операции DDE";
        case 29:
            return "Ошибочная операция DDE";
        case 30:
            return "Операция DDE занята";
        case 31:
            return "Нет приложения, связанного с файлом";
        case 32:
            return "Не найдена необходимая DLL";
        default:
            return std::nullopt;
    }
}

// The code the shell gives this process for the same request, without its own box.
std::uintptr_t shellFailureCode(const std::wstring& path) {
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    request.lpVerb = L"open";
    request.lpFile = path.c_str();
    request.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&request)) {
        throw std::runtime_error("the shell opened " + utf8(path) + ", which should fail");
    }
    return reinterpret_cast<std::uintptr_t>(request.hInstApp);
}

std::wstring ownFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring self(path, length);
    return self.substr(0, self.find_last_of(L'\\'));
}

void writeFile(const std::wstring& path, std::string_view content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file << content;
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + utf8(path));
    }
}

// Makes velmar_openlog.exe the "open" handler of .htm files for as long as it lives, then puts
// back what was there. Windows looks in the user's classes first; Wine 8 looks only in the
// machine's, so both get it.
class OpenHandlerRegistration {
  public:
    explicit OpenHandlerRegistration(const std::wstring& handler) {
        const std::wstring command = L"\"" + handler + L"\" \"%1\"";
        for (Place& place : places_) {
            place.previous = defaultValue(place.root, L"Software\\Classes\\.htm");
            setDefault(place.root, L"Software\\Classes\\.htm", kProgId);
            setDefault(place.root,
                       std::wstring(L"Software\\Classes\\") + kProgId + L"\\shell\\open\\command",
                       command);
        }
    }
    ~OpenHandlerRegistration() {
        for (const Place& place : places_) {
            RegDeleteTreeW(place.root, (std::wstring(L"Software\\Classes\\") + kProgId).c_str());
            if (place.previous) {
                setDefault(place.root, L"Software\\Classes\\.htm", *place.previous);
            } else {
                RegDeleteTreeW(place.root, L"Software\\Classes\\.htm");
            }
        }
    }
    OpenHandlerRegistration(const OpenHandlerRegistration&) = delete;
    OpenHandlerRegistration& operator=(const OpenHandlerRegistration&) = delete;

  private:
    struct Place {
        HKEY root;
        std::optional<std::wstring> previous{};
    };

    static std::optional<std::wstring> defaultValue(HKEY root, const std::wstring& key) {
        wchar_t value[512];
        DWORD size = sizeof value;
        if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::wstring(value);
    }

    static void setDefault(HKEY root, const std::wstring& key, const std::wstring& value) {
        const LSTATUS status =
            RegSetKeyValueW(root, key.c_str(), nullptr, REG_SZ, value.c_str(),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        if (status != ERROR_SUCCESS) {
            robot::throwWin32Error("cannot set " + utf8(key), static_cast<DWORD>(status));
        }
    }

    Place places_[2] = {{HKEY_CURRENT_USER}, {HKEY_LOCAL_MACHINE}};
};

// The handler's records: each the lines between "command ..." and "end".
std::vector<std::vector<std::string>> handlerRecords(const std::wstring& log) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> current;
    for (const std::string& line : readLines(log)) {
        if (line == "end") {
            records.push_back(current);
            current.clear();
        } else {
            current.push_back(line);
        }
    }
    return records;
}

class Document : public WizardTest {
  protected:
    void SetUp() override {
        WizardTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        // A copy of the program in a folder of its own, whose name needs Unicode; the driver's
        // registration keeps pointing at the dist folder.
        programFolder_ = folder().file(L"Программа Велмар");
        otherFolder_ = folder().file(L"elsewhere");
        std::filesystem::create_directories(std::filesystem::path(programFolder_));
        std::filesystem::create_directories(std::filesystem::path(otherFolder_));
        program_ = programFolder_ + L"\\" + kProgramFile;
        for (const wchar_t* file : {kProgramFile, kDriverFile}) {
            const std::wstring from = distDir() + L"\\" + file;
            const std::wstring to = programFolder_ + L"\\" + file;
            ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE))
                << robot::win32ErrorText("copying " + utf8(from), GetLastError());
        }
        // The program is started from another folder that has a document of the same name: only
        // the one beside the program counts.
        writeFile(otherFolder_ + L"\\" + kDocument, "<html>not this one</html>");
    }

    Wizard startCopy() {
        return startWizard(WizardLaunch{
            .program = program_,
            .workingDirectory = otherFolder_,
            .environment = {{L"VELMAR_OPENLOG", folder().file(L"open.log")}},
        });
    }

    std::wstring documentBesideProgram() const { return programFolder_ + L"\\" + kDocument; }

    std::wstring programFolder_;
    std::wstring otherFolder_;
    std::wstring program_;
};

// --- The document is missing -------------------------------------------------------------------

struct MissingCase {
    const char* name;
    bool folderExists;
    Input trigger;
    // How the program's own box is answered, and what follows.
    std::vector<Step> after;
};

void PrintTo(const MissingCase& c, std::ostream* out) {
    *out << c.name;
}

const MissingCase kMissing[] = {
    {"NoDocFolderByEnter", false, key(VK_RETURN), {{boxClick(IDOK), stays("0 imgDoc")}}},
    {"NoDocumentByClick", true, clickOn("imgDoc"), {{boxClick(IDOK), stays("0 imgDoc")}}},
    // Esc closes the box and its release means nothing to the wizard.
    {"AnsweredByEsc", false, key(VK_RETURN), {{boxKey(VK_ESCAPE), stays("0 imgDoc")}}},
};

class MissingDocument : public Document, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingDocument, TheShellsBoxThenTheDocumentErrorBoxAndTheWelcomeScreenStays) {
    const MissingCase& c = GetParam();
    if (c.folderExists) {
        std::filesystem::create_directories(std::filesystem::path(programFolder_ + L"\\Doc"));
    }
    const std::uintptr_t code = shellFailureCode(documentBesideProgram());
    const std::optional<std::string> message = messageForCode(code);
    Wizard wizard = startCopy();

    act(wizard, c.trigger);
    // The request does not ask the shell to keep quiet: its own box comes first.
    const robot::MessageBoxView shellBox = wizard.waitForBox("the shell's own error box");
    EXPECT_NE(utf8(shellBox.caption), kTitle) << robot::describeMessageBox(shellBox);
    EXPECT_EQ(robot::ownerOf(shellBox.window), nullptr) << robot::describeMessageBox(shellBox);
    ASSERT_NE(shellBox.button(IDOK), nullptr) << robot::describeMessageBox(shellBox);
    robot::clickMessageBoxButton(shellBox, IDOK);

    if (message) {
        const std::string text = "Ошибка:  " + *message;
        ASSERT_TRUE(runSteps(wizard, {{look(), opens(errorReport(text))}}))
            << "the shell's code was " << code;
        ASSERT_TRUE(runSteps(wizard, c.after));
    } else {
        EXPECT_TRUE(wizard.staysAt("0 imgDoc"));
        EXPECT_TRUE(wizard.openBoxes().empty()) << "code " << code << " has no message";
    }
    ASSERT_TRUE(runSteps(wizard, {{key(VK_TAB), shows("0 imgClose")},
                                  {key(VK_RETURN), opens(exitConfirmation())},
                                  {boxKey(VK_RETURN), exits()}}));
    EXPECT_TRUE(logIs(ExpectedLog().created().releasedOnce()));
}

INSTANTIATE_TEST_SUITE_P(Document, MissingDocument, ::testing::ValuesIn(kMissing),
                         [](const auto& info) { return std::string(info.param.name); });

// The program's box answered with Enter lets the release through to the instruction button,
// which asks the shell again: the action leaves the key flag alone.
TEST_F(Document, EnterOnTheDocumentErrorBoxOpensTheDocumentAgain) {
    Wizard wizard = startCopy();
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        if (attempt == 1) {
            wizard.key(VK_RETURN);
        }
        const robot::MessageBoxView shellBox = wizard.waitForBox("the shell's own error box");
        ASSERT_NE(utf8(shellBox.caption), kTitle) << robot::describeMessageBox(shellBox);
        robot::clickMessageBoxButton(shellBox, IDOK);
        const robot::MessageBoxView own = wizard.waitForBox("the document error box");
        ASSERT_EQ(utf8(own.caption), kTitle) << robot::describeMessageBox(own);
        if (attempt == 1) {
            robot::answerMessageBox(own, VK_RETURN);
        } else {
            robot::clickMessageBoxButton(own, IDOK);
        }
    }
    EXPECT_TRUE(wizard.staysAt("0 imgDoc"));
    EXPECT_TRUE(wizard.openBoxes().empty());
}

// --- The document is there -----------------------------------------------------------------

struct OpenCase {
    const char* name;
    std::vector<Step> steps;
};

void PrintTo(const OpenCase& c, std::ostream* out) {
    *out << c.name;
}

const OpenCase kOpens[] = {
    {"ByEnter", {{key(VK_RETURN), stays("0 imgDoc")}}},
    {"ByClick", {{clickOn("imgDoc"), stays("0 imgDoc")}}},
    // Twice: the path is built afresh, and nothing of the wizard changed in between.
    {"TwiceByEnter", {{key(VK_RETURN), stays("0 imgDoc")}, {key(VK_RETURN), stays("0 imgDoc")}}},
};

class PresentDocument : public Document, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(PresentDocument, TheHandlerGetsThePathBesideTheProgramAndNoBoxShows) {
    const OpenCase& c = GetParam();
    const std::wstring handler = ownFolder() + L"\\" + kHandlerFile;
    ASSERT_TRUE(fileExists(handler))
        << "the open handler is built beside the suite: " << utf8(handler);
    writeFile(documentBesideProgram(), "<html>Инструкция</html>");
    const OpenHandlerRegistration registration(handler);
    Wizard wizard = startCopy();

    ASSERT_TRUE(runSteps(wizard, c.steps));
    const std::wstring log = folder().file(L"open.log");
    std::vector<std::vector<std::string>> records;
    try {
        robot::waitUntil("the handler's records", kReactLimit, [&] {
            records = handlerRecords(log);
            return records.size() >= c.steps.size();
        });
    } catch (const robot::WaitTimeout& timeout) {
        FAIL() << timeout.what() << "; its log: " << ::testing::PrintToString(readLines(log));
    }
    ASSERT_EQ(records.size(), c.steps.size()) << ::testing::PrintToString(readLines(log));
    for (const auto& record : records) {
        const std::vector<std::string> expected = {
            "arg0 " + utf8(handler),
            "arg1 " + utf8(documentBesideProgram()),
        };
        // The first line is the whole command line, for the failure message only.
        ASSERT_FALSE(record.empty());
        EXPECT_EQ(std::vector<std::string>(record.begin() + 1, record.end()), expected)
            << record.front();
    }
    EXPECT_TRUE(wizard.openBoxes().empty());
    ASSERT_TRUE(runSteps(wizard, {{key(VK_TAB), shows("0 imgClose")},
                                  {key(VK_RETURN), opens(exitConfirmation())},
                                  {boxKey(VK_RETURN), exits()}}));
    EXPECT_TRUE(logIs(ExpectedLog().created().releasedOnce()));
}

INSTANTIATE_TEST_SUITE_P(Document, PresentDocument, ::testing::ValuesIn(kOpens),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmar::e2e
