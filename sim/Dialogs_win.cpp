#include "sim/Dialogs_win.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Utf.h"
#include "sim/WinUtil_win.h"

namespace velmar::sim {

namespace {

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr int kNoId = -1;

constexpr int kPageCloudCashdesk = 18;

// A DLGTEMPLATE built in memory, in dialog units.
class DialogTemplate {
  public:
    DialogTemplate(std::u16string_view title, short width, short height) {
        dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        dword(0);
        countIndex_ = data_.size();
        word(0);
        word(0);
        word(0);
        word(static_cast<WORD>(width));
        word(static_cast<WORD>(height));
        word(0);  // no menu
        word(0);  // the standard dialog class
        text(title);
        word(9);
        text(u"MS Shell Dlg");
    }

    void add(int id, WORD windowClass, DWORD style, short x, short y, short width, short height,
             std::u16string_view caption = {}) {
        while (data_.size() % 2 != 0) {
            word(0);
        }
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(width));
        word(static_cast<WORD>(height));
        word(static_cast<WORD>(id));
        word(0xFFFF);
        word(windowClass);
        text(caption);
        word(0);  // no creation data
        ++data_[countIndex_];
    }

    void label(short x, short y, short width, short height, std::u16string_view caption,
               int id = kNoId) {
        add(id, kStaticClass, SS_LEFT, x, y, width, height, caption);
    }
    void checkBox(int id, short x, short y, short width, std::u16string_view caption) {
        add(id, kButtonClass, BS_AUTOCHECKBOX | WS_TABSTOP, x, y, width, 10, caption);
    }
    void button(int id, short x, short y, short width, std::u16string_view caption,
                bool isDefault = false) {
        add(id, kButtonClass, (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP, x, y,
            width, 14, caption);
    }
    void group(short x, short y, short width, short height, std::u16string_view caption) {
        add(kNoId, kButtonClass, BS_GROUPBOX, x, y, width, height, caption);
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

  private:
    void word(WORD w) { data_.push_back(w); }
    void dword(DWORD d) {
        word(LOWORD(d));
        word(HIWORD(d));
    }
    void text(std::u16string_view s) {
        data_.insert(data_.end(), s.begin(), s.end());
        word(0);
    }

    std::vector<WORD> data_;
    std::size_t countIndex_ = 0;
};

HINSTANCE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module;
}

std::u16string number(std::int32_t n) {
    const std::string digits = std::to_string(n);
    return {digits.begin(), digits.end()};
}

std::u16string fromUtf8(std::string_view text) {
    return utf8ToUtf16(text).value_or(u"(ошибка в тексте сообщения)");
}

class Dialog {
  public:
    virtual ~Dialog() = default;

    void run(HWND owner, const DialogTemplate& layout) {
        DialogBoxIndirectParamW(thisModule(), layout.get(), owner, &Dialog::procedure,
                                reinterpret_cast<LPARAM>(this));
    }

  protected:
    // Fills the controls and sets the focus.
    virtual void onInit() = 0;
    virtual void onCommand(int id) = 0;

    void setText(int id, const std::u16string& text) { SetDlgItemTextW(hwnd_, id, wide(text)); }
    std::u16string text(int id) const {
        const HWND control = GetDlgItem(hwnd_, id);
        std::u16string s(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, u'\0');
        const int n = GetWindowTextW(control, reinterpret_cast<wchar_t*>(s.data()),
                                     static_cast<int>(s.size()));
        s.resize(static_cast<std::size_t>(n > 0 ? n : 0));
        return s;
    }
    bool checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
    void check(int id, bool on) { CheckDlgButton(hwnd_, id, on ? BST_CHECKED : BST_UNCHECKED); }
    void enable(int id, bool on) { EnableWindow(GetDlgItem(hwnd_, id), on); }
    void close(INT_PTR result) { EndDialog(hwnd_, result); }

    // Empty when saved, else the reason.
    static std::u16string trySave(SaveState save, const DeviceState& state) {
        try {
            save(state);
            return {};
        } catch (const std::runtime_error& e) {
            return u"Не удалось сохранить состояние: " + fromUtf8(e.what());
        }
    }

