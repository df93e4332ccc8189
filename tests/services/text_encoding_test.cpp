#include "services/text_encoding.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "runtime/headless/backend.h"
#include "services/url_encode.h"

namespace services {
namespace {

using namespace std::string_literals;

TEST(TextEncoding, GbkAndUtf8BothWays) {
    runtime::headless::Backend backend;
    EXPECT_EQ(to_utf8("\xD6\xD0"), "中");
    EXPECT_EQ(to_utf8("tb_\xCD\xFA\xCD\xFA"), "tb_旺旺");
    EXPECT_EQ(to_gbk("岚桥管家"), "\xE1\xB0\xC7\xC5\xB9\xDC\xBC\xD2");
    EXPECT_EQ(to_gbk("𠀀"), "\x95\x32\x82\x36");
    EXPECT_EQ(to_utf8(""), "");
    EXPECT_EQ(to_gbk(""), "");
}

TEST(TextEncoding, Utf8EndsAtTheFirstZeroByte) {
    runtime::headless::Backend backend;
    EXPECT_EQ(to_utf8("\xD6\xD0\0\xCD\xFA"s), "中");
    EXPECT_EQ(to_utf8("\0abc"s), "");
    // Only the UTF-8 direction is cut; GBK bytes are kept whole.
    EXPECT_EQ(to_gbk("a\0中"s), "a\0\xD6\xD0"s);
}

TEST(TextEncoding, AddressesOfAnId) {
    runtime::headless::Backend backend;
    const std::string id = "tb_旺旺123";
    // Profile page: the GBK bytes escaped.
    EXPECT_EQ(url_encode(to_gbk(id)), "tb_%CD%FA%CD%FA123");
    // Status service: the UTF-8 bytes escaped.
    EXPECT_EQ(url_encode(to_utf8(to_gbk(id))), "tb_%E6%97%BA%E6%97%BA123");
}

TEST(TextEncoding, WithoutAPlatformIsAWiringFault) {
    EXPECT_THROW(to_utf8("a"), std::logic_error);
    EXPECT_THROW(to_gbk("a"), std::logic_error);
}

}  // namespace
}  // namespace services
