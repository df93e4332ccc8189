#pragma once
// Whose status an answer is: a customer's row id together with the 旺旺 ID asked for, so that
// an answer for an ID the customer no longer has never lands on the customer.
#include <compare>
#include <cstdint>
#include <string>

namespace services {

struct StatusKey {
    std::int32_t customer = 0;
    std::string wang;

    auto operator<=>(const StatusKey&) const = default;
    bool operator==(const StatusKey&) const = default;
};

}  // namespace services
