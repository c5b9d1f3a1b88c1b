#include <cstring>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "corekit/PYX_pyxbase.h"

using namespace PYX_pyxbase;

namespace {

// Tables are compared byte by byte against their Windows-1252 encodings.
TEST(LanguageTables, HoldTheExactBytes)
{
    struct Case { std::string_view got; const char* bytes; } cases[] = {
        {MonthShort[lgGerman][1], "J\xE4n"},
        {MonthShort[lgGerman][3], "M\xE4r"},
        {MonthShort[lgFrench][2], "f\xE9v"},
        {MonthShort[lgFrench][6], "juin"},
        {MonthShort[lgFrench][8], "ao\xFB"},
        {MonthShort[lgFrench][12], "d\xE9" "c"},
        {MonthShort[lgSpanish][1], "Ene"},
        {MonthShort[lgUnknown][12], "M12"},
        {MonthLong[lgGerman][1], "J\xE4nner"},
        {MonthLong[lgGerman][3], "M\xE4rz"},
        {MonthLong[lgFrench][2], "f\xE9vrier "},
        {MonthLong[lgFrench][8], "ao\xFBt"},
        {MonthLong[lgFrench][12], "d\xE9" "cembre"},
        {MonthLong[lgSpanish][5], "mai"},
        {MonthLong[lgEnglish][9], "September"},
        {MonthLong[lgUnknown][7], "M07"},
        {WeekDayShort[lgEnglish][7], "Sun"},
        {WeekDayShort[lgGerman][1], "Mo"},
        {WeekDayShort[lgSpanish][3], "mie"},
        {WeekDayShort[lgUnknown][7], "D07"},
        {WeekDayLong[lgSpanish][3], "mi\xE9rcoles"},
        {WeekDayLong[lgSpanish][6], "s\xE1" "bado"},
        {WeekDayLong[lgGerman][4], "Donnerstag"},
        {WeekDayLong[lgFrench][7], "dimanche"},
        {NumWords[lgSpanish][0], "cero"},
        {NumWords[lgFrench][1], "celui"},
        {NumWords[lgFrench][0], "z\xE9ro"},
        {NumWords[lgGerman][5], "f\xFCnf"},
        {NumWords[lgGerman][12], "zw\xF6lf"},
        {NumWords[lgEnglish][11], "eleven"},
        {NumWords[lgUnknown][0], "N00"},
        {LanguageID[lgFrench][lgGerman], "allemand"},
        {LanguageID[lgGerman][lgFrench], "franz\xF6sisch"},
        {LanguageID[lgFrench][lgFrench], "fran\xE7" "ais"},
        {LanguageID[lgSpanish][lgEnglish], "ingl\xE9s"},
        {LanguageID[lgSpanish][lgGerman], "alem\xE1n"},
        {LanguageID[lgSpanish][lgFrench], "franc\xE9s"},
        {LanguageID[lgSpanish][lgSpanish], "espa\xF1ol"},
        {LanguageID[lgEnglish][lgEnglish], "English"},
        {LanguageID[lgUnknown][lgGerman], "???"},
        {LanguageID[lgGerman][lgUnknown], "???"},
        {ISO639_2Char[lgGerman], "de"},
        {ISO639_2Char[lgUnknown], "??"},
        {ISO639_3Char[lgFrench], "fre"},
        {ISO639_3Char[lgGerman], "ger"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, std::string_view(c.bytes));
}

TEST(LanguageTables, EntriesStayWithinCapacityAndRangesAreGuarded)
{
    for (int lg = lgUnknown; lg <= lgSpanish; ++lg) {
        for (int m = 1; m <= 12; ++m) {
            EXPECT_FALSE(MonthShort[lg][m].empty());
            EXPECT_LE(MonthShort[lg][m].size(), 4u);
            EXPECT_LE(MonthLong[lg][m].size(), 10u);
        }
        for (int d = 1; d <= 7; ++d) {
            EXPECT_LE(WeekDayShort[lg][d].size(), 3u);
            EXPECT_LE(WeekDayLong[lg][d].size(), 10u);
        }
        for (int n = 0; n <= 12; ++n) EXPECT_LE(NumWords[lg][n].size(), 6u);
        for (int k = lgUnknown; k <= lgSpanish; ++k) EXPECT_LE(LanguageID[lg][k].size(), 15u);
        // Outside the index range a table reads as empty.
        EXPECT_TRUE(MonthShort[lg][0].empty());
        EXPECT_TRUE(MonthLong[lg][13].empty());
        EXPECT_TRUE(WeekDayLong[lg][8].empty());
        EXPECT_TRUE(NumWords[lg][13].empty());
        EXPECT_TRUE(NumWords[lg][-1].empty());
    }
    EXPECT_EQ(MonthLong[lgFrench][2].size(), 8u);
}

TEST(XmlNames, MatchTheEnumeratorsAndMapBack)
{
    EXPECT_EQ(xmlFrameStyle[fsRaised], "fsRaised");
    EXPECT_EQ(xmlVarKind[Bool], "bool");
    EXPECT_EQ(xmlTxtLblMode[tlsimple], "tlsimple");
    EXPECT_EQ(xmlMouseActMode[maRotZOnly], "maRotZOnly");
    EXPECT_EQ(xmlAlignment[vcl::taCenter], "taCenter");
    EXPECT_EQ(xmlFontStyle[vcl::fsStrikeOut], "fsStrikeOut");
    EXPECT_EQ(xmlLanguage.size(), 5u);

    EXPECT_EQ(XmlNameToOrdinal("fsEngraved", xmlFrameStyle), fsEngraved);
    EXPECT_EQ(XmlNameToOrdinal("bool", xmlVarKind), Bool);
    EXPECT_EQ(XmlNameToOrdinal("Bool", xmlVarKind), -1); // case-sensitive
    EXPECT_EQ(XmlNameToOrdinal("tlSimple", xmlTxtLblMode), -1);
    EXPECT_EQ(XmlNameToOrdinal("", xmlFrameStyle), -1);
    EXPECT_EQ(XmlNameToOrdinal("dirRightward", xmlDirection), dirRightward);
}

TEST(Enumerations, AreOneByteWithOrdinalsInOrder)
{
    static_assert(sizeof(TMouseActMode) == 1 && sizeof(TLanguage) == 1 && sizeof(TFrameStyle) == 1);
    EXPECT_EQ(maRotZOnly, 14);
    EXPECT_EQ(fsEngraved, 5);
    EXPECT_EQ(lgSpanish, 4);
    EXPECT_EQ(strg, 6);
    EXPECT_EQ(dfNumeric, 3);
}

TEST(HtmlEntities, CoverLatin1InCodeOrder)
{
    struct Case { int code; const char* text; } cases[] = {
        {160, "&nbsp;"}, {169, "&copy;"}, {173, "&shy;"}, {183, "&middot;"}, {190, "&frac34;"}, {198, "&AElig;"},
        {208, "&ETH;"}, {215, "&times;"}, {222, "&THORN;"}, {223, "&szlig;"}, {247, "&divide;"},
        {254, "&thorn;"}, {255, "&yuml;"},
    };
    for (auto c : cases) EXPECT_EQ(HTMLLat1Entities[c.code], c.text) << c.code;
    for (int code = 160; code <= 255; ++code) {
        std::string_view e = HTMLLat1Entities[code];
        ASSERT_GE(e.size(), 4u) << code;
        EXPECT_LE(e.size(), 8u);
        EXPECT_EQ(e.front(), '&');
        EXPECT_EQ(e.back(), ';');
    }
    EXPECT_TRUE(HTMLLat1Entities[159].empty());
    EXPECT_TRUE(HTMLLat1Entities[256].empty());
}

TEST(ProcessVariables, StartCleanAndCountAcrossThreads)
{
    EXPECT_EQ(MathFeedBackProc.load(), nullptr);
    EXPECT_EQ(AbortMathProc.load(), 0);
    static_assert(sizeof(MathFeedBackProc) == sizeof(void*));
    int32_t before = ProcStat.load();
    std::thread t([] {
        for (int i = 0; i < 1000; ++i) IncProcStat();
    });
    for (int i = 0; i < 1000; ++i) IncProcStat();
    t.join();
    EXPECT_EQ(ProcStat.load() - before, 2000);
    // Wraps instead of overflowing.
    ProcStat.store(INT32_MAX);
    IncProcStat();
    EXPECT_EQ(ProcStat.load(), INT32_MIN);
    ProcStat.store(0);
}

TEST(Exceptions, DeriveFromThePlatformBaseAndCarryTheMessage)
{
    try {
        throw EPYXError(OutOfMemoryMessage("Table1"));
    } catch (const vcl::Exception& e) {
        EXPECT_STREQ(e.what(), "Component \"Table1\": not enough memory on heap");
    }
}

} // namespace
