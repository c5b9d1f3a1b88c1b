#include <cmath>
#include <filesystem>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corekit/PYX_dstruct.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

using namespace PYX_dstruct;

namespace {

// A table whose column 1 holds the given texts in rows 1..n.
struct Table {
    TStringArray a{nullptr};
    int changes = 0;
    explicit Table(std::vector<std::string> col1, int32_t cols = 2)
    {
        a.Resize(cols, static_cast<int32_t>(col1.size()));
        for (std::size_t i = 0; i < col1.size(); ++i) a.SetString(1, static_cast<int32_t>(i + 1), col1[i]);
        a.OnChange = [this](vcl::TObject*) { ++changes; };
    }
    std::vector<std::string> Column(int32_t c) const
    {
        std::vector<std::string> v;
        for (int32_t r = 1; r <= a.GetNrOfRows(); ++r) v.push_back(a.GetString(c, r));
        return v;
    }
};

TEST(StringArray, StartsWithOneEmptyCellPerColumn)
{
    TStringArray a(nullptr);
    EXPECT_EQ(a.GetNrOfColumns(), 1);
    EXPECT_EQ(a.GetNrOfRows(), 1);
    EXPECT_EQ(a.GetAllocRowsBy(), 10);
    EXPECT_EQ(a.GetString(0, 1), "");
    EXPECT_EQ(a.GetString(2, 1), "");
    EXPECT_EQ(a.GetSortOrder(1), 1);
    EXPECT_EQ(a.GetSortOrder(2), -1);
    a.SetAllocRowsBy(0); // would divide by zero
    a.SetAllocRowsBy(-4);
    EXPECT_EQ(a.GetAllocRowsBy(), 10);
    EXPECT_TRUE(a.Resize(1, 25));
    a.SetString(1, 25, "last");
    EXPECT_EQ(a.GetString(1, 25), "last");
}

TEST(StringArray, CellsKeepTheirTextsThroughOverwritesAndGarbageCollection)
{
    TStringArray a(nullptr);
    a.Resize(3, 200);
    a.SetString(1, 1, "hello");
    const int32_t pages = a.PageCount();
    a.SetString(1, 1, "hi");
    EXPECT_EQ(a.GetString(1, 1), "hi");
    a.SetString(1, 1, "0123456789");
    EXPECT_EQ(a.GetString(1, 1), "0123456789");
    a.SetString(2, 2, std::string(300, 'x')); // cut to 255 bytes
    EXPECT_EQ(a.GetString(2, 2), std::string(255, 'x'));
    // Fill several pages with texts that are replaced again and again.
    for (int round = 0; round < 5; ++round)
        for (int32_t r = 1; r <= 200; ++r)
            for (int32_t c = 0; c <= 3; ++c)
                a.SetString(c, r, std::string(static_cast<std::size_t>(20 + round * 20), char('a' + c)) + std::to_string(r));
    EXPECT_GT(a.PageCount(), pages);
    a.GarbageCollection();
    for (int32_t r = 1; r <= 200; ++r)
        for (int32_t c = 0; c <= 3; ++c)
            ASSERT_EQ(a.GetString(c, r), std::string(100, char('a' + c)) + std::to_string(r));
    // After compaction, new texts go into the freed room and old ones stay.
    a.SetString(0, 1, "header");
    EXPECT_EQ(a.GetString(0, 1), "header");
    EXPECT_EQ(a.GetString(1, 1), std::string(100, 'b') + "1");
}

TEST(StringArray, GetAsNumber)
{
    Table t({" 1,5 ", "", "abc", "-2.5e3", "1e", "  ", "+.5", "1e99999"});
    EXPECT_EQ(t.a.GetAsNumber(1, 1), 1.5L);
    EXPECT_EQ(t.a.GetAsNumber(1, 2), 0);
    EXPECT_EQ(t.a.GetAsNumber(1, 4), -2500);
    EXPECT_EQ(t.a.GetAsNumber(1, 6), 0);
    EXPECT_EQ(t.a.GetAsNumber(1, 7), 0.5L);
    EXPECT_TRUE(std::isinf(t.a.GetAsNumber(1, 8)));
    try {
        t.a.GetAsNumber(1, 3);
        FAIL();
    } catch (const EPYXDStructError& e) {
        EXPECT_STREQ(e.what(), "Class TStringArray: invalid numeric string: [1,3]: abc");
    }
    EXPECT_THROW(t.a.GetAsNumber(1, 5), EPYXDStructError);
}

TEST(StringArray, ResizeRules)
{
    Table t({"a", "b", "c"});
    EXPECT_FALSE(t.a.Resize(0, 5));
    EXPECT_FALSE(t.a.Resize(2, -1));
    EXPECT_TRUE(t.a.Resize(2, 3));
    EXPECT_EQ(t.changes, 0);
    t.a.SetRowAttrib(3, 9);
    t.a.SetColAttrib(2, 4);
    t.a.Sort(1, 0, false);
    EXPECT_TRUE(t.a.Resize(2, 2)); // stored row 3 ("c") leaves, though it was shown first
    EXPECT_EQ(t.a.GetSortOrder(1), 1);
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(t.a.Resize(2, 4)); // rows that come back are empty
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"a", "b", "", ""}));
    EXPECT_EQ(t.a.GetRowAttrib(3), 0);
    EXPECT_EQ(t.a.GetColAttrib(2), 4);
    t.a.SetNrOfColumns(1); // column 2 goes, its attribute too
    t.a.SetNrOfColumns(2);
    EXPECT_EQ(t.a.GetColAttrib(2), 0);
    EXPECT_EQ(t.a.GetString(1, 2), "b");
    EXPECT_EQ(t.a.AddRow(), 5);
    // Sizes whose handle table does not fit are refused, not wrapped.
    EXPECT_FALSE(t.a.Resize(2000000000, 2000000000));
    EXPECT_EQ(t.a.GetNrOfRows(), 5);
}

