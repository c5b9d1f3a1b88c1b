// Context menus: a right click opens the PopupMenu of the control or of its
// nearest parent, OnContextPopup can keep it closed, and a destroyed menu is
// forgotten by the controls that named it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vcl/Controls.h"
#include "vcl/Menus.h"
#include "vcl/TestHooks.h"

using namespace vcl;

namespace {

struct PopupFixture : ::testing::Test {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TCustomControl* panel = nullptr;
    TGraphicControl* box = nullptr;
    TPopupMenu* menu = nullptr;
    std::vector<std::string> log;

    void SetUp() override
    {
        form->SetBounds(100, 50, 200, 150);
        panel = new TCustomControl(form.get());
        panel->SetBounds(10, 10, 120, 100);
        panel->SetParent(form.get());
        box = new TGraphicControl(form.get());
        box->SetBounds(5, 5, 40, 30);
        box->SetParent(panel);
        menu = new TPopupMenu(form.get());
        test::SetPopupHandler([this](TPopupMenu& m, int x, int y) {
            const auto* c = m.GetPopupComponent();
            log.push_back("popup " + std::to_string(x) + "," + std::to_string(y) + " for " +
                          (c == panel ? "panel" : c == form.get() ? "form" : "other"));
        });
    }
    void TearDown() override
    {
        test::SetPopupHandler(nullptr);
        form.reset();
    }
};

TEST_F(PopupFixture, RightClickOpensTheNearestMenuAtTheScreenPoint)
{
    panel->SetPopupMenu(menu);
    box->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { log.push_back("up"); };
    test::Click(*box, 3, 4, mbRight);
    // Form at (100,50), panel at (10,10), box at (5,5): the point (3,4).
    ASSERT_EQ(log, (std::vector<std::string>{"up", "popup 118,69 for panel"}));

    log.clear();
    test::Click(*box, 3, 4, mbLeft);
    EXPECT_TRUE(log.empty() || log == std::vector<std::string>{"up"});
}

TEST_F(PopupFixture, ContextPopupHandlerAndAutoPopupKeepTheMenuClosed)
{
    form->SetPopupMenu(menu);
    bool keepClosed = true;
    TPoint seen{-1, -1};
    box->OnContextPopup = [&](TObject*, TPoint p, bool& handled) {
        seen = p;
        handled = keepClosed;
    };
    test::Click(*box, 7, 8, mbRight);
    EXPECT_EQ(seen.X, 7);
    EXPECT_EQ(seen.Y, 8);
    EXPECT_TRUE(log.empty());

    keepClosed = false;
    test::Click(*box, 7, 8, mbRight);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("for form"), std::string::npos);

    log.clear();
    menu->SetAutoPopup(false);
    test::Click(*box, 7, 8, mbRight);
    EXPECT_TRUE(log.empty());
}

TEST_F(PopupFixture, DestroyedMenuIsForgotten)
{
    panel->SetPopupMenu(menu);
    box->SetPopupMenu(menu);
    delete menu;
    EXPECT_EQ(panel->GetPopupMenu(), nullptr);
    EXPECT_EQ(box->GetPopupMenu(), nullptr);
    test::Click(*box, 3, 4, mbRight);
    EXPECT_TRUE(log.empty());

    // The other way round: a control destroyed first leaves no dangling link.
    auto* second = new TPopupMenu(form.get());
    box->SetPopupMenu(second);
    delete box;
    delete second;
}

} // namespace
