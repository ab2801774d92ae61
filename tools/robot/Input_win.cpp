#include "tools/robot/Input_win.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tools/robot/Text_win.h"
#include "tools/robot/Wait.h"
#include "tools/robot/Windows_win.h"

namespace velmar::robot {

namespace {

// Wine hands injected input to the target through the server; a few milliseconds between events
// keep their order and let the foreground window see each one.
constexpr Milliseconds kInputGap{8};
constexpr Milliseconds kModifierSettle{20};
constexpr Milliseconds kFocusSettle{50};

void send(std::vector<INPUT> inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) {
        throwWin32Error("SendInput");
    }
    std::this_thread::sleep_for(kInputGap);
}

bool isExtendedKey(WORD vk) {
    switch (vk) {
        case VK_INSERT:
        case VK_DELETE:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_RCONTROL:
        case VK_RMENU:
        case VK_NUMLOCK:
        case VK_DIVIDE:
        case VK_SNAPSHOT:
        case VK_LWIN:
        case VK_RWIN:
        case VK_APPS:
            return true;
        default:
            return false;
    }
}

INPUT keyInput(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (isExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

INPUT mouseInput(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return input;
}

// Absolute coordinates run 0..65535 across the virtual screen; rounding up makes the system's
// truncating conversion land on the wanted pixel.
LONG normalised(LONG value, int origin, int extent) {
    return static_cast<LONG>(((static_cast<long long>(value) - origin) * 65536 + extent - 1) /
                             extent);
}

void click(POINT point, DWORD down, DWORD up) {
    moveMouse(point);
    send({mouseInput(down)});
    send({mouseInput(up)});
}

}  // namespace

void bringToFront(HWND window) {
    if (GetForegroundWindow() == window) {
        return;
    }
    SetForegroundWindow(window);
    try {
        waitUntil("window " + describeWindow(window) + " to come to the foreground",
                  Milliseconds(1000), [&] { return GetForegroundWindow() == window; });
    } catch (const WaitTimeout& timeout) {
        throw WaitTimeout(std::string(timeout.what()) + "; the foreground window is " +
                          describeWindow(GetForegroundWindow()));
    }
    // Wine's X11 side learns of the new focus a few milliseconds later and then resets its
    // keyboard state (see tapKey); nothing on the Windows side shows when, so this wait is fixed.
    std::this_thread::sleep_for(kFocusSettle);
}

void keyDown(WORD virtualKey) {
    send({keyInput(virtualKey, false)});
}
void keyUp(WORD virtualKey) {
    send({keyInput(virtualKey, true)});
}

void tapKey(WORD virtualKey, Modifiers modifiers) {
    const std::pair<Modifiers, WORD> modifierKeys[] = {
        {Modifiers::Ctrl, VK_CONTROL}, {Modifiers::Alt, VK_MENU}, {Modifiers::Shift, VK_SHIFT}};
    auto press = [&] {
        for (const auto& [modifier, key] : modifierKeys) {
            if (has(modifiers, modifier)) {
                keyDown(key);
            }
        }
    };
    auto release = [&] {
        for (auto it = std::rbegin(modifierKeys); it != std::rend(modifierKeys); ++it) {
            if (has(modifiers, it->first)) {
                keyUp(it->second);
            }
        }
    };
    auto held = [&] {
        for (const auto& [modifier, key] : modifierKeys) {
            if (has(modifiers, modifier) && (GetAsyncKeyState(key) & 0x8000) == 0) {
                return false;
            }
        }
        return true;
    };
    if (modifiers == Modifiers::None) {
        keyDown(virtualKey);
        keyUp(virtualKey);
        return;
    }
    // Wine resets its keyboard state from the X server's when a window has just taken the focus,
    // which drops modifiers pressed a moment before: hold them a little, and press again if one
    // was lost.
    for (int attempt = 1;; ++attempt) {
        press();
        std::this_thread::sleep_for(kModifierSettle);
        if (held()) {
            break;
        }
        release();
        if (attempt == 3) {
            throw std::runtime_error("the modifiers of key " + std::to_string(virtualKey) +
                                     " did not stay pressed");
        }
    }
    keyDown(virtualKey);
    const bool stillHeld = held();
    keyUp(virtualKey);
    release();
    if (!stillHeld) {
        throw std::runtime_error("a modifier of key " + std::to_string(virtualKey) +
                                 " was released under it: the program may have seen the key alone");
    }
}

void typeText(std::wstring_view text) {
    for (const wchar_t unit : text) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = unit;
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags |= KEYEVENTF_KEYUP;
        send({down, up});
    }
}

void moveMouse(POINT screenPoint) {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    INPUT input = mouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK);
    input.mi.dx = normalised(screenPoint.x, left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    input.mi.dy = normalised(screenPoint.y, top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    const auto arrived = [&] {
        POINT now{};
        GetCursorPos(&now);
        return now.x == screenPoint.x && now.y == screenPoint.y;
    };
    send({input});
    const std::string target = std::to_string(screenPoint.x) + "," + std::to_string(screenPoint.y);
    try {
        waitUntil("the pointer to reach " + target, Milliseconds(1000), arrived);
    } catch (const WaitTimeout&) {
        // Wine can put the pointer back where its X server last reported it, when that report
        // comes late (a busy X server): the move is sent once more.
        send({input});
        waitUntil("the pointer to reach " + target + " (sent twice)", Milliseconds(2000), arrived);
    }
}

void leftClick(POINT screenPoint) {
    click(screenPoint, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
}

void rightClick(POINT screenPoint) {
    click(screenPoint, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
}

void leftClick(HWND window) {
    leftClick(centreOf(windowRect(window)));
}

}  // namespace velmar::robot
