#pragma once
// Errors of the format readers and writers. They travel as the engine's error values, so the
// caller looks at them the same way; the message is plain Chinese the user can be shown.
#include <string>

#include "jet/result.h"

namespace formats {

using jet::Errc;
using jet::Error;
using jet::Result;
using jet::Status;

// A file that cannot be what it claims: cut off, inconsistent, malformed.
inline Error damaged(std::string message) {
    return jet::make_error(Errc::corrupt, std::move(message));
}
// A well-formed file using a feature these readers leave out on purpose.
inline Error unsupported(std::string message) {
    return jet::make_error(Errc::unsupported_version, std::move(message));
}
// Beyond a size limit that guards memory.
inline Error too_large(std::string message) {
    return jet::make_error(Errc::full, std::move(message));
}
inline Error missing(std::string message) {
    return jet::make_error(Errc::not_found, std::move(message));
}
inline Error invalid_value(std::string message) {
    return jet::make_error(Errc::type_mismatch, std::move(message));
}

}  // namespace formats
