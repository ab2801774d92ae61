#pragma once

#include <windows.h>

#include <string_view>

namespace velmar::robot {

enum class Modifiers : unsigned { None = 0, Shift = 1, Ctrl = 2, Alt = 4 };

constexpr Modifiers operator|(Modifiers a, Modifiers b) {
    return static_cast<Modifiers>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool has(Modifiers set, Modifiers one) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(one)) != 0;
}

// Real input through SendInput. It goes to the foreground window, so a caller brings the target
// forward first. Every call returns after a short pause that lets Wine deliver the input; whether
// the program has handled it is for the caller to see (WaitForInputIdle or the expected effect).

// SetForegroundWindow, then waits until the window really is in front (fails after a second).
void bringToFront(HWND window);

void keyDown(WORD virtualKey);
void keyUp(WORD virtualKey);
// Modifiers pressed, the key pressed and released, the modifiers released. The modifiers are seen
// to be down before the key goes, and are pressed again if the system dropped them (Wine does so
// when a window has just taken the focus); a key held with keyDown across such a moment can be
// dropped the same way.
void tapKey(WORD virtualKey, Modifiers modifiers = Modifiers::None);
// Each UTF-16 unit as a Unicode key event (the program receives WM_CHAR with it).
void typeText(std::wstring_view text);

// Moves the pointer to a screen point and waits until the system reports it there.
void moveMouse(POINT screenPoint);
void leftClick(POINT screenPoint);
void rightClick(POINT screenPoint);
// A left click in the middle of a window (a button, say).
void leftClick(HWND window);

}  // namespace velmar::robot
