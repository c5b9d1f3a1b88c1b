// The text label with its XML form, the cross-hair and the date/time label
// settings.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "corekit/PYX_pyxbase.h"
#include "vcl/Fonts.h"
#include "vcl/TextFile.h"

namespace {

namespace fs = std::filesystem;
using namespace PYX_pyxbase;

class LabelFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = (fs::temp_directory_path() / ("pyx_draw_label_" + std::to_string(::getpid()) + ".xml")).string();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove(path, ec);
    }
    void Write(TCustomTextLabel& l, bool header, const std::string& id, int indent)
    {
        vcl::TTextFile f(path);
        f.Rewrite();
        l.WriteToOpenXMLFile(f, header, id, indent);
        f.Close();
    }
    void WriteRaw(const std::string& bytes)
    {
        std::ofstream o(path, std::ios::binary);
        o << bytes;
    }
    std::string ReadRaw() const
    {
        std::ifstream i(path, std::ios::binary);
        std::stringstream ss;
        ss << i.rdbuf();
        return ss.str();
    }
    bool Read(TCustomTextLabel& l, const std::string& id)
    {
        vcl::TTextFile f(path);
        f.Reset();
        const bool ok = l.ReadFromOpenXMLFile(f, id);
        f.Close();
        return ok;
    }
    std::string path;
};

TEST_F(LabelFile, WritesTheDocumentedLines)
{
    TCustomTextLabel l;
    l.SetCaption("Peak");
    vcl::TFont f;
    f.SetStyle({vcl::fsBold, vcl::fsUnderline});
    l.SetFont(f);
    Write(l, true, "lbl1", 2);
    EXPECT_EQ(ReadRaw(),
              "  <?xml version=\"1.0\"?>\r\n"
              "\r\n"
              "  <!-- TCustomTextLabel / PYX Component Suite -->\r\n"
              "  <custtextlbl sig=\"ZERUZaraz\" vers=\"1.0\" id=\"lbl1\">\r\n"
              "    <posxy x= 1.0000000000000000E+0002 y= 1.0000000000000000E+0001 />\r\n"
              "    <caption>Peak</caption>\r\n"
              "    <colors brd=$000000 bg=$C0C0C0 shdw=$808080 />\r\n"
              "    <shadowofs dx=0 dy=0 />\r\n"
              "    <layer val=1 />\r\n"
              "    <transparent val=0 />\r\n"
              "    <visible val=1 />\r\n"
              "    <alignment horiz=taCenter vert=vaBottom />\r\n"
              "    <attachmode val=tlamNone />\r\n"
              "    <font name=\"Liberation Sans\" size=8 color=$80000008 style=\"fsBold fsUnderline\" />\r\n"
              "    <style val=tlsimple />\r\n"
              "  </custtextlbl>\r\n");
    // Without a header and with an indent of 0: one blank before each line.
    Write(l, false, "x", 0);
    const std::string text = ReadRaw();
    EXPECT_EQ(text.substr(0, 5), "\r\n <!");
    EXPECT_NE(text.find("\r\n   <layer val=1 />\r\n"), std::string::npos);
}

