#pragma once

#include <exception>
#include <string>

#include "platform/Text.h"

namespace velmar {

// An error whose text is meant for the user: it is shown as it stands by whoever catches it.
class AppError : public std::exception {
  public:
    explicit AppError(Text text) : text_(std::move(text)), utf8_(toUtf8(text_)) {}
    const Text& text() const noexcept { return text_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

  private:
    Text text_;
    std::string utf8_;
};

// The user-visible text of any exception: AppError's own text, otherwise what() read as UTF-8.
Text errorText(const std::exception& error);

}  // namespace velmar
