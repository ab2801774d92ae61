#include "wizard/Messages.h"

#include <string>

namespace velmar::wizard {
namespace {

Text format(TextView prefix, std::int32_t resultCode, TextView description) {
    Text text(prefix);
    text += fromUtf8(std::to_string(resultCode));
    text += u") ";
    text += description;
    return text;
}

}  // namespace

Text driverErrorText(std::int32_t resultCode, TextView description) {
    return format(u"Ошибка ККМ: (", resultCode, description);
}

Text registrationErrorText(std::int32_t resultCode, TextView description) {
    return format(u"Ошибка ККМ : (", resultCode, description);
}

}  // namespace velmar::wizard
