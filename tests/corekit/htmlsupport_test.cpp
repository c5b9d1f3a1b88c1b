// HTML templates, the HTML word counter, URL helpers and entities.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corekit/PYX_htmlsupport.h"
#include "corekit/PYX_stringl.h"
#include "vcl/Cp1252.h"
#include "vcl/Streams.h"

using namespace PYX_htmlsupport;
using namespace vcl::literals;

namespace {

struct Call {
    std::string name, params, replacementIn;
};

// A producer whose handler records every call and replaces the tags named
// in a table.
class ProducerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        p.OnHTMLTag = [this](vcl::TObject* sender, const std::string& name, const std::string& params,
                             std::string& replacement) {
            EXPECT_EQ(sender, &p);
            calls.push_back({name, params, replacement});
            for (const auto& [n, r] : replace)
                if (n == name) replacement = r;
        };
    }
    std::string Run(const std::string& templ)
    {
        calls.clear();
        p.SetTemplate(templ);
        std::string out;
        p.Convert(out);
        EXPECT_EQ(out, p.GetConvertedHTML());
        return out;
    }
    THtmlProducer p{nullptr};
    std::vector<Call> calls;
    std::vector<std::pair<std::string, std::string>> replace = {{"date", "X"}, {"empty", ""}};
};

std::string TempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("htmlsupport_" + name)).string();
}

} // namespace

TEST_F(ProducerTest, ReplacesSpecialTags)
{
    EXPECT_EQ(Run("a<#date fmt=long>b"), "aXb");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, "date");
    EXPECT_EQ(calls[0].params, "fmt=long");
    EXPECT_EQ(calls[0].replacementIn, "<#date fmt=long>");

    EXPECT_EQ(Run("<#DATE>"), "X");
    EXPECT_EQ(calls[0].name, "date");
    EXPECT_EQ(calls[0].params, "");

    struct Case { const char* templ; const char* out; } cases[] = {
        {"x<y", "x<y"},
        {"end<", "end<"},
        {"<b>bold</b>", "<b>bold</b>"},
        {"<#other a b>", "<#other a b>"},             // left alone: stays as it was
        {"1<#empty>2<#date   spaced  >3", "12X3"},
        {"<#date", "X"},                               // an unclosed tag runs to the end
        {"<<#date>>", "<X>"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Run(c.templ), c.out) << c.templ;
    Run("<#date   spaced  >");
    EXPECT_EQ(calls[0].params, "spaced");

    // Without a handler every tag stays.
    THtmlProducer plain(nullptr);
    plain.SetTemplate("a<#date x>b");
    std::string out;
    plain.Convert(out);
    EXPECT_EQ(out, "a<#date x>b");
}

TEST_F(ProducerTest, TemplatesFromFilesAndStreams)
{
    const std::string in = TempPath("template.html");
    {
        std::ofstream f(in, std::ios::binary);
        f << "line1\nline <#date>\r\nlast";
    }
    ASSERT_TRUE(p.ReadTemplateFromFile(in));
    EXPECT_EQ(p.GetTemplate(), "line1\r\nline <#date>\r\nlast\r\n");
    EXPECT_FALSE(p.ReadTemplateFromFile(TempPath("missing/none.html")));
    EXPECT_EQ(p.GetTemplate(), "line1\r\nline <#date>\r\nlast\r\n");

    vcl::TStringStream s("x<#date>y");
    s.SetPosition(4);
    p.ReadTemplateFromStream(s);
    EXPECT_EQ(p.GetTemplate(), "x<#date>y");

    vcl::TMemoryStream* m = p.ConvertedHTMLAsStream();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Position(), 0);
    EXPECT_EQ(std::string(m->Bytes().begin(), m->Bytes().end()), "xXy");
    vcl::TMemoryStream* m2 = p.ConvertedHTMLAsStream();
    EXPECT_EQ(m2->Size(), 3);

    const std::string out = TempPath("out.html");
    ASSERT_TRUE(p.WriteConvertedHTMLToFile(out));
    std::ifstream f(out, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    EXPECT_EQ(ss.str(), "xXy");
    EXPECT_FALSE(p.WriteConvertedHTMLToFile(TempPath("missing/out.html")));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(p.WriteConvertedHTMLToFile("/dev/full"));
    }
    std::filesystem::remove(in);
    std::filesystem::remove(out);
}

