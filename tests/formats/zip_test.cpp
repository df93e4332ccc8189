// Zip archives: ours read back and by Python's zipfile, Python's read by ours, and damaged or
// hostile archives refused with an error value.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "formats/deflate.h"
#include "formats/zip_reader.h"
#include "formats/zip_writer.h"
#include "tests/formats/tools.h"

namespace format_tests {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(const std::string& s) {
    return {s.begin(), s.end()};
}

std::uint32_t get32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v);
    put16(b, at + 2, v >> 16);
}

struct Entry {
    std::string name;
    std::string data;
};

std::vector<Entry> sample_entries() {
    std::string repeated, noise;
    for (int i = 0; i < 400; ++i)
        repeated += "<row r=\"" + std::to_string(i) + "\"><c><v>客户</v></c></row>\n";
    std::uint32_t x = 12345;
    for (int i = 0; i < 5000; ++i) {
        x = x * 1103515245 + 12345;
        noise += static_cast<char>(x >> 24);
    }
    return {{"a.txt", "hello"}, {"xl/中文.xml", repeated}, {"empty", ""}, {"noise.bin", noise}};
}

Bytes archive_of(const std::vector<Entry>& entries) {
    formats::ZipWriter writer;
    for (const auto& e : entries)
        EXPECT_TRUE(writer.add(e.name, e.data).ok()) << e.name;
    auto zip = writer.finish();
    EXPECT_TRUE(zip.ok());
    return *zip;
}

TEST(Zip, WrittenArchiveReadsBackByteForByteAndIsTheSameEveryTime) {
    const auto entries = sample_entries();
    const Bytes zip = archive_of(entries);
    EXPECT_EQ(zip, archive_of(entries));
    // The fixed time stamp, 1980-01-01 00:00, in the first local header.
    EXPECT_EQ(get32(zip, 10), 0x00210000u);

    auto archive = formats::ZipArchive::open(zip);
    ASSERT_TRUE(archive.ok()) << archive.error().message;
    ASSERT_EQ(archive->entries().size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const formats::ZipEntry& e = archive->entries()[i];
        EXPECT_EQ(e.name, entries[i].name);
        auto content = archive->read(e);
        ASSERT_TRUE(content.ok()) << content.error().message;
        EXPECT_EQ(*content, bytes_of(entries[i].data)) << e.name;
    }
    // Repetitive text is deflated, noise kept as it is; a non-ASCII name is marked UTF-8.
    EXPECT_EQ(archive->find("xl/中文.xml")->method, 8);
    EXPECT_EQ(archive->find("xl/中文.xml")->flags & (1u << 11), 1u << 11);
    EXPECT_EQ(archive->find("noise.bin")->method, 0);
    EXPECT_EQ(archive->find("missing"), nullptr);
    EXPECT_EQ(archive->read("missing").error().code, jet::Errc::not_found);

    formats::ZipWriter twice;
    ASSERT_TRUE(twice.add("a", std::string("1")).ok());
    EXPECT_FALSE(twice.add("a", std::string("2")).ok());
    EXPECT_FALSE(twice.add("", std::string("2")).ok());
}

TEST(Zip, PythonZipfileReadsOursAndWeReadItsArchives) {
    const std::string& py = plain_python();
    if (py.empty()) GTEST_SKIP() << "no python3";
    const std::string ours = scratch() + "/ours.zip", theirs = scratch() + "/theirs.zip";
    write_bytes(ours, archive_of(sample_entries()));
    const auto run = python(py, R"(
import sys, zipfile, zlib
with zipfile.ZipFile(sys.argv[1]) as z:
    assert z.testzip() is None
    for i in z.infolist():
        print(i.filename, i.file_size, '%08x' % zlib.crc32(z.read(i)))
with zipfile.ZipFile(sys.argv[2], 'w') as z:
    z.comment = b'a comment PK\x05\x06 that looks like an end record'
    z.writestr('stored.txt', 'plain text ' * 10, zipfile.ZIP_STORED)
    z.writestr('deflated.xml', '<a>' + 'x' * 5000 + '</a>', zipfile.ZIP_DEFLATED)
    with z.open('streamed.txt', 'w') as f:   # sizes follow the data, in a descriptor
        f.write(b'streamed ' * 100)
)",
                            {ours, theirs});
    ASSERT_EQ(run.status, 0) << run.out;
    std::string listed;
    for (const auto& e : sample_entries()) {
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x", formats::crc32_of(bytes_of(e.data)));
        listed += e.name + " " + std::to_string(e.data.size()) + " " + crc + "\n";
    }
    EXPECT_EQ(run.out, listed);

    const Bytes bytes = read_bytes(theirs);
    auto archive = formats::ZipArchive::open(bytes);
    ASSERT_TRUE(archive.ok()) << archive.error().message;
    std::string stored, deflated(5007, 'x'), streamed;
    for (int i = 0; i < 10; ++i)
        stored += "plain text ";
    deflated.replace(0, 3, "<a>").replace(5003, 4, "</a>");
    for (int i = 0; i < 100; ++i)
        streamed += "streamed ";
    EXPECT_EQ(*archive->read("stored.txt"), bytes_of(stored));
    EXPECT_EQ(*archive->read("deflated.xml"), bytes_of(deflated));
    EXPECT_EQ(*archive->read("streamed.txt"), bytes_of(streamed));
}

// Offsets in the archive of sample_entries(): where its records start.
struct Layout {
    std::size_t end, directory;
    std::vector<std::size_t> central;  // each entry's central header
};

