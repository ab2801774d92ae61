#include "app/DriverObject.h"

#include "app/MessageBoxFlags.h"

namespace velmar::app {

void formCreate(Application& app, ComApi& com) {
    // The form's own initialisation is undone by FormDestroy whatever it returned.
    com.coInitialize();
    ClassId clsid;
    HResult hr = com.clsidFromProgId(kDriverProgId, clsid);
    if (succeeded(hr)) {
        hr = com.createDriverInstance(clsid, kDriverClassContext);
    }
    if (!succeeded(hr)) {
        app.messageBox(kDriverLoadFailureText, kDriverLoadFailureCaption, mb::kOk | mb::kIconError);
        app.halt(kDriverLoadFailureExitCode);
    }
}

void formDestroy(ComApi& com) {
    com.coUninitialize();
}

}  // namespace velmar::app
