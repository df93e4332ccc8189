#pragma once
// The values Engine::read_columns hands over, as the program keeps them: a missing or other
// value reads as empty or 0, as RowSet reads it.
#include <cstdint>
#include <string>
#include <variant>

#include "jet/value.h"

namespace store {

// The text in a string of its own size. A text decoded from the file sits in a buffer sized
// for the longest text its bytes could make, twice what a Chinese note needs: a hundred
// thousand rows kept that way hold megabytes of nothing. The value keeps its buffer for the
// next row.
inline std::string exact_text(const jet::Value& v) {
    const auto* t = std::get_if<std::string>(&v);
    return t ? std::string(*t) : std::string();
}

// The text copied into `to`, whose buffer is reused.
inline void copy_text(const jet::Value& v, std::string& to) {
    const auto* t = std::get_if<std::string>(&v);
    if (t)
        to.assign(*t);
    else
        to.clear();
}

inline double date_in(const jet::Value& v) {
    const auto* d = std::get_if<jet::DateTime>(&v);
    return d ? d->days : 0.0;
}

inline std::int32_t number_in(const jet::Value& v) {
    const auto* n = std::get_if<std::int64_t>(&v);
    return n ? static_cast<std::int32_t>(*n) : 0;
}

}  // namespace store