    HWND hwnd_ = nullptr;

  private:
    static INT_PTR CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        try {
            if (message == WM_INITDIALOG) {
                auto* self = reinterpret_cast<Dialog*>(lParam);
                SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
                self->hwnd_ = hwnd;
                self->onInit();
                return FALSE;  // onInit has placed the focus
            }
            auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
            if (self != nullptr && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
                self->onCommand(LOWORD(wParam));
                return TRUE;
            }
        } catch (const std::exception&) {
            // Nothing may unwind through the system's dialog code; the dialog stays usable.
        }
        return FALSE;
    }
};

class PropertiesDialog final : public Dialog {
  public:
    PropertiesDialog(DeviceState& state, SaveState save) : state_(state), save_(save) {}

    void run(HWND owner) {
        DialogTemplate layout(u"Свойства драйвера ККТ (имитация)", 260, 196);
        layout.label(7, 7, 246, 18,
                     u"Имитация драйвера ККТ для показа мастера подключения. Здесь задаётся, "
                     u"как поведёт себя касса.");
        layout.group(7, 28, 246, 50, u"Связь с ККТ");
        layout.checkBox(kAnswers, 15, 41, 230, u"ККТ отвечает на запросы");
        layout.label(15, 59, 50, 8, u"Модель ККТ:");
        layout.add(kModel, kEditClass, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 68, 57, 177, 13);
        layout.group(7, 82, 246, 84, u"Облачная касса");
        layout.label(15, 95, 230, 18, {}, kCloudStatus);
        layout.checkBox(kFailCloud, 15, 117, 230,
                        u"Имитировать сбой чтения параметров облачной кассы");
        layout.button(kReset, 15, 132, 100, u"Сбросить состояние");
        layout.label(15, 150, 230, 12, {}, kNote);
        layout.button(IDOK, 148, 175, 50, u"OK", true);
        layout.button(IDCANCEL, 203, 175, 50, u"Отмена");
        Dialog::run(owner, layout);
    }

  private:
    enum : int { kAnswers = 101, kModel, kCloudStatus, kFailCloud, kReset, kNote };

    void onInit() override {
        fill();
        SetFocus(GetDlgItem(hwnd_, kAnswers));
    }

    void fill() {
        check(kAnswers, state_.registerAnswers);
        setText(kModel, state_.description);
        check(kFailCloud, state_.failCloudParams);
        std::u16string status = u"Передача данных чека в сервис Велмар: ";
        status += state_.cloudEnabled ? u"включена." : u"выключена.";
        status += state_.ecrid.empty() ? u"\r\nККТ не зарегистрирована (ECRID не присвоен)."
                                       : u"\r\nECRID: " + state_.ecrid;
        setText(kCloudStatus, status);
    }

    void onCommand(int id) override {
        switch (id) {
            case kReset: {
                state_ = DeviceState{};
                fill();
                const std::u16string failure = trySave(save_, state_);
                setText(kNote,
                        failure.empty() ? u"Состояние сброшено: настройки по умолчанию." : failure);
                break;
            }
            case IDOK: {
                state_.registerAnswers = checked(kAnswers);
                state_.description = text(kModel);
                state_.failCloudParams = checked(kFailCloud);
                const std::u16string failure = trySave(save_, state_);
                if (!failure.empty()) {
                    MessageBoxW(hwnd_, wide(failure), L"Имитация драйвера ККТ",
                                MB_OK | MB_ICONWARNING);
                }
                close(IDOK);
                break;
            }
            case IDCANCEL:
                close(IDCANCEL);
                break;
            default:
                break;
        }
    }

    DeviceState& state_;
    SaveState save_;
};

class AdditionalParamsDialog final : public Dialog {
  public:
    AdditionalParamsDialog(std::optional<std::int32_t> page, DriverEngine& engine, Entropy entropy,
                           SaveState save)
        : page_(page), engine_(engine), entropy_(entropy), save_(save) {}

