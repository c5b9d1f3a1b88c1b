// The panel.
#include "vcl/ExtCtrls.h"

#include "vcl/Fonts.h"
#include "vcl/internal/ClassicLook.h"

#include <algorithm>

namespace vcl {

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetCaption(const std::string& v)
{
    if (v == caption_) return;
    caption_ = v;
    Invalidate();
}

void TPanel::SetAlignment(TAlignment v)
{
    if (v == alignment_) return;
    alignment_ = v;
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut v)
{
    if (v == bevelInner_) return;
    bevelInner_ = v;
    Invalidate();
}

void TPanel::SetBevelOuter(TBevelCut v)
{
    if (v == bevelOuter_) return;
    bevelOuter_ = v;
    Invalidate();
}

void TPanel::SetBevelWidth(int v)
{
    v = std::max(v, 1);
    if (v == bevelWidth_) return;
    bevelWidth_ = v;
    Invalidate();
}

void TPanel::SetBorderWidth(int v)
{
    v = std::max(v, 0);
    if (v == borderWidth_) return;
    borderWidth_ = v;
    Invalidate();
}

void TPanel::SetBorderStyle(TBorderStyle v)
{
    if (v != bsNone) v = bsSingle;
    if (v == borderStyle_) return;
    borderStyle_ = v;
    Invalidate();
}

namespace {
TRect Bevel(TCanvas& c, TRect r, TBevelCut cut, int width)
{
    if (cut == bvNone) return r;
    for (int i = 0; i < width; ++i) {
        if (cut == bvRaised) r = look::Frame3D(c, r, clBtnHighlight, clBtnShadow);
        else if (cut == bvLowered) r = look::Frame3D(c, r, clBtnShadow, clBtnHighlight);
        else r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
    return r;
}
} // namespace

void TPanel::Paint()
{
    TCanvas& c = Canvas();
    TRect r = GetClientRect();
    if (borderStyle_ == bsSingle) r = look::Frame3D(c, r, clWindowFrame, clWindowFrame);
    r = Bevel(c, r, bevelOuter_, bevelWidth_);
    r = {r.Left + borderWidth_, r.Top + borderWidth_, r.Right - borderWidth_, r.Bottom - borderWidth_};
    r = Bevel(c, r, bevelInner_, bevelWidth_);
    if (caption_.empty() || r.IsEmpty()) return;
    look::ClipScope clip(c, r);
    const int tw = TextWidth(Font(), caption_), th = TextHeight(Font());
    int x = r.Left;
    if (alignment_ == taCenter) x = r.Left + (r.Width() - tw) / 2;
    else if (alignment_ == taRightJustify) x = r.Right - tw;
    const int y = r.Top + (r.Height() - th) / 2;
    if (IsEnabledInChain()) {
        look::Text(c, x, y, caption_, Font().GetColor() == clWindowText ? clBtnText : Font().GetColor());
    } else {
        look::Text(c, x + 1, y + 1, caption_, clBtnHighlight);
        look::Text(c, x, y, caption_, clBtnShadow);
    }
}

} // namespace vcl
