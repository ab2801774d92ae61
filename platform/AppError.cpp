#include "platform/AppError.h"

namespace velmar {

Text errorText(const std::exception& error) {
    if (const auto* appError = dynamic_cast<const AppError*>(&error)) {
        return appError->text();
    }
    return fromUtf8(error.what());
}

}  // namespace velmar
