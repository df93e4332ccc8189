#include "jet/journal.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <set>

#include "jet/file_system.h"
#include "jet/memory_file_system.h"
#include "tests/jet/fixture_files.h"

namespace {

using jet::kPageSize;
using jet::MemoryFileSystem;
using jet::PageBytes;
using jet::Recovery;
using jet::Unsynced;
using Image = std::vector<std::uint8_t>;

const std::string kDb = "/data/customers.mdb";
const std::string kJournal = kDb + "-journal";

struct Change {
    const char* name;
    std::map<std::uint32_t, PageBytes> pages;
    std::uint64_t new_size;
};

PageBytes pattern(std::uint32_t page) {
    PageBytes bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(page * 31 + i * 7 + 1);
    return bytes;
}

Image applied(Image image, const Change& change) {
    for (const auto& [page, bytes] : change.pages) {
        std::size_t at = std::size_t{page} * kPageSize;
        if (image.size() < at + kPageSize) image.resize(at + kPageSize);
        std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
    }
    image.resize(static_cast<std::size_t>(change.new_size));
    return image;
}

Image old_image() {
    return testing_support::fixture_bytes("numeric.mdb");
}

// A rewrite in place, a change that adds pages past the end, and one that cuts pages off.
std::vector<Change> changes() {
    auto pages = static_cast<std::uint32_t>(old_image().size() / kPageSize);
    return {
        {"rewrite",
         {{1, pattern(1)}, {5, pattern(5)}, {pages - 1, pattern(pages - 1)}},
         std::uint64_t{pages} * kPageSize},
        {"grow",
         {{2, pattern(2)}, {pages, pattern(pages)}, {pages + 1, pattern(pages + 1)}},
         std::uint64_t{pages + 2} * kPageSize},
        {"shrink", {{3, pattern(3)}}, std::uint64_t{pages - 3} * kPageSize},
    };
}

struct Outage {
    const char* name;
    std::function<void(MemoryFileSystem&)> reboot;
};

// Both extremes, and disks that keep an arbitrary part of what was not yet synced.
std::vector<Outage> outages() {
    std::vector<Outage> out = {
        {"unsynced lost", [](MemoryFileSystem& fs) { fs.reboot(Unsynced::lost); }},
        {"unsynced kept", [](MemoryFileSystem& fs) { fs.reboot(Unsynced::kept); }},
    };
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        out.push_back({"unsynced partly kept", [seed](MemoryFileSystem& fs) {
                           std::mt19937 random(seed);
                           fs.reboot([&](std::uint64_t) { return random() % 2 == 0; });
                       }});
    }
    return out;
}

MemoryFileSystem with_database(const Image& image) {
    MemoryFileSystem fs;
    fs.put(kDb, image);
    return fs;
}

jet::Status commit(MemoryFileSystem& fs, const Change& change) {
    auto db = fs.open(kDb, jet::OpenMode::read_write);
    if (!db) return db.error();
    return jet::commit_pages(fs, kDb, **db, change.pages, change.new_size);
}

std::uint64_t steps_of_commit(const Image& old, const Change& change) {
    MemoryFileSystem fs = with_database(old);
    EXPECT_TRUE(commit(fs, change));
    return fs.steps();
}

std::uint64_t steps_of_recovery(MemoryFileSystem fs) {
    std::uint64_t before = fs.steps();
    EXPECT_TRUE(jet::recover_journal(fs, kDb));
    return fs.steps() - before;
}

bool has_journal(const MemoryFileSystem& fs) {
    return fs.exists(kJournal).value();
}

