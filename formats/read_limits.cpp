#include "formats/read_limits.h"

namespace formats {

std::string grouped(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

Error over_rows(std::size_t max_rows) {
    return too_large("文件太大：最多可以导入 " + grouped(max_rows) +
                     " 行（空行也算），这个文件超过了。请把它分成几个文件，一个一个导入。");
}

Error over_cells(std::size_t max_cells) {
    return too_large("文件太大：最多可以导入 " + grouped(max_cells) +
                     " 个单元格（空单元格、空行也算），这个文件超过了。请把它分成几个文件，一个一个"
                     "导入。");
}

Error over_unpacked(std::size_t max_bytes) {
    return too_large("文件太大：工作簿解压后最多可以有 " + grouped(max_bytes >> 20) +
                     " MB，这个工作簿超过了。请另存为 CSV 或分成几个文件再导入。");
}

Error over_ratio(std::string_view part, std::size_t max_ratio) {
    return too_large("文件太大：工作簿里的“" + std::string(part) + "”解压后是压缩时的 " +
                     grouped(max_ratio) +
                     " 倍以上，正常的表格不会这样，可能是恶意构造的文件。没有导入。");
}

Error out_of_memory() {
    return too_large(
        "内存不够，读不完这个文件，一位客户也没有导入。请关掉别的程序，或把文件分成几个"
        "再导入。");
}

}  // namespace formats
