#include "engine/failure.h"

namespace store {

const char* failure_name(StoreFailure kind) {
    switch (kind) {
        case StoreFailure::none:
            return "none";
        case StoreFailure::missing:
            return "missing";
        case StoreFailure::unreadable:
            return "unreadable";
        case StoreFailure::busy:
            return "busy";
        case StoreFailure::unavailable:
            return "unavailable";
        case StoreFailure::unreachable:
            return "unreachable";
        case StoreFailure::refused:
            return "refused";
        case StoreFailure::no_database:
            return "no_database";
        case StoreFailure::no_driver:
            return "no_driver";
        case StoreFailure::no_rights:
            return "no_rights";
        case StoreFailure::foreign_schema:
            return "foreign_schema";
        case StoreFailure::newer_schema:
            return "newer_schema";
        case StoreFailure::gone:
            return "gone";
    }
    return "unknown";
}

}  // namespace store
