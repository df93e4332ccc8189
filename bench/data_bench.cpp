// Importing 10,000 rows into a shop of 10,000 customers and exporting 10,000 customers as a
// workbook, on real files on disk, each step the one the program takes:
//  - import: the file read whole, its kind told apart and its table read, the header found and
//    each column's meaning guessed, the rows turned into customers (IDs cleaned as the editor
//    cleans them), then added in one transaction with the duplicate test for every row. The
//    copy kept before an import is timed on its own. The rows come as the program's own
//    tracking sheet (GBK, TAB), as the program's own workbook, and, given `--openpyxl FILE`,
//    as the same workbook written anew by openpyxl; a tenth of them are stored already.
//  - export: the list load of the open customers, the list's order built and shown, the sheet
//    lines gathered as every reload with an export pending gathers them, the workbook built
//    and put in place of an older one (flushed, then renamed).
// `data_bench --samples DIR` writes the sheet and the workbook to DIR and exits, so that
// bench/run can have openpyxl write its copy.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "app/list_order.h"
#include "app/tracking_sheet.h"
#include "app/workbook_export.h"
#include "bench/shop_customers.h"
#include "dialogs/id_text.h"
#include "formats/import_rows.h"
#include "formats/table_file.h"
#include "jet/file_system.h"
#include "jet/text.h"
#include "runtime/headless/backend.h"
#include "store/backup.h"
#include "store/customer_actions.h"
#include "store/provision.h"

