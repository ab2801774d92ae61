#pragma once

#include <string>
#include <string_view>

namespace velmar {

// Every user-visible text is UTF-16, as the Windows W functions take it.
using Text = std::u16string;
using TextView = std::u16string_view;

std::string toUtf8(TextView text);
Text fromUtf8(std::string_view utf8);

}  // namespace velmar