TEST(StringArray, SortUnsortAndCommit)
{
    Table t({"b", "a", "c"});
    t.a.SetRowAttrib(1, 7); // follows row "b"
    t.a.Sort(1, 0, true);
    EXPECT_EQ(t.a.GetString(1, 1), "a");
    EXPECT_EQ(t.a.GetSortOrder(1), 2);
    EXPECT_EQ(t.a.GetRowAttrib(2), 7);
    t.a.UnSort();
    EXPECT_EQ(t.a.GetString(1, 1), "b");
    t.a.Sort(1, 0, true);
    t.a.CommitSorting();
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"a", "b", "c"}));
    for (int32_t r = 1; r <= 3; ++r) EXPECT_EQ(t.a.GetSortOrder(r), r);
    EXPECT_EQ(t.a.GetRowAttrib(2), 7);
    t.a.UnSort();
    EXPECT_EQ(t.a.GetString(1, 1), "a");
}

TEST(StringArray, SortKeysCaseSecondColumnDirectionAndHandler)
{
    Table t({"b", "B", "a", "\xC4", "c"});
    t.a.SetString(2, 1, "2");
    t.a.SetString(2, 2, "1");
    t.a.Sort(1, 2, true);
    // "B" and "b" tie in lower case and are ordered by column 2; bytes above
    // 127 sort after ASCII.
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"a", "B", "b", "c", "\xC4"}));
    t.a.Sort(1, 0, false);
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"\xC4", "c", "B", "b", "a"}));
    // The handler supplies the key: here the text reversed.
    Table u({"ab", "ba", "ca"});
    int calls = 0;
    u.a.OnBeforeSortExchange = [&](vcl::TObject*, const std::string& in, std::string& out) {
        ++calls;
        out.assign(in.rbegin(), in.rend());
    };
    u.a.Sort(1, 0, true);
    EXPECT_EQ(u.Column(1), (std::vector<std::string>{"ba", "ca", "ab"}));
    EXPECT_EQ(calls, 3);
    std::string out;
    u.a.BeforeSortExchange("xy", out);
    EXPECT_EQ(out, "yx");
}

TEST(StringArray, SortProgressStaysWithinZeroToHundred)
{
    TStringArray a(nullptr);
    a.Resize(1, 5000);
    vcl::SplitMix64 rng(3);
    for (int32_t r = 1; r <= 5000; ++r) a.SetString(1, r, std::to_string(rng.Next() % 100000));
    std::vector<int32_t> seen;
    int changes = 0;
    a.OnPercentDone = [&](vcl::TObject*, int32_t p) { seen.push_back(p); };
    a.OnChange = [&](vcl::TObject*) { ++changes; };
    a.Sort(1, 0, true);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_LE(seen.size(), 101u);
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]);
    EXPECT_EQ(changes, 1);
    for (int32_t r = 2; r <= 5000; ++r) ASSERT_LE(a.GetString(1, r - 1), a.GetString(1, r));
    // A one-row table reports 0 and 100 and does not change.
    TStringArray one(nullptr);
    seen.clear();
    one.OnPercentDone = [&](vcl::TObject*, int32_t p) { seen.push_back(p); };
    one.Sort(1, 0, true);
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 100}));
}

