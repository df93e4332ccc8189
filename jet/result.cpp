#include "jet/result.h"

namespace jet {

const char* errc_name(Errc code) {
    switch (code) {
        case Errc::io:
            return "i/o error";
        case Errc::not_found:
            return "not found";
        case Errc::not_a_database:
            return "not a database";
        case Errc::unsupported_version:
            return "unsupported version";
        case Errc::wrong_password:
            return "wrong password";
        case Errc::corrupt:
            return "corrupt file";
        case Errc::bad_query:
            return "bad query";
        case Errc::type_mismatch:
            return "type mismatch";
        case Errc::read_only:
            return "read-only";
        case Errc::busy:
            return "busy";
        case Errc::full:
            return "full";
        case Errc::exists:
            return "exists";
    }
    return "error";
}

}  // namespace jet
