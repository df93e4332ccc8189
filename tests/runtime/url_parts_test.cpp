// Splitting addresses as WinInet's URL parser does, and the reply head the client reads.
#include "runtime/headless/url_parts.h"

#include <gtest/gtest.h>

#include "runtime/headless/http_head.h"
#include "runtime/http_reply.h"

namespace runtime::headless {
namespace {

TEST(CrackUrl, SchemeHostPortCredentialsAndObject) {
    auto parts = crack_url("http://amos.alicdn.com/realonline.aw?v=2&uid=a%20b");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->scheme, "http");
    EXPECT_EQ(parts->host, "amos.alicdn.com");
    EXPECT_EQ(parts->port, 80);
    EXPECT_EQ(parts->user, "");
    EXPECT_EQ(parts->password, "");
    EXPECT_EQ(parts->object, "/realonline.aw?v=2&uid=a%20b");

    parts = crack_url("HTTPS://shop:se:cret@Example.com:8443");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->scheme, "https");
    EXPECT_EQ(parts->host, "Example.com");
    EXPECT_EQ(parts->port, 8443);
    EXPECT_EQ(parts->user, "shop");
    EXPECT_EQ(parts->password, "se:cret");
    EXPECT_EQ(parts->object, "/");

    EXPECT_EQ(crack_url("https://h/x")->port, 443);
    EXPECT_EQ(crack_url("http://h:/x")->port, 80);  // an empty port is the default one
    EXPECT_EQ(crack_url("http://h?q=1")->object, "/?q=1");
    // Nothing is escaped or unescaped.
    EXPECT_EQ(crack_url("http://h/a b/%41?c=%zz")->object, "/a b/%41?c=%zz");
    parts = crack_url("http://[::1]:8080/v6");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, "::1");
    EXPECT_EQ(parts->port, 8080);
}

TEST(CrackUrl, RefusesWhatIsNoHttpAddress) {
    for (const char* url :
         {"", "amos.alicdn.com/x", "ftp://h/", "http://", "http:///x", "http://h:0/",
          "http://h:65536/", "http://h:8o/", "http://user@/", "http://[::1/", "http://[::1]x/"})
        EXPECT_FALSE(crack_url(url)) << url;
}

TEST(CrackUrl, RedirectTargets) {
    const auto from = *crack_url("http://h:81/dir/page?x=1");
    EXPECT_EQ(resolve_location(from, "http://other/y"), "http://other/y");
    EXPECT_EQ(resolve_location(from, "//cdn/z"), "http://cdn/z");
    EXPECT_EQ(resolve_location(from, "/top?q"), "http://h:81/top?q");
    EXPECT_EQ(resolve_location(from, "next"), "http://h:81/dir/next");
    EXPECT_EQ(resolve_location(*crack_url("http://[::1]/a"), "/b"), "http://[::1]:80/b");
}

TEST(HttpHead, StatusAndTheHeadersThatMatter) {
    auto head = parse_head(
        "HTTP/1.1 302 Found\r\ncontent-length:  641 \r\nLOCATION: /x\r\nContent-Length: 9\r\n\r\n");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 302);
    EXPECT_EQ(head->content_length, "641");
    EXPECT_EQ(head->location, "/x");

    head = parse_head("HTTP/1.0 200\n\n");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_FALSE(head->content_length);

    for (const char* bad :
         {"", "GIF89a", "HTTP/1.0", "HTTP/1.0 2x0 OK\r\n", "HTTP/1.0 2000\r\n", "ICY 200 OK\r\n"})
        EXPECT_FALSE(parse_head(bad)) << bad;
}

TEST(HttpHead, EndOfTheHead) {
    EXPECT_EQ(head_end("HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody"), 25u);
    EXPECT_EQ(head_end("HTTP/1.0 200 OK\nA: b\n\nbody"), 22u);
    EXPECT_FALSE(head_end("HTTP/1.0 200 OK\r\nA: b\r\n"));
    EXPECT_FALSE(head_end(""));
}

TEST(ReadBuffer, SizedFromTheAnnouncedLength) {
    EXPECT_EQ(read_buffer_size(std::nullopt), 10240u);
    EXPECT_EQ(read_buffer_size("641"), 642u);
    EXPECT_EQ(read_buffer_size(" 1"), 2u);
    EXPECT_EQ(read_buffer_size("102398"), 102399u);
    EXPECT_EQ(read_buffer_size("102399"), 102400u);
    EXPECT_EQ(read_buffer_size("500000"), 102400u);
    EXPECT_EQ(read_buffer_size("123456789012345678901234567890"), 102400u);
    EXPECT_EQ(read_buffer_size("0"), 10240u);
    EXPECT_EQ(read_buffer_size("-1"), 10240u);
    EXPECT_EQ(read_buffer_size("none"), 10240u);
    EXPECT_EQ(read_buffer_size(""), 10240u);
    EXPECT_EQ(read_buffer_size("12abc"), 13u);
    EXPECT_EQ(content_length_value("-99999999999999999999"), -9223372036854775807LL);
}

}  // namespace
}  // namespace runtime::headless
