#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmar::sim {

// Strict decoding: overlong forms, surrogates and truncated sequences give nullopt.
std::optional<std::u16string> utf8ToUtf16(std::string_view utf8);

// UTF-8 for one log line: backslash, CR, LF, tab and other control characters are escaped (\\, \r,
// \n, \t, \u001b), and so is an unpaired surrogate (\ud800), so a line always stays one line and
// shows exactly which UTF-16 units the client sent.
std::string logText(std::u16string_view text);

}  // namespace velmar::sim
