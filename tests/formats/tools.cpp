#include "tests/formats/tools.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tests/jet/run_command.h"

namespace format_tests {

namespace fs = std::filesystem;

namespace {

struct Scratch {
    std::string path;
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "lq_formats_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("no scratch folder");
        path = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

std::string find_python(const char* check) {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        int status = -1;
        testing_support::run_command(
            std::string(candidate) + " -c " + quoted(check) + " >/dev/null 2>&1", &status);
        if (status == 0) return candidate;
    }
    return {};
}

}  // namespace

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

const std::string& scratch() {
    static const Scratch folder;
    return folder.path;
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void write_text(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

Run python(const std::string& interpreter, const std::string& script,
           const std::vector<std::string>& args) {
    static int count = 0;
    const std::string file = scratch() + "/script" + std::to_string(++count) + ".py";
    write_text(file, script);
    std::string command = interpreter + " " + quoted(file);
    for (const auto& a : args)
        command += " " + quoted(a);
    Run run;
    run.out = testing_support::run_command(command, &run.status);
    return run;
}

const std::string& openpyxl_python() {
    static const std::string found = find_python("import openpyxl");
    return found;
}

const std::string& plain_python() {
    static const std::string found = find_python("import zipfile");
    return found;
}

bool have_soffice() {
    int status = -1;
    testing_support::run_command("command -v soffice >/dev/null 2>&1", &status);
    return status == 0;
}

bool soffice_convert(const std::vector<std::string>& files, const std::string& to,
                     const std::string& out_dir, const std::string& in_filter) {
    std::string command =
        "soffice --headless --norestore -env:UserInstallation=file://" + scratch() + "/lo_profile";
    if (!in_filter.empty()) command += " --infilter=" + quoted(in_filter);
    command += " --convert-to " + quoted(to) + " --outdir " + quoted(out_dir);
    for (const auto& f : files)
        command += " " + quoted(f);
    int status = -1;
    testing_support::run_command(command + " >/dev/null 2>&1", &status);
    if (status != 0) return false;
    for (const auto& f : files) {
        const fs::path expected =
            fs::path(out_dir) / fs::path(f).stem().concat("." + to.substr(0, to.find(':')));
        if (!fs::exists(expected)) return false;
    }
    return true;
}

}  // namespace format_tests

namespace formats {

void PrintTo(const Cell& cell, std::ostream* os) {
    switch (cell.kind) {
        case CellKind::empty:
            *os << "-";
            break;
        case CellKind::text:
            *os << "t:\"" << cell.text << "\"";
            break;
        case CellKind::number:
        case CellKind::percent:
            *os << "n:" << cell.value;
            break;
        case CellKind::date:
            *os << "d:" << cell.value;
            break;
    }
}

void PrintTo(const Table& table, std::ostream* os) {
    for (const Row& row : table.rows) {
        *os << "\n  [";
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i) *os << ", ";
            PrintTo(row[i], os);
        }
        *os << "]";
    }
}

}  // namespace formats