namespace {

constexpr int kStored = 10000;
constexpr int kImported = 10000;
constexpr int kExported = 10000;
// Every tenth row of the file is a customer stored already, its IDs typed in another case.
constexpr int kAlreadyStoredEvery = 10;

std::string openpyxl_file;

// The program's platform: real files, the code pages through iconv.
runtime::headless::Backend& backend() {
    static runtime::headless::Backend made;
    return made;
}

std::string work_dir() {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string d = std::string(tmp && *tmp ? tmp : "/tmp") + "/lq_data_bench_" +
                        std::to_string(::getpid());
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> read_file(const std::string& path) {
    auto bytes = backend().files().read(path, 1ull << 30);
    if (!bytes) throw std::runtime_error("cannot read " + path);
    return *bytes;
}

const std::vector<store::CustomerRow>& stored_shop() {
    static const auto made = bench::shop_customers(kStored, 7);
    return made;
}

const std::vector<std::uint8_t>& stored_database() {
    static const auto made = bench::shop_database(stored_shop());
    return made;
}

// The rows of the file, as the list of another copy of the program showed them.
const app::SheetRows& imported_rows() {
    static const app::SheetRows made = [] {
        auto others = bench::shop_customers(kImported, 11);
        const auto& stored = stored_shop();
        app::SheetRows rows;
        for (std::size_t i = 0; i < others.size(); ++i) {
            store::CustomerRow c = others[i];
            if (i % kAlreadyStoredEvery == 0) {
                const auto& known = stored[(i * 7) % stored.size()];
                c.buyer = jet::fold_case(known.buyer);
                c.our_id = known.our_id;
            }
            rows.emplace_back(i + 1, std::move(c));
        }
        return rows;
    }();
    return made;
}

// The tracking sheet the program exports, its header and lines as it writes them.
std::vector<std::uint8_t> tracking_sheet() {
    std::string lines;
    for (const auto& [number, c] : imported_rows())
        lines += app::sheet_line(app::kOpenSheet, number, c);
    return app::build_sheet(lines, app::kOpenSheet);
}

std::vector<std::uint8_t> our_workbook() {
    auto bytes = app::build_workbook(app::kOpenSheet, imported_rows());
    if (!bytes) throw std::runtime_error(bytes.error().message);
    return *bytes;
}

// The file of each source, written once.
std::string source_file(int source) {
    static std::string paths[3];
    std::string& path = paths[source];
    if (!path.empty()) return path;
    switch (source) {
        case 0:
            path = work_dir() + "/import10k.xls";
            write_file(path, tracking_sheet());
            break;
        case 1:
            path = work_dir() + "/import10k.xlsx";
            write_file(path, our_workbook());
            break;
        default:
            if (openpyxl_file.empty()) throw std::runtime_error("no --openpyxl FILE given");
            path = openpyxl_file;
            break;
    }
    return path;
}

const char* const kSourceNames[] = {"tracking sheet", "our workbook", "openpyxl workbook"};

// A fresh copy of the shop of 10,000 for each import, with no copies kept beside it yet.
std::string fresh_database() {
    const std::string path = work_dir() + "/yrkb_com.db";
    write_file(path, stored_database());
    std::filesystem::remove_all(store::backup_folder(path));
    return path;
}

// The rows brought in, as the dialog's "导入" takes them with the guessed columns.
struct Imported {
    formats::ImportResult rows;
    store::ImportReport report;
};

formats::Table read_table(const std::string& file) {
    auto bytes = backend().files().read(file, 256ull << 20);
    if (!bytes) throw std::runtime_error("cannot read " + file);
    auto read = formats::read_table_file(*bytes);
    if (!read) throw std::runtime_error(read.error().message);
    return std::move(read->table);
}

formats::ImportResult customers_of(const formats::Table& table) {
    const auto header = formats::find_header_row(table);
    if (!header) throw std::runtime_error("no header found");
    const auto columns = formats::guess_columns(table.rows[*header]);
    formats::ImportOptions options;
    options.clean_id = [](std::string_view t) { return dialogs::clean_id_text(t); };
    auto rows = formats::import_rows(table, columns, options);
    if (!rows) throw std::runtime_error(rows.error().message);
    return std::move(*rows);
}

store::ImportReport store_customers(const formats::ImportResult& rows,
                                    const std::string& database) {
    std::vector<store::ImportCandidate> candidates;
    candidates.reserve(rows.customers.size());
    for (const auto& customer : rows.customers)
        candidates.push_back({customer.fields, std::nullopt});
    store::StoreConnection c;
    store::RowSet rs;
    store::ImportReport report;
    const auto result =
        store::import_customers(c, rs, {database, store::kDatabasePassword}, candidates, report);
    if (!result) throw std::runtime_error("the import failed: " + c.last_error() + rs.last_error());
    return report;
}

Imported import_file(const std::string& file, const std::string& database) {
    Imported out{customers_of(read_table(file)), {}};
    out.report = store_customers(out.rows, database);
    return out;
}

// Every row of the file accounted for: the stored ones skipped, the rest added, none refused.
void check_import(const Imported& done) {
    const std::size_t expected_known = (kImported + kAlreadyStoredEvery - 1) / kAlreadyStoredEvery;
    if (!done.rows.refused.empty())
        throw std::runtime_error("refused: " + done.rows.refused.front().text);
    if (done.rows.customers.size() != static_cast<std::size_t>(kImported) ||
        done.report.already_stored.size() < expected_known ||
        done.report.added + static_cast<int>(done.report.already_stored.size()) != kImported)
        throw std::runtime_error("rows lost: " + std::to_string(done.rows.customers.size()) +
                                 " read, " + std::to_string(done.report.added) + " added, " +
                                 std::to_string(done.report.already_stored.size()) +
                                 " stored already");
}

void BM_Import(benchmark::State& state) {
    const int source = static_cast<int>(state.range(0));
    const std::string file = source_file(source);
    Imported done;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string database = fresh_database();
        state.ResumeTiming();
        done = import_file(file, database);
    }
    check_import(done);
    // The store must hold them: one list load counts the shop after the last import.
    store::StoreConnection c;
    store::RowSet rs;
    const std::string database = work_dir() + "/yrkb_com.db";
    const auto open = store::count_customers(c, rs, {database, store::kDatabasePassword}, false);
    const auto closed = store::count_customers(c, rs, {database, store::kDatabasePassword}, true);
    if (!open || !closed || *open + *closed != kStored + done.report.added)
        throw std::runtime_error("the store does not hold the imported customers");
    state.SetLabel(kSourceNames[source]);
    state.counters["added"] = done.report.added;
    state.counters["stored_already"] = static_cast<double>(done.report.already_stored.size());
}

// The import's steps one by one, from the tracking sheet: the file read into a table, the
// table turned into customers, the customers stored with the duplicate test.
void BM_ImportStep(benchmark::State& state) {
    const int step = static_cast<int>(state.range(0));
    const std::string file = source_file(0);
    const formats::Table table = read_table(file);
    const formats::ImportResult rows = customers_of(table);
    std::size_t count = 0;
    for (auto _ : state) {
        if (step == 0) {
            count = read_table(file).rows.size();
        } else if (step == 1) {
            count = customers_of(table).customers.size();
        } else {
            state.PauseTiming();
            const std::string database = fresh_database();
            state.ResumeTiming();
            count = static_cast<std::size_t>(store_customers(rows, database).added);
        }
    }
    static const char* const kSteps[] = {"read the file", "rows to customers", "store them"};
    state.SetLabel(kSteps[step]);
    state.counters["rows"] = static_cast<double>(count);
}

// The copy the import keeps first, so that a regretted import can be undone.
void BM_ImportBackup(benchmark::State& state) {
    jet::OsFileSystem fs;
    const jet::CivilDate today{2026, 12, 9};
    for (auto _ : state) {
        state.PauseTiming();
        const std::string database = fresh_database();
        state.ResumeTiming();
        auto kept = store::back_up(fs, database, store::backup_folder(database), today);
        if (!kept) throw std::runtime_error("the backup failed: " + kept.error().message);
    }
}

// 12,500 customers of whom every fifth is closed: 10,000 on the open list.
const std::string& export_database() {
    static const std::string path = [] {
        const std::string p = work_dir() + "/export.db";
        write_file(p, bench::shop_database(bench::shop_customers(kExported * 5 / 4, 13)));
        return p;
    }();
    return path;
}

// What "导出文档" runs once the place is chosen: a reload that gathers the sheet, the workbook
// built from the rows shown and put in place of the file there.
void BM_ExportWorkbook(benchmark::State& state) {
    const store::StoreLocation where{export_database(), store::kDatabasePassword};
    const std::string target = work_dir() + "/export10k.xlsx";
    store::StoreConnection c;
    store::RowSet rs;
    std::size_t exported = 0;
    std::size_t size = 0;
    for (auto _ : state) {
        auto customers = store::load_customers(c, rs, where, false);
        if (!customers) throw std::runtime_error("the list did not load: " + c.last_error());
        app::ListOrder order(std::move(*customers), &runtime::platform().code_pages());
        const auto shown = order.shown(app::ListQuery{});
        // The sheet lists the rows shown, the last first, each with its running number.
        app::SheetRows rows;
        rows.reserve(shown.size());
        for (std::size_t r = shown.size(); r-- > 0;)
            rows.emplace_back(r + 1, order.customers()[shown[r]]);
        std::string lines;
        for (const auto& [number, customer] : rows)
            lines += app::sheet_line(app::kOpenSheet, number, customer);
        benchmark::DoNotOptimize(lines.data());
        auto workbook = app::build_workbook(app::kOpenSheet, rows);
        if (!workbook) throw std::runtime_error(workbook.error().message);
        if (!runtime::platform().files().replace(target, *workbook))
            throw std::runtime_error("cannot write " + target);
        exported = rows.size();
        size = workbook->size();
    }
    if (exported != static_cast<std::size_t>(kExported))
        throw std::runtime_error("exported " + std::to_string(exported) + " customers");
    // The workbook written reads back whole.
    auto back = formats::read_table_file(read_file(target));
    if (!back || back->table.rows.size() != static_cast<std::size_t>(kExported) + 1)
        throw std::runtime_error("the exported workbook does not read back whole");
    state.counters["customers"] = static_cast<double>(exported);
    state.counters["bytes"] = static_cast<double>(size);
}

// The workbook alone, from rows in memory: what the export pays beyond the list load.
void BM_BuildWorkbook(benchmark::State& state) {
    const auto& rows = imported_rows();
    for (auto _ : state) {
        auto workbook = app::build_workbook(app::kOpenSheet, rows);
        if (!workbook) throw std::runtime_error(workbook.error().message);
        benchmark::DoNotOptimize(workbook->data());
    }
}

void sources(benchmark::internal::Benchmark* b) {
    b->Arg(0)->Arg(1);
}

BENCHMARK(BM_Import)->Apply(sources)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportStep)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportBackup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportWorkbook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildWorkbook)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    backend();
    if (argc == 3 && std::strcmp(argv[1], "--samples") == 0) {
        write_file(std::string(argv[2]) + "/import10k.xls", tracking_sheet());
        write_file(std::string(argv[2]) + "/import10k.xlsx", our_workbook());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--openpyxl") == 0) openpyxl_file = argv[i + 1];
    if (!openpyxl_file.empty())
        benchmark::RegisterBenchmark("BM_Import", BM_Import)->Arg(2)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(work_dir());
    return 0;
}
