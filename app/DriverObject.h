#pragma once

#include "app/Application.h"
#include "app/Runtime.h"

namespace velmar::app {

inline constexpr char16_t kDriverProgId[] = u"AddIn.DrvFR";
inline constexpr char16_t kDriverLoadFailureText[] = u"Ошибка загрузки драйвера кассы";
inline constexpr char16_t kDriverLoadFailureCaption[] = u"Ошибка!";
inline constexpr int kDriverLoadFailureExitCode = 701;

// The main form's creation handler: initialises COM for the form and creates the driver object
// into Driver. If the object cannot be created the user is told so and the program ends with 701
// from right here; the form is never shown.
void formCreate(Application& app, ComApi& com);

// The main form's destroy handler.
void formDestroy(ComApi& com);

}  // namespace velmar::app