    void run(HWND owner) {
        DialogTemplate layout(u"Дополнительные параметры ККТ (имитация)", 270, 130);
        layout.label(7, 7, 256, 10, {}, kHeader);
        layout.checkBox(kCloudEnabled, 7, 24, 256, u"Передавать данные чека в сервис Велмар");
        layout.label(7, 44, 256, 8, u"Идентификатор ККТ в сервисе (ECRID):");
        layout.add(kEcrid, kEditClass, ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP, 7, 55,
                   150, 13);
        layout.button(kRegister, 163, 54, 100, u"Зарегистрировать ККТ");
        layout.label(7, 76, 256, 24, {}, kStatus);
        layout.button(IDCANCEL, 213, 109, 50, u"Закрыть", true);
        Dialog::run(owner, layout);
    }

  private:
    enum : int { kHeader = 201, kCloudEnabled, kEcrid, kRegister, kStatus };

    bool onCloudPage() const { return page_ == kPageCloudCashdesk; }

    void onInit() override {
        const DeviceState& state = engine_.state();
        if (!page_) {
            setText(kHeader, u"Номер страницы не задан");
        } else {
            setText(kHeader,
                    u"Страница " + number(*page_) + (onCloudPage() ? u": Облачная касса" : u""));
        }
        check(kCloudEnabled, state.cloudEnabled);
        setText(kEcrid, state.ecrid);
        enable(kCloudEnabled, onCloudPage());
        enable(kRegister, onCloudPage());
        if (!onCloudPage()) {
            setText(kStatus,
                    u"На этой странице нет параметров облачной кассы: они на странице 18.");
        } else {
            setText(kStatus, state.ecrid.empty() ? u"ККТ не зарегистрирована в сервисе Велмар."
                                                 : u"ККТ зарегистрирована в сервисе Велмар.");
        }
        SetFocus(GetDlgItem(hwnd_, onCloudPage() ? kCloudEnabled : IDCANCEL));
    }

    void onCommand(int id) override {
        switch (id) {
            case kCloudEnabled: {
                engine_.state().cloudEnabled = checked(kCloudEnabled);
                const std::u16string failure = trySave(save_, engine_.state());
                setText(kStatus, !failure.empty() ? failure
                                 : engine_.state().cloudEnabled
                                     ? u"Передача данных чека в сервис Велмар включена."
                                     : u"Передача данных чека в сервис Велмар выключена.");
                break;
            }
            case kRegister:
                registerAtService();
                break;
            case IDOK:
            case IDCANCEL:
                close(IDCANCEL);
                break;
            default:
                break;
        }
    }

    void registerAtService() {
        switch (engine_.registerAtService(entropy_())) {
            case Registration::Done: {
                setText(kEcrid, engine_.state().ecrid);
                const std::u16string failure = trySave(save_, engine_.state());
                setText(kStatus, failure.empty() ? u"ККТ зарегистрирована в сервисе Велмар, "
                                                   u"присвоен новый ECRID."
                                                 : failure);
                break;
            }
            case Registration::ServiceOff:
                setText(kStatus,
                        u"Регистрация невозможна: включите передачу данных чека в сервис Велмар.");
                break;
            case Registration::NoLink:
                setText(kStatus,
                        u"Регистрация невозможна: ККТ не отвечает. Проверьте связь с ККТ "
                        u"в свойствах драйвера.");
                break;
        }
    }

    std::optional<std::int32_t> page_;
    DriverEngine& engine_;
    Entropy entropy_;
    SaveState save_;
};

}  // namespace

void runPropertiesDialog(HWND owner, DeviceState& state, SaveState save) {
    PropertiesDialog(state, save).run(owner);
}

void runAdditionalParamsDialog(HWND owner, std::optional<std::int32_t> page, DriverEngine& engine,
                               Entropy entropy, SaveState save) {
    AdditionalParamsDialog(page, engine, entropy, save).run(owner);
}

}  // namespace velmar::sim
