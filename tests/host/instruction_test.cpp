#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>

#include "FakeForm.h"

namespace velmar::testing {
namespace {

using ui::Page;

const std::string kTitle = "VELMAR: Мастер подключения";
const std::string kDocument =
    "Doc\\Велмар (Инструкция администратора личного кабинета)_Версия_1.3_310315.htm";

std::string documentBox(const std::string& message) {
    return "Ошибка:  " + message + " | " + kTitle + " | 0x10";
}

// The document lies beside the program's own file, one separator between, the root keeping its.
TEST(InstructionPath, BesideTheExecutable) {
    struct Case {
        std::string exe;
        std::string directory;
    };
    const Case cases[] = {
        {"C:\\VelmarMaster.exe", "C:\\"},
        {"C:\\Program Files\\Velmar\\VelmarMaster.exe", "C:\\Program Files\\Velmar\\"},
        {"D:\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\VelmarMaster.exe",
         "D:\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\"},
        {"C:\\Кассы\\Мастер 1.3\\VelmarMaster.exe", "C:\\Кассы\\Мастер 1.3\\"},
        {"\\\\server\\share\\x.exe", "\\\\server\\share\\"},
        {"\\\\server\\share\\tools\\velmar\\VelmarMaster.exe",
         "\\\\server\\share\\tools\\velmar\\"},
        {"\\\\?\\C:\\VelmarMaster.exe", "\\\\?\\C:\\"},
        {"E:\\v1.3.0\\Velmar.Master", "E:\\v1.3.0\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exe);
        FakeForm f;
        f.exePath = fromUtf8(c.exe);
        f.form.lblShowDocClick();
        EXPECT_EQ(f.shellRequests, std::vector<std::string>{c.directory + kDocument});
        EXPECT_TRUE(f.boxes.empty());
    }
}

// Each call asks for the program's path again, and the current directory plays no part even
// when a Doc folder lies there.
TEST(InstructionPath, FromTheProgramsPathNotTheCurrentDirectory) {
    const auto previous = std::filesystem::current_path();
    const auto elsewhere = std::filesystem::temp_directory_path() /
                           ("velmar-cwd-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(elsewhere / "Doc");
    std::filesystem::current_path(elsewhere);
    FakeForm f;
    f.exePath = u"E:\\Velmar\\VelmarMaster.exe";
    f.form.lblShowDocClick();
    f.exePath = u"F:\\Другая папка\\VelmarMaster.exe";
    f.form.lblShowDocClick();
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(elsewhere);
    EXPECT_EQ(f.shellRequests, (std::vector<std::string>{"E:\\Velmar\\" + kDocument,
                                                         "F:\\Другая папка\\" + kDocument}));
}

// The shell's failure code picks the message; a code without one shows nothing, and so does
// success, whatever code it leaves behind.
TEST(InstructionFailure, CodeToMessage) {
    struct Case {
        bool succeeded;
        std::uint64_t code;
        std::string message;  // empty: no box
    };
    std::vector<Case> cases = {
        {false, 2, "Файл не найден"},
        {false, 3, "Путь не найден"},
        {false, 5, "Доступ к файлу запрещен"},
        {false, 8, "He хватает памяти"},  // a Latin "He"
        {false, 26, "Файл захвачен другим пользователем"},
        {false, 27, "Не полная информация о связанном с файлом приложении"},
        {false, 28, "Истекло время на выполнение операции DDE"},
        {false, 29, "Ошибочная операция DDE"},
        {false, 30, "Операция DDE занята"},
        {false, 31, "Нет приложения, связанного с файлом"},
        {false, 32, "Не найдена необходимая DLL"},
        {true, 2, ""},
        {true, 32, ""},
    };
    for (std::uint64_t code :
         {0ull, 1ull, 4ull, 6ull, 7ull, 9ull, 10ull, 25ull, 33ull, 42ull, 0xFFFFFFFFull,
          (1ull << 32) + 2, (1ull << 32) + 32, 1ull << 40, ~0ull}) {
        cases.push_back({false, code, ""});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << (c.succeeded ? "success" : "failure") << " " << c.code);
        FakeForm f;
        f.shellOutcome = {c.succeeded, c.code};
        f.form.lblShowDocClick();
        EXPECT_EQ(f.shellRequests.size(), 1u);
        const Events expected = c.message.empty() ? Events{} : Events{documentBox(c.message)};
        EXPECT_TRUE(sameSequence(expected, f.boxLines()));
    }
}

// An error while building the path or asking the shell ends in the document box too, and never
// leaves the operation.
TEST(InstructionFailure, ErrorInsideShownInTheDocumentBox) {
    struct Case {
        std::string name;
        std::optional<std::string> exePathError;
        std::optional<std::string> shellError;
        std::size_t shellRequests;
        std::string message;
    };
    const Case cases[] = {
        {"program path", "Недостаточно памяти для обработки команды", std::nullopt, 0,
         "Недостаточно памяти для обработки команды"},
        {"shell", std::nullopt, "Class not registered", 1, "Class not registered"},
        {"shell, empty text", std::nullopt, "", 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeForm f;
        f.exePathError = c.exePathError;
        f.shellError = c.shellError;
        EXPECT_NO_THROW(f.form.lblShowDocClick());
        EXPECT_EQ(f.shellRequests.size(), c.shellRequests);
        EXPECT_TRUE(sameSequence({documentBox(c.message)}, f.boxLines()));
    }
}

// Whatever the outcome, the welcome page, its slot and the message flag stay as they were.
TEST(Instruction, LeavesTheWizardAsItWas) {
    struct Case {
        std::string name;
        ui::ShellOpenOutcome outcome;
        std::optional<std::string> shellError;
        std::size_t boxes;
    };
    const Case cases[] = {
        {"opened", {true, 42}, std::nullopt, 0},
        {"not found", {false, 2}, std::nullopt, 1},
        {"no message", {false, 0}, std::nullopt, 0},
        {"error", {true, 0}, "Сбой", 1},
    };
    for (const auto& c : cases) {
        for (bool flag : {false, true}) {
            SCOPED_TRACE(::testing::Message() << c.name << ", flag " << flag);
            FakeForm f;
            f.startOn(Page::tsWelcome, 1);
            f.form.fMessageEnter = flag;
            f.shellOutcome = c.outcome;
            f.shellError = c.shellError;
            const auto slots = f.form.fModeForPages;
            f.click(ui::Control::imgDoc);
            EXPECT_EQ(f.boxes.size(), c.boxes);
            EXPECT_EQ(f.active, 0);
            EXPECT_EQ(f.form.fModeForPages, slots);
            EXPECT_EQ(f.form.fMessageEnter, flag);
            EXPECT_EQ(f.shownOn(Page::tsWelcome), std::vector<std::string>{"imgDoc"});
            EXPECT_FALSE(f.closed);
            EXPECT_TRUE(f.driverFake.calls.empty());
            for (const auto& line : f.log) {
                EXPECT_EQ(line.rfind("box ", 0), 0u) << line;
            }
        }
    }
}

}  // namespace
}  // namespace velmar::testing
