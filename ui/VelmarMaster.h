#pragma once

#include <array>
#include <cstdint>

#include "driver/FiscalDriver.h"
#include "platform/Text.h"
#include "ui/FormView.h"
#include "ui/Layout.h"

namespace velmar::ui {

struct ShiftState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

// Virtual-key codes the form reacts to.
namespace vk {
constexpr std::uint16_t kTab = 0x09;
constexpr std::uint16_t kReturn = 0x0D;
constexpr std::uint16_t kEnd = 0x23;
constexpr std::uint16_t kHome = 0x24;
constexpr std::uint16_t kLeft = 0x25;
constexpr std::uint16_t kUp = 0x26;
constexpr std::uint16_t kRight = 0x27;
constexpr std::uint16_t kDown = 0x28;
constexpr std::uint16_t kC = 0x43;
// VK_SLEEP's value: the form's own synthetic releases use it to mean "refresh, don't advance".
constexpr std::uint16_t kRefresh = 0x5F;
}  // namespace vk

inline constexpr char16_t kCopyNotice[] = u"KKM ID скопирован в буфер обмена.";

// The shell's answer to "open this file": success, or the failure code it left in hInstApp.
struct ShellOpenOutcome {
    bool succeeded = false;
    std::uint64_t failureCode = 0;
};

// What the form's actions use besides the window.
class FormServices {
  public:
    virtual ~FormServices() = default;
    // A modal box (the program's message-box rule); returns the pressed button's identifier.
    virtual int messageBox(TextView text, TextView caption, std::uint32_t flags) = 0;
    virtual driver::FiscalDriver& driver() = 0;
    // The running program's own full file path.
    virtual Text executablePath() = 0;
    // Asks the shell to open a file with its associated application ("open", SW_SHOWNORMAL).
    virtual ShellOpenOutcome openWithShell(TextView path) = 0;
    // Replaces the clipboard's content with this text as its only format; throws AppError.
    virtual void setClipboardText(TextView text) = 0;
};

// frmVelmarMaster's state and behaviour: the focus slots, the key and mouse handlers, and the
// actions behind the buttons. It holds no OS resource; FormView is its window.
class TfrmVelmarMaster {
  public:
    TfrmVelmarMaster(FormView& view, FormServices& services) : view_(view), services_(services) {}

    // Focus and input.
    void FormShow();
    void tsConnectionShow();
    void FormKeyDown(std::uint16_t& key, ShiftState shift);
    void FormKeyUp(std::uint16_t& key, ShiftState shift);
    void FormMouseMove(ShiftState shift, int x, int y);
    void edtTecIDEnter();
    void edtKKMIDKeyDown(std::uint16_t& key, ShiftState shift);
    void edtKKMIDKeyPress(char16_t& key);
    void RefreshFocus(std::uint32_t page);

    // A click on an overlay image, or Enter on its slot.
    void fire(Action action);

    // The actions.
    void lblEnableClick();
    void lblNextClick();
    void lblCn_NextClick();
    void lblCn_BackClick();
    void lblReg_NextClick();
    void lblReg_BackClick();
    void lblCloseClick();
    void lblEndClick();
    void lblShowDocClick();
    void mniCopyToClipboardClick();
    void OpenInstruction();

    std::array<std::uint8_t, kPageCount> fModeForPages{};
    bool fMessageEnter = false;

  private:
    void PlaceOverlay(Control image, int left, bool visible, int top);
    bool HoverImage(int x, int y, Control image, std::uint8_t slot);
    bool HoverEdit(int x, int y, Control edit, std::uint8_t slot);
    bool hitTest(int x, int y, Control control, std::uint8_t slot);
    Page activePage();
    std::uint8_t& activeSlot();

    FormView& view_;
    FormServices& services_;
};

}  // namespace velmar::ui
