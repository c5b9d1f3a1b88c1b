// The data table: insert, remove, mirror and sort keep each row's and column's
// values, states, names, attributes and column settings together; limits,
// invalid indices and notifications.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "numkit/numkit.h"

using namespace numkit;
using namespace vcl::literals;

namespace {

// Every cell and heading is derived from the original column c and row r, so
// that after any rearrangement each line can be traced back and checked.
double ValueOf(int c, int r) { return c * 100 + r; }
uint8_t StateOf(int c, int r) { return static_cast<uint8_t>(((c * 7 + r * 3) % 5 == 0 ? csNaN : 0) | (r % 2 ? csMarkA : 0) | (c == 2 ? csMarkB : 0)); }

struct Events {
    std::vector<std::string> log;
};

class Table : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.Resize(4, 5));
        for (int c = 1; c <= 4; ++c) {
            t.SetColName(c, "C" + std::to_string(c));
            t.SetColAttrib(c, static_cast<uint8_t>(c * 5));
            t.SetMScaleType(c, static_cast<TMScaleType>(c));
            t.SetNominalID(c, 1, "n" + std::to_string(c));
            for (int r = 1; r <= 5; ++r) {
                t.SetElem(c, r, ValueOf(c, r));
                t.SetCellState(c, r, StateOf(c, r));
            }
        }
        for (int r = 1; r <= 5; ++r) {
            t.SetRowName(r, "R" + std::to_string(r));
            t.SetRowAttrib(r, static_cast<uint8_t>(r * 3));
        }
        t.OnChange = [this](vcl::TObject* s) { EXPECT_EQ(s, &t); log.push_back("change"); };
        t.OnChangeSetup = [this](vcl::TObject*) { log.push_back("setup"); };
        t.OnResize = [this](vcl::TObject*, int32_t oc, int32_t orow, int32_t nc, int32_t nr) {
            log.push_back("resize " + std::to_string(oc) + "x" + std::to_string(orow) + "->" + std::to_string(nc) +
                          "x" + std::to_string(nr));
            EXPECT_EQ(t.GetNrOfColumns(), nc);
            EXPECT_EQ(t.GetNrOfRows(), nr);
        };
    }

    // Checks that every line still carries its own data. A line without a name
    // must be freshly inserted and empty. Returns the original indices.
    void CheckAligned(std::vector<int>* colsOut = nullptr, std::vector<int>* rowsOut = nullptr)
    {
        std::vector<int> oc, orow;
        for (int c = 1; c <= t.GetNrOfColumns(); ++c) {
            const std::string n = t.GetColName(c);
            const int o = n.empty() ? 0 : std::stoi(n.substr(1));
            oc.push_back(o);
            EXPECT_EQ(t.GetColAttrib(c), o * 5) << "column " << c;
            EXPECT_EQ(t.GetMScaleType(c), static_cast<TMScaleType>(o)) << "column " << c;
            EXPECT_EQ(t.GetNominalID(c, 1), o ? "n" + std::to_string(o) : "") << "column " << c;
        }
        for (int r = 1; r <= t.GetNrOfRows(); ++r) {
            const std::string n = t.GetRowName(r);
            const int o = n.empty() ? 0 : std::stoi(n.substr(1));
            orow.push_back(o);
            EXPECT_EQ(t.GetRowAttrib(r), o * 3) << "row " << r;
        }
        for (int c = 1; c <= t.GetNrOfColumns(); ++c)
            for (int r = 1; r <= t.GetNrOfRows(); ++r) {
                const int a = oc[c - 1], b = orow[r - 1];
                const bool fresh = a == 0 || b == 0;
                EXPECT_EQ(t.GetElem(c, r), fresh ? 0 : ValueOf(a, b)) << c << "," << r;
                EXPECT_EQ(t.GetCellState(c, r), fresh ? 0 : StateOf(a, b)) << c << "," << r;
                EXPECT_EQ(t.GetMatrix().GetVal(c, r), t.GetElem(c, r));
            }
        if (colsOut) *colsOut = oc;
        if (rowsOut) *rowsOut = orow;
    }

    TDataTable t{nullptr};
    std::vector<std::string> log;
};