TEST_F(LabelFile, RoundTripKeepsEveryValue)
{
    TCustomTextLabel a;
    a.SetPosX(45123.7);
    a.SetPosY(-1.0e-300);
    a.SetLayer(7);
    a.SetShadowDx(-3);
    a.SetShadowDy(4);
    a.SetColorShadow(0x00123456);
    a.SetColorBkg(vcl::clBtnFace);  // a system colour
    a.SetColorBrd(vcl::clNone);
    a.SetAlignment(vcl::taRightJustify);
    a.SetVertAlignment(vaTop);
    a.SetAttachMode(tlamYOnly);
    a.SetTransparent(true);
    a.SetVisible(false);
    a.SetMode(tlShadow);
    a.SetCaption("a < b & \"c\" </caption> &amp; &#10;\nsecond line \xE4");
    vcl::TFont f;
    f.SetName("Liberation Serif");
    f.SetSize(13);
    f.SetColor(0x00010203);
    f.SetStyle({vcl::fsItalic, vcl::fsStrikeOut});
    a.SetFont(f);
    Write(a, true, "first", 1);

    TCustomTextLabel b;
    int changes = 0;
    b.OnChange = [&](vcl::TObject* s) { ++changes; EXPECT_EQ(s, &b); };
    ASSERT_TRUE(Read(b, "FIRST")); // IDs compare without regard to case
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.GetPosX(), 45123.7);
    EXPECT_EQ(b.GetPosY(), -1.0e-300);
    EXPECT_EQ(b.GetLayer(), 7);
    EXPECT_EQ(b.GetShadowDx(), -3);
    EXPECT_EQ(b.GetShadowDy(), 4);
    EXPECT_EQ(b.GetColorShadow(), 0x00123456u);
    EXPECT_EQ(b.GetColorBkg(), vcl::clBtnFace);
    EXPECT_EQ(b.GetColorBrd(), vcl::clNone);
    EXPECT_EQ(b.GetAlignment(), vcl::taRightJustify);
    EXPECT_EQ(b.GetVertAlignment(), vaTop);
    EXPECT_EQ(b.GetAttachMode(), tlamYOnly);
    EXPECT_TRUE(b.GetTransparent());
    EXPECT_FALSE(b.GetVisible());
    EXPECT_EQ(b.GetMode(), tlShadow);
    EXPECT_EQ(b.GetCaption(), a.GetCaption());
    EXPECT_EQ(b.GetFont().GetName(), "Liberation Serif");
    EXPECT_EQ(b.GetFont().GetSize(), 13);
    EXPECT_EQ(b.GetFont().GetColor(), 0x00010203u);
    EXPECT_EQ(b.GetFont().GetStyle(), (vcl::TFontStyles{vcl::fsItalic, vcl::fsStrikeOut}));
}

TEST_F(LabelFile, ReaderFindsTheWantedLabel)
{
    TCustomTextLabel one, two;
    one.SetCaption("one");
    two.SetCaption("two");
    {
        vcl::TTextFile f(path);
        f.Rewrite();
        one.WriteToOpenXMLFile(f, true, "one", 1);
        two.WriteToOpenXMLFile(f, false, "two", 1);
        f.Close();
    }
    TCustomTextLabel l;
    ASSERT_TRUE(Read(l, "two"));
    EXPECT_EQ(l.GetCaption(), "two");
    ASSERT_TRUE(Read(l, ""));
    EXPECT_EQ(l.GetCaption(), "one");
    int changes = 0;
    l.OnChange = [&](vcl::TObject*) { ++changes; };
    EXPECT_FALSE(Read(l, "three"));
    EXPECT_EQ(changes, 0);
}

// Values that the setters would refuse do not enter from a file either.
TEST_F(LabelFile, ReaderAppliesTheSettersRules)
{
    WriteRaw("<custtextlbl sig=\"ZERUZaraz\" vers=\"1.0\" id=\"a\">\r\n"
             "<layer val=0 />\r\n"
             "<posxy x= 4.512E+0004 y=-1.5E+0000 />\r\n" // the short form other writers use
             "<alignment horiz=taLeft vert=vaMiddle />\r\n"
             "<caption>tab\there</caption>\r\n"
             "<transparent val=2 />\r\n"
             "<colors bg=$ff />\r\n"
             "<unknown val=1 />\r\n"
             "</custtextlbl>\r\n");
    TCustomTextLabel l;
    l.SetLayer(5);
    l.SetVertAlignment(vaTop);
    l.SetTransparent(true);
    ASSERT_TRUE(Read(l, "a"));
    EXPECT_EQ(l.GetLayer(), 5);
    EXPECT_EQ(l.GetAlignment(), vcl::taCenter);
    EXPECT_EQ(l.GetVertAlignment(), vaTop);
    EXPECT_EQ(l.GetCaption(), "tab here");
    EXPECT_FALSE(l.GetTransparent()); // true only for exactly 1
    EXPECT_EQ(l.GetColorBkg(), 0xFFu);
    EXPECT_EQ(l.GetColorBrd(), 0u);   // absent: unchanged
    EXPECT_EQ(l.GetPosX(), 45120.0);
    EXPECT_EQ(l.GetPosY(), -1.5);

    WriteRaw("<custtextlbl sig=\"ZERUZaraz\" vers=\"1.0\" id=\"a\">\r\n<layer val=17 />\r\n</custtextlbl>");
    ASSERT_TRUE(Read(l, "a"));
    EXPECT_EQ(l.GetLayer(), 5);
    WriteRaw("<custtextlbl sig=\"ZERUZaraz\" vers=\"1.0\" id=\"a\">\r\n<layer val=16 />\r\n</custtextlbl>");
    ASSERT_TRUE(Read(l, "a"));
    EXPECT_EQ(l.GetLayer(), 16);
}

