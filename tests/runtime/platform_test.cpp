#include "runtime/platform.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "runtime/headless/backend.h"

namespace runtime {
namespace {

TEST(Platform, InstallsNestAndRestoreTheOuterPlatform) {
    EXPECT_FALSE(has_platform());
    EXPECT_THROW(platform(), std::logic_error);

    Platform outer;
    {
        PlatformInstall outer_install(outer);
        EXPECT_EQ(&platform(), &outer);
        {
            Platform inner;
            PlatformInstall inner_install(inner);
            EXPECT_EQ(&platform(), &inner);
        }
        EXPECT_EQ(&platform(), &outer);
    }
    EXPECT_FALSE(has_platform());
}

TEST(Platform, MissingAdapterIsAWiringFault) {
    Platform empty;
    EXPECT_THROW(empty.message_boxes(), std::logic_error);
    EXPECT_THROW(empty.code_pages(), std::logic_error);

    auto boxes = std::make_unique<headless::HeadlessMessageBoxes>();
    auto* kept = boxes.get();
    empty.set_message_boxes(std::move(boxes));
    EXPECT_EQ(&empty.message_boxes(), kept);
    EXPECT_THROW(empty.code_pages(), std::logic_error);
}

TEST(Platform, HeadlessBackendIsCurrentWhileItLives) {
    {
        headless::Backend backend;
        EXPECT_EQ(&platform(), &backend.platform());
        EXPECT_EQ(&platform().message_boxes(), &backend.message_boxes());
        EXPECT_EQ(&platform().code_pages(), &backend.code_pages());
        EXPECT_EQ(platform().code_pages().utf8_to_gbk("\xE4\xB8\xAD"), "\xD6\xD0");
    }
    EXPECT_FALSE(has_platform());
}

}  // namespace
}  // namespace runtime
