// Combo box and scroll bar: user selection through the drop-down hook and the
// keyboard, programmatic writes, free text, owner drawing, scrolling.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/Fonts.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"
#include "vcl/TestHooks.h"

using namespace vcl;

namespace {

using Log = std::vector<std::string>;

struct ComboFixture : ::testing::Test {
    std::unique_ptr<TForm> form;
    TComboBox* combo = nullptr;
    Log log;
    void SetUp() override
    {
        SetForceFixedFont(true);
        SetForceMonochromeText(true);
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 300, 200);
        combo = new TComboBox(form.get());
        combo->SetParent(form.get());
        combo->SetBounds(10, 10, 150, 22);
        for (const char* s : {"red", "green", "blue", "Gray"}) combo->Items().Add(s);
        combo->OnChange = [this](TObject*) { log.push_back("change " + std::to_string(combo->GetItemIndex())); };
        combo->OnClick = [this](TObject*) { log.push_back("click"); };
        combo->OnDropDown = [this](TObject*) { log.push_back("dropdown"); };
        combo->OnCloseUp = [this](TObject*) { log.push_back("closeup"); };
    }
    void TearDown() override
    {
        test::SetDropDownHandler(nullptr);
        form.reset();
        SetForceFixedFont(false);
        SetForceMonochromeText(false);
    }
};

TEST_F(ComboFixture, ClickOpensTheListAndAPickIsAUserSelection)
{
    combo->SetStyle(csDropDownList);
    bool sawDropped = false;
    test::SetDropDownHandler([&](TComboBox& c) {
        sawDropped = c.GetDroppedDown();
        log.push_back("list");
        return 2;
    });
    test::Click(*combo, 40, 10);
    EXPECT_TRUE(sawDropped);
    EXPECT_FALSE(combo->GetDroppedDown());
    EXPECT_EQ(combo->GetItemIndex(), 2);
    EXPECT_EQ(combo->GetText(), "blue");
    EXPECT_EQ(log, (Log{"dropdown", "list", "change 2", "click", "closeup"}));
    EXPECT_TRUE(combo->Focused());
}

TEST_F(ComboFixture, ClosingWithoutAPickOrWithoutAHandlerChangesNothing)
{
    combo->SetStyle(csDropDownList);
    combo->SetItemIndex(1);
    test::Click(*combo, 40, 10); // no handler: the list closes at once
    test::SetDropDownHandler([](TComboBox&) { return -1; });
    test::Advance(1000);
    test::KeyDown(*combo, VK_DOWN, {ssAlt});
    test::SetDropDownHandler([](TComboBox&) { return 99; });
    test::Advance(1000);
    test::Click(*combo, 40, 10);
    EXPECT_EQ(combo->GetItemIndex(), 1);
    EXPECT_EQ(log, (Log{"dropdown", "closeup", "dropdown", "closeup", "dropdown", "closeup"}));
}

TEST_F(ComboFixture, ProgrammaticWritesFireNothing)
{
    combo->SetStyle(csDropDownList);
    combo->SetItemIndex(3);
    EXPECT_EQ(combo->GetText(), "Gray");
    combo->SetItemIndex(7);
    EXPECT_EQ(combo->GetItemIndex(), -1);
    EXPECT_EQ(combo->GetText(), "");
    combo->SetText("green");
    EXPECT_EQ(combo->GetItemIndex(), 1);
    combo->SetText("purple"); // not an item: nothing selected in a choice-only box
    EXPECT_EQ(combo->GetItemIndex(), -1);
    EXPECT_EQ(combo->GetText(), "");
    combo->SetItemIndex(2);
    combo->Items().Delete(3); // an item after the selection: it stays
    EXPECT_EQ(combo->GetItemIndex(), 2);
    combo->Items().Clear();
    EXPECT_EQ(combo->GetItemIndex(), -1);
    EXPECT_TRUE(log.empty());
}

TEST_F(ComboFixture, KeyboardSelection)
{
    combo->SetStyle(csDropDownList);
    test::SetFocus(*combo);
    struct Step {
        uint16_t key;
        char ch;
        int expIndex;
        size_t expEvents; // log entries added
    };
    const std::vector<Step> steps = {
        {VK_DOWN, 0, 0, 2},  // from none to the first
        {VK_DOWN, 0, 1, 2},
        {VK_UP, 0, 0, 2},
        {VK_UP, 0, 0, 0},    // at the top: nothing
        {VK_END, 0, 3, 2},
        {VK_DOWN, 0, 3, 0},  // at the bottom: nothing
        {0, 'g', 1, 2},      // next item starting with g or G after Gray wraps to green
        {0, 'g', 3, 2},
        {0, 'x', 3, 0},      // no item starts with x
        {VK_HOME, 0, 0, 2},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        const size_t before = log.size();
        if (steps[i].key) test::KeyDown(*combo, steps[i].key);
        else test::KeyPress(*combo, steps[i].ch);
        EXPECT_EQ(combo->GetItemIndex(), steps[i].expIndex);
        EXPECT_EQ(log.size() - before, steps[i].expEvents);
    }
}

