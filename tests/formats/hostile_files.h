#pragma once
// Files made to hang a reader or eat its memory, generated in memory so that the repository
// keeps only small seeds of them. bench/formats_bench reads the same files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

using Bytes = std::vector<std::uint8_t>;

// A workbook of the given parts plus the package, workbook and relationship parts that make
// `sheet` its first sheet and `strings` its shared strings.
Bytes workbook(const std::string& sheet, const std::string& strings = "",
               const std::vector<std::pair<std::string, Bytes>>& more = {});

// One element (the sheet's root) with `count` attributes; the last repeats the first when
// `repeat_last`.
std::string many_attributes(std::size_t count, bool repeat_last);
// `rows` x `columns` number cells and merged ranges of `merge_width` cells along each row;
// `overlapping` makes every range the same big one instead.
std::string merged_sheet(std::size_t rows, std::size_t columns, std::size_t merges,
                         bool overlapping);
// `count` empty shared strings.
std::string empty_strings(std::size_t count);
// A sheet whose data is `blank_bytes` of blanks: a part that inflates a thousandfold.
std::string blank_sheet(std::size_t blank_bytes);
// `lines` empty lines of text.
Bytes empty_lines(std::size_t lines);

}  // namespace hostile
