#pragma once
// The real programs the format tests check against: Python's zipfile, openpyxl and LibreOffice,
// and a scratch folder for the files they exchange.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "formats/table.h"

namespace format_tests {

// A folder of its own for this test process, removed at exit.
const std::string& scratch();

std::vector<std::uint8_t> read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void write_text(const std::string& path, const std::string& text);

// Runs a Python script with the arguments; what it printed, and its exit status.
struct Run {
    std::string out;
    int status = -1;
};
Run python(const std::string& interpreter, const std::string& script,
           const std::vector<std::string>& args);
// A Python 3 with openpyxl, or "" when there is none.
const std::string& openpyxl_python();
// Any Python 3, or "".
const std::string& plain_python();

// Whether LibreOffice's soffice is installed.
bool have_soffice();
// Converts each file with soffice --convert-to `to` into `out_dir`, in one run with a profile
// of its own; `in_filter` (may be empty) says how to read the inputs. True on success.
bool soffice_convert(const std::vector<std::string>& files, const std::string& to,
                     const std::string& out_dir, const std::string& in_filter = "");

std::string quoted(const std::string& s);

}  // namespace format_tests

namespace formats {
// Tables in failure messages: one row a line, each cell as kind:value.
void PrintTo(const Cell& cell, std::ostream* os);
void PrintTo(const Table& table, std::ostream* os);
}  // namespace formats
