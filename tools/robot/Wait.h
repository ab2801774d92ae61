#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>

namespace velmar::robot {

using Milliseconds = std::chrono::milliseconds;

// Gentle enough not to slow the observed program down (polling every millisecond does, under
// Wine), quick enough to keep a test's own latency low.
inline constexpr Milliseconds kPollInterval{25};

class WaitTimeout : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

namespace detail {
template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};
}  // namespace detail

// Polls probe until it reports success, at least once and once more after the limit has passed.
// A probe returns bool (waitUntil then returns nothing) or std::optional<T> (waitUntil returns
// the T). A probe that sees that the awaited thing can no longer come throws its own error.
// The timeout names what was awaited: "timed out after 5000 ms waiting for <what>".
template <class Probe>
auto waitUntil(std::string_view what, Milliseconds limit, Probe&& probe) {
    using Result = std::invoke_result_t<Probe&>;
    static_assert(std::is_same_v<Result, bool> || detail::IsOptional<Result>::value,
                  "a probe returns bool or std::optional");
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const bool last = std::chrono::steady_clock::now() >= deadline;
        if constexpr (std::is_same_v<Result, bool>) {
            if (probe()) {
                return;
            }
        } else {
            if (auto value = probe()) {
                return std::move(*value);
            }
        }
        if (last) {
            throw WaitTimeout("timed out after " + std::to_string(limit.count()) +
                              " ms waiting for " + std::string(what));
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace velmar::robot
