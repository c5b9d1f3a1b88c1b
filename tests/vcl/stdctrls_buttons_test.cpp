// Speed buttons (clicks, exclusive groups, glyphs, flat look) and panels.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vcl/Buttons.h"
#include "vcl/ExtCtrls.h"
#include "vcl/Fonts.h"
#include "vcl/Forms.h"
#include "vcl/TestHooks.h"

using namespace vcl;

namespace {

struct ButtonFixture : ::testing::Test {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    std::vector<TSpeedButton*> buttons;
    std::vector<std::string> log;
    void SetUp() override
    {
        form->SetBounds(0, 0, 200, 100);
        for (int i = 0; i < 3; ++i) {
            auto* b = new TSpeedButton(form.get());
            b->SetParent(form.get());
            b->SetBounds(10 + i * 30, 10, 26, 26);
            b->OnClick = [this, i](TObject*) { log.push_back("click " + std::to_string(i)); };
            buttons.push_back(b);
        }
    }
    void ClickButton(int i)
    {
        test::Advance(1000); // keep clicks apart from double clicks
        test::Click(*buttons[static_cast<size_t>(i)], 5, 5);
    }
    std::vector<bool> Downs() const
    {
        std::vector<bool> d;
        for (auto* b : buttons) d.push_back(b->GetDown());
        return d;
    }
};

TEST_F(ButtonFixture, PlainButtonClicksAndPopsUp)
{
    test::MouseDown(*buttons[0], 5, 5);
    EXPECT_EQ(buttons[0]->GetState(), bsDown);
    test::MouseMove(*buttons[0], 40, 5, {ssLeft}); // dragged off: shown up
    EXPECT_EQ(buttons[0]->GetState(), bsUp);
    test::MouseMove(*buttons[0], 5, 5, {ssLeft});
    test::MouseUp(*buttons[0], 5, 5);
    EXPECT_EQ(buttons[0]->GetState(), bsUp);
    EXPECT_FALSE(buttons[0]->GetDown());
    buttons[0]->SetDown(true); // no group: cannot stay down
    EXPECT_FALSE(buttons[0]->GetDown());
    EXPECT_EQ(log, (std::vector<std::string>{"click 0"}));
    // Released outside: no click.
    test::Advance(1000);
    test::MouseDown(*buttons[0], 5, 5);
    test::MouseUp(*buttons[0], 40, 5);
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(ButtonFixture, ExclusiveGroupOnOneParent)
{
    for (auto* b : buttons) b->SetGroupIndex(7);
    // A button of the same group on another parent is not affected.
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 50, 100, 40);
    auto* outsider = new TSpeedButton(form.get());
    outsider->SetParent(panel);
    outsider->SetGroupIndex(7);
    outsider->SetDown(true);

    buttons[0]->SetDown(true);
    EXPECT_EQ(Downs(), (std::vector<bool>{true, false, false}));
    ClickButton(2);
    EXPECT_EQ(Downs(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(buttons[2]->GetState(), bsExclusive);
    ClickButton(2); // clicking the down button keeps it down, but clicks
    EXPECT_EQ(Downs(), (std::vector<bool>{false, false, true}));
    buttons[2]->SetDown(false); // needs AllowAllUp
    EXPECT_TRUE(buttons[2]->GetDown());
    buttons[1]->SetAllowAllUp(true); // spreads to the group
    EXPECT_TRUE(buttons[2]->GetAllowAllUp());
    ClickButton(2);
    EXPECT_EQ(Downs(), (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(outsider->GetDown());
    EXPECT_EQ(log, (std::vector<std::string>{"click 2", "click 2", "click 2"}));
}

TEST_F(ButtonFixture, GroupMessageFromAnotherKindOfSenderIsIgnored)
{
    buttons[0]->SetGroupIndex(3);
    buttons[0]->SetDown(true);
    TSpeedButton* b = buttons[0];
    // A message of the group carrying a sender that is not a speed button.
    TObject stranger;
    TMessage m{CM_BUTTONPRESSED, 3, reinterpret_cast<intptr_t>(&stranger), 0};
    form->Broadcast(m);
    EXPECT_TRUE(b->GetDown());
}

TEST_F(ButtonFixture, GlyphSheetPicksThePictureOfTheState)
{
    // Two 8 x 8 glyphs: red for up, blue for disabled; white is transparent
    // (bottom-left pixel).
    TBitmap sheet(16, 8);
    sheet.Canvas().Brush().SetColor(clRed);
    sheet.Canvas().FillRect({0, 0, 8, 8});
    sheet.Canvas().Brush().SetColor(clBlue);
    sheet.Canvas().FillRect({8, 0, 16, 8});
    sheet.Canvas().Brush().SetColor(clWhite);
    sheet.Canvas().FillRect({0, 6, 16, 8}); // the bottom rows are transparent
    TSpeedButton* b = buttons[0];
    b->SetGlyph(sheet);
    b->SetNumGlyphs(2);
    form->PaintPending();
    const TSurface& s = form->BackBuffer().Surface();
    const int gx = 10 + (26 - 8) / 2, gy = 10 + (26 - 8) / 2;
    EXPECT_EQ(s.Row(gy + 2)[gx + 2], clRed);
    EXPECT_EQ(s.Row(gy + 7)[gx + 2], ColorToRGB(clBtnFace)); // transparent part
    b->SetEnabled(false);
    form->PaintPending();
    EXPECT_EQ(s.Row(gy + 2)[gx + 2], clBlue);
    // One picture only: disabled draws its shape in the shadow colour.
    b->SetNumGlyphs(1);
    form->PaintPending();
    EXPECT_EQ(s.Row(gy + 2)[gx + 2], ColorToRGB(clBtnShadow));
}

TEST_F(ButtonFixture, FlatButtonShowsEdgesOnlyWhenHoveredOrDown)
{
    TSpeedButton* b = buttons[0];
    b->SetFlat(true);
    form->PaintPending();
    const TSurface& s = form->BackBuffer().Surface();
    const TColor face = ColorToRGB(clBtnFace);
    EXPECT_EQ(s.Row(10)[10 + 5], face);
    test::MouseMove(*b, 5, 5);
    form->PaintPending();
    EXPECT_EQ(s.Row(10)[10 + 5], ColorToRGB(clBtnHighlight));
    test::MouseMove(*form, 190, 90);
    form->PaintPending();
    EXPECT_EQ(s.Row(10)[10 + 5], face);
    // A raised, non-flat button: highlight on top, dark shadow at the bottom.
    form->PaintPending();
    EXPECT_EQ(s.Row(10)[40 + 5], ColorToRGB(clBtnHighlight));
    EXPECT_EQ(s.Row(10 + 25)[40 + 5], ColorToRGB(cl3DDkShadow));
}

// ---------------------------------------------------------------------------
// Panel

TEST(PanelTest, BevelsBorderAndCaption)
{
    SetForceFixedFont(true);
    SetFixedFontBlockGlyphs(true);
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    auto* p = new TPanel(&form);
    p->SetParent(&form);
    p->SetBounds(0, 0, 100, 40);
    p->SetCaption("x");
    p->SetColor(clYellow);
    form.PaintPending();
    const TSurface& s = form.BackBuffer().Surface();
    EXPECT_EQ(s.Row(0)[50], ColorToRGB(clBtnHighlight)); // raised outer bevel
    EXPECT_EQ(s.Row(39)[50], ColorToRGB(clBtnShadow));
    EXPECT_EQ(s.Row(5)[5], clYellow);
    // The caption is centred: the 7-pixel cell at x 46, the line at y 13.
    EXPECT_EQ(s.Row(13 + 5)[46 + 2], ColorToRGB(clBtnText));
    p->SetBevelInner(bvLowered);
    p->SetBorderWidth(2);
    p->SetBorderStyle(bsSingle);
    form.PaintPending();
    EXPECT_EQ(s.Row(0)[50], ColorToRGB(clWindowFrame));
    EXPECT_EQ(s.Row(1)[50], ColorToRGB(clBtnHighlight));
    EXPECT_EQ(s.Row(3)[50], clYellow);                  // border
    EXPECT_EQ(s.Row(4)[50], ColorToRGB(clBtnShadow));    // inner lowered bevel
    p->SetAlignment(taLeftJustify);
    form.PaintPending();
    EXPECT_EQ(s.Row(13 + 5)[5 + 2], ColorToRGB(clBtnText));
    // Aligned children fill the panel.
    auto* child = new TPanel(&form);
    child->SetParent(p);
    child->SetAlign(alTop);
    child->SetHeight(10);
    EXPECT_EQ(child->GetBoundsRect(), (TRect{0, 0, 100, 10}));
    SetFixedFontBlockGlyphs(false);
    SetForceFixedFont(false);
}

} // namespace
