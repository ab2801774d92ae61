#include "tools/demo/Gallery_win.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "tools/demo/PngFile_win.h"
#include "tools/robot/Capture_win.h"
#include "tools/robot/Input_win.h"
#include "tools/robot/MessageBox_win.h"
#include "tools/robot/Process_win.h"
#include "tools/robot/Text_win.h"
#include "tools/robot/Windows_win.h"
#include "tools/robot/WizardScreen_win.h"

namespace velmar::demo {
namespace {

using robot::Milliseconds;

constexpr Milliseconds kStartLimit{20000};
constexpr Milliseconds kReactLimit{5000};
constexpr Milliseconds kExitLimit{10000};
// Time for the program to take a key that changes nothing on the screen.
constexpr Milliseconds kSettle{200};

// One thing the user does and what the wizard should then show.
struct Move {
    enum class Kind { Look, Key, BoxKey, BoxClick } kind;
    WORD key = 0;               // Key, BoxKey
    int boxButton = 0;          // BoxClick
    std::string_view expect{};  // the focus line after it, or empty when a box opens or it ends
    bool opensBox = false;
    bool ends = false;
    // The picture taken afterwards: of the window, or of the window with the box over it.
    std::string_view picture{};
};

Move look(std::string_view expect, std::string_view picture) {
    return {Move::Kind::Look, 0, 0, expect, false, false, picture};
}
Move press(WORD key, std::string_view expect, std::string_view picture = {}) {
    return {Move::Kind::Key, key, 0, expect, false, false, picture};
}
Move pressForBox(WORD key, std::string_view picture) {
    return {Move::Kind::Key, key, 0, {}, true, false, picture};
}
Move pressToEnd(WORD key) {
    return {Move::Kind::Key, key, 0, {}, false, true, {}};
}
Move answer(WORD key, std::string_view expect, std::string_view picture = {}) {
    return {Move::Kind::BoxKey, key, 0, expect, false, false, picture};
}
Move answerForBox(WORD key, std::string_view picture) {
    return {Move::Kind::BoxKey, key, 0, {}, true, false, picture};
}
Move answerToEnd(WORD key) {
    return {Move::Kind::BoxKey, key, 0, {}, false, true, {}};
}
Move click(int button, std::string_view expect) {
    return {Move::Kind::BoxClick, 0, button, expect, false, false, {}};
}
Move clickForBox(int button, std::string_view picture) {
    return {Move::Kind::BoxClick, 0, button, {}, true, false, picture};
}

struct Scene {
    const char* name;
    std::vector<std::string> scenario;
    std::vector<Move> moves;
};

// The registration takes three passes, so that both warnings show on the way.
const Scene kTypicalRun{
    "the typical run",
    {
        "ECRID = str \"\"",
        "ECRID = str \"\"",
        "ECRID = str \"7712345678901234\"",
        "CloudCashdeskEnabled = bool false",
        "CloudCashdeskEnabled = bool true",
        "UDescription = str \"Меридиан-Ф 02, зав. № 00104217\"",
    },
    {
        look("0 imgDoc", "01-welcome-instruction"),
        // The copy has no Doc folder: the shell's own box first, then the program's.
        pressForBox(VK_RETURN, {}),
        clickForBox(IDOK, "02-box-document-error"),
        click(IDOK, "0 imgDoc"),
        press(VK_TAB, "0 imgClose", "03-welcome-close"),
        pressForBox(VK_RETURN, "04-box-exit-confirmation"),
        answer(VK_ESCAPE, "0 imgClose"),
        press(VK_TAB, "0 imgEnable", "05-welcome-connect"),
        press(VK_RETURN, "1 imgFS_Next", "06-first-start-next"),
        press(VK_TAB, "1 imgFS_Close", "07-first-start-cancel"),
        press(VK_TAB, "1 imgFS_Next"),
        press(VK_RETURN, "3 imgCn_Next", "08-connection-next"),
        press(VK_TAB, "3 imgCn_Cancel", "09-connection-cancel"),
        press(VK_TAB, "3 imgCn_Return", "10-connection-back"),
        press(VK_TAB, "3 imgCn_Next"),
        press(VK_RETURN, "4 imgReg_Next", "11-registration-next"),
        // The connection step swallows the next key release.
        press(VK_RETURN, "4 imgReg_Next"),
        press(VK_TAB, "4 imgReg_Cancel", "12-registration-cancel"),
        press(VK_TAB, "4 imgReg_Return", "13-registration-back"),
        press(VK_TAB, "4 imgReg_Next"),
        pressForBox(VK_RETURN, "14-box-not-enabled"),
        answerForBox(VK_RETURN, "15-box-not-registered"),
        answer(VK_RETURN, "5 imgOK edtKKMID(enabled)", "16-end-ok"),
        press(VK_TAB, "5 edtKKMID", "17-end-identifier"),
        pressForBox(VK_RETURN, "18-box-copy-notice"),
        answer(VK_RETURN, "5 edtKKMID"),
        press(VK_TAB, "5 imgOK", "19-end-ok-refreshed"),
        pressToEnd(VK_RETURN),
    },
};

const Scene kRegisteredRun{
    "a registered register, a failing connection and a failing registration",
    {
        "ECRID = str \"0000111122223333\"",
        "ResultCode = i4 1",
        "ResultCode = i4 1",
        "ResultCode = i4 0",
        "ResultCode = i4 -7",
        "ResultCodeDescription = str \"Нет связи\"",
        "ResultCodeDescription = str \"ККМ не найдена на сервисе\"",
        "GetCloudCashdeskParams = i4 0",
        "GetCloudCashdeskParams = i4 -2",
    },
    {
        press(VK_TAB, "0 imgClose"),
        press(VK_TAB, "0 imgEnable"),
        press(VK_RETURN, "2 imgW_Rereg", "20-warning-reregister"),
        press(VK_TAB, "2 imgW_Cancel", "21-warning-cancel"),
        press(VK_TAB, "2 edtTecID", "22-warning-identifier"),
        press(VK_TAB, "2 imgW_Rereg"),
        press(VK_RETURN, "3 imgCn_Next"),
        pressForBox(VK_RETURN, "23-box-driver-error"),
        answer(VK_RETURN, "3 imgCn_Next"),
        press(VK_RETURN, "4 imgReg_Next"),
        press(VK_RETURN, "4 imgReg_Next"),
        pressForBox(VK_RETURN, "24-box-registration-error"),
        answer(VK_RETURN, "4 imgReg_Next"),
        press(VK_TAB, "4 imgReg_Cancel"),
        pressForBox(VK_RETURN, {}),
        answerToEnd(VK_RETURN),
    },
};

const Scene kFailingServiceCheck{
    "a failing service check",
    {
        "GetCloudCashdeskParams = i4 1",
        "ResultCode = i4 -3",
        "ResultCodeDescription = str \"Нет связи с ККМ\"",
    },
    {
        press(VK_TAB, "0 imgClose"),
        press(VK_TAB, "0 imgEnable"),
        pressForBox(VK_RETURN, "25-box-service-check-error"),
        answerToEnd(VK_RETURN),
    },
};

class Folder {
  public:
    Folder() {
        wchar_t temp[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        path_ = std::wstring(temp, length) + L"velmar-gallery-" +
                std::to_wstring(GetCurrentProcessId());
        std::filesystem::create_directories(std::filesystem::path(path_));
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(path_), ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

  private:
    std::wstring path_;
};

void writeLines(const std::wstring& path, const std::vector<std::string>& lines) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    for (const auto& line : lines) {
        file << line << '\n';
    }
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + robot::utf8(path));
    }
}

std::optional<HWND> openBox(const robot::Process& program) {
    for (HWND window : robot::visibleTopLevelWindows(program.id())) {
        if (robot::className(window) == robot::kDialogClass) {
            return window;
        }
    }
    return std::nullopt;
}

class SceneRun {
  public:
    SceneRun(const Scene& scene, const std::wstring& program, const Folder& folder,
             const std::wstring& outputFolder, std::vector<std::wstring>& written)
        : scene_(scene), outputFolder_(outputFolder), written_(written) {
        const std::wstring script = folder.file(L"scenario.txt");
        writeLines(script, scene.scenario);
        // Off the window, so that no move of the pointer changes its highlight.
        robot::moveMouse({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1});
        robot::LaunchOptions launch;
        launch.program = program;
        launch.commandLine = robot::commandLineFor(program, {});
        launch.workingDirectory = folder.file(L"");
        launch.environment = {{L"SIMDRV_SCRIPT", script},
                              {L"SIMDRV_LOG", folder.file(L"driver.log")}};
        process_.emplace(robot::Process::launch(launch));
        window_ = robot::waitForWindow(*process_, "the main window",
                                       robot::withClass(L"TfrmVelmarMaster"), kStartLimit);
        screen_.emplace(window_);
        process_->waitForInputIdle(kStartLimit);
    }

