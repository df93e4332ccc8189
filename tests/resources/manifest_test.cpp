// The application manifest: well-formed XML that asks for Common Controls 6, per-monitor DPI
// awareness, the Windows 7 to 11 behaviour and no elevation, and leaves the code page alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/resources/carried_files.h"

namespace {

std::string manifest() {
    auto bytes = testing_support::carried("lanqiao.manifest");
    return {bytes.begin(), bytes.end()};
}

// Checks that every element is closed in order and that there is one root; returns what is
// wrong, or the empty text.
std::string nesting_error(const std::string& xml) {
    std::vector<std::string> open;
    int roots = 0;
    for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at)) {
        if (xml.compare(at, 4, "<!--") == 0) {
            at = xml.find("-->", at);
            if (at == std::string::npos) return "unclosed comment";
            continue;
        }
        std::size_t end = xml.find('>', at);
        if (end == std::string::npos) return "unclosed tag";
        std::string tag = xml.substr(at + 1, end - at - 1);
        at = end;
        if (tag.starts_with('?')) continue;
        std::string name = tag.substr(tag.starts_with('/') ? 1 : 0);
        name = name.substr(0, name.find_first_of(" \t\r\n/"));
        if (tag.starts_with('/')) {
            if (open.empty() || open.back() != name) return "</" + name + "> closes nothing open";
            open.pop_back();
        } else {
            if (open.empty()) ++roots;
            if (!tag.ends_with('/')) open.push_back(name);
        }
    }
    if (!open.empty()) return "<" + open.back() + "> is never closed";
    if (roots != 1) return std::to_string(roots) + " root elements";
    return "";
}

// The start tag of the first element `name` whose tag contains `containing`.
std::string start_tag(const std::string& xml, const std::string& name,
                      const std::string& containing = "") {
    for (std::size_t at = xml.find("<" + name); at != std::string::npos;
         at = xml.find("<" + name, at + 1)) {
        std::string tag = xml.substr(at, xml.find('>', at) - at + 1);
        if (tag.find(containing) != std::string::npos) return tag;
    }
    return "";
}

// The text between an element's start and end tags.
std::string content(const std::string& xml, const std::string& name) {
    std::size_t start = xml.find("<" + name);
    if (start == std::string::npos) return "";
    start = xml.find('>', start) + 1;
    return xml.substr(start, xml.find("</" + name + ">", start) - start);
}

TEST(Manifest, IsWellFormed) {
    std::string xml = manifest();
    EXPECT_TRUE(xml.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
    EXPECT_EQ(nesting_error(xml), "");
    EXPECT_NE(start_tag(xml, "assembly", "manifestVersion=\"1.0\""), "");
    // The checker itself notices what it is there to notice.
    EXPECT_NE(nesting_error("<a><b></a></b>"), "");
    EXPECT_NE(nesting_error("<a><b/>"), "");
    EXPECT_NE(nesting_error("<a/><b/>"), "");
    EXPECT_EQ(nesting_error("<?x?><a><!-- <b> --><c k=\"v\"/></a>"), "");
}

TEST(Manifest, AsksForCommonControls6) {
    std::string tag =
        start_tag(manifest(), "assemblyIdentity", "name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(tag, "");
    for (const char* attribute :
         {"type=\"win32\"", "version=\"6.0.0.0\"", "processorArchitecture=\"*\"",
          "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\""})
        EXPECT_NE(tag.find(attribute), std::string::npos) << attribute << " in " << tag;
    EXPECT_NE(manifest().find("<dependentAssembly>"), std::string::npos);
}

TEST(Manifest, IsPerMonitorDpiAware) {
    std::string xml = manifest();
    EXPECT_NE(start_tag(xml, "dpiAware",
                        "xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\""),
              "");
    EXPECT_EQ(content(xml, "dpiAware"), "true/pm");
    EXPECT_NE(start_tag(xml, "dpiAwareness",
                        "xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\""),
              "");
    EXPECT_TRUE(content(xml, "dpiAwareness").starts_with("PerMonitorV2"));
}

TEST(Manifest, SupportsWindows7To11) {
    std::string xml = manifest();
    EXPECT_NE(start_tag(xml, "compatibility", "urn:schemas-microsoft-com:compatibility.v1"), "");
    for (const char* id : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // 7
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // 8
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // 8.1
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})  // 10 and 11
        EXPECT_NE(start_tag(xml, "supportedOS", id), "") << id;
}

TEST(Manifest, RunsAsInvokerWithTheSystemCodePage) {
    std::string xml = manifest();
    std::string level = start_tag(xml, "requestedExecutionLevel");
    EXPECT_NE(level.find("level=\"asInvoker\""), std::string::npos) << level;
    EXPECT_NE(level.find("uiAccess=\"false\""), std::string::npos) << level;
    // The program converts text itself; a UTF-8 process code page would change what the
    // ANSI calls do.
    EXPECT_EQ(xml.find("activeCodePage"), std::string::npos);
}

}  // namespace
