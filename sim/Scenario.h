#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmar::sim {

// The eleven operations of the simulated driver. Their dispatch identifiers are the enumerator
// values plus one (see dispatchId).
enum class Operation {
    ShowProperties,
    GetDeviceMetrics,
    ShowAdditionalParams,
    ResultCode,
    ResultCodeDescription,
    UDescription,
    GetCloudCashdeskParams,
    CloudCashdeskEnabled,
    ECRID,
    ParentWnd,
    ParamsPageIndex,
};
inline constexpr std::size_t kOperationCount = 11;

enum class OperationKind { Call, Read, Write };

std::string_view operationName(Operation op);
OperationKind operationKind(Operation op);
std::int32_t dispatchId(Operation op);
std::optional<Operation> operationFromDispatchId(std::int32_t dispid);

// Case-insensitive, as IDispatch::GetIDsOfNames matches names.
std::optional<Operation> findOperation(std::string_view name);
std::optional<Operation> findOperation(std::u16string_view name);

enum class EntryKind {
    I4,
    I2,
    R8,
    Bool,
    Str,
    LongStr,
    Empty,
    Null,
    Dispatch,
    Ok,
    UnknownName,
    Exception,
    HResult,
};

// One scripted answer. Only the fields of its kind are meaningful.
struct Entry {
    EntryKind kind = EntryKind::Ok;
    std::int32_t integer = 0;  // i4, i2
    double real = 0;           // r8
    bool flag = false;         // bool
    std::u16string text;       // str, exception
    std::size_t length = 0;    // longstr: the string is made at invoke time, never stored
    std::uint32_t hresult = 0;
    int line = 0;
};

// The longstr text: the digits 0..9 repeating, so that a cut or shifted copy shows.
inline constexpr char16_t longStringUnit(std::size_t index) {
    return static_cast<char16_t>(u'0' + index % 10);
}
inline constexpr std::size_t kMaxLongStringLength = std::size_t{1} << 28;

class ScenarioError : public std::runtime_error {
  public:
    ScenarioError(int line, const std::string& message);
    int line() const { return line_; }

  private:
    int line_;
};

// A parsed scenario file: per operation, the queue of its scripted answers.
//
// File format (UTF-8, one entry a line, blank lines and '#' comments ignored, also after a value):
//     <Operation> = <value>
// where <Operation> is one of the eleven names (any case) and <value> one of
//     i4 <int>   i2 <int>   r8 <double>   bool true|false   str "<text>"   longstr <count>
//     empty   null   dispatch                      answers of reads only
//     ok                                           calls and writes only: succeed
//     unknown-name   exception "<text>"   hresult 0x8xxxxxxx          any operation
// In str and exception texts \" and \\ are the only escapes.
//
// An operation with no entry, and an "ok", behave as the interactive driver does in its default
// state (DriverEngine): the register answers, its description is kDefaultDescription,
// GetCloudCashdeskParams succeeds, the cloud cash-desk service is off and ECRID is empty;
// ResultCode and ResultCodeDescription tell the outcome of the last call (0, "Ошибок нет"),
// UDescription is empty until a successful GetDeviceMetrics, and the dialogs close at once.
// Scripted values of reads replace the engine's answer and leave its state untouched.
class Scenario {
  public:
    // Throws ScenarioError naming the line.
    static Scenario parse(std::string_view utf8);

    const std::vector<Entry>& entries(Operation op) const {
        return queues_[static_cast<std::size_t>(op)];
    }

  private:
    std::array<std::vector<Entry>, kOperationCount> queues_;
};

// Which entry each operation answers with next. Kept apart from Scenario so that one parsed file
// can drive several driver objects.
class ScenarioCursor {
  public:
    explicit ScenarioCursor(const Scenario& scenario) : scenario_(&scenario) {}

    // The current entry, or null when the operation has none; moves nothing.
    const Entry* peek(Operation op) const;
    // The current entry; afterwards the next one is current, except that the last stays.
    const Entry* take(Operation op);

  private:
    const Scenario* scenario_;
    std::array<std::size_t, kOperationCount> next_{};
};

}  // namespace velmar::sim
