// Files made to hang a reader or to eat its memory. Each is read in a child process whose
// address space is capped, so a reader that takes too much fails the test instead of the
// machine; the time each takes is printed, and held to a generous limit (bench/formats_bench
// keeps the figures).
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "formats/table_file.h"
#include "formats/xlsx_reader.h"
#include "formats/xml_reader.h"
#include "runtime/headless/iconv_code_pages.h"
#include "tests/formats/hostile_files.h"

namespace format_tests {
namespace {

// Generous beside the figures measured here, all under a quarter of a second.
#if defined(__SANITIZE_ADDRESS__)
// An unoptimised build under the sanitizers runs these readers ten to twenty times slower;
// there the bounds on memory and the refusals are what is checked.
constexpr double kTimeLimitMs = 120000;
#else
constexpr double kTimeLimitMs = 5000;
#endif
// Beyond what the process has mapped when the child starts.
constexpr std::size_t kCeilingMb = 768;

struct Outcome {
    std::string verdict;  // what the child reported: "ok …" or the reader's message
    double ms = 0;
    long peak_mb = 0;  // resident set growth in the child
};

long resident_kb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

[[maybe_unused]] long mapped_bytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    statm >> size;
    return size * ::sysconf(_SC_PAGESIZE);
}

// Runs `read` in a child under the address-space ceiling; its verdict, time and memory.
Outcome in_child(const std::function<std::string()>& read, std::size_t ceiling_mb = kCeilingMb) {
    int pipe_ends[2];
    EXPECT_EQ(::pipe(pipe_ends), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe_ends[0]);
#if defined(__SANITIZE_ADDRESS__)
        // The sanitizers reserve terabytes of shadow; they run without the ceiling.
        (void)ceiling_mb;
#else
        const rlim_t ceiling = static_cast<rlim_t>(mapped_bytes()) + (rlim_t{ceiling_mb} << 20);
        const rlimit limit{ceiling, ceiling};
        ::setrlimit(RLIMIT_AS, &limit);
#endif
        const long before = resident_kb();
        const auto start = std::chrono::steady_clock::now();
        std::string verdict;
        try {
            verdict = read();
        } catch (const std::exception& e) {
            verdict = std::string("exception: ") + e.what();
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        const std::string report = std::to_string(ms) + "\n" +
                                   std::to_string((usage.ru_maxrss - before) / 1024) + "\n" +
                                   verdict;
        (void)!::write(pipe_ends[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipe_ends[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe_ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child died: " << status;
    Outcome out;
    const std::size_t first = report.find('\n'), second = report.find('\n', first + 1);
    if (first == std::string::npos || second == std::string::npos) return out;
    out.ms = std::stod(report.substr(0, first));
    out.peak_mb = std::stol(report.substr(first + 1, second - first - 1));
    out.verdict = report.substr(second + 1);
    return out;
}

std::string verdict_of(const formats::Result<formats::TableFile>& file) {
    if (!file) return file.error().message;
    std::size_t cells = 0;
    for (const auto& row : file->table.rows)
        cells += row.size();
    return "ok " + std::to_string(file->table.rows.size()) + " rows " + std::to_string(cells) +
           " cells";
}

std::string read_file_bytes(const hostile::Bytes& bytes) {
    runtime::headless::IconvCodePages code_pages;
    return verdict_of(formats::read_table_file(bytes, code_pages));
}

std::string read_with(const hostile::Bytes& bytes, const formats::XlsxLimits& limits) {
    auto sheet = formats::read_xlsx(bytes, limits);
    return sheet ? std::string("ok") : sheet.error().message;
}

TEST(HostileFiles, EveryReaderIsLinearAndBounded) {
    using hostile::Bytes;
    const Bytes bomb = hostile::workbook(hostile::blank_sheet(std::size_t{64} << 20));
    const Bytes strings =
        hostile::workbook(hostile::blank_sheet(0), hostile::empty_strings(20'000'000));
    formats::XlsxLimits ratio_let_through, small_total;
    ratio_let_through.zip.max_ratio = 100000;
    small_total.zip.max_total_size = std::size_t{1} << 20;
    const std::string attributes = hostile::many_attributes(200000, true);
    struct Case {
        std::string name;
        Bytes input;  // made before the clock starts
        std::function<std::string(const Bytes&)> read;
        std::string verdict;  // the start of the message, or of "ok …"
    };
    const std::vector<Case> cases = {
        {"one element with 200,000 attributes",
         hostile::workbook(hostile::many_attributes(200000, false)), read_file_bytes, "ok 0 rows"},
        {"the same, its last attribute a repeat",
         {},
         [&attributes](const Bytes&) {
             formats::XmlReader reader(attributes);
             auto event = reader.next();
             return event ? std::string("read") : event.error().message;
         },
         "XML 第1行：属性a0出现了两次"},
        {"2,000 merged ranges over 1,000,000 cells",
         hostile::workbook(hostile::merged_sheet(1000, 1000, 2000, false)), read_file_bytes,
         "ok 1000 rows 501000 cells"},
        {"2,000 ranges over the same 1,000,000 cells",
         hostile::workbook(hostile::merged_sheet(1000, 1000, 2000, true)), read_file_bytes,
         "合并单元格A1:ALL1000和A1:ALL1000互相重叠"},
        {"50,000,000 empty lines", hostile::empty_lines(50'000'000), read_file_bytes,
         "文件太大：最多可以导入 1,000,000 行"},
        {"20,000,000 empty shared strings", strings, read_file_bytes,
         "文件太大：工作簿里的“xl/sharedStrings.xml”解压后是压缩时的 200 倍以上"},
        {"the same, the ratio let through", strings,
         [&](const Bytes& b) { return read_with(b, ratio_let_through); },
         "文件太大：最多可以导入 4,194,304 个单元格"},
        {"a sheet that inflates a thousandfold", bomb, read_file_bytes,
         "文件太大：工作簿里的“xl/worksheets/sheet1.xml”解压后是压缩时的 200 倍以上"},
        {"that bomb nested twice inside a sound workbook",
         hostile::workbook(
             hostile::blank_sheet(0), "",
             {{"xl/embeddings/outer.zip", hostile::workbook(hostile::blank_sheet(0), "",
                                                            {{"xl/embeddings/inner.zip", bomb}})}}),
         read_file_bytes, "ok 0 rows"},
        {"parts that together unpack past the total",
         hostile::workbook(hostile::blank_sheet(700'000), hostile::empty_strings(100'000)),
         [&](const Bytes& b) { return read_with(b, small_total); },
         "文件太大：工作簿解压后最多可以有 1 MB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome out = in_child([&c] { return c.read(c.input); });
        std::printf("  %-48s %7zu KB %8.1f ms %5ld MB  %s\n", c.name.c_str(), c.input.size() / 1024,
                    out.ms, out.peak_mb, out.verdict.substr(0, 45).c_str());
        EXPECT_TRUE(out.verdict.starts_with(c.verdict)) << out.verdict;
        EXPECT_LT(out.ms, kTimeLimitMs);
    }
}

// A sound file too large for the memory left: the reader says so and the process goes on.
TEST(HostileFiles, MemoryRunningOutIsSaidNotFatal) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers run without an address-space ceiling";
#endif
    std::string csv = "客户旺旺,我们的旺旺,咨询日期,跟进日期,备注\n";
    while (csv.size() < (std::size_t{40} << 20))
        csv += "tb_buyer_" + std::to_string(csv.size()) + ",店,2014-5-23,2014-6-1,问过价格\n";
    const hostile::Bytes bytes(csv.begin(), csv.end());
    const Outcome out = in_child([&bytes] { return read_file_bytes(bytes); }, 64);
    EXPECT_TRUE(out.verdict.starts_with("内存不够，读不完这个文件")) << out.verdict;
}

}  // namespace
}  // namespace format_tests