TEST_F(Table, InsertAndRemoveRowsKeepLinesTogether)
{
    std::vector<int> rows;
    ASSERT_TRUE(t.InsertRow(2));
    CheckAligned(nullptr, &rows);
    EXPECT_EQ(rows, (std::vector<int>{1, 0, 2, 3, 4, 5}));
    EXPECT_EQ(log, (std::vector<std::string>{"resize 4x5->4x6", "change"}));

    ASSERT_TRUE(t.InsertRow(7)); // append
    ASSERT_TRUE(t.RemoveRow(1));
    ASSERT_TRUE(t.RemoveRow(3));
    CheckAligned(nullptr, &rows);
    EXPECT_EQ(rows, (std::vector<int>{0, 2, 4, 5, 0}));

    log.clear();
    for (int bad : {0, -1, 7}) {
        EXPECT_FALSE(t.InsertRow(bad)) << bad;
        EXPECT_FALSE(t.RemoveRow(bad == 7 ? 6 : bad)) << bad;
    }
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(t.GetNrOfRows(), 5);
}

TEST_F(Table, InsertAndRemoveColumnsKeepLinesTogether)
{
    std::vector<int> cols;
    ASSERT_TRUE(t.InsertColumn(1));
    ASSERT_TRUE(t.InsertColumn(4));
    CheckAligned(&cols);
    EXPECT_EQ(cols, (std::vector<int>{0, 1, 2, 0, 3, 4}));
    EXPECT_EQ(t.GetMScaleType(1), mstUndefined);
    ASSERT_TRUE(t.RemoveColumn(3));
    ASSERT_TRUE(t.RemoveColumn(5));
    CheckAligned(&cols);
    EXPECT_EQ(cols, (std::vector<int>{0, 1, 0, 3}));
    EXPECT_FALSE(t.InsertColumn(6));
    EXPECT_FALSE(t.RemoveColumn(5));
    // Down to nothing and back.
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(t.RemoveColumn(1));
    EXPECT_EQ(t.GetNrOfColumns(), 0);
    EXPECT_EQ(t.GetNrOfRows(), 5);
    EXPECT_FALSE(t.RemoveColumn(1));
    ASSERT_TRUE(t.InsertColumn(1));
    EXPECT_EQ(t.GetRowName(5), "R5");
    EXPECT_EQ(t.GetElem(1, 5), 0);
}