TEST(JournalCrash, CommitCrashingAtEveryStepRecoversToTheOldOrTheNewFile) {
    const Image old = old_image();
    for (const Change& change : changes()) {
        const Image changed = applied(old, change);
        const std::uint64_t steps = steps_of_commit(old, change);
        for (const Outage& outage : outages()) {
            SCOPED_TRACE(std::string(change.name) + ", " + outage.name);
            int olds = 0;
            int news = 0;
            for (std::uint64_t k = 0; k <= steps; ++k) {
                SCOPED_TRACE("power cut after step " + std::to_string(k));
                MemoryFileSystem fs = with_database(old);
                fs.crash_after(k);
                jet::Status committed = commit(fs, change);
                EXPECT_EQ(committed.ok(), k == steps);
                outage.reboot(fs);
                ASSERT_TRUE(jet::recover(fs, kDb));
                EXPECT_FALSE(has_journal(fs));
                Image now = fs.contents(kDb).value();
                if (now == old) {
                    ++olds;
                } else {
                    ASSERT_EQ(now, changed) << "neither the old nor the new file";
                    ++news;
                }
                if (committed) {
                    EXPECT_EQ(now, changed);
                }
                // Nothing is left for a second recovery to do.
                EXPECT_EQ(jet::recover_journal(fs, kDb).value(), Recovery::none);
            }
            EXPECT_GT(olds, 0);
            EXPECT_GT(news, 0);
        }
    }
}

TEST(JournalCrash, RecoveryCrashingAtEveryStepEndsAsAnUninterruptedOne) {
    const Image old = old_image();
    for (const Change& change : changes()) {
        const std::uint64_t steps = steps_of_commit(old, change);
        for (Unsynced first : {Unsynced::lost, Unsynced::kept}) {
            for (std::uint64_t k = 0; k < steps; ++k) {
                MemoryFileSystem crashed = with_database(old);
                crashed.crash_after(k);
                EXPECT_FALSE(commit(crashed, change));
                crashed.reboot(first);

                MemoryFileSystem whole = crashed;
                ASSERT_TRUE(jet::recover(whole, kDb));
                const Image expected = whole.contents(kDb).value();
                const std::uint64_t recovery_steps = steps_of_recovery(crashed);
                for (Unsynced second : {Unsynced::lost, Unsynced::kept}) {
                    for (std::uint64_t j = 0; j < recovery_steps; ++j) {
                        SCOPED_TRACE(std::string(change.name) + ": commit cut after " +
                                     std::to_string(k) + ", recovery after " + std::to_string(j));
                        MemoryFileSystem fs = crashed;
                        fs.crash_after(j);
                        EXPECT_FALSE(jet::recover(fs, kDb));
                        fs.reboot(second);
                        ASSERT_TRUE(jet::recover(fs, kDb));
                        EXPECT_EQ(fs.contents(kDb).value(), expected);
                        EXPECT_FALSE(has_journal(fs));
                    }
                }
            }
        }
    }
}

TEST(JournalCrash, FailedStepLeavesTheOldFileAndNoJournal) {
    const Image old = old_image();
    for (const Change& change : changes()) {
        const std::uint64_t steps = steps_of_commit(old, change);
        for (std::uint64_t k = 0; k < steps; ++k) {
            SCOPED_TRACE(std::string(change.name) + ": step " + std::to_string(k + 1) + " fails");
            MemoryFileSystem fs = with_database(old);
            fs.fail_after(k);
            EXPECT_FALSE(commit(fs, change));
            EXPECT_EQ(fs.contents(kDb).value(), old);
            EXPECT_FALSE(has_journal(fs));
            // The disk works again, and so does the next change.
            ASSERT_TRUE(commit(fs, change));
            EXPECT_EQ(fs.contents(kDb).value(), applied(old, change));
        }
    }
}

// A file system whose power was cut after the journal was whole but before the file changed.
MemoryFileSystem journal_written_file_untouched(const Image& old, const Change& change) {
    for (std::uint64_t k = 0;; ++k) {
        MemoryFileSystem fs = with_database(old);
        fs.crash_after(k + 1);
        EXPECT_FALSE(commit(fs, change));
        fs.reboot(Unsynced::kept);
        if (fs.contents(kDb).value() != old) {
            MemoryFileSystem before = with_database(old);
            before.crash_after(k);
            EXPECT_FALSE(commit(before, change));
            before.reboot(Unsynced::kept);
            return before;
        }
    }
}

