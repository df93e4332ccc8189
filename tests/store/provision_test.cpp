// The database path beside the program, and the template written only when nothing is there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "jet/memory_file_system.h"
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

    // A write that fails is silent and leaves no file claiming to be a database.
    jet::MemoryFileSystem failing;
    failing.crash_after(0);
    store::provision_store(failing, "/app/yrkb_com.db", image);
    failing.reboot(jet::Unsynced::lost);
    EXPECT_FALSE(failing.contents("/app/yrkb_com.db").has_value() &&
                 failing.contents("/app/yrkb_com.db")->size() == image.size());
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