TEST_F(Table, MirrorReversesWholeLines)
{
    std::vector<int> cols, rows;
    t.MirrorRows();
    t.MirrorColumns();
    CheckAligned(&cols, &rows);
    EXPECT_EQ(cols, (std::vector<int>{4, 3, 2, 1}));
    EXPECT_EQ(rows, (std::vector<int>{5, 4, 3, 2, 1}));
    EXPECT_EQ(log, (std::vector<std::string>{"change", "change"}));
    t.MirrorRows();
    t.MirrorColumns();
    CheckAligned(&cols, &rows);
    EXPECT_EQ(cols, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(rows, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(Table, SortRowsAnnouncesEveryExchange)
{
    // Column 3 descending; the cells that are not numbers (row 2 empty, row 3
    // marked invalid by the fixture, row 4 NaN) go last in their order.
    t.SetElem(3, 2, 999);
    t.SetCellState(3, 2, csEmpty);
    t.SetElem(3, 4, std::nan(""));
    // A listener keeps a list of its own aligned through the exchanges.
    std::vector<int> mine = {0, 1, 2, 3, 4, 5};
    t.OnSortExchange = [&](vcl::TObject*, uint8_t what, int32_t i1, int32_t i2, int32_t first, int32_t last) {
        EXPECT_EQ(what, 2);
        EXPECT_EQ(first, 1);
        EXPECT_EQ(last, 5);
        std::swap(mine[static_cast<std::size_t>(i1)], mine[static_cast<std::size_t>(i2)]);
    };
    log.clear();
    ASSERT_TRUE(t.SortRows(skValue, 3, false, 1, 5));
    std::vector<int> rows;
    for (int r = 1; r <= 5; ++r) rows.push_back(std::stoi(t.GetRowName(r).substr(1)));
    EXPECT_EQ(rows, (std::vector<int>{5, 1, 2, 3, 4}));
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(mine[static_cast<std::size_t>(r)], rows[static_cast<std::size_t>(r - 1)]);
    EXPECT_EQ(log, (std::vector<std::string>{"change"}));
    EXPECT_FALSE(t.GetIsNumber(3, 4));
    EXPECT_FALSE(t.GetIsNumber(3, 5));

    // Ascending by attribute restores the original order.
    ASSERT_TRUE(t.SortRows(skAttribute, 0, true, -10, 10));
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(t.GetRowName(r), "R" + std::to_string(r));
    EXPECT_EQ(mine, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST_F(Table, SortColumnsByNameWithinARange)
{
    t.SetColName(1, "d");
    t.SetColName(2, "B");
    t.SetColName(3, "a");
    t.SetColName(4, "c");
    std::vector<int> exchanged;
    t.OnSortExchange = [&](vcl::TObject*, uint8_t what, int32_t i1, int32_t i2, int32_t first, int32_t last) {
        EXPECT_EQ(what, 1);
        EXPECT_EQ(first, 2);
        EXPECT_EQ(last, 4);
        exchanged.push_back(i1);
        exchanged.push_back(i2);
    };
    ASSERT_TRUE(t.SortColumns(skName, 0, true, 2, 4));
    EXPECT_EQ(t.GetColName(1), "d");
    EXPECT_EQ(t.GetColName(2), "a");
    EXPECT_EQ(t.GetColName(3), "B");
    EXPECT_EQ(t.GetColName(4), "c");
    EXPECT_EQ(t.GetColAttrib(2), 15);
    EXPECT_EQ(t.GetElem(2, 1), ValueOf(3, 1));
    EXPECT_EQ(t.GetNominalID(3, 1), "n2");
    EXPECT_FALSE(exchanged.empty());
    EXPECT_FALSE(t.SortColumns(skName, 0, true, 3, 3));
    EXPECT_FALSE(t.SortColumns(skValue, 6, true, 1, 4)) << "no row 6";
}

TEST_F(Table, ResizeKeepsCellsAndRefusesBadSizes)
{
    ASSERT_TRUE(t.Resize(2, 7));
    std::vector<int> cols, rows;
    CheckAligned(&cols, &rows);
    EXPECT_EQ(cols, (std::vector<int>{1, 2}));
    EXPECT_EQ(rows, (std::vector<int>{1, 2, 3, 4, 5, 0, 0}));
    EXPECT_EQ(log, (std::vector<std::string>{"resize 4x5->2x7", "change"}));
    log.clear();
    EXPECT_TRUE(t.Resize(2, 7));
    EXPECT_FALSE(t.Resize(-1, 3));
    EXPECT_FALSE(t.Resize(1 << 15, 1 << 14));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(t.GetNrOfColumns(), 2);
    EXPECT_EQ(t.GetNrOfRows(), 7);
}

TEST_F(Table, StatesNumbersAndMarks)
{
    t.SetCellState(1, 1, 0);
    EXPECT_TRUE(t.GetIsNumber(1, 1));
    t.SetElem(1, 1, std::numeric_limits<double>::infinity());
    EXPECT_FALSE(t.GetIsNumber(1, 1)) << "a non-finite value is never a number";
    t.SetCellState(1, 1, csEmpty | csMarkA);
    EXPECT_FALSE(t.GetIsNumber(1, 1));
    t.SetCellState(1, 1, 0x04 | csMarkB);
    EXPECT_TRUE(t.GetIsNumber(1, 1)) << "only bits 0 and 1 decide";
    t.UnmarkAllCells();
    for (int c = 1; c <= 4; ++c)
        for (int r = 1; r <= 5; ++r)
            EXPECT_EQ(t.GetCellState(c, r), c == 1 && r == 1 ? 0x04 : (StateOf(c, r) & 0x3F)) << c << "," << r;
    EXPECT_FALSE(t.GetIsNumber(0, 1));
    EXPECT_FALSE(t.GetIsNumber(5, 1));
    EXPECT_EQ(t.GetCellState(1, 6), 0);
}

TEST_F(Table, NamesIDsAndLimits)
{
    t.SetColName(1, std::string(60, 'x'));
    EXPECT_EQ(t.GetColName(1), std::string(50, 'x'));
    t.SetRowName(2, std::string(51, 'y'));
    EXPECT_EQ(t.GetRowName(2).size(), 50u);
    t.SetNominalID(2, 3, std::string("ÄrgerAbcdefgh"_cp));
    EXPECT_EQ(t.GetNominalID(2, 3), std::string("ÄrgerAbcde"_cp));
    EXPECT_EQ(t.OrdinalOfNominalID(2, std::string("ärgerabcde"_cp), true), 3);
    EXPECT_EQ(t.OrdinalOfNominalID(2, std::string("ärgerabcde"_cp), false), 0);
    EXPECT_EQ(t.OrdinalOfNominalID(2, std::string("ÄrgerAbcde"_cp), false), 3);
    EXPECT_EQ(t.OrdinalOfNominalID(2, "", true), 0) << "empty slots never match";
    EXPECT_EQ(t.OrdinalOfNominalID(9, "n2", true), 0);
    t.SetNominalID(2, 25, "last");
    t.SetNominalID(2, 26, "beyond");
    t.SetNominalID(2, 0, "before");
    EXPECT_EQ(t.GetNominalID(2, 25), "last");
    EXPECT_EQ(t.GetNominalID(2, 26), "");
    EXPECT_EQ(t.OrdinalOfNominalID(2, "LAST", true), 25);
    t.SetMScaleType(1, static_cast<TMScaleType>(9));
    EXPECT_EQ(t.GetMScaleType(1), mstNominal);
    EXPECT_EQ(MScaleTypeNames[t.GetMScaleType(2)], "ordinal");
    EXPECT_EQ(t.FindColIndex("C3"), 3);
    EXPECT_EQ(t.FindRowIndex("R4"), 4);
    EXPECT_EQ(t.FindRowIndex("r4"), 0);
    // Invalid indices read as empty and are ignored by setters.
    t.SetColName(5, "no");
    t.SetRowAttrib(0, 7);
    EXPECT_EQ(t.GetColName(5), "");
    EXPECT_EQ(t.GetRowAttrib(0), 0);
    EXPECT_EQ(t.GetElem(5, 1), 0);
}

TEST_F(Table, NotificationsOnlyOnChange)
{
    t.SetColName(1, "C1");
    t.SetElem(1, 1, ValueOf(1, 1));
    t.SetFComment("");
    t.SetMScaleType(2, mstOrdinal);
    EXPECT_TRUE(log.empty());
    t.SetFComment("Probe 7");
    t.SetMScaleType(2, mstRatio);
    t.SetNominalID(1, 2, "x");
    EXPECT_EQ(t.GetFComment(), "Probe 7");
    EXPECT_EQ(log, (std::vector<std::string>{"change", "setup", "setup"}));
}

TEST_F(Table, ClearAndAssign)
{
    t.SetFComment("c");
    TDataTable copy(nullptr);
    std::vector<std::string> copyLog;
    copy.OnResize = [&](vcl::TObject*, int32_t, int32_t, int32_t nc, int32_t nr) {
        copyLog.push_back(std::to_string(nc) + "x" + std::to_string(nr));
    };
    copy.Assign(&t);
    EXPECT_EQ(copyLog, (std::vector<std::string>{"4x5"}));
    EXPECT_EQ(copy.GetMatrix(), t.GetMatrix());
    EXPECT_EQ(copy.GetFComment(), "c");
    for (int c = 1; c <= 4; ++c) {
        EXPECT_EQ(copy.GetColName(c), t.GetColName(c));
        EXPECT_EQ(copy.GetNominalID(c, 1), t.GetNominalID(c, 1));
        for (int r = 1; r <= 5; ++r) EXPECT_EQ(copy.GetCellState(c, r), t.GetCellState(c, r));
    }
    t.Clear();
    EXPECT_EQ(t.GetNrOfColumns(), 4);
    EXPECT_EQ(t.GetNrOfRows(), 5);
    EXPECT_EQ(t.GetColName(2) + t.GetRowName(3) + t.GetFComment() + t.GetNominalID(1, 1), "");
    EXPECT_EQ(t.GetElem(4, 5), 0);
    EXPECT_EQ(t.GetCellState(1, 1), 0);
    EXPECT_EQ(t.GetMScaleType(3), mstUndefined);
    EXPECT_EQ(copy.GetColName(2), "C2") << "the copy is independent";
    vcl::TPersistent other;
    EXPECT_THROW(copy.Assign(&other), vcl::EConvertError);
}

TEST(DataTable, NewTableAndOwner)
{
    vcl::TComponent owner(nullptr);
    auto* t = new TDataTable(&owner);
    EXPECT_EQ(t->GetNrOfColumns(), 1);
    EXPECT_EQ(t->GetNrOfRows(), 1);
    EXPECT_EQ(t->GetElem(1, 1), 0);
    EXPECT_TRUE(t->GetIsNumber(1, 1));
    EXPECT_EQ(owner.GetComponentCount(), 1);
}

} // namespace
