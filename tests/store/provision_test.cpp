// The database path beside the program, and the template written only when nothing is there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "jet/memory_file_system.h"
#include "store/database_template.h"
#include "store/provision.h"

namespace {

TEST(Provision, DatabasePathBesideTheProgram) {
    EXPECT_EQ(store::build_database_path("C:\\Program Files\\岚桥"),
              "C:\\Program Files\\岚桥\\yrkb_com.db");
    EXPECT_EQ(store::build_database_path("D:\\"),
              "D:\\yrkb_com.db");  // a drive root: no doubled "\"
    EXPECT_EQ(store::build_database_path("D:\\tools\\"), "D:\\tools\\yrkb_com.db");
}

TEST(Provision, WritesTheTemplateOnlyWhenNothingIsThere) {
    const std::vector<std::uint8_t> image(159744, 0x5A);
    jet::MemoryFileSystem fs;
    store::provision_store(fs, "/app/yrkb_com.db", image);
    EXPECT_EQ(fs.contents("/app/yrkb_com.db"), image);

    // A second start leaves the file and its rows alone.
    std::vector<std::uint8_t> used(image);
    used[5000] = 1;
    fs.put("/app/yrkb_com.db", used);
    store::provision_store(fs, "/app/yrkb_com.db", image);
    EXPECT_EQ(fs.contents("/app/yrkb_com.db"), used);

    // With no argument it is the carried template that goes out.
    jet::MemoryFileSystem first_start;
    store::provision_store(first_start, "/app/yrkb_com.db");
    auto carried = store::database_template();
    EXPECT_EQ(first_start.contents("/app/yrkb_com.db"),
              std::vector<std::uint8_t>(carried.begin(), carried.end()));
    EXPECT_FALSE(first_start.contents("/app/yrkb_com.db.new").has_value());
}

// Whatever step the power goes at, and whatever of the unsynced changes the disk kept, the
// database path holds the whole template or nothing; and the next start then finishes.
TEST(Provision, APowerCutNeverLeavesAHalfWrittenTemplate) {
    std::vector<std::uint8_t> image(159744);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7);
    jet::MemoryFileSystem probe;
    store::provision_store(probe, "/app/yrkb_com.db", image);
    const std::uint64_t steps = probe.steps();
    ASSERT_GE(steps, 4u);
    for (std::uint64_t k = 0; k <= steps; ++k) {
        for (auto unsynced : {jet::Unsynced::lost, jet::Unsynced::kept}) {
            SCOPED_TRACE("power cut after step " + std::to_string(k));
            jet::MemoryFileSystem fs;
            fs.crash_after(k);
            store::provision_store(fs, "/app/yrkb_com.db", image);
            fs.reboot(unsynced);
            auto there = fs.contents("/app/yrkb_com.db");
            if (there) {
                EXPECT_EQ(*there, image);
            }
            store::provision_store(fs, "/app/yrkb_com.db", image);
            EXPECT_EQ(fs.contents("/app/yrkb_com.db"), image);
        }
    }

    // A write error: nothing at the path, no leftover beside it, and the next start works.
    for (std::uint64_t k = 0; k < steps; ++k) {
        jet::MemoryFileSystem fs;
        fs.fail_after(k);
        store::provision_store(fs, "/app/yrkb_com.db", image);
        auto there = fs.contents("/app/yrkb_com.db");
        if (there) {
            EXPECT_EQ(*there, image) << "write error at step " << k;
        }
        store::provision_store(fs, "/app/yrkb_com.db", image);
        EXPECT_EQ(fs.contents("/app/yrkb_com.db"), image);
    }
}

TEST(Provision, ADirectoryOfThatNameCountsAsPresent) {
    namespace fs = std::filesystem;
    std::string dir = ::testing::TempDir() + "/provision_" + std::to_string(::getpid());
    std::string path = dir + "/yrkb_com.db";
    fs::create_directories(path);
    jet::OsFileSystem os;
    store::provision_store(os, path, std::vector<std::uint8_t>(4096, 1));
    EXPECT_TRUE(fs::is_directory(path));
    store::provision_store(os, dir + "/fresh.db", std::vector<std::uint8_t>(4096, 1));
    EXPECT_EQ(fs::file_size(dir + "/fresh.db"), 4096u);
    fs::remove_all(dir);
}

}  // namespace
