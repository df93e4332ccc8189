// Journal layout, little-endian:
//   header   "lqjetjnl", u32 page size, u32 record count, u64 original file size
//   records  u32 page number, the page's original bytes (zero past the original end)
//   trailer  u32 CRC-32 of everything before it, u32 seal
// The trailer is written only after the rest is on the disk, so a journal with a good
// trailer is whole, and one without it was cut short before the database was touched.
#include "jet/journal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <set>
#include <vector>

namespace jet {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'l', 'q', 'j', 'e', 't', 'j', 'n', 'l'};
constexpr std::uint32_t kSeal = 0x4C414553;  // "SEAL"
constexpr std::uint64_t kHeaderSize = 24;
constexpr std::uint64_t kRecordSize = 4 + kPageSize;
constexpr std::uint64_t kTrailerSize = 8;

std::uint32_t crc32(std::uint32_t crc, Bytes data) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::uint8_t b : data)
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put_u32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void put_u64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint64_t page_offset(std::uint32_t page) {
    return std::uint64_t{page} * kPageSize;
}

struct Original {
    std::uint32_t page;
    PageBytes bytes;
};

// The pages the change overwrites or cuts off, as they are now.
Result<std::vector<Original>> read_originals(File& db, std::uint64_t old_size,
                                             const std::map<std::uint32_t, PageBytes>& pages,
                                             std::uint64_t new_size) {
    std::set<std::uint32_t> wanted;
    for (const auto& entry : pages)
        if (page_offset(entry.first) < old_size) wanted.insert(entry.first);
    if (new_size < old_size)
        for (std::uint64_t p = new_size / kPageSize; p * kPageSize < old_size; ++p)
            wanted.insert(static_cast<std::uint32_t>(p));
    std::vector<Original> originals(wanted.size());
    std::size_t i = 0;
    for (std::uint32_t page : wanted) {
        Original& o = originals[i++];
        o.page = page;
        o.bytes.fill(0);
        std::uint64_t length = std::min<std::uint64_t>(kPageSize, old_size - page_offset(page));
        JET_TRY(db.read_at(page_offset(page),
                           std::span(o.bytes.data(), static_cast<std::size_t>(length))));
    }
    return originals;
}

Status write_journal(File& journal, std::uint64_t old_size,
                     const std::vector<Original>& originals) {
    std::array<std::uint8_t, kHeaderSize> header{};
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    put_u32(&header[8], static_cast<std::uint32_t>(kPageSize));
    put_u32(&header[12], static_cast<std::uint32_t>(originals.size()));
    put_u64(&header[16], old_size);
    JET_TRY(journal.write_at(0, header));
    std::uint32_t crc = crc32(0, header);

    std::vector<std::uint8_t> record(kRecordSize);
    std::uint64_t at = kHeaderSize;
    for (const Original& o : originals) {
        put_u32(record.data(), o.page);
        std::copy(o.bytes.begin(), o.bytes.end(), record.begin() + 4);
        JET_TRY(journal.write_at(at, record));
        crc = crc32(crc, record);
        at += kRecordSize;
    }
    // The body must be on the disk before the trailer vouches for it.
    JET_TRY(journal.sync());
    std::array<std::uint8_t, kTrailerSize> trailer{};
    put_u32(&trailer[0], crc);
    put_u32(&trailer[4], kSeal);
    JET_TRY(journal.write_at(at, trailer));
    return journal.sync();
}

Status write_pages(File& db, const std::map<std::uint32_t, PageBytes>& pages,
                   std::uint64_t new_size) {
    for (const auto& [page, bytes] : pages)
        JET_TRY(db.write_at(page_offset(page), bytes));
    JET_ASSIGN(std::uint64_t size, db.size());
    if (size != new_size) JET_TRY(db.truncate(new_size));
    return db.sync();
}

Status undo(File& db, const std::vector<Original>& originals, std::uint64_t old_size) {
    for (const Original& o : originals)
        JET_TRY(db.write_at(page_offset(o.page), o.bytes));
    JET_TRY(db.truncate(old_size));
    return db.sync();
}

// Best effort: the journal is only in the way now; a failure leaves it for recover().
void drop_journal(FileSystem& fs, const std::string& path) {
    auto present = fs.exists(path);
    if (!present || !*present) return;
    if (fs.remove(path)) (void)fs.sync_directory_of(path);
}

struct JournalInfo {
    std::uint32_t count;
    std::uint64_t original_size;
};

std::uint32_t le32(const std::uint8_t* p) {
    return load_u32(p);
}
std::uint64_t le64(const std::uint8_t* p) {
    return load_u32(p) | (std::uint64_t{load_u32(p + 4)} << 32);
}