TEST_F(ComboFixture, DropDownStyleTakesFreeText)
{
    ASSERT_EQ(combo->GetStyle(), csDropDown);
    combo->SetText("anything");
    EXPECT_EQ(combo->GetText(), "anything");
    EXPECT_EQ(combo->GetItemIndex(), -1);
    EXPECT_TRUE(log.empty());
    test::SetFocus(*combo); // selects all: typing replaces it
    test::TypeText(*combo, "blu");
    EXPECT_EQ(combo->GetText(), "blu");
    EXPECT_EQ(combo->GetItemIndex(), -1);
    test::TypeText(*combo, "e");
    EXPECT_EQ(combo->GetItemIndex(), 2); // the text now equals an item
    test::KeyDown(*combo, VK_BACK);
    test::KeyPress(*combo, '\b');
    EXPECT_EQ(combo->GetText(), "blu");
    EXPECT_EQ(log, (Log{"change -1", "change -1", "change -1", "change 2", "change -1"}));
    // A press on the button opens the list; one in the text does not.
    test::SetDropDownHandler([](TComboBox&) { return 0; });
    log.clear();
    test::Click(*combo, 20, 10);
    EXPECT_TRUE(log.empty());
    test::Advance(1000);
    test::Click(*combo, 150 - 8, 10);
    EXPECT_EQ(combo->GetText(), "red");
    EXPECT_EQ(log, (Log{"dropdown", "change 0", "click", "closeup"}));
}

TEST_F(ComboFixture, DropDownHandlerMayChangeTheItemsBeforeTheListShows)
{
    combo->SetStyle(csDropDownList);
    combo->OnDropDown = [this](TObject*) { combo->Items().Add("late"); };
    int seen = 0;
    test::SetDropDownHandler([&](TComboBox& c) {
        seen = c.Items().GetCount();
        return 4;
    });
    test::Click(*combo, 40, 10);
    EXPECT_EQ(seen, 5);
    EXPECT_EQ(combo->GetText(), "late");
}

TEST_F(ComboFixture, OwnerDrawnRowsAndTheClosedField)
{
    combo->SetStyle(csOwnerDrawFixed);
    combo->SetItemHeight(16);
    EXPECT_EQ(combo->GetHeight(), 22);
    std::vector<std::string> draws;
    combo->OnDrawItem = [&](TObject* sender, int index, const TRect& r, TOwnerDrawState st) {
        auto* cb = static_cast<TComboBox*>(sender);
        draws.push_back(std::to_string(index) + (st.Contains(odSelected) ? "s" : "") +
                        (st.Contains(odComboBoxEdit) ? "e" : ""));
        TCanvas& c = cb->ItemCanvas();
        // The brush is prepared: fill the row with it, then a marker block
        // coloured by the row.
        c.FillRect(r);
        c.Brush().SetColor(index == 0 ? clRed : clBlue);
        c.FillRect({r.Left + 2, r.Top + 2, r.Left + 10, r.Bottom - 2});
    };
    combo->SetItemIndex(0);
    form->PaintPending();
    ASSERT_FALSE(draws.empty());
    EXPECT_EQ(draws.back(), "0e");
    const TSurface& s = form->BackBuffer().Surface();
    EXPECT_EQ(s.Row(10 + 11)[10 + 3 + 5], clRed);

    TBitmap list;
    test::SetDropDownHandler([&](TComboBox& c) {
        list = c.RenderList(0, 1);
        return c.ListItemAt(1 + 16 + 3); // a point in the second row
    });
    draws.clear();
    test::Click(*combo, 40, 10);
    EXPECT_EQ(combo->GetItemIndex(), 1);
    EXPECT_EQ(list.GetHeight(), 4 * 16 + 2);
    EXPECT_EQ(list.GetWidth(), 150);
    EXPECT_EQ((std::vector<std::string>(draws.begin(), draws.begin() + 4)), (std::vector<std::string>{"0", "1s", "2", "3"}));
    EXPECT_EQ(list.ScanLine(1 + 8)[1 + 5], clRed);
    EXPECT_EQ(list.ScanLine(1 + 16 + 8)[1 + 5], clBlue);
    EXPECT_EQ(list.ScanLine(1 + 16 + 8)[60], ColorToRGB(clHighlight)); // the selected row's brush
    EXPECT_EQ(list.ScanLine(1 + 8)[60], ColorToRGB(clWindow));
    EXPECT_EQ(list.ScanLine(0)[60], ColorToRGB(clWindowFrame));
}