TEST_F(LabelFile, ACutOffFileChangesNothing)
{
    WriteRaw("<custtextlbl sig=\"ZERUZaraz\" vers=\"1.0\" id=\"a\">\r\n"
             "<layer val=3 />\r\n<caption>new");
    TCustomTextLabel l;
    l.SetCaption("old");
    int changes = 0;
    l.OnChange = [&](vcl::TObject*) { ++changes; };
    EXPECT_FALSE(Read(l, "a"));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(l.GetLayer(), 1);
    EXPECT_EQ(l.GetCaption(), "old");
    WriteRaw("");
    EXPECT_FALSE(Read(l, ""));
}

TEST(TextLabel, InitialValues)
{
    TCustomTextLabel l;
    EXPECT_EQ(l.GetPosX(), 100.0);
    EXPECT_EQ(l.GetPosY(), 10.0);
    EXPECT_EQ(l.GetLayer(), 1);
    EXPECT_EQ(l.GetColorShadow(), 0x808080u);
    EXPECT_EQ(l.GetColorBkg(), 0xC0C0C0u);
    EXPECT_EQ(l.GetColorBrd(), 0u);
    EXPECT_EQ(l.GetAlignment(), vcl::taCenter);
    EXPECT_EQ(l.GetVertAlignment(), vaBottom);
    EXPECT_EQ(l.GetAttachMode(), tlamNone);
    EXPECT_FALSE(l.GetTransparent());
    EXPECT_TRUE(l.GetVisible());
    EXPECT_EQ(l.GetMode(), tlsimple);
    EXPECT_EQ(l.GetCaption(), "");
    EXPECT_EQ(l.GetFont().GetName(), "Liberation Sans");
    EXPECT_EQ(l.GetFont().GetSize(), 8);
}

TEST(TextLabel, CaptionKeepsLineFeedsOnly)
{
    struct Case { std::string in, out; } cases[] = {
        {"a\tb", "a b"},
        {"a\nb", "a\nb"},
        {"a\r\nb", "a \nb"},
        {std::string("x\0y", 3), "x y"},
        {"\x1F\x20\x7F\xFF", " \x20\x7F\xFF"},
        {"", ""},
    };
    TCustomTextLabel l;
    for (const auto& c : cases) {
        l.SetCaption(c.in);
        EXPECT_EQ(l.GetCaption(), c.out);
    }
}

TEST(TextLabel, SettersFireOnChangeAndLayerIgnoresItsOutliers)
{
    TCustomTextLabel l;
    int changes = 0;
    l.OnChange = [&](vcl::TObject*) { ++changes; };
    l.SetPosX(1);
    l.SetPosX(1); // stores and fires every time
    l.SetCaption("c");
    l.SetMode(tlBox);
    EXPECT_EQ(changes, 4);
    struct Case { int v, stored, changes; } cases[] = {{0, 1, 0}, {17, 1, 0}, {-1, 1, 0}, {16, 16, 1}, {1, 1, 1}};
    for (const auto& c : cases) {
        changes = 0;
        l.SetLayer(1);
        changes = 0;
        l.SetLayer(c.v);
        EXPECT_EQ(l.GetLayer(), c.stored) << c.v;
        EXPECT_EQ(changes, c.changes) << c.v;
    }
}

TEST(TextLabel, AssignCopiesEverythingOnce)
{
    TCustomTextLabel a, b;
    a.SetPosX(3.5);
    a.SetCaption("x");
    a.SetLayer(9);
    a.SetColorBkg(vcl::clRed);
    a.SetMode(tlUnderline);
    vcl::TFont f;
    f.SetSize(20);
    f.SetStyle({vcl::fsBold});
    a.SetFont(f);
    int changes = 0;
    b.OnChange = [&](vcl::TObject*) { ++changes; };
    b.Assign(&a);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.GetPosX(), 3.5);
    EXPECT_EQ(b.GetCaption(), "x");
    EXPECT_EQ(b.GetLayer(), 9);
    EXPECT_EQ(b.GetColorBkg(), vcl::clRed);
    EXPECT_EQ(b.GetMode(), tlUnderline);
    EXPECT_EQ(b.GetFont().GetSize(), 20);
    EXPECT_EQ(b.GetFont().GetStyle(), vcl::TFontStyles{vcl::fsBold});
    EXPECT_NE(&b.GetFont(), &a.GetFont()); // each label keeps its own font
    TCrossHair other;
    EXPECT_THROW(b.Assign(&other), vcl::EConvertError);
}