// nullopt when the journal is torn; an error when it cannot be read or is whole but impossible.
Result<std::optional<JournalInfo>> check_journal(const File& journal) {
    JET_ASSIGN(std::uint64_t size, journal.size());
    if (size < kHeaderSize + kTrailerSize) return std::optional<JournalInfo>{};
    std::array<std::uint8_t, kHeaderSize> header{};
    JET_TRY(journal.read_at(0, header));
    if (!std::equal(kMagic.begin(), kMagic.end(), header.begin()))
        return std::optional<JournalInfo>{};
    JournalInfo info{le32(&header[12]), le64(&header[16])};
    if (size != kHeaderSize + std::uint64_t{info.count} * kRecordSize + kTrailerSize)
        return std::optional<JournalInfo>{};

    std::uint32_t crc = crc32(0, header);
    std::vector<std::uint8_t> chunk(1 << 16);
    std::uint64_t body_end = size - kTrailerSize;
    for (std::uint64_t at = kHeaderSize; at < body_end;) {
        auto n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), body_end - at));
        JET_TRY(journal.read_at(at, std::span(chunk.data(), n)));
        crc = crc32(crc, std::span(chunk.data(), n));
        at += n;
    }
    std::array<std::uint8_t, kTrailerSize> trailer{};
    JET_TRY(journal.read_at(body_end, trailer));
    if (le32(&trailer[0]) != crc || le32(&trailer[4]) != kSeal) return std::optional<JournalInfo>{};

    // Whole, so written by us: anything odd now is damage, not a crash.
    if (le32(&header[8]) != kPageSize)
        return make_error(Errc::corrupt, "the journal was written for another page size");
    std::optional<std::uint32_t> previous;
    for (std::uint32_t i = 0; i < info.count; ++i) {
        std::array<std::uint8_t, 4> number{};
        JET_TRY(journal.read_at(kHeaderSize + i * kRecordSize, number));
        std::uint32_t page = le32(number.data());
        if ((previous && page <= *previous) || page_offset(page) >= info.original_size)
            return make_error(Errc::corrupt, "the journal names a page the file never had");
        previous = page;
    }
    return std::optional<JournalInfo>{info};
}

Status roll_back(const File& journal, const JournalInfo& info, File& db) {
    std::vector<std::uint8_t> record(kRecordSize);
    for (std::uint32_t i = 0; i < info.count; ++i) {
        JET_TRY(journal.read_at(kHeaderSize + i * kRecordSize, record));
        JET_TRY(
            db.write_at(page_offset(le32(record.data())), std::span(record.data() + 4, kPageSize)));
    }
    JET_TRY(db.truncate(info.original_size));
    return db.sync();
}

}  // namespace

std::string journal_path(const std::string& db_path) {
    return db_path + "-journal";
}

Status commit_pages(FileSystem& fs, const std::string& db_path, File& db,
                    const std::map<std::uint32_t, PageBytes>& pages, std::uint64_t new_size) {
    const std::string path = journal_path(db_path);
    for (const auto& entry : pages)
        if (page_offset(entry.first) + kPageSize > new_size)
            return make_error(Errc::corrupt, "a changed page lies past the new end of the file");
    JET_ASSIGN(bool hot, fs.exists(path));
    if (hot)
        return make_error(Errc::io, "an interrupted change to " + db_path +
                                        " must be recovered before the next one");
    JET_ASSIGN(std::uint64_t old_size, db.size());
    if (pages.empty() && new_size == old_size) return {};
    JET_ASSIGN(std::vector<Original> originals, read_originals(db, old_size, pages, new_size));

    {
        JET_ASSIGN(std::unique_ptr<File> journal, fs.create(path));
        Status written = write_journal(*journal, old_size, originals);
        journal.reset();
        if (written) written = fs.sync_directory_of(path);
        if (!written) {
            // The file is untouched; a torn journal would only be discarded later.
            drop_journal(fs, path);
            return written;
        }
    }

    Status applied = write_pages(db, pages, new_size);
    if (applied) applied = fs.remove(path);
    if (applied) applied = fs.sync_directory_of(path);
    if (!applied) {
        // Put the old pages back from memory; if even that fails, the journal stays
        // for recover(), which reads the same originals from the disk.
        if (undo(db, originals, old_size)) drop_journal(fs, path);
        return applied;
    }
    return {};
}

Result<Recovery> recover_journal(FileSystem& fs, const std::string& db_path) {
    const std::string path = journal_path(db_path);
    JET_ASSIGN(bool present, fs.exists(path));
    if (!present) return Recovery::none;
    Recovery outcome = Recovery::discarded;
    {
        JET_ASSIGN(std::unique_ptr<File> journal, fs.open(path, OpenMode::read_only));
        JET_ASSIGN(std::optional<JournalInfo> info, check_journal(*journal));
        if (info) {
            JET_ASSIGN(std::unique_ptr<File> db, fs.open(db_path, OpenMode::read_write));
            JET_TRY(roll_back(*journal, *info, *db));
            outcome = Recovery::rolled_back;
        }
    }
    JET_TRY(fs.remove(path));
    JET_TRY(fs.sync_directory_of(path));
    return outcome;
}

Status recover(FileSystem& fs, const std::string& db_path) {
    JET_TRY(recover_journal(fs, db_path));
    return {};
}

}  // namespace jet
