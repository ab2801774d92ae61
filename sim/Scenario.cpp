#include "sim/Scenario.h"

#include <charconv>
#include <limits>
#include <system_error>

#include "sim/Utf.h"

namespace velmar::sim {

namespace {

struct OperationInfo {
    std::string_view name;
    OperationKind kind;
};

constexpr std::array<OperationInfo, kOperationCount> kOperations{{
    {"ShowProperties", OperationKind::Call},
    {"GetDeviceMetrics", OperationKind::Call},
    {"ShowAdditionalParams", OperationKind::Call},
    {"ResultCode", OperationKind::Read},
    {"ResultCodeDescription", OperationKind::Read},
    {"UDescription", OperationKind::Read},
    {"GetCloudCashdeskParams", OperationKind::Read},
    {"CloudCashdeskEnabled", OperationKind::Read},
    {"ECRID", OperationKind::Read},
    {"ParentWnd", OperationKind::Write},
    {"ParamsPageIndex", OperationKind::Write},
}};

char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

template <typename Char>
std::optional<Operation> findByName(std::basic_string_view<Char> name) {
    for (std::size_t i = 0; i < kOperations.size(); ++i) {
        const std::string_view candidate = kOperations[i].name;
        if (candidate.size() != name.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k) {
            same = asciiLower(static_cast<char16_t>(candidate[k])) ==
                   asciiLower(static_cast<char16_t>(name[k]));
        }
        if (same) {
            return static_cast<Operation>(i);
        }
    }
    return std::nullopt;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// Reads one line's value; `rest` is what follows the '='.
class ValueParser {
  public:
    ValueParser(int line, std::string_view rest) : line_(line), rest_(trim(rest)) {}

    Entry parse(Operation op) {
        Entry entry;
        entry.line = line_;
        const std::string_view keyword = word();
        if (keyword.empty()) {
            fail("missing value");
        }
        if (keyword == "i4") {
            entry.kind = EntryKind::I4;
            entry.integer = integer<std::int32_t>();
        } else if (keyword == "i2") {
            entry.kind = EntryKind::I2;
            entry.integer = integer<std::int16_t>();
        } else if (keyword == "r8") {
            entry.kind = EntryKind::R8;
            entry.real = real();
        } else if (keyword == "bool") {
            entry.kind = EntryKind::Bool;
            const std::string_view v = word();
            if (v != "true" && v != "false") {
                fail("bool wants true or false");
            }
            entry.flag = v == "true";
        } else if (keyword == "str") {
            entry.kind = EntryKind::Str;
            entry.text = quoted();
        } else if (keyword == "longstr") {
            entry.kind = EntryKind::LongStr;
            const auto n = integer<std::int64_t>();
            if (n < 0 || static_cast<std::uint64_t>(n) > kMaxLongStringLength) {
                fail("longstr count out of range");
            }
            entry.length = static_cast<std::size_t>(n);
        } else if (keyword == "empty") {
            entry.kind = EntryKind::Empty;
        } else if (keyword == "null") {
            entry.kind = EntryKind::Null;
        } else if (keyword == "dispatch") {
            entry.kind = EntryKind::Dispatch;
        } else if (keyword == "ok") {
            entry.kind = EntryKind::Ok;
        } else if (keyword == "unknown-name") {
            entry.kind = EntryKind::UnknownName;
        } else if (keyword == "exception") {
            entry.kind = EntryKind::Exception;
            entry.text = quoted();
        } else if (keyword == "hresult") {
            entry.kind = EntryKind::HResult;
            entry.hresult = hresult();
        } else {
            fail("unknown value kind \"" + std::string(keyword) + "\"");
        }
        finish();
        checkFits(op, entry.kind);
        return entry;
    }

  private:
    [[noreturn]] void fail(const std::string& message) const {
        throw ScenarioError(line_, message);
    }

    void skipBlanks() {
        while (!rest_.empty() && isBlank(rest_.front())) {
            rest_.remove_prefix(1);
        }
    }

    std::string_view word() {
        skipBlanks();
        std::size_t n = 0;
        while (n < rest_.size() && !isBlank(rest_[n]) && rest_[n] != '#') {
            ++n;
        }
        const std::string_view w = rest_.substr(0, n);
        rest_.remove_prefix(n);
        return w;
    }

    template <typename Int>
    Int integer() {
        const std::string_view w = word();
        Int value{};
        const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
        if (w.empty() || ec == std::errc::result_out_of_range) {
            fail(w.empty() ? "missing number" : "number out of range: " + std::string(w));
        }
        if (ec != std::errc{} || end != w.data() + w.size()) {
            fail("not an integer: " + std::string(w));
        }
        return value;
    }

    double real() {
        const std::string_view w = word();
        double value = 0;
        const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
        if (w.empty() || ec != std::errc{} || end != w.data() + w.size()) {
            fail("not a number: " + std::string(w));
        }
        return value;
    }

    std::uint32_t hresult() {
        const std::string_view w = word();
        if (w.size() < 3 || w[0] != '0' || (w[1] != 'x' && w[1] != 'X')) {
            fail("hresult wants a hexadecimal 0x... code");
        }
        std::uint32_t value = 0;
        const auto [end, ec] = std::from_chars(w.data() + 2, w.data() + w.size(), value, 16);
        if (ec != std::errc{} || end != w.data() + w.size()) {
            fail("not a 32-bit hexadecimal code: " + std::string(w));
        }
        if ((value & 0x80000000u) == 0) {
            fail("hresult " + std::string(w) + " is not a failure code");
        }
        return value;
    }

    std::u16string quoted() {
        skipBlanks();
        if (rest_.empty() || rest_.front() != '"') {
            fail("expected a text in double quotes");
        }
        rest_.remove_prefix(1);
        std::string raw;
        for (;;) {
            if (rest_.empty()) {
                fail("unterminated text");
            }
            const char c = rest_.front();
            rest_.remove_prefix(1);
            if (c == '"') {
                break;
            }
            if (c == '\\') {
                if (rest_.empty() || (rest_.front() != '"' && rest_.front() != '\\')) {
                    fail("only \\\" and \\\\ may follow a backslash");
                }
                raw += rest_.front();
                rest_.remove_prefix(1);
            } else {
                raw += c;
            }
        }
        auto text = utf8ToUtf16(raw);
        if (!text) {
            fail("text is not valid UTF-8");
        }
        return std::move(*text);
    }

    void finish() {
        skipBlanks();
        if (!rest_.empty() && rest_.front() != '#') {
            fail("unexpected text after the value: " + std::string(rest_));
        }
    }

    void checkFits(Operation op, EntryKind kind) const {
        const bool answersValue =
            kind == EntryKind::I4 || kind == EntryKind::I2 || kind == EntryKind::R8 ||
            kind == EntryKind::Bool || kind == EntryKind::Str || kind == EntryKind::LongStr ||
            kind == EntryKind::Empty || kind == EntryKind::Null || kind == EntryKind::Dispatch;
        const bool isRead = operationKind(op) == OperationKind::Read;
        const std::string name(operationName(op));
        if (answersValue && !isRead) {
            fail(name + " is not read: it takes ok, unknown-name, exception or hresult");
        }
        if (kind == EntryKind::Ok && isRead) {
            fail(name + " is read: give the value it answers");
        }
    }

    int line_;
    std::string_view rest_;
};

}  // namespace

std::string_view operationName(Operation op) {
    return kOperations[static_cast<std::size_t>(op)].name;
}

OperationKind operationKind(Operation op) {
    return kOperations[static_cast<std::size_t>(op)].kind;
}

std::int32_t dispatchId(Operation op) {
    return static_cast<std::int32_t>(op) + 1;
}

std::optional<Operation> operationFromDispatchId(std::int32_t dispid) {
    if (dispid < 1 || dispid > static_cast<std::int32_t>(kOperationCount)) {
        return std::nullopt;
    }
    return static_cast<Operation>(dispid - 1);
}

std::optional<Operation> findOperation(std::string_view name) {
    return findByName(name);
}

std::optional<Operation> findOperation(std::u16string_view name) {
    return findByName(name);
}

ScenarioError::ScenarioError(int line, const std::string& message)
    : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}

Scenario Scenario::parse(std::string_view utf8) {
    if (utf8.starts_with("\xEF\xBB\xBF")) {
        utf8.remove_prefix(3);
    }
    Scenario scenario;
    int lineNumber = 0;
    while (!utf8.empty()) {
        ++lineNumber;
        const std::size_t eol = utf8.find('\n');
        std::string_view line = utf8.substr(0, eol);
        utf8.remove_prefix(eol == std::string_view::npos ? utf8.size() : eol + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        line = trim(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            throw ScenarioError(lineNumber, "expected <Operation> = <value>");
        }
        const std::string_view name = trim(line.substr(0, eq));
        const auto op = findOperation(name);
        if (!op) {
            throw ScenarioError(lineNumber, "unknown operation \"" + std::string(name) + "\"");
        }
        scenario.queues_[static_cast<std::size_t>(*op)].push_back(
            ValueParser(lineNumber, line.substr(eq + 1)).parse(*op));
    }
    return scenario;
}

const Entry* ScenarioCursor::peek(Operation op) const {
    const auto& queue = scenario_->entries(op);
    if (queue.empty()) {
        return nullptr;
    }
    return &queue[next_[static_cast<std::size_t>(op)]];
}

const Entry* ScenarioCursor::take(Operation op) {
    const Entry* entry = peek(op);
    std::size_t& next = next_[static_cast<std::size_t>(op)];
    if (entry != nullptr && next + 1 < scenario_->entries(op).size()) {
        ++next;
    }
    return entry;
}

}  // namespace velmar::sim