Layout layout_of(const Bytes& zip) {
    Layout l;
    l.end = zip.size() - 22;
    l.directory = get32(zip, l.end + 16);
    for (std::size_t at = l.directory; at < l.end;) {
        l.central.push_back(at);
        at += 46 + (zip[at + 28] | (zip[at + 29] << 8));
    }
    return l;
}

TEST(Zip, DamagedAndHostileArchivesAreErrorsNeverCrashes) {
    const Bytes good = archive_of(sample_entries());
    const Layout l = layout_of(good);
    const std::size_t big = l.central[1];  // the deflated entry
    using jet::Errc;
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        bool opens;  // the directory passes; reading the entry fails
        Errc code;
    };
    const std::vector<Case> cases = {
        {"directory beyond the file", [&](Bytes& b) { put32(b, l.end + 16, 0x7FFFFFF0); }, false,
         Errc::corrupt},
        {"directory size beyond the end record", [&](Bytes& b) { put32(b, l.end + 12, 0x100000); },
         false, Errc::corrupt},
        {"local header beyond the file", [&](Bytes& b) { put32(b, big + 42, 0x7FFFFF00); }, false,
         Errc::corrupt},
        {"local header pointing at another entry's header",
         [&](Bytes& b) { put32(b, big + 42, 0); }, false, Errc::corrupt},
        {"compressed size beyond the file", [&](Bytes& b) { put32(b, big + 20, 0x7FFFFFFF); },
         false, Errc::corrupt},
        {"entry data running into the next entry",
         [&](Bytes& b) { put32(b, big + 20, get32(b, big + 20) + 200); }, false, Errc::corrupt},
        {"the same name twice",
         [&](Bytes& b) {
             // "empty" becomes "a.txt" in its central and its local header.
             for (std::size_t at :
                  {l.central[2] + 46, std::size_t{get32(b, l.central[2] + 42) + 30}})
                 std::copy_n("a.txt", 5, b.begin() + static_cast<std::ptrdiff_t>(at));
         },
         false, Errc::corrupt},
        {"zip64 entry count",
         [&](Bytes& b) {
             put16(b, l.end + 10, 0xFFFF);
             put16(b, l.end + 8, 0xFFFF);
         },
         false, Errc::unsupported_version},
        {"zip64 sizes", [&](Bytes& b) { put32(b, big + 24, 0xFFFFFFFF); }, false,
         Errc::unsupported_version},
        {"encrypted entry", [&](Bytes& b) { b[big + 8] |= 1; }, false, Errc::unsupported_version},
        {"unknown compression", [&](Bytes& b) { b[big + 10] = 12; }, false,
         Errc::unsupported_version},
        {"split archive", [&](Bytes& b) { put16(b, l.end + 4, 1); }, false,
         Errc::unsupported_version},
        {"wrong CRC", [&](Bytes& b) { b[big + 16] ^= 0x55; }, true, Errc::corrupt},
        {"declared size huge", [&](Bytes& b) { put32(b, big + 24, 300u << 20); }, true, Errc::full},
        {"declared size smaller than the content", [&](Bytes& b) { put32(b, big + 24, 100); }, true,
         Errc::corrupt},
        {"declared size larger than the content",
         [&](Bytes& b) { put32(b, big + 24, get32(b, big + 24) + 1); }, true, Errc::corrupt},
        {"deflate stream damaged",
         [&](Bytes& b) {
             const std::size_t data = get32(b, big + 42) + 30 + 13;  // after the local name
             for (std::size_t i = data + 10; i < data + 60; ++i)
                 b[i] = 0xFF;
         },
         true, Errc::corrupt},
    };
    for (const auto& c : cases) {
        Bytes b = good;
        c.damage(b);
        auto archive = formats::ZipArchive::open(b);
        ASSERT_EQ(archive.ok(), c.opens) << c.what;
        jet::Error error = archive.ok() ? jet::Error{} : archive.error();
        if (c.opens) {
            const auto content = archive->read("xl/中文.xml");
            ASSERT_FALSE(content.ok()) << c.what;
            error = content.error();
        }
        EXPECT_EQ(error.code, c.code) << c.what << ": " << error.message;
        EXPECT_FALSE(error.message.empty()) << c.what;
        if (std::string(c.what) == "the same name twice") {
            EXPECT_NE(error.message.find("同名"), std::string::npos) << error.message;
        }
    }
    // Cut anywhere, the end record is gone and nothing is read half.
    for (std::size_t size = 0; size < good.size(); size += 7) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(formats::ZipArchive::open(cut).ok()) << size;
    }
}

TEST(Zip, ABombIsStoppedAtItsDeclaredSizeOrTheLimit) {
    // 64 MiB of zeros deflates to about 64 KiB.
    const std::string zeros(64u << 20, '\0');
    formats::ZipWriter writer;
    ASSERT_TRUE(writer.add("bomb", zeros).ok());
    Bytes zip = *writer.finish();
    ASSERT_LT(zip.size(), 200'000u);
    const formats::ZipLimits small{1u << 20, 100};
    auto archive = formats::ZipArchive::open(zip, small);
    ASSERT_TRUE(archive.ok());
    EXPECT_EQ(archive->read("bomb").error().code, jet::Errc::full);
    // Declaring a small size does not help: inflating stops one byte past it.
    const Layout l = layout_of(zip);
    put32(zip, l.central[0] + 24, 1000);
    auto lying = formats::ZipArchive::open(zip, small);
    ASSERT_TRUE(lying.ok());
    EXPECT_EQ(lying->read("bomb").error().code, jet::Errc::corrupt);
}

}  // namespace
}  // namespace format_tests
