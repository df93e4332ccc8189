// The formats at 10,000 customers: the table read from a tracking sheet (GBK, TAB, quoted
// notes) and from a workbook, and written as a workbook. `formats_bench --samples DIR` writes
// the same sheet and workbook to DIR instead, so bench/run can time openpyxl and Python's csv
// module on exactly these files.
//
// The hostile files of the format tests, each read as the import reads a file; and
// `formats_bench --make-csv FILE MB` / `--preview FILE`: a lifelike CSV of that size, and what
// the import dialog does before it shows (the file read, its table, the header found and the
// columns guessed), with the time it took and the process's peak memory.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

#include "formats/column_guess.h"
#include "formats/delimited_text.h"
#include "formats/import_rows.h"
#include "formats/table_file.h"
#include "formats/xlsx_reader.h"
#include "formats/xlsx_writer.h"
#include "runtime/headless/iconv_code_pages.h"
#include "services/date_format.h"
#include "tests/formats/hostile_files.h"

namespace {

constexpr int kRows = 10000;

// The export's six columns; every seventh note spans two lines.
const formats::Table& table() {
    static const formats::Table t = [] {
        formats::Table made;
        made.rows.push_back({});
        for (const char* h :
             {"序号", "客户旺旺", "我们的旺旺", "第一次咨询日期", "最后跟踪日期", "备注"})
            made.rows[0].push_back(formats::Cell::make_text(h));
        for (int i = 1; i <= kRows; ++i) {
            const double first = 41000 + i % 900;
            std::string note = "问过价格，客户" + std::to_string(i) + "说再看看";
            if (i % 7 == 0) note += "\r\n第二行";
            made.rows.push_back({formats::Cell::make_number(i),
                                 formats::Cell::make_text("tb_买家_" + std::to_string(i)),
                                 formats::Cell::make_text(i % 2 ? "小店一号" : "小店二号"),
                                 formats::Cell::make_date(first),
                                 formats::Cell::make_date(first + i % 30),
                                 formats::Cell::make_text(note)});
        }
        return made;
    }();
    return t;
}

std::vector<std::uint8_t> workbook() {
    auto bytes = formats::write_xlsx(table());
    if (!bytes) throw std::runtime_error(bytes.error().message);
    return *bytes;
}

// The tracking sheet as the export writes it.
std::vector<std::uint8_t> sheet() {
    std::string text;
    for (const auto& row : table().rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            const auto& cell = row[c];
            if (c) text += '\t';
            if (cell.kind == formats::CellKind::date) {
                text += services::format_date(cell.value, "%y-%m-%d");
            } else if (cell.kind == formats::CellKind::number) {
                text += std::to_string(static_cast<int>(cell.value));
            } else {
                text += c == 5 ? "\"" + cell.text + "\"" : cell.text;
            }
        }
        text += "\r\n";
    }
    runtime::headless::IconvCodePages code_pages;
    const std::string gbk = code_pages.utf8_to_gbk(text);
    return {gbk.begin(), gbk.end()};
}

void check_rows(std::size_t rows) {
    if (rows != kRows + 1) throw std::runtime_error("read " + std::to_string(rows) + " rows");
}

