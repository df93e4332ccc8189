#include "tools/jetdump/check.h"

#include "jet/database.h"

namespace jetdump {

std::vector<std::string> check_file(jet::File& file) {
    std::vector<std::string> faults;
    auto pager = jet::Pager::open(file);
    if (!pager) return {pager.error().message};
    return faults;
}

}  // namespace jetdump