// ---------------------------------------------------------------------------

TEST(CrossHair, StartsAtZeroAndEverySetterFires)
{
    TCrossHair c;
    EXPECT_EQ(c.GetPosX(), 0.0);
    EXPECT_EQ(c.GetPosY(), 0.0);
    EXPECT_EQ(c.GetColor(), 0u);
    EXPECT_EQ(c.GetLayer(), 0);
    EXPECT_EQ(c.GetMode(), chOff);
    EXPECT_EQ(c.GetLineType(), vcl::psSolid);
    EXPECT_EQ(c.GetLineWid(), 0);
    int changes = 0;
    c.OnChange = [&](vcl::TObject* s) { ++changes; EXPECT_EQ(s, &c); };
    c.SetPosX(0); // the same value fires too
    c.SetPosY(2);
    c.SetColor(vcl::clRed);
    c.SetMode(chBoth);
    c.SetLineType(vcl::psDot);
    c.SetLineWid(3);
    c.SetLayer(2);
    EXPECT_EQ(changes, 7);
    struct Case { int in, out; } cases[] = {{-5, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 2}, {INT32_MAX, 2}};
    for (const auto& k : cases) {
        c.SetLayer(k.in);
        EXPECT_EQ(c.GetLayer(), k.out) << k.in;
    }
    TCrossHair d;
    changes = 0;
    d.OnChange = [&](vcl::TObject*) { ++changes; };
    d.Assign(&c);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(d.GetPosY(), 2.0);
    EXPECT_EQ(d.GetColor(), vcl::clRed);
    EXPECT_EQ(d.GetMode(), chBoth);
    EXPECT_EQ(d.GetLineType(), vcl::psDot);
    EXPECT_EQ(d.GetLineWid(), 3);
    EXPECT_EQ(d.GetLayer(), 2);
}

TEST(DTLabel, WhichSettersFireOnAnUnchangedValue)
{
    TDTLabel l;
    EXPECT_EQ(l.GetDateSeparator(), '\0');
    EXPECT_EQ(l.GetTimeSeparator(), '\0');
    EXPECT_EQ(l.GetTimeFormat(), tfHHMMSS);
    EXPECT_EQ(l.GetDateOrder(), doMMDDYY);
    EXPECT_EQ(l.GetYearLength(), ylNone);
    EXPECT_FALSE(l.GetMonthName());
    EXPECT_EQ(l.GetDateForTime(), dtNone);
    int changes = 0;
    l.OnChange = [&](vcl::TObject*) { ++changes; };
    struct Case { const char* what; std::function<void()> same, other; bool sameFires; } cases[] = {
        {"TimeFormat", [&] { l.SetTimeFormat(tfHHMMSS); }, [&] { l.SetTimeFormat(tfAMPM); }, true},
        {"DateOrder", [&] { l.SetDateOrder(doMMDDYY); }, [&] { l.SetDateOrder(doYYMMDD); }, true},
        {"DateSeparator", [&] { l.SetDateSeparator('\0'); }, [&] { l.SetDateSeparator('.'); }, false},
        {"TimeSeparator", [&] { l.SetTimeSeparator('\0'); }, [&] { l.SetTimeSeparator(':'); }, false},
        {"YearLength", [&] { l.SetYearLength(ylNone); }, [&] { l.SetYearLength(ylYYYY); }, false},
        {"MonthName", [&] { l.SetMonthName(false); }, [&] { l.SetMonthName(true); }, false},
        {"DateForTime", [&] { l.SetDateForTime(dtNone); }, [&] { l.SetDateForTime(dtAllTicks); }, false},
    };
    for (const auto& c : cases) {
        changes = 0;
        c.same();
        EXPECT_EQ(changes, c.sameFires ? 1 : 0) << c.what;
        changes = 0;
        c.other();
        EXPECT_EQ(changes, 1) << c.what;
    }
    TDTLabel m;
    changes = 0;
    m.OnChange = [&](vcl::TObject*) { ++changes; };
    m.Assign(&l);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(m.GetTimeFormat(), tfAMPM);
    EXPECT_EQ(m.GetDateOrder(), doYYMMDD);
    EXPECT_EQ(m.GetDateSeparator(), '.');
    EXPECT_EQ(m.GetTimeSeparator(), ':');
    EXPECT_EQ(m.GetYearLength(), ylYYYY);
    EXPECT_TRUE(m.GetMonthName());
    EXPECT_EQ(m.GetDateForTime(), dtAllTicks);
}

} // namespace
