// The XML reader event by event, its refusals, the tree built on it, and the writer's escaping
// read back by the reader.
#include <gtest/gtest.h>

#include <string>

#include "formats/xml_document.h"
#include "formats/xml_reader.h"
#include "formats/xml_writer.h"

namespace format_tests {
namespace {

using jet::Errc;

// The events as text: <name k=v>, [text], </name>; or the error.
std::string events(std::string_view doc, std::size_t depth = formats::XmlReader::kDefaultMaxDepth) {
    formats::XmlReader reader(doc, depth);
    std::string out;
    for (;;) {
        auto event = reader.next();
        if (!event) return "error " + std::string(jet::errc_name(event.error().code));
        switch (*event) {
            case formats::XmlEvent::start:
                out += "<" + std::string(reader.name());
                for (const auto& a : reader.attributes())
                    out += " " + std::string(a.name) + "=" + a.value;
                out += ">";
                break;
            case formats::XmlEvent::end:
                out += "</" + std::string(reader.name()) + ">";
                break;
            case formats::XmlEvent::text:
                out += "[" + reader.text() + "]";
                break;
            case formats::XmlEvent::done:
                return out;
        }
    }
}

TEST(Xml, ReadsWhatWorkbooksHoldAndRefusesTheRest) {
    const std::string corrupt = std::string("error ") + jet::errc_name(Errc::corrupt);
    const std::string unsupported =
        std::string("error ") + jet::errc_name(Errc::unsupported_version);
    struct Case {
        std::string doc, expected;
    };
    const Case cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<x:r xmlns:x=\"u\" b='1'>x&lt;&gt;&amp;&quot;&apos;&#20013;&#x6587;"
         "<![CDATA[<raw>&amp;]]><!-- note --><?pi data?><e/></x:r>\n<!-- after -->",
         "<x:r xmlns:x=u b=1>[x<>&\"'中文][<raw>&amp;]<e></e></x:r>"},
        {"\xEF\xBB\xBF<a t=\"x\ty\r\nz\" u='&#9;&#10;&#13;'>1\r\n2\r3&#13;&#10;</a>",
         "<a t=x y z u=\t\n\r>[1\n2\n3\r\n]</a>"},
        {"<a><b><c/></b>  </a>", "<a><b><c></c></b>[  ]</a>"},
        {"<?xml version='1.0' encoding='utf-8'?><a/>", "<a></a>"},
        {"<!DOCTYPE a [<!ENTITY x 'yyyyyyyy'>]><a>&x;</a>", unsupported},
        {"<a><!DOCTYPE a></a>", unsupported},
        {"<?xml version='1.0' encoding='GBK'?><a/>", unsupported},
        {"\xFF\xFE<\0a\0/\0>\0", unsupported},
        {"<a>&x;</a>", corrupt},
        {"<a>&amp</a>", corrupt},
        {"<a>&#0;</a>", corrupt},
        {"<a>&#x110000;</a>", corrupt},
        {"<a>&#xD800;</a>", corrupt},
        {"<a></b>", corrupt},
        {"<a>", corrupt},
        {"<a x='1'", corrupt},
        {"<a/><b/>", corrupt},
        {"text<a/>", corrupt},
        {"", corrupt},
        {"<a x='1' x='2'/>", corrupt},
        {"<a x=1/>", corrupt},
        {"<a x='<'/>", corrupt},
        {"<a>\x01</a>", corrupt},
        {"<a>\xC3\x28</a>", corrupt},
        {"<a>\xED\xA0\x80</a>", corrupt},  // a surrogate in UTF-8
        {"<a><?xml version='1.0'?></a>", corrupt},
        {"<a><!-- open</a>", corrupt},
        {"<a><![CDATA[x</a>", corrupt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(events(c.doc), c.expected) << c.doc;

    // Nesting is bounded, so a deep document cannot exhaust anything.
    std::string deep;
    for (int i = 0; i < 100; ++i)
        deep += "<d>";
    for (int i = 0; i < 100; ++i)
        deep += "</d>";
    EXPECT_NE(events(deep, 100), corrupt);
    EXPECT_EQ(events(deep, 99), corrupt);
    EXPECT_EQ(events(std::string(1'000'000, '<')), corrupt);

    // An error stays: the reader does not go on past it.
    formats::XmlReader reader("<a>&bad;</a>");
    ASSERT_TRUE(reader.next().ok());
    const auto first = reader.next();
    ASSERT_FALSE(first.ok());
    EXPECT_NE(first.error().message.find("第1行"), std::string::npos) << first.error().message;
    EXPECT_FALSE(reader.next().ok());
}

TEST(Xml, TreeFindsChildrenAndAttributesByLocalName) {
    auto root = formats::parse_xml(
        "<w:book xmlns:w='m' xmlns:r='rel'><w:sheets><w:sheet name='一' r:id='rId3'/>"
        "<w:sheet name='二' id='plain'/></w:sheets>text</w:book>");
    ASSERT_TRUE(root.ok()) << root.error().message;
    EXPECT_EQ(root->name, "w:book");
    EXPECT_EQ(root->text, "text");
    const auto sheets = root->child("sheets")->children_named("sheet");
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(*sheets[0]->attribute("name"), "一");
    EXPECT_EQ(*sheets[0]->attribute("*:id"), "rId3");
    EXPECT_EQ(sheets[1]->attribute("*:id"), nullptr);  // an unprefixed id is another attribute
    EXPECT_EQ(*sheets[1]->attribute("id"), "plain");
    EXPECT_EQ(root->child("missing"), nullptr);
    EXPECT_EQ(formats::parse_xml("<a><b/><b/><b/></a>", 3).error().code, Errc::full);
}

TEST(Xml, WriterEscapesSoTheReaderGetsTheSameTextBack) {
    const std::string tricky = "a<b>c&d\"e'f\tg\nh\ri ]]> 中文 𠀀";
    formats::XmlWriter w;
    w.open("root").attribute("v", tricky).text(tricky).open("empty").close();
    w.element("bad", std::string("x\x01y\xC3z"));
    const std::string doc = w.finish();
    EXPECT_TRUE(doc.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"));
    EXPECT_NE(doc.find("<empty/>"), std::string::npos);
    formats::XmlReader reader(doc);
    ASSERT_EQ(*reader.next(), formats::XmlEvent::start);
    EXPECT_EQ(*reader.attribute("v"), tricky);
    ASSERT_EQ(*reader.next(), formats::XmlEvent::text);
    EXPECT_EQ(reader.text(), tricky);
    EXPECT_EQ(events(doc), "<root v=" + tricky + ">[" + tricky +
                               "]<empty></empty><bad>[x\xEF\xBF\xBDy\xEF\xBF\xBDz]</bad></root>");
}

}  // namespace
}  // namespace format_tests
