// The wizard's steps: the service check, the connection and registration steps, back, exit, end.
// Driver failures reported through values end in a box; a failing call throws and reaches the
// general error report with whatever was done before it left in place.
#include "app/Application.h"
#include "app/MessageBoxFlags.h"
#include "ui/VelmarMaster.h"
#include "wizard/Messages.h"

namespace velmar::ui {

using wizard::driverErrorText;
using wizard::registrationErrorText;

namespace {

constexpr std::int32_t kCloudCashdeskParamsPage = 18;

}  // namespace

void TfrmVelmarMaster::lblEnableClick() {
    driver::FiscalDriver& driver = services_.driver();
    if (driver.getCloudCashdeskParams() != 0) {
        const std::int32_t code = driver.resultCode();
        const Text description = driver.resultCodeDescription();
        services_.messageBox(driverErrorText(code, description), app::kApplicationTitle,
                             mb::kOk | mb::kIconError);
        view_.closeWindow();
        return;
    }
    if (!driver.ecrId().empty()) {
        view_.setActivePage(static_cast<int>(Page::tsWarning));
        view_.setText(Control::edtTecID, driver.ecrId());
    } else {
        view_.setActivePage(static_cast<int>(Page::tsFirstScreen));
    }
    RefreshFocus(static_cast<std::uint32_t>(view_.activePageIndex()));
}

void TfrmVelmarMaster::lblNextClick() {
    view_.setActivePage(static_cast<int>(Page::tsConnection));
    fModeForPages[static_cast<std::size_t>(Page::tsConnection)] = 0;
    RefreshFocus(static_cast<std::uint32_t>(Page::tsConnection));
}

void TfrmVelmarMaster::lblCn_NextClick() {
    driver::FiscalDriver& driver = services_.driver();
    driver.showProperties();
    driver.getDeviceMetrics();
    if (driver.resultCode() == 0) {
        view_.setCaption(Control::lblTypeOfKKM, driver.uDescription());
        view_.setActivePage(static_cast<int>(Page::tsRegistration));
    } else {
        const std::int32_t code = driver.resultCode();
        const Text description = driver.resultCodeDescription();
        services_.messageBox(driverErrorText(code, description), app::kApplicationTitle,
                             mb::kOk | mb::kIconError);
    }
    fMessageEnter = true;
}

void TfrmVelmarMaster::lblCn_BackClick() {
    lblEnableClick();
}

void TfrmVelmarMaster::lblReg_NextClick() {
    driver::FiscalDriver& driver = services_.driver();
    for (;;) {
        view_.setText(Control::edtKKMID, u"");
        driver.setParentWnd(view_.windowHandle());
        driver.setParamsPageIndex(kCloudCashdeskParamsPage);
        driver.showAdditionalParams();
        if (driver.getCloudCashdeskParams() != 0) {
            const std::int32_t code = driver.resultCode();
            const Text description = driver.resultCodeDescription();
            services_.messageBox(registrationErrorText(code, description), app::kApplicationTitle,
                                 mb::kOk | mb::kIconError);
            break;
        }
        const char16_t* warning = nullptr;
        if (!driver.cloudCashdeskEnabled()) {
            warning = wizard::kNotEnabledWarning;
        } else if (driver.ecrId().empty()) {
            warning = wizard::kNotRegisteredWarning;
        } else {
            view_.setText(Control::edtKKMID, driver.ecrId());
            view_.setActivePage(static_cast<int>(Page::tsEnd));
            break;
        }
        // Only Cancel leaves the loop: any other answer opens the driver's dialog again.
        if (services_.messageBox(warning, app::kApplicationTitle,
                                 mb::kOkCancel | mb::kIconWarning) == mb::kIdCancel) {
            break;
        }
    }
    fMessageEnter = true;
}

void TfrmVelmarMaster::lblReg_BackClick() {
    view_.setActivePage(static_cast<int>(Page::tsConnection));
}

void TfrmVelmarMaster::lblCloseClick() {
    if (services_.messageBox(wizard::kExitConfirmation, app::kApplicationTitle,
                             mb::kOkCancel | mb::kIconWarning) == mb::kIdOk) {
        view_.closeWindow();
    } else {
        fMessageEnter = true;
    }
}

void TfrmVelmarMaster::lblEndClick() {
    view_.closeWindow();
}

}  // namespace velmar::ui
