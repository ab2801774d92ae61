#include "FakeForm.h"

#include <cstdio>

namespace velmar::testing {

using ui::Control;

std::string controlName(Control control) {
    return std::string(ui::formName(control));
}

FakeForm::FakeForm() {
    for (const auto& o : ui::overlayLayouts()) {
        overlays[o.control] = {o.visibleAtCreation, o.bounds.left, o.bounds.top, o.bounds.width,
                               o.bounds.height};
    }
    for (const auto& e : ui::editLayouts()) {
        Edit edit;
        edit.page = e.page;
        edit.bounds = e.bounds;
        edits[e.control] = edit;
    }
}

void FakeForm::startOn(ui::Page page, std::uint8_t slot) {
    showWindow();
    active = static_cast<int>(page);
    form.fModeForPages[static_cast<std::size_t>(page)] = slot;
    form.RefreshFocus(static_cast<std::uint32_t>(page));
    form.fMessageEnter = false;
    log.clear();
    boxes.clear();
    driverFake.calls.clear();
}

Events FakeForm::boxLines() const {
    Events lines;
    for (const Box& box : boxes) {
        char flags[16];
        std::snprintf(flags, sizeof flags, "0x%02X", static_cast<unsigned>(box.flags));
        lines.push_back(box.text + " | " + box.caption + " | " + flags);
    }
    return lines;
}

void FakeForm::setVisible(Control image, bool visible) {
    overlays.at(image).visible = visible;
}

void FakeForm::setTop(Control image, int top) {
    Overlay& o = overlays.at(image);
    o.top = top;
    log.push_back("place " + controlName(image) + (o.visible ? " shown " : " hidden ") +
                  std::to_string(o.left) + "," + std::to_string(o.top));
}

ui::Rect FakeForm::bounds(Control control) {
    if (auto it = overlays.find(control); it != overlays.end()) {
        return {it->second.left, it->second.top, it->second.width, it->second.height};
    }
    return edits.at(control).bounds;
}

void FakeForm::setEnabled(Control edit, bool enabled) {
    Edit& e = edits.at(edit);
    e.enabled = enabled;
    // A disabled control loses the focus to its page, as the window system does.
    if (!enabled && focus.kind == FocusKind::Edit && focus.edit == edit) {
        focus = {FocusKind::Page, static_cast<int>(e.page), edit};
    }
}

void FakeForm::setText(Control edit, TextView value) {
    edits.at(edit).text = Text(value);
    log.push_back("text " + controlName(edit) + "=" + toUtf8(value));
}

void FakeForm::setFocus(Control edit) {
    if (focus.kind == FocusKind::Edit && focus.edit == edit) {
        return;
    }
    focus = {FocusKind::Edit, static_cast<int>(edits.at(edit).page), edit};
    log.push_back("focus " + controlName(edit));
    form.edtTecIDEnter();
}

bool FakeForm::focusWithin(int page) {
    return focus.kind != FocusKind::PageControl && focus.page == page;
}

void FakeForm::focusFirstControl(int page) {
    if (const auto* e = ui::editOfPage(static_cast<ui::Page>(page))) {
        if (edits.at(e->control).enabled) {
            setFocus(e->control);
        }
    }
}

bool FakeForm::mouseMove(int x, int y) {
    const auto page = static_cast<ui::Page>(active);
    for (const auto& [control, o] : overlays) {
        if (ui::overlayLayout(control)->page == page && o.visible && x >= o.left &&
            x < o.left + o.width && y >= o.top && y < o.top + o.height) {
            return false;
        }
    }
    for (const auto& [control, e] : edits) {
        if (e.page == page && e.enabled && x >= e.bounds.left &&
            x < e.bounds.left + e.bounds.width && y >= e.bounds.top &&
            y < e.bounds.top + e.bounds.height) {
            return false;
        }
    }
    form.FormMouseMove({}, x, y);
    return true;
}

void FakeForm::click(Control overlay) {
    form.fire(ui::overlayLayout(overlay)->click);
}

std::vector<std::string> FakeForm::shownOn(ui::Page page) const {
    std::vector<std::string> shown;
    for (const auto& [control, o] : overlays) {
        if (ui::overlayLayout(control)->page == page && o.visible) {
            shown.push_back(controlName(control));
        }
    }
    for (const auto& [control, e] : edits) {
        if (e.page == page && e.enabled) {
            shown.push_back(controlName(control) + " enabled");
        }
    }
    return shown;
}

int FakeForm::messageBox(TextView text, TextView caption, std::uint32_t flags) {
    boxes.push_back({toUtf8(text), toUtf8(caption), flags, form.fMessageEnter});
    log.push_back("box " + toUtf8(text));
    // A loop that keeps asking would otherwise run the test out of memory.
    if (boxes.size() > 50) {
        ADD_FAILURE() << "more than 50 message boxes: the action does not stop asking";
        return mb::kIdCancel;
    }
    if (boxAnswers.empty()) {
        return mb::kIdOk;
    }
    const int answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
}

Text FakeForm::executablePath() {
    if (exePathError) {
        throw AppError(fromUtf8(*exePathError));
    }
    return exePath;
}

ui::ShellOpenOutcome FakeForm::openWithShell(TextView path) {
    shellRequests.push_back(toUtf8(path));
    if (shellError) {
        throw AppError(fromUtf8(*shellError));
    }
    return shellOutcome;
}

void FakeForm::setClipboardText(TextView text) {
    if (clipboardError) {
        throw AppError(fromUtf8(*clipboardError));
    }
    clipboard = Text(text);
}

}  // namespace velmar::testing
