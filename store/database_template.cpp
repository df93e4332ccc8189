#include "store/database_template.h"

#include "database_template.inc"

namespace store {

static_assert(sizeof k_database_template == kDatabaseTemplateSize);

std::span<const std::uint8_t> database_template() {
    return {k_database_template, sizeof k_database_template};
}

}  // namespace store
