#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace velmar::testing {

// An ordered record of events, compared whole against an expected table. On a mismatch the
// failure names the first differing index and lists both sequences side by side.
using Events = std::vector<std::string>;

inline ::testing::AssertionResult sameSequence(const Events& expected, const Events& actual) {
    std::size_t first = 0;
    while (first < expected.size() && first < actual.size() && expected[first] == actual[first]) {
        ++first;
    }
    if (first == expected.size() && first == actual.size()) {
        return ::testing::AssertionSuccess();
    }
    std::ostringstream out;
    out << "sequences differ at index " << first << "\n";
    const std::size_t rows = std::max(expected.size(), actual.size());
    for (std::size_t i = 0; i < rows; ++i) {
        const std::string want = i < expected.size() ? expected[i] : "";
        const std::string got = i < actual.size() ? actual[i] : "";
        out << (i == first ? " > " : "   ") << i << ": " << want;
        if (want.size() < 44) {
            out << std::string(44 - want.size(), ' ');
        }
        out << " | " << got << "\n";
    }
    return ::testing::AssertionFailure() << out.str();
}

}  // namespace velmar::testing
