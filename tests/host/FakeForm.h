#pragma once

// A recording stand-in for the main window, the driver and the services, so that the form's
// handlers and actions run natively exactly as they do in the program.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "Sequence.h"
#include "app/MessageBoxFlags.h"
#include "driver/FiscalDriver.h"
#include "platform/AppError.h"
#include "ui/FormView.h"
#include "ui/VelmarMaster.h"

namespace velmar::testing {

std::string controlName(ui::Control control);

// Scripted driver values: each operation answers from its queue, the last answer repeating.
// An answer may be an error, which the operation throws (a failing automation call).
struct Thrown {
    std::string text;
};
using Answer = std::variant<std::int32_t, bool, std::string, Thrown>;

class FakeDriver final : public driver::FiscalDriver {
  public:
    std::map<std::string, std::deque<Answer>> answers;
    Events calls;
    // Runs as each operation reaches the driver, before it answers, so that a test can put the
    // calls in one timeline with what the window did.
    std::function<void(const std::string& op)> onCall;

    void set(const std::string& op, std::vector<Answer> queue) {
        answers[op] = std::deque<Answer>(queue.begin(), queue.end());
    }

    void showProperties() override { call("ShowProperties"); }
    void getDeviceMetrics() override { call("GetDeviceMetrics"); }
    void showAdditionalParams() override { call("ShowAdditionalParams"); }
    std::int32_t resultCode() override { return asInt(read("ResultCode")); }
    Text resultCodeDescription() override { return asText(read("ResultCodeDescription")); }
    Text uDescription() override { return asText(read("UDescription")); }
    std::int32_t getCloudCashdeskParams() override { return asInt(read("GetCloudCashdeskParams")); }
    bool cloudCashdeskEnabled() override { return asBool(read("CloudCashdeskEnabled")); }
    Text ecrId() override { return asText(read("ECRID")); }
    void setParentWnd(std::int32_t window) override { call("ParentWnd=" + std::to_string(window)); }
    void setParamsPageIndex(std::int32_t page) override {
        call("ParamsPageIndex=" + std::to_string(page));
    }

  private:
    Answer next(const std::string& op) {
        auto it = answers.find(op);
        if (it == answers.end() || it->second.empty()) {
            return Answer{std::int32_t{0}};
        }
        Answer answer = it->second.front();
        if (it->second.size() > 1) {
            it->second.pop_front();
        }
        if (const auto* error = std::get_if<Thrown>(&answer)) {
            throw AppError(fromUtf8(error->text));
        }
        return answer;
    }
    void call(const std::string& op) {
        record(op);
        const std::string name = op.substr(0, op.find('='));
        next(name);
    }
    Answer read(const std::string& op) {
        record(op);
        return next(op);
    }
    void record(const std::string& op) {
        calls.push_back(op);
        if (onCall) {
            onCall(op);
        }
    }
    static std::int32_t asInt(const Answer& a) {
        if (const auto* v = std::get_if<std::int32_t>(&a))
            return *v;
        if (const auto* b = std::get_if<bool>(&a))
            return *b ? -1 : 0;
        throw AppError(u"Type mismatch");
    }
    static bool asBool(const Answer& a) {
        if (const auto* b = std::get_if<bool>(&a))
            return *b;
        if (const auto* v = std::get_if<std::int32_t>(&a))
            return *v != 0;
        throw AppError(u"Type mismatch");
    }
    static Text asText(const Answer& a) {
        if (const auto* s = std::get_if<std::string>(&a))
            return fromUtf8(*s);
        if (const auto* v = std::get_if<std::int32_t>(&a))
            return fromUtf8(std::to_string(*v));
        throw AppError(u"Type mismatch");
    }
};

struct Box {
    std::string text;
    std::string caption;
    std::uint32_t flags;
    bool messageEnterWhenShown = false;
};

// The window: controls as the form creates them, the page control's switch, focus, and a log of
// everything the form does to them.
class FakeForm final : public ui::FormView, public ui::PageControlHost, public ui::FormServices {
  public:
    struct Overlay {
        bool visible;
        int left, top, width, height;
    };
    struct Edit {
        bool enabled = true;
        int selStart = 0, selLength = 0;
        Text text = u"1234567890";
        ui::Page page;
        ui::Rect bounds;
    };
    enum class FocusKind { PageControl, Page, Edit };
    struct Focus {
        FocusKind kind = FocusKind::PageControl;
        int page = 0;
        ui::Control edit = ui::Control::edtTecID;
    };

