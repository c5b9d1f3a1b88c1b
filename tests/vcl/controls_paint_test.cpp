// Paint cycle: invalidation, z-order, transparency, direct canvas drawing,
// parent font and colour, alignment.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vcl/Controls.h"
#include "vcl/Forms.h"
#include "vcl/TestHooks.h"

using namespace vcl;

namespace {

std::vector<std::string> g_paints;

// A graphic control filling itself with one colour (unless transparent: then
// it only draws a 2-pixel frame) and logging its paints.
class TBox : public TGraphicControl {
public:
    TBox(TComponent* owner, std::string tag, TColor fill) : TGraphicControl(owner), tag_(std::move(tag)), fill_(fill) {}
    int fontSizeSeenInPaint = 0;
    bool changeHeightInPaint = false;

protected:
    void Paint() override
    {
        g_paints.push_back(tag_);
        TCanvas& c = Canvas();
        c.Brush().SetColor(fill_);
        if (GetTransparent()) {
            c.FillRect({0, 0, GetWidth(), 2});
        } else {
            c.FillRect(GetClientRect());
        }
        if (changeHeightInPaint) SetHeight(GetHeight() + 1);
    }

private:
    std::string tag_;
    TColor fill_;
};

class TPanelLike : public TCustomControl {
public:
    TPanelLike(TComponent* owner, std::string tag) : TCustomControl(owner), tag_(std::move(tag)) {}

protected:
    void Paint() override { g_paints.push_back(tag_); }

private:
    std::string tag_;
};

struct PaintFixture : ::testing::Test {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    void SetUp() override
    {
        form->SetBounds(0, 0, 100, 80);
        form->SetColor(clWhite);
        Application->ProcessMessages();
        g_paints.clear();
    }
    TColor Px(int x, int y) { return form->BackBuffer().ScanLine(y)[x]; }
};

TEST_F(PaintFixture, InvalidateIsDeferredAndCoalesced)
{
    auto* a = new TBox(form.get(), "a", clRed);
    a->SetParent(form.get());
    a->SetBounds(10, 10, 20, 20);
    Application->ProcessMessages();
    EXPECT_EQ(Px(15, 15), clRed);
    g_paints.clear();

    a->Invalidate();
    a->Invalidate();
    EXPECT_TRUE(g_paints.empty()) << "Invalidate must not paint at once";
    Application->ProcessMessages();
    EXPECT_EQ(g_paints, std::vector<std::string>{"a"});
    Application->ProcessMessages();
    EXPECT_EQ(g_paints.size(), 1u) << "nothing left to paint";
}

TEST_F(PaintFixture, ZOrderAndPartialRepaint)
{
    auto* a = new TBox(form.get(), "a", clRed);
    auto* b = new TBox(form.get(), "b", clBlue);
    auto* far = new TBox(form.get(), "far", clLime);
    a->SetParent(form.get());
    b->SetParent(form.get());
    far->SetParent(form.get());
    a->SetBounds(10, 10, 30, 30);
    b->SetBounds(20, 20, 30, 30); // above a
    far->SetBounds(70, 50, 10, 10);
    Application->ProcessMessages();
    EXPECT_EQ(Px(15, 15), clRed);
    EXPECT_EQ(Px(25, 25), clBlue) << "the later control lies above";
    EXPECT_EQ(Px(75, 55), clLime);
    g_paints.clear();

    // Repainting a repaints b where they overlap, but not the far control.
    a->Invalidate();
    Application->ProcessMessages();
    EXPECT_EQ(g_paints, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Px(25, 25), clBlue);

    // Hiding b shows a and the background again.
    b->SetVisible(false);
    Application->ProcessMessages();
    EXPECT_EQ(Px(25, 25), clRed);
    EXPECT_EQ(Px(45, 45), clWhite);
}

TEST_F(PaintFixture, TransparentControlMakesParentPaintFirst)
{
    auto* t = new TBox(form.get(), "t", clRed);
    t->SetParent(form.get());
    t->SetBounds(10, 10, 20, 20);
    Application->ProcessMessages();
    g_paints.clear();
    // A stale pixel under the control: only a repaint of the parent's
    // background removes it once the control turns transparent.
    t->SetTransparent(true);
    const int formPaints = form->GetPaintCount();
    Application->ProcessMessages();
    EXPECT_EQ(form->GetPaintCount(), formPaints + 1) << "the parent repaints under a transparent control";
    EXPECT_EQ(Px(15, 15), clWhite) << "background shows through";
    EXPECT_EQ(Px(15, 10), clRed) << "the control's own frame";

    // An opaque windowed control covering the dirty area: the form does not
    // repaint.
    auto* p = new TPanelLike(form.get(), "p");
    p->SetParent(form.get());
    p->SetBounds(50, 10, 30, 30);
    p->SetColor(clYellow);
    Application->ProcessMessages();
    const int before = form->GetPaintCount();
    p->Invalidate();
    Application->ProcessMessages();
    EXPECT_EQ(form->GetPaintCount(), before);
    EXPECT_EQ(Px(60, 20), clYellow);
}

TEST_F(PaintFixture, WindowedChildrenClipTheirChildren)
{
    auto* p = new TPanelLike(form.get(), "p");
    p->SetParent(form.get());
    p->SetBounds(10, 10, 40, 40);
    p->SetColor(clYellow);
    auto* inner = new TBox(form.get(), "inner", clRed);
    inner->SetParent(p);
    inner->SetBounds(30, 30, 30, 30); // sticks out of p
    auto* g = new TBox(form.get(), "g", clBlue);
    g->SetParent(form.get());
    g->SetBounds(0, 0, 20, 20); // a graphic control of the form, created later
    Application->ProcessMessages();
    EXPECT_EQ(Px(45, 45), clRed);
    EXPECT_EQ(Px(55, 55), clWhite) << "clipped to the parent's client area";
    EXPECT_EQ(Px(15, 15), clYellow) << "windowed controls lie above graphic ones";
    EXPECT_EQ(Px(5, 5), clBlue);
}

TEST_F(PaintFixture, CanvasOutsidePaintAndWithoutForm)
{
    auto* a = new TBox(form.get(), "a", clRed);
    a->SetParent(form.get());
    a->SetBounds(10, 10, 20, 20);
    Application->ProcessMessages();
    a->Canvas().Brush().SetColor(clBlue);
    a->Canvas().FillRect({0, 0, 100, 100}); // clipped to the control
    EXPECT_EQ(Px(10, 10), clBlue);
    EXPECT_EQ(Px(29, 29), clBlue);
    EXPECT_EQ(Px(30, 30), clWhite);

    g_paints.clear();
    TBox orphan(nullptr, "o", clRed);
    orphan.SetBounds(0, 0, 10, 10);
    orphan.Canvas().FillRect({0, 0, 10, 10}); // no surface: nothing happens
    orphan.Invalidate();
    orphan.Repaint();
    EXPECT_TRUE(g_paints.empty());
}

TEST_F(PaintFixture, ControlPastTheFormEdgeKeepsItsOrigin)
{
    // A box whose left half is red and right half blue, placed half outside.
    struct THalves : TGraphicControl {
        using TGraphicControl::TGraphicControl;
        void Paint() override
        {
            Canvas().Brush().SetColor(clRed);
            Canvas().FillRect({0, 0, 10, 10});
            Canvas().Brush().SetColor(clBlue);
            Canvas().FillRect({10, 0, 20, 10});
        }
    };
    auto* h = new THalves(form.get());
    h->SetParent(form.get());
    h->SetBounds(-10, -5, 20, 10);
    Application->ProcessMessages();
    EXPECT_EQ(Px(0, 0), clBlue);
    EXPECT_EQ(Px(9, 4), clBlue);
    EXPECT_EQ(Px(10, 0), clWhite);
    EXPECT_EQ(Px(0, 5), clWhite);
}

TEST_F(PaintFixture, ChangeInsidePaintDoesNotLoop)
{
    auto* a = new TBox(form.get(), "a", clRed);
    a->SetParent(form.get());
    a->SetBounds(10, 10, 20, 20);
    a->changeHeightInPaint = true;
    Application->ProcessMessages();
    Application->ProcessMessages();
    EXPECT_EQ(g_paints.size(), 1u);
}

TEST_F(PaintFixture, RenderToBitmapShowsCheckerboardThroughTransparency)
{
    TBox box(nullptr, "x", clRed);
    box.SetBounds(0, 0, 16, 16);
    box.SetTransparent(true);
    TBitmap bmp = test::RenderToBitmap(box);
    ASSERT_EQ(bmp.GetWidth(), 16);
    EXPECT_EQ(bmp.ScanLine(0)[0], clRed);
    EXPECT_EQ(bmp.ScanLine(4)[4], test::kCheckerA);
    EXPECT_EQ(bmp.ScanLine(4)[12], test::kCheckerB);
    EXPECT_EQ(box.GetParent(), nullptr) << "the host form is left again";
}

TEST(ControlsProperties, ParentFontAndColorFollowTheParent)
{
    TForm form(nullptr);
    auto* p = new TPanelLike(&form, "p");
    p->SetParent(&form);
    auto* c = new TBox(&form, "c", clRed);
    c->SetParent(p);
    form.Font().SetSize(14);
    EXPECT_EQ(p->Font().GetSize(), 14);
    EXPECT_EQ(c->Font().GetSize(), 14) << "the change reaches grandchildren";
    c->Font().SetSize(9);
    EXPECT_FALSE(c->GetParentFont()) << "an own font ends ParentFont";
    form.Font().SetSize(20);
    EXPECT_EQ(c->Font().GetSize(), 9);
    c->SetParentFont(true);
    EXPECT_EQ(c->Font().GetSize(), 20);

    c->SetParentColor(true);
    p->SetColor(clAqua);
    EXPECT_EQ(c->GetColor(), clAqua);
}

TEST(ControlsProperties, AlignAndResize)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    auto* top = new TPanelLike(&form, "top");
    top->SetParent(&form);
    top->SetHeight(20);
    top->SetAlign(alTop);
    auto* client = new TPanelLike(&form, "client");
    client->SetParent(&form);
    int resizes = 0;
    client->OnResize = [&](TObject*) { ++resizes; };
    client->SetAlign(alClient);
    EXPECT_EQ(top->GetBoundsRect(), Rect(0, 0, 200, 20));
    EXPECT_EQ(client->GetBoundsRect(), Rect(0, 20, 200, 100));
    resizes = 0;
    form.SetBounds(0, 0, 300, 100);
    EXPECT_EQ(client->GetBoundsRect(), Rect(0, 20, 300, 100));
    EXPECT_EQ(resizes, 1);
    client->SetBounds(0, 20, 300, 80); // unchanged: nothing happens
    EXPECT_EQ(resizes, 1);
    EXPECT_EQ(client->ClientToScreen({5, 5}), Point(5, 25));
    EXPECT_EQ(client->ScreenToClient({5, 25}), Point(5, 5));
}

} // namespace
