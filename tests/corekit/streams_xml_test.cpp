// The attribute scanner, the tag readers and the framing of the XML files.
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corekit/PYX_streams.h"

namespace {

namespace fs = std::filesystem;
using namespace PYX_streams;
using vcl::TStringStream;
using vcl::TTextFile;

TEST(Attributes, ScanForXMLAttrib)
{
    struct Case { std::string attrs, name, value; } cases[] = {
        {R"( x="1.5" Y=2 )", "y", "2"},
        {R"( x="1.5" Y=2 )", "X", "1.5"},
        {"a==1", "a", ""},                       // syntax error
        {R"(a"b=1)", "a", ""},                   // quote in a name
        {"a=1=2", "a", ""},                      // "=" in a plain value
        {R"(cap="a b = c" n=3)", "cap", "a b = c"},
        {R"(cap="a b = c" n=3)", "n", "3"},
        {"  w  =  7 ", "w", "7"},
        {"w=", "w", ""},
        {"name", "name", ""},                    // the end completes a pair without value
        {R"(a="open)", "a", "open"},
        {R"(a=x"b=2)", "b", "2"},                // a quote ends a plain value
        {R"(a="&lt;&amp;")", "a", "&lt;&amp;"},  // raw, not unescaped
        {"", "a", ""},
        {"x=1", "missing", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScanForXMLAttrib(c.attrs, c.name), c.value) << c.attrs << " / " << c.name;
}

constexpr std::array<std::string_view, 4> kTags = {"posxy", "caption", "/obj", "dummy"};

TEST(Tags, ReadNextTagInStream)
{
    struct Case { std::string bytes; int index; std::string content, attrs, rest; } cases[] = {
        {"<caption>Hello</Caption>tail", 1, "Hello", "", "tail"},
        {"junk <posxy x=1 y=2 />more", 0, "", "x=1 y=2", "more"},
        {"<other/>", 3, "", "", ""},
        {"", 3, "", "", ""},
        {"no tags at all", 3, "", "", ""},
        {"</obj>", 2, "", "", ""},
        {"<CAPTION  font=\"x\" >a<b>c</caption>", 1, "a<b>c", "font=\"x\"", ""},
        {"<caption>never closed", 1, "never closed", "", ""},
        {"<posxy x=1", 0, "", "x=1", ""},          // a tag without ">" runs to the end
        {"<caption>a</caption></caption>", 1, "a", "", "</caption>"},
        {"<!-- note --><posxy/>", 3, "", "note --", "<posxy/>"}, // comments own no content
        {"<caption\r\nsize=2>x</caption>", 1, "x", "size=2", ""},
        {"<>x", 3, "", "", "x"},
    };
    for (const auto& c : cases) {
        TStringStream s(c.bytes);
        std::string content = "old", attrs = "old";
        EXPECT_EQ(ReadNextTagInStream(s, kTags, content, attrs), c.index) << c.bytes;
        EXPECT_EQ(content, c.content) << c.bytes;
        EXPECT_EQ(attrs, c.attrs) << c.bytes;
        EXPECT_EQ(StreamAsString(s), c.rest) << c.bytes;
    }
    TStringStream s("<a/>");
    std::string content, attrs;
    EXPECT_EQ(ReadNextTagInStream(s, {}, content, attrs), -1);
}

TEST(Tags, StreamSearches)
{
    TStringStream s("<a>1</a><item k=\"v\">two</ITEM><b/>");
    std::string content, attrs;
    EXPECT_TRUE(ScanStreamForXMLTag(s, "Item", content, attrs));
    EXPECT_EQ(content, "two");
    EXPECT_EQ(attrs, "k=\"v\"");
    EXPECT_FALSE(ScanStreamForXMLTag(s, "item", content, attrs));

    const std::array<std::string_view, 3> list = {"b", "/c", "z"};
    TStringStream t("text <a>x</a> <B attr>rest");
    int index = 99;
    EXPECT_EQ(ReadStreamUntilTagList(t, list, index), "text <a>x</a> ");
    EXPECT_EQ(index, 0);
    EXPECT_EQ(StreamAsString(t), "<B attr>rest");
    TStringStream u("a <x> </c>");
    EXPECT_EQ(ReadStreamUntilTagList(u, list, index), "a <x> ");
    EXPECT_EQ(index, 1);
    TStringStream w("nothing <here>");
    EXPECT_EQ(ReadStreamUntilTagList(w, list, index), "nothing <here>");
    EXPECT_EQ(index, -1);
}

TEST(Streams, ExtractAndReplace)
{
    TStringStream s("alpha one\r\nbeta\nGamma ONE\nlast one");
    vcl::TMemoryStream dest;
    EXPECT_EQ(ExtractFromStream(s, dest, {"one", ""}), 3);
    EXPECT_EQ(std::string(dest.Bytes().begin(), dest.Bytes().end()), "alpha one\r\nGamma ONE\r\nlast one\r\n");

    TStringStream src("a-B-b-c-b");
    TStringStream out("old content");
    int32_t n = 0;
    std::string last;
    SearchAndReplace(src, out, "b", "[x]", true, 0, n, last);
    EXPECT_EQ(out.DataString(), "a-[x]-[x]-c-[x]");
    EXPECT_EQ(n, 3);
    EXPECT_EQ(last, "b");
    SearchAndReplace(src, out, "b", "", false, 1, n, last);
    EXPECT_EQ(out.DataString(), "a-B--c-b");
    SearchAndReplace(src, out, "-", "", false, 0, n, last,
                     [](const std::string& m) { return m + m; });
    EXPECT_EQ(out.DataString(), "a--B--b--c--b");
    EXPECT_EQ(n, 4);
    SearchAndReplace(src, out, "", "x", false, 0, n, last);
    EXPECT_EQ(out.DataString(), "a-B-b-c-b");
    EXPECT_EQ(n, 0);
}

TEST(Escaping, RoundTripsEveryByte)
{
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    EXPECT_EQ(XMLUnescape(XMLEscape(all)), all);
    EXPECT_EQ(XMLEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c'");
    EXPECT_EQ(XMLUnescape("&amp;lt; &copy; & &quot"), "&lt; &copy; & &quot");
    EXPECT_EQ(XMLAttr("v", "x\"\r\ny"), " v=\"x&quot;&#13;&#10;y\"");
    EXPECT_EQ(XMLElement("caption", "</caption>"), "<caption>&lt;/caption&gt;</caption>");
}

// ---------------------------------------------------------------------------
// The file framing, with a small object of two fields as every format has.

class XmlFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "pyx-xml-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        path_ = (dir_ / "obj.xml").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Slurp() const
    {
        std::string bytes;
        if (std::FILE* f = std::fopen(path_.c_str(), "rb")) {
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
            std::fclose(f);
        }
        return bytes;
    }
    fs::path dir_;
    std::string path_;
};

struct Obj {
    std::string caption;
    double x = 0;
    int32_t count = 0;
    int changes = 0;

    static constexpr std::array<std::string_view, 4> kTags = {"caption", "pos", "/obj", "dummy"};

    void Write(TTextFile& f, bool header, const std::string& id, std::optional<int> indent = std::nullopt) const
    {
        WriteXMLObjectStart(f, header, "obj", "TObj", id, XMLAttr("count", std::to_string(count)), indent);
        WriteXMLLine(f, "  " + XMLElement("caption", caption), indent);
        WriteXMLLine(f, "  <pos" + XMLAttr("x", std::to_string(x)) + " />", indent);
        WriteXMLObjectEnd(f, "obj", indent);
    }
    bool Read(TTextFile& f, const std::string& id)
    {
        std::string start;
        if (!FindXMLObjectStart(f, "obj", id, &start)) return false;
        XMLAttrInt(start, "count", count);
        const bool complete = ReadXMLObjectBody(f, "obj", kTags, [&](int ix, const std::string& content,
                                                                      const std::string& attrs) {
            if (ix == 0) caption = XMLUnescape(content);
            if (ix == 1) XMLAttrFloat(attrs, "x", x);
        });
        ++changes;
        return complete;
    }
};

TEST_F(XmlFile, FramingIsWrittenAsTheFormatSays)
{
    Obj o{"Hi", 1.5, 3};
    SaveAsXMLFile(path_, [&](TTextFile& f) { o.Write(f, true, "main"); });
    EXPECT_EQ(Slurp(), "<?xml version=\"1.0\"?>\r\n"
                       "\r\n"
                       "<!-- TObj / PYX Component Suite -->\r\n"
                       "<obj sig=\"ZERUZaraz\" vers=\"1.0\" id=\"main\" count=\"3\">\r\n"
                       "  <caption>Hi</caption>\r\n"
                       "  <pos x=\"1.500000\" />\r\n"
                       "</obj>\r\n");
    SaveAsXMLFile(path_, [&](TTextFile& f) { o.Write(f, false, "main", 0); });
    EXPECT_EQ(Slurp(), "\r\n"
                       " <!-- TObj / PYX Component Suite -->\r\n"
                       " <obj sig=\"ZERUZaraz\" vers=\"1.0\" id=\"main\" count=\"3\">\r\n"
                       "   <caption>Hi</caption>\r\n"
                       "   <pos x=\"1.500000\" />\r\n"
                       " </obj>\r\n");
}

TEST_F(XmlFile, TextsWithMarkupCharactersSurviveARoundTrip)
{
    const std::string nasty[] = {"a < b & c", "</caption>", "say \"hi\"", "x > y", "&amp; stays", "two\r\nlines"};
    for (const auto& text : nasty) {
        Obj o{text, -2.25, 7};
        const std::string id = "id \"" + text + "\" <1>";
        SaveAsXMLFile(path_, [&](TTextFile& f) { o.Write(f, true, id); });
        Obj back;
        EXPECT_TRUE(LoadFromXMLFile(path_, [&](TTextFile& f) { return back.Read(f, id); })) << text;
        EXPECT_EQ(back.caption, text);
        EXPECT_EQ(back.x, -2.25);
        EXPECT_EQ(back.count, 7);
    }
}

TEST_F(XmlFile, SeveralObjectsInOneFileAreFoundByIdOrInOrder)
{
    Obj a{"first", 1, 1}, b{"second", 2, 2}, c{"third", 3, 3};
    SaveAsXMLFile(path_, [&](TTextFile& f) {
        a.Write(f, true, "One");
        b.Write(f, false, "two", 2);
        c.Write(f, false, "three");
    });
    Obj got;
    EXPECT_TRUE(LoadFromXMLFile(path_, [&](TTextFile& f) { return got.Read(f, "TWO"); }));
    EXPECT_EQ(got.caption, "second");
    EXPECT_EQ(got.changes, 1);
    // In order from one open file, the empty ID taking the next object.
    TTextFile f(path_);
    f.Reset();
    Obj r1, r2, r3, r4;
    EXPECT_TRUE(r1.Read(f, ""));
    EXPECT_TRUE(r2.Read(f, ""));
    EXPECT_TRUE(r3.Read(f, "three"));
    EXPECT_FALSE(r4.Read(f, ""));
    EXPECT_EQ(r4.changes, 0); // not found: unchanged
    EXPECT_EQ(r1.caption + r2.caption + r3.caption, "firstsecondthird");
    f.Close();
    Obj none;
    EXPECT_FALSE(LoadFromXMLFile(path_, [&](TTextFile& g) { return none.Read(g, "four"); }));
    EXPECT_EQ(none.caption, "");
}

TEST_F(XmlFile, StartTagSearchIsStrictAboutNamesAndIds)
{
    std::ofstream(path_, std::ios::binary)
        << "<objx sig=\"ZERUZaraz\" vers=\"1.0\" id=\"a\">\n<caption>wrong</caption>\n</objx>\n"
           "<obj sig=\"ZERUZaraz\" vers=\"1.0\" grid=\"a\" id=\" A \">\n<caption>right</caption>\n</obj>\n";
    Obj o;
    EXPECT_TRUE(LoadFromXMLFile(path_, [&](TTextFile& f) { return o.Read(f, "a"); }));
    EXPECT_EQ(o.caption, "right");
    // Without the signature the start tag is not taken.
    std::ofstream(path_, std::ios::binary) << "<obj id=\"a\">\n<caption>x</caption>\n</obj>\n";
    Obj p;
    EXPECT_FALSE(LoadFromXMLFile(path_, [&](TTextFile& f) { return p.Read(f, "a"); }));
}

TEST_F(XmlFile, ATruncatedBodyIsReportedAndUnknownTagsSkipped)
{
    std::ofstream(path_, std::ios::binary)
        << "<obj sig=\"ZERUZaraz\" id=\"t\">\r\n<unknown a=\"1\"/>\r\n<pos x=\"4e1\" />\r\n<caption>cut";
    Obj o;
    EXPECT_FALSE(LoadFromXMLFile(path_, [&](TTextFile& f) { return o.Read(f, "t"); }));
    EXPECT_EQ(o.x, 40.0);
    EXPECT_EQ(o.caption, "cut");
    EXPECT_THROW(LoadFromXMLFile((dir_ / "missing.xml").string(), [&](TTextFile& f) { return o.Read(f, ""); }),
                 vcl::EInOutError);
}

TEST_F(XmlFile, TextFileTagReaderMatchesTheStreamReader)
{
    const std::string bytes = "x<posxy a=1/> <caption k='v'>Te\r\nxt</CAPTION><z>";
    std::ofstream(path_, std::ios::binary) << bytes;
    TTextFile f(path_);
    f.Reset();
    TStringStream s(bytes);
    for (int i = 0; i < 4; ++i) {
        std::string c1, a1, c2, a2;
        EXPECT_EQ(ReadNextTagInTextFile(f, kTags, c1, a1), ReadNextTagInStream(s, kTags, c2, a2));
        EXPECT_EQ(c1, c2);
        EXPECT_EQ(a1, a2);
    }
    EXPECT_TRUE(f.Eof());
}

} // namespace
