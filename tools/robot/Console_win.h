#pragma once

#include <cstdio>
#include <string_view>

namespace velmar::robot {

// Wine's console drops Cyrillic from wprintf and turns "\n" into CR LF; raw UTF-8 bytes through
// fwrite arrive intact (the reader strips the CR).
void writeUtf8(std::FILE* stream, std::string_view text);
void printLine(std::string_view text);
void printError(std::string_view text);

}  // namespace velmar::robot
