#include "runtime/headless/iconv_code_pages.h"

namespace runtime::headless {

IconvCodePages::IconvCodePages() : to_gbk_("GB18030", "UTF-8"), to_utf8_("UTF-8", "GB18030") {}

std::string IconvCodePages::utf8_to_gbk(std::string_view utf8) {
    return to_gbk_.convert(utf8);
}

std::string IconvCodePages::gbk_to_utf8(std::string_view gbk) {
    return to_utf8_.convert(gbk);
}

}  // namespace runtime::headless