TEST(HtmlWords, CountsWordsOutsideTags)
{
    struct Case { const char* text; bool ignoreNumbers; bool inTagBefore; int words; bool inTagAfter; } cases[] = {
        {"<b>bold</b> text ", false, false, 2, false},
        {"<b>bold</b> text", false, false, 2, false},   // the final word counts
        {"hello", false, false, 1, false},
        {"a big tree", false, false, 2, false},         // one-letter runs never count
        {"x<a href=\"y z\">link</a>", false, false, 1, false},
        {"bo<i>ld", false, false, 2, false},
        {"still in tag> word", false, true, 1, false},
        {"word <open", false, false, 1, true},
        {"12 apples 3rd", true, false, 1, false},
        {"12 apples 3rd", false, false, 3, false},
        {"", false, true, 0, true},
    };
    for (const auto& c : cases) {
        bool inTag = c.inTagBefore;
        EXPECT_EQ(CountWordsHTML(c.text, c.ignoreNumbers, inTag), c.words) << c.text;
        EXPECT_EQ(inTag, c.inTagAfter) << c.text;
    }
    // Line by line gives the same count as the whole text.
    bool inTag = false;
    int total = 0;
    for (const char* line : {"<p class=", "\"x\">first line", "second <br", "> third"})
        total += CountWordsHTML(line, false, inTag);
    EXPECT_EQ(total, 4); // first, line, second, third
    // The separator set is the string library's, read at each call.
    const auto saved = PYX_stringl::WordSeps;
    PYX_stringl::WordSeps.set('e');
    inTag = false;
    EXPECT_EQ(CountWordsHTML("three", false, inTag), 1); // "thr"; a lone trailing "e" ends it
    PYX_stringl::WordSeps = saved;
}

TEST(HtmlUrl, ExtractsThePath)
{
    struct Case { const char* url; const char* path; } cases[] = {
        {"http://host.org/dir/file.html", "host.org/dir/"},
        {"HTTP://Host.org/Dir/", "Host.org/Dir/"},
        {"https://host/a/b/c", "host/a/b/"},
        {"see http://host/x", "host/"},
        {"http://host", ""},
        {"host/dir/file", "host/dir/"},
        {"file.html", ""},
        {"/", "/"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExtractHTTPPath(c.url), c.path) << c.url;
}

TEST(HtmlUrl, EncodesAndDecodes)
{
    EXPECT_EQ(URLEncode("a b/c"), "a%20b%2Fc");
    EXPECT_EQ(URLEncode("it's"), "it's");
    EXPECT_EQ(URLEncode("!*();:@&=+$,/?%#[]"), "%21%2A%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D");
    // Characters that are never valid in a URL are encoded too.
    EXPECT_EQ(URLEncode("a\r\nb\"<>\\^`{|}\x7F"), "a%0D%0Ab%22%3C%3E%5C%5E%60%7B%7C%7D%7F");
    EXPECT_EQ(URLEncode("M\xE4rz"), "M%E4rz");
    EXPECT_EQ(URLEncode("AZaz09-_.~"), "AZaz09-_.~");

    struct Case { const char* in; const char* out; } cases[] = {
        {"%2541", "%41"}, // decoded once
        {"%252e%252e%252f", "%2e%2e%2f"},
        {"%4", "%4"},
        {"%", "%"},
        {"%zz1", "%zz1"},
        {"a+b", "a+b"},
        {"%41%62c", "Abc"},
        {"50%", "50%"},
        {"%e4", "\xE4"},
    };
    for (const auto& c : cases) EXPECT_EQ(URLDecode(c.in), c.out) << c.in;
    // Every byte survives a round trip.
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    EXPECT_EQ(URLDecode(URLEncode(all)), all);
}

TEST(HtmlEntities, ConvertBothWays)
{
    EXPECT_EQ(AnsiToHTMLEntity('&'), "&amp;");
    EXPECT_EQ(AnsiToHTMLEntity('"'), "&quot;");
    EXPECT_EQ(AnsiToHTMLEntity('\xE9'), "&eacute;");
    EXPECT_EQ(AnsiToHTMLEntity('\xA0'), "&nbsp;");
    EXPECT_EQ(AnsiToHTMLEntity('a'), "a");
    EXPECT_EQ(HTMLEntityToAnsi("&eacute;"), '\xE9');
    EXPECT_EQ(HTMLEntityToAnsi("&eacute"), '\xE9');
    EXPECT_EQ(HTMLEntityToAnsi("&#233;"), '\xE9');
    EXPECT_EQ(HTMLEntityToAnsi("&#xE9;"), '\xE9');
    EXPECT_EQ(HTMLEntityToAnsi("&#8364;"), '\x80'); // the euro sign in cp1252
    EXPECT_EQ(HTMLEntityToAnsi("&lt;"), '<');
    EXPECT_EQ(HTMLEntityToAnsi("&bogus;"), 0);
    EXPECT_EQ(HTMLEntityToAnsi("&#99999999;"), 0);
    EXPECT_EQ(HTMLEntityToAnsi("&#0;"), 0);
    EXPECT_EQ(HTMLEntityToAnsi("&"), 0);
    EXPECT_EQ(HTMLEntityToAnsi(""), 0);

    const std::string text = "Caf\xE9 <b>\"M\xE4rz\" & more</b> 5 \xB0" "C";
    const std::string html = MakeStringHTMLCompatible(text);
    EXPECT_EQ(html, "Caf&eacute; &lt;b&gt;&quot;M&auml;rz&quot; &amp; more&lt;/b&gt; 5 &deg;C");
    EXPECT_EQ(ResolveHTMLEntities(html), text);
    EXPECT_EQ(ResolveHTMLEntities("a & b; &unknown; &amp"), "a & b; &unknown; &amp");
    // Every character from 160 on round-trips.
    std::string high;
    for (int c = 160; c < 256; ++c) high.push_back(static_cast<char>(c));
    EXPECT_EQ(ResolveHTMLEntities(MakeStringHTMLCompatible(high)), high);
}
