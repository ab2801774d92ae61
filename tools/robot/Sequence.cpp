#include "tools/robot/Sequence.h"

#include <algorithm>
#include <vector>

namespace velmar::robot {

namespace {

bool wildcardMatches(std::string_view pattern, std::string_view text) {
    // Iterative glob with backtracking to the last '*'.
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

// Characters, not bytes, so that Cyrillic lines up.
std::size_t displayWidth(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

struct Row {
    std::size_t expectedIndex = kNone;
    std::string expected;
    std::size_t actualIndex = kNone;
    std::string actual;
    bool marked = false;
};

std::string expectedLabel(const SequenceEntry& entry) {
    std::string label(entry.text);
    if ((entry.flags & kOptional) != 0) {
        label += "  (optional)";
    }
    return label;
}

std::string indexText(std::size_t index) {
    const std::string digits = index == kNone ? "" : std::to_string(index);
    return std::string(4 - std::min<std::size_t>(4, digits.size()), ' ') + digits;
}

std::string render(std::string_view context, const std::string& headline,
                   const std::vector<Row>& rows) {
    std::size_t width = std::string_view("expected").size();
    for (const auto& row : rows) {
        width = std::max(width, displayWidth(row.expected));
    }
    auto line = [&](std::string_view marker, const std::string& expectedIndex,
                    std::string_view expected, const std::string& actualIndex,
                    std::string_view actual) {
        return std::string(marker) + expectedIndex + "  " + std::string(expected) +
               std::string(width - displayWidth(expected) + 2, ' ') + actualIndex + "  " +
               std::string(actual) + "\n";
    };
    std::string text = std::string(context) + ": " + headline + "\n";
    text += line("  ", "   #", "expected", "   #", "actual");
    for (const auto& row : rows) {
        text += line(row.marked ? "> " : "  ", indexText(row.expectedIndex), row.expected,
                     indexText(row.actualIndex), row.actual);
    }
    return text;
}

}  // namespace

bool entryMatches(const SequenceEntry& expected, std::string_view actual) {
    return (expected.flags & kWildcard) != 0 ? wildcardMatches(expected.text, actual)
                                             : expected.text == actual;
}

std::optional<std::string> compareSequence(std::span<const SequenceEntry> expected,
                                           std::span<const std::string> actual,
                                           std::string_view context) {
    std::vector<Row> rows;
    std::size_t e = 0, a = 0;
    auto take = [&](bool expectedToo, bool actualToo) {
        Row row{kNone, "-", kNone, "-"};
        if (expectedToo) {
            row.expectedIndex = e;
            row.expected = expectedLabel(expected[e++]);
        }
        if (actualToo) {
            row.actualIndex = a;
            row.actual = actual[a++];
        }
        rows.push_back(std::move(row));
    };
    while (e < expected.size() && a < actual.size()) {
        if (entryMatches(expected[e], actual[a])) {
            take(true, true);
        } else if ((expected[e].flags & kOptional) != 0) {
            take(true, false);
        } else {
            break;
        }
    }
    while (e < expected.size() && a == actual.size() && (expected[e].flags & kOptional) != 0) {
        take(true, false);
    }
    if (e == expected.size() && a == actual.size()) {
        return std::nullopt;
    }

    std::string headline;
    if (a == actual.size()) {
        headline = "expected #" + std::to_string(e) + " \"" + std::string(expected[e].text) +
                   "\" did not happen (" + std::to_string(actual.size()) + " events recorded)";
    } else if (e == expected.size()) {
        headline = "unexpected event #" + std::to_string(a) + " \"" + actual[a] +
                   "\" after the whole expected sequence";
    } else {
        headline = "first difference at expected #" + std::to_string(e) + " / actual #" +
                   std::to_string(a);
    }
    const std::size_t firstDifference = rows.size();
    while (e < expected.size() || a < actual.size()) {
        take(e < expected.size(), a < actual.size());
    }
    rows[firstDifference].marked = true;
    return render(context, headline, rows);
}

}  // namespace velmar::robot