TEST(JournalTorn, JournalCutShortIsDiscarded) {
    const Image old = old_image();
    MemoryFileSystem fs = with_database(old);
    fs.crash_after(2);  // the journal is created and holds its header, nothing more
    EXPECT_FALSE(commit(fs, changes()[0]));
    fs.reboot(Unsynced::kept);
    ASSERT_TRUE(has_journal(fs));
    EXPECT_EQ(jet::recover_journal(fs, kDb).value(), Recovery::discarded);
    EXPECT_FALSE(has_journal(fs));
    EXPECT_EQ(fs.contents(kDb).value(), old);
}

TEST(JournalTorn, DamagedOrShortenedJournalIsDiscarded) {
    const Image old = old_image();
    const Change change = changes()[1];
    MemoryFileSystem base = journal_written_file_untouched(old, change);
    const Image journal = base.contents(kJournal).value();

    {
        MemoryFileSystem fs = base;
        EXPECT_EQ(jet::recover_journal(fs, kDb).value(), Recovery::rolled_back);
        EXPECT_EQ(fs.contents(kDb).value(), old);
    }
    for (std::size_t at :
         {std::size_t{0}, std::size_t{20}, journal.size() / 2, journal.size() - 1}) {
        SCOPED_TRACE("byte " + std::to_string(at) + " flipped");
        MemoryFileSystem fs = base;
        Image damaged = journal;
        damaged[at] ^= 0x40;
        fs.put(kJournal, damaged);
        EXPECT_EQ(jet::recover_journal(fs, kDb).value(), Recovery::discarded);
        EXPECT_FALSE(has_journal(fs));
        EXPECT_EQ(fs.contents(kDb).value(), old);
    }
    for (std::size_t cut : {std::size_t{1}, std::size_t{8}, kPageSize}) {
        MemoryFileSystem fs = base;
        fs.put(kJournal, Image(journal.begin(), journal.end() - static_cast<std::ptrdiff_t>(cut)));
        EXPECT_EQ(jet::recover_journal(fs, kDb).value(), Recovery::discarded);
        EXPECT_EQ(fs.contents(kDb).value(), old);
    }
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

TEST(JournalTorn, WholeJournalNamingAPageTheFileNeverHadIsNotApplied) {
    const Image old = old_image();
    MemoryFileSystem fs = journal_written_file_untouched(old, changes()[0]);
    Image journal = fs.contents(kJournal).value();
    // The last record's page number, far past the end, with the checksum made to match.
    const std::size_t last_record = journal.size() - 8 - (4 + kPageSize);
    journal[last_record + 3] = 0x7F;
    std::uint32_t crc = crc32(journal.data(), journal.size() - 8);
    for (int i = 0; i < 4; ++i)
        journal[journal.size() - 8 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    fs.put(kJournal, journal);

    auto outcome = jet::recover_journal(fs, kDb);
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.error().code, jet::Errc::corrupt);
    EXPECT_EQ(fs.contents(kDb).value(), old);
    EXPECT_EQ(fs.contents(kJournal).value(), journal) << "evidence kept for a person to look at";
}

TEST(JournalRecovery, EmptyChangeTouchesNothing) {
    MemoryFileSystem fs = with_database(old_image());
    EXPECT_TRUE(commit(fs, Change{"none", {}, old_image().size()}));
    EXPECT_EQ(fs.steps(), 0u);
}

TEST(JournalRecovery, HalfWrittenChangeIsRolledBackToTheOldSize) {
    const Image old = old_image();
    for (const Change& change : changes()) {
        SCOPED_TRACE(change.name);
        const std::uint64_t steps = steps_of_commit(old, change);
        // Cut the power a step before the end: every page is written, the journal remains.
        MemoryFileSystem fs = with_database(old);
        fs.crash_after(steps - 2);
        EXPECT_FALSE(commit(fs, change));
        fs.reboot(Unsynced::kept);
        ASSERT_NE(fs.contents(kDb).value(), old);
        EXPECT_EQ(jet::recover_journal(fs, kDb).value(), Recovery::rolled_back);
        EXPECT_EQ(fs.contents(kDb).value().size(), old.size());
        EXPECT_EQ(fs.contents(kDb).value(), old);
    }
}

TEST(JournalRecovery, NoChangeStartsWhileAJournalAwaitsRecovery) {
    const Image old = old_image();
    MemoryFileSystem fs = journal_written_file_untouched(old, changes()[0]);
    const Image journal = fs.contents(kJournal).value();
    EXPECT_FALSE(commit(fs, changes()[1]));
    EXPECT_EQ(fs.contents(kDb).value(), old);
    EXPECT_EQ(fs.contents(kJournal).value(), journal);
}

TEST(JournalRecovery, PagePastTheNewEndIsRefused) {
    const Image old = old_image();
    MemoryFileSystem fs = with_database(old);
    Change change = changes()[1];
    change.new_size -= kPageSize;
    EXPECT_FALSE(commit(fs, change));
    EXPECT_EQ(fs.contents(kDb).value(), old);
    EXPECT_FALSE(has_journal(fs));
}

TEST(JournalRecovery, MissingJournalIsNothingToDo) {
    MemoryFileSystem fs = with_database(old_image());
    EXPECT_EQ(jet::recover_journal(fs, kDb).value(), Recovery::none);
    EXPECT_EQ(fs.steps(), 0u);
}

// The crash model itself: what survives a power cut.
TEST(JournalFaultModel, UnsyncedWritesAreLostOrKeptSyncedOnesStay) {
    for (Unsynced mode : {Unsynced::lost, Unsynced::kept}) {
        MemoryFileSystem fs;
        fs.put("/f", Image(8, 0));
        auto file = fs.open("/f", jet::OpenMode::read_write).value();
        const Image one = {1, 1};
        const Image two = {2, 2};
        // The file's version moves with every change of its bytes, never with a sync or a
        // read, and no two versions are alike (indexes kept in memory trust it).
        std::vector<std::uint64_t> versions{fs.version("/f").value()};
        ASSERT_TRUE(file->write_at(0, one));
        versions.push_back(fs.version("/f").value());
        ASSERT_TRUE(file->sync());
        EXPECT_EQ(fs.version("/f"), versions.back());
        ASSERT_TRUE(file->write_at(4, two));
        versions.push_back(fs.version("/f").value());
        ASSERT_TRUE(file->truncate(6));
        versions.push_back(fs.version("/f").value());
        fs.reboot(mode);
        versions.push_back(fs.version("/f").value());
        EXPECT_EQ(std::set<std::uint64_t>(versions.begin(), versions.end()).size(), 5u);
        EXPECT_FALSE(fs.version("/none"));
        Image expected = {1, 1, 0, 0, 0, 0, 0, 0};
        if (mode == Unsynced::kept) expected = {1, 1, 0, 0, 2, 2};
        EXPECT_EQ(fs.contents("/f").value(), expected);
        EXPECT_FALSE(file->size()) << "a handle from before the power cut still works";
    }
}

TEST(JournalFaultModel, NamesNeedTheDirectorySynced) {
    MemoryFileSystem fs;
    fs.put("/old", Image{7});
    auto created = fs.create("/new").value();
    const Image data = {9};
    ASSERT_TRUE(created->write_at(0, data));
    ASSERT_TRUE(created->sync());
    ASSERT_TRUE(fs.remove("/old"));
    MemoryFileSystem synced = fs;
    fs.reboot(Unsynced::lost);
    EXPECT_FALSE(fs.exists("/new").value());
    EXPECT_EQ(fs.contents("/old").value(), Image{7});

    ASSERT_TRUE(synced.sync_directory_of("/new"));
    synced.reboot(Unsynced::lost);
    EXPECT_EQ(synced.contents("/new").value(), data);
    EXPECT_FALSE(synced.exists("/old").value());
}

TEST(JournalFaultModel, CrashStopsEveryLaterStepAndFailureOnlyOne) {
    MemoryFileSystem fs;
    auto file = fs.create("/f").value();
    const Image byte = {5};
    fs.fail_after(1);
    EXPECT_TRUE(file->write_at(0, byte));
    EXPECT_FALSE(file->write_at(1, byte));
    EXPECT_TRUE(file->write_at(2, byte));
    EXPECT_EQ(fs.contents("/f").value(), (Image{5, 0, 5}));

    fs.crash_after(1);
    EXPECT_TRUE(file->write_at(0, Image{6}));
    EXPECT_FALSE(file->sync());
    EXPECT_FALSE(file->write_at(1, Image{6}));
    EXPECT_TRUE(fs.crashed());
    EXPECT_EQ(fs.contents("/f").value(), (Image{6, 0, 5}));
}

// The operating system's files, on the real disk.
class JournalOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "lq-journal-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        db_ = dir_ + "/customers.mdb";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static void write_file(const std::string& path, const Image& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    static Image read_file(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    jet::OsFileSystem fs_;
    std::string dir_;
    std::string db_;
};