TEST(StringArray, InsertAndRemoveRowsUnderASortOrder)
{
    Table t({"b", "a", "c"});
    t.a.Sort(1, 0, true); // shows a b c, stores b a c
    t.a.InsertRow(2);     // before "b"
    t.a.SetString(1, 2, "new");
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"a", "new", "b", "c"}));
    t.a.UnSort(); // in storage the new row took the place of "b"
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"new", "b", "a", "c"}));
    t.a.Sort(1, 0, true);
    t.a.RemoveRow(1); // "a"
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"b", "c", "new"}));
    t.a.UnSort();
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"new", "b", "c"}));
    t.a.InsertRow(0);
    t.a.RemoveRow(4);
    EXPECT_EQ(t.a.GetNrOfRows(), 3);

    Table one({"x"});
    one.a.SetRowAttrib(1, 3);
    one.a.RemoveRow(1);
    EXPECT_EQ(one.a.GetNrOfRows(), 1);
    EXPECT_EQ(one.a.GetString(1, 1), "");
    EXPECT_EQ(one.a.GetRowAttrib(1), 0);
}

TEST(StringArray, BrokenSortOrderNeverMakesCellsShareText)
{
    Table t({"one", "two", "three"});
    t.a.SetSortOrder(2, 1); // rows 1 and 2 both show stored row 1
    t.a.CommitSorting();    // refused: the order is reset instead
    t.a.SetString(1, 1, "uno");
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"uno", "two", "three"}));
    // Copied rows have texts of their own: overwriting one in place leaves the other.
    t.a.CopyRow(1, 3);
    t.a.SetString(1, 3, "x");
    EXPECT_EQ(t.Column(1), (std::vector<std::string>{"uno", "two", "x"}));
}

TEST(StringArray, ClearFillAndEmptiness)
{
    Table t({"a", " ", ""}, 2);
    t.a.SetString(0, 3, "hdr");
    t.a.SetColAttrib(1, 5);
    EXPECT_FALSE(t.a.ColumnEmpty(1));
    EXPECT_TRUE(t.a.ColumnEmpty(2));
    EXPECT_TRUE(t.a.RowEmpty(2));
    EXPECT_TRUE(t.a.RowEmpty(3)); // the header column does not count
    t.changes = 0;
    t.a.Fill("z");
    EXPECT_EQ(t.changes, 1);
    EXPECT_EQ(t.a.GetString(0, 1), "z");
    EXPECT_EQ(t.a.GetString(2, 3), "z");
    t.a.Fill("");
    EXPECT_EQ(t.a.GetString(2, 3), "");
    EXPECT_EQ(t.a.GetColAttrib(1), 0);
    EXPECT_EQ(t.a.GetNrOfRows(), 3);
    EXPECT_EQ(t.a.PageCount(), 1);
}

TEST(StringArray, FindCell)
{
    TStringArray a(nullptr);
    a.Resize(3, 4);
    a.SetString(2, 1, "Apple pie");
    a.SetString(1, 3, "apple");
    a.SetString(0, 4, "APPLE");
    int32_t c = 99, r = 99;
    EXPECT_TRUE(a.FindCell("PIE", false, -1, 0, -1, -1, c, r));
    EXPECT_EQ(std::make_pair(c, r), std::make_pair(2, 1));
    c = r = 99;
    EXPECT_FALSE(a.FindCell("PIE", true, -1, 0, -1, -1, c, r));
    EXPECT_EQ(std::make_pair(c, r), std::make_pair(99, 99));
    EXPECT_TRUE(a.FindCellExact("aPPle", false, -1, -1, -1, -1, c, r));
    EXPECT_EQ(std::make_pair(c, r), std::make_pair(1, 3));
    EXPECT_TRUE(a.FindCellExact("APPLE", true, -1, -1, -1, -1, c, r));
    EXPECT_EQ(std::make_pair(c, r), std::make_pair(0, 4));
    EXPECT_TRUE(a.FindCell("apple", false, 3, 0, 4, 2, c, r)); // bounds in either order
    EXPECT_EQ(std::make_pair(c, r), std::make_pair(1, 3));
    EXPECT_TRUE(a.FindCell("apple", false, 0, 0, 0, 100, c, r)); // clamped to rows 1..4
    EXPECT_EQ(std::make_pair(c, r), std::make_pair(0, 4));
    EXPECT_FALSE(a.FindCellExact("apple pie", false, 1, 1, -1, -1, c, r));
}