TEST_F(ComboFixture, VariableRowHeightsAndDropDownCount)
{
    combo->SetStyle(csOwnerDrawVariable);
    combo->OnMeasureItem = [](TObject*, int index, int& h) { h = 10 + index * 5; };
    EXPECT_EQ(combo->ListHeight(), 10 + 15 + 20 + 25 + 2);
    EXPECT_EQ(combo->ListItemAt(1 + 10 + 14), 1);
    EXPECT_EQ(combo->ListItemAt(1 + 10 + 15), 2);
    combo->SetDropDownCount(2);
    EXPECT_EQ(combo->ListHeight(), 10 + 15 + 2);
    EXPECT_EQ(combo->ListHeight(2), 20 + 25 + 2);
    EXPECT_EQ(combo->ListItemAt(1 + 30, 0), -1);
}

TEST_F(ComboFixture, OutsizedRowHeightsAndCountsAreBounded)
{
    combo->SetStyle(csOwnerDrawVariable);
    combo->OnMeasureItem = [](TObject*, int, int& h) { h = INT32_MAX; };
    combo->SetDropDownCount(INT32_MAX);
    EXPECT_EQ(combo->GetDropDownCount(), 1000);
    EXPECT_EQ(combo->ListHeight(), 4 * 255 + 2);
    combo->SetItemHeight(INT32_MAX);
    EXPECT_EQ(combo->GetItemHeight(), 255);
    test::SetFocus(*combo);
    test::KeyDown(*combo, VK_NEXT);
    EXPECT_EQ(combo->GetItemIndex(), 3);
    combo->OnMeasureItem = [](TObject*, int, int& h) { h = -7; };
    EXPECT_EQ(combo->ListHeight(), 4 * 1 + 2);
}

TEST_F(ComboFixture, ClosedDropDownListShowsFocusAndArrow)
{
    SetFixedFontBlockGlyphs(true);
    combo->SetStyle(csDropDownList);
    combo->SetItemIndex(0);
    form->PaintPending();
    const TSurface& s = form->BackBuffer().Surface();
    // Unfocused: the row on the window colour, the arrow button on the right.
    EXPECT_EQ(s.Row(10 + 11)[10 + 100], ColorToRGB(clWindow));
    const int bx = 10 + 150 - 2 - 17, by = 10 + 2;
    EXPECT_EQ(s.Row(by + 9)[bx + 8], ColorToRGB(clBtnText));  // the arrow's tip row
    EXPECT_EQ(s.Row(by + 3)[bx + 8], ColorToRGB(clBtnFace));
    test::SetFocus(*combo);
    form->PaintPending();
    EXPECT_EQ(s.Row(10 + 11)[10 + 100], ColorToRGB(clHighlight));
    SetFixedFontBlockGlyphs(false);
}

// ---------------------------------------------------------------------------
// Scroll bar

struct ScrollFixture : ::testing::Test {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TScrollBar* bar = nullptr;
    Log log;
    void SetUp() override
    {
        form->SetBounds(0, 0, 300, 300);
        bar = new TScrollBar(form.get());
        bar->SetParent(form.get());
        bar->SetBounds(0, 0, 232, 16); // a track of 200 pixels
        bar->SetParams(0, 0, 99);
        bar->SetLargeChange(10);
        bar->OnChange = [this](TObject*) { log.push_back("change " + std::to_string(bar->GetPosition())); };
        bar->OnScroll = [this](TObject*, TScrollCode code, int& pos) {
            log.push_back("scroll " + std::to_string(code) + " " + std::to_string(pos));
        };
    }
};

TEST_F(ScrollFixture, ParamsAreClampedAndChangeFiresOnlyOnMoves)
{
    bar->SetPosition(150);
    EXPECT_EQ(bar->GetPosition(), 99);
    bar->SetPosition(99);
    bar->SetPageSize(20);
    EXPECT_EQ(bar->MaxPosition(), 80);
    EXPECT_EQ(bar->GetPosition(), 80);
    bar->SetMax(-5); // below Min: raised to Min
    EXPECT_EQ(bar->GetMax(), 0);
    EXPECT_EQ(bar->GetPosition(), 0);
    EXPECT_EQ(log, (Log{"change 99", "change 80", "change 0"}));
}

