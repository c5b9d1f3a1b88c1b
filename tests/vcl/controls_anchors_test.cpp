// Anchored layout: when a parent's client area changes size, children
// without Align keep their distances to the edges they are anchored to.
#include <gtest/gtest.h>

#include <memory>

#include "vcl/Controls.h"

using namespace vcl;

namespace {

struct AnchorCase {
    TAnchors anchors;
    TRect expected; // after the parent grows from 200x100 to 260x140
};

TEST(Anchors, ChildrenFollowTheirAnchoredEdges)
{
    const AnchorCase cases[] = {
        {{akLeft, akTop}, {20, 10, 70, 40}},                     // default: stays
        {{akRight, akTop}, {80, 10, 130, 40}},                   // moves right
        {{akLeft, akRight, akTop}, {20, 10, 130, 40}},           // stretches
        {{akLeft, akTop, akBottom}, {20, 10, 70, 80}},           // stretches down
        {{akRight, akBottom}, {80, 50, 130, 80}},                // moves with the corner
        {{}, {50, 30, 100, 60}},                                 // keeps its centre
        {{akLeft, akTop, akRight, akBottom}, {20, 10, 130, 80}}, // grows both ways
    };
    for (const auto& c : cases) {
        auto form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 200, 100);
        auto* child = new TGraphicControl(form.get());
        child->SetBounds(20, 10, 50, 30);
        child->SetAnchors(c.anchors);
        child->SetParent(form.get());
        form->SetBounds(0, 0, 260, 140);
        EXPECT_EQ(child->GetBoundsRect(), c.expected);
    }
}

TEST(Anchors, ShrinkingNeverGivesNegativeSizesAndAlignedChildrenAreLeftToAlign)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    auto* stretch = new TCustomControl(&form);
    stretch->SetBounds(20, 10, 50, 30);
    stretch->SetAnchors({akLeft, akRight, akTop, akBottom});
    stretch->SetParent(&form);
    auto* nested = new TGraphicControl(&form);
    nested->SetBounds(30, 0, 20, 10);
    nested->SetAnchors({akRight, akTop});
    nested->SetParent(stretch);
    auto* top = new TGraphicControl(&form);
    top->SetAlign(alTop);
    top->SetHeight(5);
    top->SetAnchors({akRight});
    top->SetParent(&form);

    form.SetBounds(0, 0, 100, 50); // 100 narrower, 50 lower
    EXPECT_EQ(stretch->GetWidth(), 0);
    EXPECT_EQ(stretch->GetHeight(), 0);
    // The nested child moved with its parent's right edge.
    EXPECT_EQ(nested->GetLeft(), -20);
    EXPECT_EQ(top->GetBoundsRect(), (TRect{0, 0, 100, 5}));

    // Loading: stored sizes are applied as they come, anchors stay put.
    form.BeginLoading();
    auto* loaded = new TGraphicControl(&form);
    loaded->SetBounds(10, 10, 10, 10);
    loaded->SetAnchors({akRight});
    loaded->SetParent(&form);
    form.SetBounds(0, 0, 300, 50);
    form.EndLoading();
    EXPECT_EQ(loaded->GetLeft(), 10);
}

} // namespace