TEST_F(JournalOnDisk, FilesAreCreatedOpenedAndRemovedByName) {
    const std::string path = dir_ + "/file";
    EXPECT_FALSE(fs_.exists(path).value());
    EXPECT_EQ(fs_.open(path, jet::OpenMode::read_only).error().code, jet::Errc::not_found);
    {
        auto file = fs_.create(path).value();
        const Image data = {1, 2, 3};
        ASSERT_TRUE(file->write_at(0, data));
        ASSERT_TRUE(file->sync());
    }
    ASSERT_TRUE(fs_.sync_directory_of(path));
    EXPECT_TRUE(fs_.exists(path).value());
    EXPECT_EQ(read_file(path), (Image{1, 2, 3}));
    EXPECT_EQ(fs_.create(path).value()->size().value(), 0u) << "create cuts an existing file";
    ASSERT_TRUE(fs_.remove(path));
    EXPECT_FALSE(fs_.exists(path).value());
    EXPECT_EQ(fs_.remove(path).error().code, jet::Errc::not_found);
    EXPECT_FALSE(fs_.create(dir_ + "/no-such-folder/file"));
}

TEST_F(JournalOnDisk, CommitWritesTheNewFileAndLeavesNoJournal) {
    const Image old = old_image();
    for (const Change& change : changes()) {
        SCOPED_TRACE(change.name);
        write_file(db_, old);
        {
            auto db = fs_.open(db_, jet::OpenMode::read_write).value();
            ASSERT_TRUE(jet::commit_pages(fs_, db_, *db, change.pages, change.new_size));
        }
        EXPECT_EQ(read_file(db_), applied(old, change));
        EXPECT_FALSE(std::filesystem::exists(jet::journal_path(db_)));
    }
}

TEST_F(JournalOnDisk, JournalLeftByAPowerCutIsRolledBackOnDisk) {
    const Image old = old_image();
    const Change change = changes()[1];
    MemoryFileSystem crashed = with_database(old);
    crashed.crash_after(steps_of_commit(old, change) - 2);
    EXPECT_FALSE(commit(crashed, change));
    crashed.reboot(Unsynced::kept);
    write_file(db_, crashed.contents(kDb).value());
    write_file(jet::journal_path(db_), crashed.contents(kJournal).value());
    ASSERT_NE(read_file(db_), old);

    EXPECT_EQ(jet::recover_journal(fs_, db_).value(), Recovery::rolled_back);
    EXPECT_EQ(read_file(db_), old);
    EXPECT_FALSE(std::filesystem::exists(jet::journal_path(db_)));
}

}  // namespace