void BM_ReadCsv(benchmark::State& state) {
    const auto bytes = sheet();
    runtime::headless::IconvCodePages code_pages;
    for (auto _ : state) {
        auto read = formats::read_delimited_text(bytes, code_pages);
        if (!read) throw std::runtime_error(read.error().message);
        check_rows(read->table.rows.size());
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_ReadXlsx(benchmark::State& state) {
    const auto bytes = workbook();
    for (auto _ : state) {
        auto read = formats::read_xlsx(bytes);
        if (!read) throw std::runtime_error(read.error().message);
        check_rows(read->table.rows.size());
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_WriteXlsx(benchmark::State& state) {
    table();
    for (auto _ : state) {
        auto bytes = formats::write_xlsx(table());
        benchmark::DoNotOptimize(bytes);
    }
}

// Each hostile file read whole, as the import reads a file; each must be refused or read.
struct Hostile {
    const char* name;
    std::function<hostile::Bytes()> make;
};
const std::vector<Hostile>& hostile_files() {
    static const std::vector<Hostile> files = {
        {"one element with 200,000 attributes",
         [] { return hostile::workbook(hostile::many_attributes(200000, false)); }},
        {"2,000 merged ranges over 1,000,000 cells",
         [] { return hostile::workbook(hostile::merged_sheet(1000, 1000, 2000, false)); }},
        {"2,000 overlapping merged ranges",
         [] { return hostile::workbook(hostile::merged_sheet(1000, 1000, 2000, true)); }},
        {"50,000,000 empty lines", [] { return hostile::empty_lines(50'000'000); }},
        {"20,000,000 empty shared strings",
         [] {
             return hostile::workbook(hostile::blank_sheet(0), hostile::empty_strings(20'000'000));
         }},
        {"a part that inflates a thousandfold",
         [] { return hostile::workbook(hostile::blank_sheet(std::size_t{64} << 20)); }},
    };
    return files;
}

void BM_Hostile(benchmark::State& state) {
    const Hostile& file = hostile_files()[static_cast<std::size_t>(state.range(0))];
    const hostile::Bytes bytes = file.make();
    runtime::headless::IconvCodePages code_pages;
    for (auto _ : state) {
        auto read = formats::read_table_file(bytes, code_pages);
        benchmark::DoNotOptimize(read);
    }
    state.SetLabel(file.name);
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

void hostile_args(benchmark::internal::Benchmark* b) {
    for (std::size_t i = 0; i < hostile_files().size(); ++i)
        b->Arg(static_cast<int>(i));
}

BENCHMARK(BM_ReadCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile)->Apply(hostile_args)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteXlsx)->Unit(benchmark::kMillisecond);

void write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

namespace {

// A shop's list as a UTF-8 CSV of about `megabytes`: IDs, dates and notes of up to 300
// characters, a few over two lines.
void make_csv(const std::string& path, std::size_t megabytes) {
    std::ofstream out(path, std::ios::binary);
    out << "序号,客户旺旺,我们的旺旺,第一次咨询日期,最后跟踪日期,备注\r\n";
    std::size_t written = 0;
    for (std::size_t i = 1; written < (megabytes << 20); ++i) {
        std::string note;
        for (std::size_t k = 0; k < (i * 7919) % 100; ++k)
            note += k % 3 ? "问" : "价";
        if (i % 9 == 0) note += "\r\n第二行";
        const std::string line = std::to_string(i) + ",tb_买家_" + std::to_string(i * 31) +
                                 (i % 2 ? ",小店一号," : ",小店二号,") + "2014-5-" +
                                 std::to_string(1 + i % 28) + ",2014-6-" +
                                 std::to_string(1 + i % 28) + ",\"" + note + "\"\r\n";
        out << line;
        written += line.size();
    }
    if (!out) throw std::runtime_error("cannot write " + path);
}

// What the import dialog does before it shows: prints the rows, the time and the peak memory.
int preview(const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    runtime::headless::IconvCodePages code_pages;
    auto file = formats::read_table_file(bytes, code_pages);
    if (!file) throw std::runtime_error(file.error().message);
    const auto header = formats::find_header_row(file->table);
    if (!header) throw std::runtime_error("no header found");
    const auto columns = formats::guess_columns(file->table.rows[*header]);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("preview %zu bytes: %zu rows, %zu columns guessed, %.0f ms, peak %.0f MiB\n",
                bytes.size(), file->table.rows.size(), columns.size(), ms,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--make-csv") == 0) {
        make_csv(argv[2], std::stoul(argv[3]));
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--preview") == 0) return preview(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--samples") == 0) {
        write(std::string(argv[2]) + "/formats10k.xls", sheet());
        write(std::string(argv[2]) + "/formats10k.xlsx", workbook());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