    void play() {
        for (std::size_t i = 0; i < scene_.moves.size(); ++i) {
            try {
                play(scene_.moves[i]);
            } catch (const std::exception& error) {
                throw std::runtime_error(std::string(scene_.name) + ", move " +
                                         std::to_string(i + 1) + ": " + error.what());
            }
        }
    }

  private:
    void play(const Move& move) {
        switch (move.kind) {
            case Move::Kind::Look:
                break;
            case Move::Kind::Key:
                robot::bringToFront(window_);
                robot::tapKey(move.key);
                break;
            case Move::Kind::BoxKey:
                robot::answerMessageBox(currentBox(), move.key);
                break;
            case Move::Kind::BoxClick:
                robot::clickMessageBoxButton(currentBox(), move.boxButton);
                break;
        }
        box_.reset();
        if (move.ends) {
            const DWORD code = process_->waitForExit(kExitLimit);
            if (code != 0) {
                throw std::runtime_error("the program ended with " + std::to_string(code));
            }
            return;
        }
        if (move.opensBox) {
            // A box of the shell or of the program; the icon is read once it has painted.
            box_ = robot::waitForMessageBox(*process_, kReactLimit, "a box");
        } else {
            std::this_thread::sleep_for(kSettle);
            screen_->waitForFocus(move.expect, kReactLimit);
            if (const auto box = openBox(*process_)) {
                throw std::runtime_error("an unexpected box: " +
                                         robot::describeMessageBox(robot::readMessageBox(*box)));
            }
        }
        if (!move.picture.empty()) {
            RECT area = robot::windowRect(window_);
            if (box_) {
                const RECT boxArea = robot::windowRect(box_->window);
                UnionRect(&area, &area, &boxArea);
            }
            const std::wstring path = outputFolder_ + L"\\" + robot::wide(move.picture) + L".png";
            savePicture(robot::captureScreen(area), path);
            written_.push_back(path);
        }
    }

    const robot::MessageBoxView& currentBox() {
        if (!box_) {
            throw std::logic_error("no box is open");
        }
        return *box_;
    }

    const Scene& scene_;
    const std::wstring& outputFolder_;
    std::vector<std::wstring>& written_;
    std::optional<robot::Process> process_;
    HWND window_ = nullptr;
    std::optional<robot::WizardScreen> screen_;
    std::optional<robot::MessageBoxView> box_;
};

}  // namespace

std::vector<std::wstring> makeGallery(const std::wstring& distFolder,
                                      const std::wstring& outputFolder) {
    const Folder folder;
    const std::wstring program = folder.file(L"VelmarMaster.exe");
    if (!CopyFileW((distFolder + L"\\VelmarMaster.exe").c_str(), program.c_str(), FALSE)) {
        robot::throwWin32Error("cannot copy the program from " + robot::utf8(distFolder));
    }
    std::filesystem::create_directories(std::filesystem::path(outputFolder));
    std::vector<std::wstring> written;
    for (const Scene* scene : {&kTypicalRun, &kRegisteredRun, &kFailingServiceCheck}) {
        SceneRun(*scene, program, folder, outputFolder, written).play();
    }
    return written;
}

}  // namespace velmar::demo
