// Popup menus: the item tree and its ownership, popping up through the hook,
// picks in sub-menus, re-entrant popups, and the menu box's look.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vcl/Controls.h"
#include "vcl/Fonts.h"
#include "vcl/Forms.h"
#include "vcl/Menus.h"

using namespace vcl;

namespace {

struct MenuFixture : ::testing::Test {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TPopupMenu* menu = nullptr;
    std::vector<std::string> log;

    TMenuItem* AddItem(TMenuItem& parent, const std::string& caption)
    {
        auto* item = new TMenuItem(form.get());
        item->SetCaption(caption);
        item->OnClick = [this, caption](TObject* sender) {
            log.push_back("click " + caption);
            EXPECT_EQ(static_cast<TMenuItem*>(sender)->GetCaption(), caption);
        };
        parent.Add(item);
        return item;
    }
    void SetUp() override
    {
        SetForceFixedFont(true);
        SetForceMonochromeText(true);
        menu = new TPopupMenu(form.get());
        // "Mark as type A" with a sub-menu, a separator, "Copy", "&Paste".
        TMenuItem* mark = AddItem(menu->Items(), "Mark as type A");
        for (const char* s : {"Range", "Column", "Row", "All"}) AddItem(*mark, s);
        AddItem(menu->Items(), "-");
        AddItem(menu->Items(), "Copy");
        AddItem(menu->Items(), "&Paste")->SetEnabled(false);
    }
    void TearDown() override
    {
        test::SetPopupHandler(nullptr);
        form.reset();
        SetForceFixedFont(false);
        SetForceMonochromeText(false);
    }
};

TEST_F(MenuFixture, PopupFiresOnPopupFirstAndTheHandlerPicks)
{
    menu->OnPopup = [this](TObject*) {
        log.push_back("popup");
        menu->Items().Find("paste")->SetEnabled(true); // enabled when the menu opens
    };
    test::SetPopupHandler([this](TPopupMenu& m, int x, int y) {
        log.push_back("shown at " + std::to_string(x) + "," + std::to_string(y));
        std::string enabled;
        for (int i = 0; i < m.Items().GetCount(); ++i)
            if (m.Items().GetItem(i)->GetEnabled()) enabled += m.Items().GetItem(i)->GetCaption() + ";";
        log.push_back(enabled);
        m.Items().Find("Mark as type A")->Find("column")->Click();
    });
    menu->Popup(120, 80);
    EXPECT_EQ(menu->GetPopupPoint(), (TPoint{120, 80}));
    EXPECT_EQ(log, (std::vector<std::string>{"popup", "shown at 120,80", "Mark as type A;-;Copy;&Paste;",
                                             "click Column"}));
}

TEST_F(MenuFixture, DisabledItemsDoNotClickAndNoHandlerShowsNothing)
{
    menu->Items().Find("Paste")->Click();
    EXPECT_TRUE(log.empty());
    menu->OnPopup = [this](TObject*) { log.push_back("popup"); };
    menu->Popup(0, 0); // without a handler: the menu closes at once
    EXPECT_EQ(log, (std::vector<std::string>{"popup"}));
}

TEST_F(MenuFixture, AnItemMayPopUpTheMenuAgain)
{
    // "Copy" reopens the same menu once; the inner popup picks "Row".
    int depth = 0;
    menu->Items().Find("Copy")->OnClick = [this](TObject*) {
        log.push_back("copy");
        menu->Popup(1, 2);
    };
    test::SetPopupHandler([&](TPopupMenu& m, int, int) {
        ++depth;
        if (depth == 1) m.Items().Find("Copy")->Click();
        else m.Items().Find("Mark as type A")->Find("Row")->Click();
    });
    menu->Popup(5, 5);
    EXPECT_EQ(depth, 2);
    EXPECT_EQ(log, (std::vector<std::string>{"copy", "click Row"}));
    EXPECT_EQ(menu->GetPopupPoint(), (TPoint{1, 2}));
}

TEST_F(MenuFixture, TreeEditingAndOwnership)
{
    TMenuItem& root = menu->Items();
    TMenuItem* mark = root.GetItem(0);
    ASSERT_EQ(mark->GetCount(), 4);
    EXPECT_EQ(root.GetItem(1)->IsLine(), true);
    EXPECT_EQ(root.GetItem(9), nullptr);
    // An item cannot go into itself or its own sub-menu.
    EXPECT_THROW(mark->GetItem(0)->Add(mark), EInvalidOperation);
    EXPECT_THROW(mark->Add(mark), EInvalidOperation);
    // Moving an item detaches it from its old parent.
    TMenuItem* all = mark->Find("All");
    root.Insert(0, all);
    EXPECT_EQ(all->GetParent(), &root);
    EXPECT_EQ(mark->GetCount(), 3);
    EXPECT_EQ(root.IndexOf(all), 0);
    // An item freed on its own leaves its parent.
    delete all;
    EXPECT_EQ(root.GetCount(), 4);
    EXPECT_EQ(root.Find("All"), nullptr);
    // Freeing a parent frees its attached sub-items, which leave their owner.
    const int owned = form->GetComponentCount();
    delete mark;
    EXPECT_EQ(form->GetComponentCount(), owned - 1 - 3);
    EXPECT_EQ(root.GetCount(), 3);
    // Clear frees the rest; the form then frees what remains without trouble.
    root.Clear();
    EXPECT_EQ(root.GetCount(), 0);
}

TEST_F(MenuFixture, MenuBoxLook)
{
    SetFixedFontBlockGlyphs(true);
    TMenuItem& root = menu->Items();
    root.Find("Copy")->SetChecked(true);
    // A 10 x 10 green picture with a white (transparent) corner column.
    TMenuItem* pic = AddItem(root, "Picture");
    pic->Bitmap().SetSize(10, 10);
    pic->Bitmap().Canvas().Brush().SetColor(clLime);
    pic->Bitmap().Canvas().FillRect({0, 0, 10, 10});
    pic->Bitmap().Canvas().Brush().SetColor(clWhite);
    pic->Bitmap().Canvas().FillRect({0, 0, 2, 10});

    TBitmap box = PaintMenuBox(root, 2);
    // Rows: 20 (line 14 + 6) each, the separator 8, starting at y 2.
    const int rowMark = 2, rowSep = 22, rowCopy = 30, rowPaste = 50, rowPic = 70;
    EXPECT_EQ(box.GetHeight(), 2 + 20 + 8 + 20 + 20 + 20 + 2);
    EXPECT_EQ(MenuBoxItemAt(root, 30, rowMark + 5), root.GetItem(0));
    EXPECT_EQ(MenuBoxItemAt(root, 30, rowSep + 3), nullptr);
    EXPECT_EQ(MenuBoxItemAt(root, 30, rowCopy + 5), root.Find("Copy"));
    EXPECT_EQ(MenuBoxItemAt(root, 30, rowPic + 19), pic);
    EXPECT_EQ(MenuBoxItemAt(root, 30, rowPic + 20), nullptr);
    // The separator: shadow over highlight.
    EXPECT_EQ(box.ScanLine(rowSep + 3)[20], ColorToRGB(clBtnShadow));
    EXPECT_EQ(box.ScanLine(rowSep + 4)[20], ColorToRGB(clBtnHighlight));
    // The highlighted "Copy" row with its check mark in highlight-text colour.
    EXPECT_EQ(box.ScanLine(rowCopy + 1)[box.GetWidth() - 5], ColorToRGB(clHighlight));
    EXPECT_EQ(box.ScanLine(rowCopy + 6 + 3)[2 + 6 + 1], ColorToRGB(clHighlightText));
    // Caption glyphs: menu text, grey for the disabled item.
    const int tx = 2 + 20 + 4, ty = 3;
    EXPECT_EQ(box.ScanLine(rowMark + ty + 5)[tx + 2], ColorToRGB(clMenuText));
    EXPECT_EQ(box.ScanLine(rowPaste + ty + 5)[tx + 2], ColorToRGB(clGrayText));
    // The picture, centred in the 20-pixel column; its white part is left out.
    EXPECT_EQ(box.ScanLine(rowPic + 10)[2 + 5 + 5], clLime);
    EXPECT_EQ(box.ScanLine(rowPic + 10)[2 + 5 + 0], ColorToRGB(clMenu));
    // The sub-menu arrow at the right of "Mark as type A".
    EXPECT_EQ(box.ScanLine(rowMark + 10)[box.GetWidth() - 2 - 8 - 1], ColorToRGB(clMenuText));
    SetFixedFontBlockGlyphs(false);
}

} // namespace
