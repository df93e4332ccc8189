// The formats at 10,000 customers: the table read from a tracking sheet (GBK, TAB, quoted
// notes) and from a workbook, and written as a workbook. `formats_bench --samples DIR` writes
// the same sheet and workbook to DIR instead, so bench/run can time openpyxl and Python's csv
// module on exactly these files.
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

#include "formats/delimited_text.h"
#include "formats/xlsx_reader.h"
#include "formats/xlsx_writer.h"
#include "runtime/headless/iconv_code_pages.h"
#include "services/date_format.h"

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

BENCHMARK(BM_ReadCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteXlsx)->Unit(benchmark::kMillisecond);

void write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
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
