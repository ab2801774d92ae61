#pragma once

#include <cstdint>

#include "platform/Text.h"

namespace velmar::wizard {

inline constexpr char16_t kExitConfirmation[] =
    u"Выйти из мастера настройки подключения к сервису \"Велмар\" ?";
inline constexpr char16_t kNotRegisteredWarning[] =
    u"Работа с сервисом \"VELMAR\" включена, но ККМ не была зарегистрирована.\r\n"
    u"Для продолжения работы мастера выполните, пожалуйста, регистрацию ККМ на сервисе.";
inline constexpr char16_t kNotEnabledWarning[] =
    u"Работа с облачной кассой не включена. Для продолжения работы включите, пожалуйста, работу "
    u"с сервисом.";

// "Ошибка ККМ: (-3) Нет связи": the driver's code and description after a failed step.
Text driverErrorText(std::int32_t resultCode, TextView description);
// The same for the registration step, whose text has a blank before the colon.
Text registrationErrorText(std::int32_t resultCode, TextView description);

}  // namespace velmar::wizard
