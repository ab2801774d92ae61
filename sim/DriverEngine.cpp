#include "sim/DriverEngine.h"

#include "sim/Utf.h"

namespace velmar::sim {

namespace {

constexpr char16_t kNoErrors[] = u"Ошибок нет";
constexpr char16_t kNoLink[] = u"Нет связи";
constexpr char16_t kCloudParamsFailure[] = u"Не удалось прочитать параметры облачной кассы";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Reverses logText, which keeps each value on its line.
std::optional<std::u16string> unescapeLogText(std::string_view text) {
    std::string plain;
    std::u16string out;
    auto flush = [&]() -> bool {
        auto part = utf8ToUtf16(plain);
        if (!part) {
            return false;
        }
        out += *part;
        plain.clear();
        return true;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            plain += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
            case '\\':
                plain += '\\';
                break;
            case 'n':
                plain += '\n';
                break;
            case 'r':
                plain += '\r';
                break;
            case 't':
                plain += '\t';
                break;
            case 'u': {
                if (i + 4 >= text.size()) {
                    return std::nullopt;
                }
                char16_t unit = 0;
                for (int k = 1; k <= 4; ++k) {
                    const int d = hexDigit(text[i + k]);
                    if (d < 0) {
                        return std::nullopt;
                    }
                    unit = static_cast<char16_t>(unit * 16 + d);
                }
                if (!flush()) {
                    return std::nullopt;
                }
                out += unit;
                i += 4;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    if (!flush()) {
        return std::nullopt;
    }
    return out;
}

}  // namespace

std::string serializeDeviceState(const DeviceState& state) {
    std::string out;
    auto put = [&out](std::string_view key, std::string_view value) {
        out.append(key).append("=").append(value).append("\n");
    };
    put("registerAnswers", state.registerAnswers ? "1" : "0");
    put("description", logText(state.description));
    put("failCloudParams", state.failCloudParams ? "1" : "0");
    put("cloudEnabled", state.cloudEnabled ? "1" : "0");
    put("ecrid", logText(state.ecrid));
    return out;
}

DeviceState parseDeviceState(std::string_view text) {
    DeviceState state;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        auto setFlag = [&](bool& flag) {
            if (value == "0" || value == "1") {
                flag = value == "1";
            }
        };
        auto setText = [&](std::u16string& field) {
            if (auto decoded = unescapeLogText(value)) {
                field = std::move(*decoded);
            }
        };
        if (key == "registerAnswers") {
            setFlag(state.registerAnswers);
        } else if (key == "description") {
            setText(state.description);
        } else if (key == "failCloudParams") {
            setFlag(state.failCloudParams);
        } else if (key == "cloudEnabled") {
            setFlag(state.cloudEnabled);
        } else if (key == "ecrid") {
            setText(state.ecrid);
        }
    }
    return state;
}

DriverEngine::DriverEngine(DeviceState state) : state_(std::move(state)) {
    succeed();
}

void DriverEngine::succeed() {
    last_ = {0, kNoErrors};
}

void DriverEngine::deviceMetrics() {
    if (state_.registerAnswers) {
        succeed();
        uDescription_ = state_.description;
    } else {
        last_ = {kNoLinkCode, kNoLink};
        uDescription_.clear();
    }
}

std::int32_t DriverEngine::cloudCashdeskParams() {
    // Reads the driver's own settings: it works whether or not the register answers.
    if (state_.failCloudParams) {
        last_ = {kCloudParamsFailureCode, kCloudParamsFailure};
    } else {
        succeed();
    }
    return last_.code;
}

void DriverEngine::dialogClosed() {
    succeed();
}

Registration DriverEngine::registerAtService(std::uint64_t entropy) {
    if (!state_.cloudEnabled) {
        return Registration::ServiceOff;
    }
    if (!state_.registerAnswers) {
        return Registration::NoLink;
    }
    state_.ecrid = makeEcrid(entropy);
    return Registration::Done;
}

std::u16string makeEcrid(std::uint64_t entropy) {
    // splitmix64: neighbouring inputs (clock ticks) still give unrelated identifiers.
    auto next = [&entropy] {
        std::uint64_t z = (entropy += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    std::u16string id;
    id += static_cast<char16_t>(u'1' + next() % 9);
    while (id.size() < 16) {
        id += static_cast<char16_t>(u'0' + next() % 10);
    }
    return id;
}

}  // namespace velmar::sim