TEST(StringArray, FindCellInSortedColumn)
{
    Table t({"a", "b", "b", "B", "d", "e"});
    int32_t row = -7;
    EXPECT_TRUE(t.a.FindCellInSortedColumn("B", false, 1, -1, -1, true, row));
    EXPECT_EQ(row, 2); // the first of the equal cells
    EXPECT_TRUE(t.a.FindCellInSortedColumn("e", false, 1, -1, -1, true, row));
    EXPECT_EQ(row, 6);
    EXPECT_TRUE(t.a.FindCellInSortedColumn("d", false, 1, 5, 5, true, row));
    EXPECT_EQ(row, 5);
    row = -7;
    EXPECT_FALSE(t.a.FindCellInSortedColumn("c", false, 1, -1, -1, true, row));
    EXPECT_EQ(row, -7);
    EXPECT_TRUE(t.a.FindCellInSortedColumn("b", false, 1, 6, 3, true, row));
    EXPECT_EQ(row, 3); // not above the range
    t.a.Sort(1, 0, false);
    EXPECT_TRUE(t.a.FindCellInSortedColumn("a", false, 1, -1, -1, false, row));
    EXPECT_EQ(row, 6);
    EXPECT_TRUE(t.a.FindCellInSortedColumn("e", false, 1, -1, -1, false, row));
    EXPECT_EQ(row, 1);
}

TEST(StringArray, XmlRoundTrip)
{
    const auto path = std::filesystem::temp_directory_path() / "pyx_dstruct_strarray.xml";
    TStringArray a(nullptr);
    a.Resize(3, 4);
    a.SetString(0, 1, "head<er>");
    a.SetString(1, 2, "a & \"b\" </cell>");
    a.SetString(3, 4, "M\xE4rz");
    a.SetRowAttrib(4, 200);
    a.SetColAttrib(3, 1);
    a.Sort(1, 0, false);
    a.SaveAsXMLFile(path.string(), "tbl");

    TStringArray b(nullptr);
    EXPECT_FALSE(b.LoadFromXMLFile(path.string(), "other"));
    ASSERT_TRUE(b.LoadFromXMLFile(path.string(), "TBL"));
    EXPECT_EQ(b.GetNrOfColumns(), 3);
    EXPECT_EQ(b.GetNrOfRows(), 4);
    for (int32_t r = 1; r <= 4; ++r) {
        EXPECT_EQ(b.GetRowAttrib(r), a.GetRowAttrib(r));
        for (int32_t c = 0; c <= 3; ++c) EXPECT_EQ(b.GetString(c, r), a.GetString(c, r)) << c << "," << r;
    }
    EXPECT_EQ(b.GetColAttrib(3), 1);
    std::filesystem::remove(path);
}

TEST(AssocArrayXml, RoundTripOfEveryKind)
{
    TAssocArray a(nullptr);
    a.SetDataID("set <1>");
    a.Add("int", vcl::Variant(int64_t{-5}));
    a.Add("dbl", vcl::Variant(0.1));
    a.Add("cur", vcl::Variant::FromCurrency(123456));
    a.Add("str", vcl::Variant("a<b>&\"c\""));
    a.Add("date", vcl::Variant::FromDate(36526.5));
    a.Add("bool", vcl::Variant(true));
    a.Add("null", vcl::Variant::Null());
    a.Add("empty", vcl::Variant());
    vcl::TMemoryStream s;
    a.WriteToXMLStream(s, true, "first");
    TAssocArray other(nullptr);
    other.Add("x", vcl::Variant(int32_t{1}));
    other.WriteToXMLStream(s, false, "second");

    TAssocArray b(nullptr);
    s.SetPosition(0);
    ASSERT_TRUE(b.ReadFromXMLStream(s, "second"));
    EXPECT_EQ(b.Count(), 1);
    s.SetPosition(0);
    ASSERT_TRUE(b.ReadFromXMLStream(s, "FIRST"));
    EXPECT_EQ(b.GetDataID(), "set <1>");
    ASSERT_EQ(b.Count(), a.Count());
    for (int32_t i = 1; i <= a.Count(); ++i) {
        EXPECT_EQ(b.GetKeys(i), a.GetKeys(i));
        EXPECT_EQ(b.GetValues(i), a.GetValues(i)) << a.GetKeys(i);
    }
    s.SetPosition(0);
    EXPECT_FALSE(b.ReadFromXMLStream(s, "third"));
}

TEST(AssocArrayXml, AddXMLAttributes)
{
    TAssocArray a(nullptr);
    EXPECT_EQ(a.AddXMLAttributes(R"( Width="12" name='x &amp; y' flag bare=7 =9)"), 3);
    EXPECT_EQ(a.ResolveAsNumber("width"), 12);
    EXPECT_EQ(a.ResolveAsString("name"), "x & y");
    EXPECT_EQ(a.ResolveAsString("bare"), "7");
    EXPECT_TRUE(a.Resolve("flag").IsNull());
}

} // namespace
