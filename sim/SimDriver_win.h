#pragma once

#include <windows.h>
#include <oaidl.h>
#include <unknwn.h>

#include "sim/CallLog_win.h"
#include "sim/Scenario.h"
#include "sim/SimClsid.h"

namespace velmar::sim {

// A new driver object with refcount 1, answering from the scenario (null = interactive, with the
// dialogs and the state file); logs to `log`. The scenario and the log must outlive every use of
// the pointer. The object's memory is kept after its final Release, so that a further Release
// by a faulty client is logged ("release refs=-1") instead of corrupting the heap.
//
// Log lines:
//   create
//   lookup <Name>[ <Name>...]          one line per GetIDsOfNames call, names as given
//   invoke <Name> flags=<wFlags> args=<cArgs> named=<first named dispid|none> value=<v>
//          result=<yes|no>             <Name> is the operation's own spelling, or dispid:<n> for
//                                      an unknown dispid; args=null when DISPPARAMS is null;
//                                      <v> is none without arguments, else of rgvarg[0]:
//                                      i4:<n>, bstr:<text>, or vt<number> for any other type
//   dialog <ShowProperties|ShowAdditionalParams> parent=<hex> page=<n|none>
//                                      ShowProperties: parent = the thread's active window, page
//                                      none; ShowAdditionalParams: the last ParentWnd written
//                                      (0 if none) and the last ParamsPageIndex (none if none)
//   release refs=0 com=<initialised|uninitialised>
//   release refs=<negative>
// Texts (names, bstr values) are UTF-8 escaped as logText does.
IDispatch* createSimDriver(const Scenario* scenario, CallLog& log);

// The COM creation path: SIMDRV_SCRIPT names a scenario file (absent or empty: interactive),
// SIMDRV_LOG a log file (absent or empty: no file). A scenario that cannot be read or parsed
// gives E_FAIL and the log line "scenario-error <message>".
HRESULT createSimDriverFromEnvironment(REFIID riid, void** object);

// The class object that DllGetClassObject hands out; static, never freed.
IClassFactory* simDriverClassFactory();

inline CLSID toGuid(const ClassId& id) {
    CLSID g{id.data1, id.data2, id.data3, {}};
    for (int i = 0; i < 8; ++i) {
        g.Data4[i] = id.data4[i];
    }
    return g;
}

}  // namespace velmar::sim
