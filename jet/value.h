#pragma once
// One field's value as the engine hands it out.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace jet {

struct DateTime {
    double days = 0;  // since 1899-12-30; the fraction is the time of day
    bool operator==(const DateTime&) const = default;
};

// Currency and scaled decimals, kept exact as decimal text ("-12.3400").
struct Decimal {
    std::string text;
    bool operator==(const Decimal&) const = default;
};

struct Binary {
    std::vector<std::uint8_t> bytes;
    bool operator==(const Binary&) const = default;
};

using Value = std::variant<std::monostate, bool, std::int64_t, double, DateTime, std::string,
                           Binary, Decimal>;

inline bool is_null(const Value& v) {
    return std::holds_alternative<std::monostate>(v);
}

}  // namespace jet
