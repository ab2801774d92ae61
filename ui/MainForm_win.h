#pragma once

#include "app/Application.h"
#include "app/Runtime.h"
#include "platform/win32/Window_win.h"

namespace velmar::ui {

// frmVelmarMaster: the one borderless 800 x 600 window of the wizard.
class TfrmVelmarMaster final : public win32::Window {
public:
    // Told when the user or an action closes the form: the event loop then ends.
    class Owner {
    public:
        virtual void mainFormClosed() = 0;

    protected:
        ~Owner() = default;
    };

    static constexpr wchar_t kClassName[] = L"TfrmVelmarMaster";

    TfrmVelmarMaster(app::Application& app, app::ComApi& com, Owner& owner)
        : app_(app), com_(com), owner_(owner) {}

    // Builds the window and its layout, then runs FormCreate (which may end the program).
    void create();

    // Runs FormShow and makes the window visible.
    void show();
    // Ends the event loop; the window stays in place until shutdown destroys it.
    void close();
    void destroyWindow() { destroy(); }

    void FormCreate();
    void FormDestroy();
    void FormShow();

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    app::Application& app_;
    app::ComApi& com_;
    Owner& owner_;
};

}  // namespace velmar::ui
