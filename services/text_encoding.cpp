#include "services/text_encoding.h"

#include "runtime/platform.h"

namespace services {

std::string to_utf8(runtime::CodePageAdapter& code_pages, std::string_view gbk) {
    std::string utf8 = code_pages.gbk_to_utf8(gbk);
    if (const auto zero = utf8.find('\0'); zero != std::string::npos) utf8.resize(zero);
    return utf8;
}

std::string to_utf8(std::string_view gbk) {
    return to_utf8(runtime::platform().code_pages(), gbk);
}

std::string to_gbk(runtime::CodePageAdapter& code_pages, std::string_view utf8) {
    return code_pages.utf8_to_gbk(utf8);
}

std::string to_gbk(std::string_view utf8) {
    return to_gbk(runtime::platform().code_pages(), utf8);
}

}  // namespace services
