#include "formats/number_formats.h"

namespace formats {

namespace {

bool builtin_date(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

bool code_is_date(std::string_view code) {
    for (std::size_t i = 0; i < code.size(); ++i) {
        switch (code[i]) {
            case '"': {
                const std::size_t close = code.find('"', i + 1);
                if (close == std::string_view::npos) return false;
                i = close;
                break;
            }
            case '[': {
                const std::size_t close = code.find(']', i + 1);
                if (close == std::string_view::npos) return false;
                i = close;
                break;
            }
            // The next character is shown as it is, or as padding.
            case '\\':
            case '_':
            case '*':
                ++i;
                break;
            case 'd':
            case 'D':
            case 'm':
            case 'M':
            case 'y':
            case 'Y':
            case 'h':
            case 'H':
            case 's':
            case 'S':
                return true;
            default:
                break;
        }
    }
    return false;
}

}  // namespace

bool is_date_format(int id, std::optional<std::string_view> code) {
    if (code) return code_is_date(*code);
    return builtin_date(id);
}

}  // namespace formats
