#include "ui/VelmarMaster.h"

namespace velmar::ui {

void TfrmVelmarMaster::mniCopyToClipboardClick() {
    // The active page alone picks the source; the selection inside the edit plays no part.
    const Control source = activePage() == Page::tsWarning ? Control::edtTecID : Control::edtKKMID;
    services_.setClipboardText(view_.text(source));
    fMessageEnter = true;
}

}  // namespace velmar::ui
