// The skin loader on the in-memory backend over real files: the engine library written out
// once and never replaced, and exactly the skin asked for handed to the engine.
#include "services/skin_loader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "runtime/headless/backend.h"
#include "services/builtin_skins.h"

namespace {

namespace fs = std::filesystem;
using Attach = runtime::headless::HeadlessSkinEngine::Attach;

std::vector<std::uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Attach skin(std::int32_t n) {
    auto bytes = services::builtin_skin(n);
    return {true, static_cast<std::int32_t>(bytes.size()), {bytes.begin(), bytes.end()}};
}

const Attach kNoSkin{false, 0, {}};

class SkinLoader : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = ::testing::TempDir() + "lanqiao_skins_" + std::to_string(::getpid());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        backend_.shell().set_program_directory(dir_);
        // As large as the library the program has always carried, and not one repeated byte.
        image_.resize(88576);
        for (std::size_t i = 0; i < image_.size(); ++i)
            image_[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        backend_.skin_engine().set_engine_image(image_);
    }
    void TearDown() override {
        fs::remove(library_);
        fs::remove(dir_ + "\\\\SkinH_EL.dll");
        fs::remove_all(dir_);
    }
    const std::vector<Attach>& attaches() { return backend_.skin_engine().attaches(); }

    runtime::headless::Backend backend_;
    std::string dir_;
    std::string library_ =
        ::testing::TempDir() + "lanqiao_skins_" + std::to_string(::getpid()) + "\\SkinH_EL.dll";
    std::vector<std::uint8_t> image_;
};

TEST_F(SkinLoader, TheFirstSkinWritesTheLibraryHiddenBesideTheProgram) {
    ASSERT_FALSE(fs::exists(library_));
    services::apply_skin(2);
    EXPECT_EQ(read_file(library_), image_);
    EXPECT_TRUE(backend_.files().hidden(library_));
    EXPECT_EQ(attaches(), std::vector<Attach>{skin(2)});
    // Later attaches leave the file alone, even once it differs from the image carried.
    std::ofstream(library_, std::ios::binary | std::ios::trunc) << "changed";
    services::apply_skin(3);
    EXPECT_EQ(fs::file_size(library_), 7u);
    EXPECT_EQ(attaches(), (std::vector<Attach>{skin(2), skin(3)}));
}

TEST_F(SkinLoader, AnExistingLibraryOfAnyContentIsNeverReplaced) {
    for (const std::string& content :
         {std::string(), std::string("MZ not ours"), std::string(image_.begin(), image_.end())}) {
        {
            std::ofstream out(library_, std::ios::binary | std::ios::trunc);
            out << content;
        }
        services::ensure_skin_engine();
        services::apply_skin(7);
        const auto after = read_file(library_);
        EXPECT_EQ(std::string(after.begin(), after.end()), content);
        EXPECT_FALSE(backend_.files().hidden(library_)) << "attributes are left alone too";
    }
    // A folder of that name counts as well.
    fs::remove(library_);
    fs::create_directory(library_);
    services::apply_skin(1);
    EXPECT_TRUE(fs::is_directory(library_));
    fs::remove(library_);
}

TEST_F(SkinLoader, EachBuiltInNumberAttachesExactlyItsSkinAndOthersAttachNone) {
    for (std::int32_t n = 1; n <= 33; ++n)
        services::apply_skin(n);
    for (std::int32_t n : {0, 34, -1, INT_MIN, INT_MAX})
        services::apply_skin(n);
    ASSERT_EQ(attaches().size(), 38u);
    for (std::int32_t n = 1; n <= 33; ++n)
        EXPECT_EQ(attaches()[static_cast<std::size_t>(n - 1)], skin(n)) << "skin " << n;
    for (std::size_t i = 33; i < 38; ++i)
        EXPECT_EQ(attaches()[i], kNoSkin) << "attach " << i;
    // Skins differ, so a wrong number could not pass for the right one.
    EXPECT_NE(skin(12).bytes, skin(21).bytes);
}

TEST_F(SkinLoader, AnEngineThatDoesNotLoadChangesNothingForTheCaller) {
    backend_.skin_engine().set_reply({runtime::SkinAttach::Outcome::library_missing, 0});
    services::apply_skin(4);
    services::apply_skin(0);
    EXPECT_EQ(attaches(), (std::vector<Attach>{skin(4), kNoSkin}));
}

TEST_F(SkinLoader, ADriveRootGivesADoubledBackslash) {
    backend_.shell().set_program_directory(dir_ + "\\");
    services::apply_skin(5);
    EXPECT_EQ(read_file(dir_ + "\\\\SkinH_EL.dll"), image_);
    EXPECT_FALSE(fs::exists(library_));
}

}  // namespace