    FakeForm();

    // The window shown, then the user on `page` with `slot` selected; the records start empty.
    void startOn(ui::Page page, std::uint8_t slot = 0);
    // Each box as "text | caption | flags" (flags in hex), in the order shown.
    Events boxLines() const;

    // The window becoming visible: the first page's show event, then the window's.
    void showWindow() {
        form.tsConnectionShow();
        form.FormShow();
    }

    // Input as the window delivers it, with key preview: the form first, then the edit.
    void keyUp(std::uint16_t key, ui::ShiftState shift = {}) { form.FormKeyUp(key, shift); }
    void keyDown(std::uint16_t key, ui::ShiftState shift = {}) {
        form.FormKeyDown(key, shift);
        if (key != 0 && focus.kind == FocusKind::Edit) {
            form.edtKKMIDKeyDown(key, shift);
        }
    }
    void tap(std::uint16_t key, ui::ShiftState shift = {}) {
        keyDown(key, shift);
        keyUp(key, shift);
    }
    // A move over the active page: the background hears it only where no visible overlay or
    // enabled edit covers the point.
    bool mouseMove(int x, int y);
    void click(ui::Control overlay);

    // What the user sees: the visible overlays of a page, the enabled edit.
    std::vector<std::string> shownOn(ui::Page page) const;
    std::uint8_t slot() const { return form.fModeForPages[static_cast<std::size_t>(active)]; }

    // FormView
    int pageCount() override { return ui::kPageCount; }
    int activePageIndex() override { return active; }
    void setActivePage(int page) override { ui::switchActivePage(*this, active, page); }
    void applyShowSettings() override { log.push_back("show settings"); }
    void closeWindow() override {
        closed = true;
        log.push_back("close");
    }
    std::int32_t windowHandle() override { return handle; }
    void setVisible(ui::Control image, bool visible) override;
    void setLeft(ui::Control image, int left) override { overlays.at(image).left = left; }
    void setTop(ui::Control image, int top) override;
    ui::Rect bounds(ui::Control control) override;
    void setEnabled(ui::Control edit, bool enabled) override;
    void setSelStart(ui::Control edit, int start) override { edits.at(edit).selStart = start; }
    void setSelLength(ui::Control edit, int length) override { edits.at(edit).selLength = length; }
    Text text(ui::Control edit) override { return edits.at(edit).text; }
    void setText(ui::Control edit, TextView value) override;
    void setFocus(ui::Control edit) override;
    void setCaption(ui::Control label, TextView value) override { captions[label] = Text(value); }

    // PageControlHost
    bool focusWithin(int page) override;
    bool focusIsPage(int page) override {
        return focus.kind == FocusKind::Page && focus.page == page;
    }
    void focusPage(int page) override { focus = {FocusKind::Page, page, ui::Control::edtTecID}; }
    void focusFirstControl(int page) override;
    void showPage(int page) override { log.push_back("show page " + std::to_string(page)); }
    void hidePage(int page) override { log.push_back("hide page " + std::to_string(page)); }
    void pageShown(int page) override {
        log.push_back("page " + std::to_string(page) + " shown, active " + std::to_string(active));
        form.tsConnectionShow();
    }

    // FormServices
    int messageBox(TextView text, TextView caption, std::uint32_t flags) override;
    driver::FiscalDriver& driver() override { return driverFake; }
    Text executablePath() override;
    ui::ShellOpenOutcome openWithShell(TextView path) override;
    void setClipboardText(TextView text) override;

    std::map<ui::Control, Overlay> overlays;
    std::map<ui::Control, Edit> edits;
    int active = 0;
    Focus focus;
    std::map<ui::Control, Text> captions;
    std::int32_t handle = 0x10AB;
    bool closed = false;
    Events log;
    std::vector<Box> boxes;
    std::deque<int> boxAnswers;  // IDOK when empty
    FakeDriver driverFake;
    Text exePath = u"C:\\Program Files\\Velmar\\VelmarMaster.exe";
    std::vector<std::string> shellRequests;
    ui::ShellOpenOutcome shellOutcome{true, 42};
    // When set, the path query or the shell request throws it.
    std::optional<std::string> exePathError;
    std::optional<std::string> shellError;
    std::optional<Text> clipboard;
    std::optional<std::string> clipboardError;
    ui::TfrmVelmarMaster form{*this, *this};
};

}  // namespace velmar::testing
