#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velmar::robot {

// An expected order of events as a table, compared whole with what was recorded:
//
//     const SequenceEntry kOpenDialog[] = {
//         {"lookup ShowProperties"},
//         {"invoke ShowProperties *", kWildcard},
//         {"lookup ResultCode", kOptional},
//     };
//     if (auto report = compareSequence(kOpenDialog, actual, "Next on the connection screen")) …
enum SequenceFlags : unsigned {
    kExact = 0,
    kOptional = 1,  // may be absent; when present it must be in its place
    kWildcard = 2,  // '*' in the text stands for any run of characters
};

struct SequenceEntry {
    std::string_view text;
    unsigned flags = kExact;
};

bool entryMatches(const SequenceEntry& expected, std::string_view actual);

// Nothing when the sequences agree. Otherwise a report that starts with the context and names the
// index of the first difference, then lists expected beside actual, row by row.
std::optional<std::string> compareSequence(std::span<const SequenceEntry> expected,
                                           std::span<const std::string> actual,
                                           std::string_view context);

}  // namespace velmar::robot
