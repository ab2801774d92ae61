#pragma once

#include <cstdint>

#include "platform/Text.h"

namespace velmar::wizard {

inline constexpr char16_t kInstructionDocument[] =
    u"Doc\\Велмар (Инструкция администратора личного кабинета)_Версия_1.3_310315.htm";

// The document beside the program: its directory (a drive root keeps its one separator), one
// separator, then the document's relative name.
Text instructionPath(TextView executablePath);

// The message for a shell failure code, empty for the codes that have none.
Text shellFailureMessage(std::uint64_t code);

// "Ошибка:  <message>", the document error box's text.
Text documentErrorText(TextView message);

}  // namespace velmar::wizard