TEST_F(ScrollFixture, ArrowsTrackKeysAndThumbDrag)
{
    test::Click(*bar, 5, 8); // left arrow at 0: stays
    test::Advance(1000);
    test::Click(*bar, 232 - 5, 8);
    EXPECT_EQ(bar->GetPosition(), 1);
    EXPECT_EQ(log, (Log{"scroll 0 0", "scroll 8 0", "scroll 1 1", "change 1", "scroll 8 1"}));
    log.clear();
    test::Advance(1000);
    test::Click(*bar, 200, 8); // the track right of the thumb: a page
    EXPECT_EQ(bar->GetPosition(), 11);
    test::KeyDown(*bar, VK_END);
    EXPECT_EQ(bar->GetPosition(), 99);
    test::KeyDown(*bar, VK_LEFT);
    EXPECT_EQ(bar->GetPosition(), 98);
    test::KeyDown(*bar, VK_UP); // not this bar's direction
    EXPECT_EQ(bar->GetPosition(), 98);
    // The thumb (16 pixels, no page size) moves over 184 pixels for 99 steps.
    bar->SetPosition(0);
    log.clear();
    const TRect t = bar->ThumbRect();
    EXPECT_EQ(t, (TRect{16, 0, 32, 16}));
    test::MouseDown(*bar, 20, 8);
    test::MouseMove(*bar, 20 + 92, 8, {ssLeft});
    EXPECT_EQ(bar->GetPosition(), 50); // halfway (rounded)
    test::MouseUp(*bar, 20 + 92, 8);
    EXPECT_EQ(log, (Log{"scroll 5 50", "change 50", "scroll 4 50", "scroll 8 50"}));
    EXPECT_EQ(bar->ThumbRect().Left, 16 + 92);
}

TEST_F(ScrollFixture, ExtremeRangesAndSteps)
{
    // The whole int range, steps far beyond it: positions stay in range.
    bar->SetParams(0, INT32_MIN, INT32_MAX);
    bar->SetSmallChange(INT32_MAX);
    bar->SetLargeChange(INT32_MAX);
    bar->SetPageSize(INT32_MAX);
    EXPECT_EQ(bar->GetPageSize(), INT32_MAX);
    EXPECT_EQ(bar->MaxPosition(), 1);
    bar->SetPageSize(1);
    test::SetFocus(*bar);
    test::KeyDown(*bar, VK_RIGHT);
    test::KeyDown(*bar, VK_NEXT);
    EXPECT_EQ(bar->GetPosition(), INT32_MAX);
    test::KeyDown(*bar, VK_HOME);
    EXPECT_EQ(bar->GetPosition(), INT32_MIN);
    test::KeyDown(*bar, VK_LEFT);
    EXPECT_EQ(bar->GetPosition(), INT32_MIN);
    const TRect t = bar->ThumbRect();
    ASSERT_FALSE(t.IsEmpty());
    test::MouseDown(*bar, t.Left + 1, 8);
    test::MouseMove(*bar, 500, 8, {ssLeft});
    test::MouseUp(*bar, 500, 8);
    EXPECT_EQ(bar->GetPosition(), INT32_MAX);
    form->PaintPending();
}

TEST_F(ScrollFixture, ScrollHandlerMayChangeTheNewPosition)
{
    bar->OnScroll = [](TObject*, TScrollCode code, int& pos) {
        if (code == scPageDown) pos = 42;
    };
    test::Click(*bar, 200, 8);
    EXPECT_EQ(bar->GetPosition(), 42);
}

TEST_F(ScrollFixture, PageSizeSetsTheThumbLengthAndVerticalBarsTurn)
{
    bar->SetPageSize(50); // half the range: half the track
    EXPECT_EQ(bar->ThumbRect().Width(), 100);
    bar->SetKind(sbVertical);
    EXPECT_EQ(bar->GetWidth(), 16);
    EXPECT_EQ(bar->GetHeight(), 232);
    EXPECT_EQ(bar->ThumbRect(), (TRect{0, 16, 16, 116}));
    form->PaintPending();
    const TSurface& s = form->BackBuffer().Surface();
    EXPECT_EQ(s.Row(16)[0], ColorToRGB(clBtnHighlight)); // the thumb's raised edge
    EXPECT_EQ(s.Row(60)[8], ColorToRGB(clBtnFace));
    EXPECT_EQ(s.Row(115)[15], ColorToRGB(cl3DDkShadow));
}

} // namespace
