// The speed button.
#include "vcl/Buttons.h"

#include "vcl/Fonts.h"
#include "vcl/internal/ClassicLook.h"

#include <algorithm>

namespace vcl {

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), glyph_(std::make_unique<TBitmap>())
{
    SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetCaption(const std::string& v)
{
    if (v == caption_) return;
    caption_ = v;
    Invalidate();
}

void TSpeedButton::SetFlat(bool v)
{
    if (v == flat_) return;
    flat_ = v;
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int v)
{
    if (v == groupIndex_) return;
    groupIndex_ = v;
    if (groupIndex_ == 0 && down_) {
        down_ = false;
        SetState(bsUp);
    }
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool v)
{
    if (groupIndex_ == 0) v = false;
    if (v == down_) return;
    if (down_ && !allowAllUp_) return;
    down_ = v;
    SetState(down_ ? bsExclusive : bsUp);
    if (down_) UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool v)
{
    if (v == allowAllUp_) return;
    allowAllUp_ = v;
    UpdateExclusive();
}

void TSpeedButton::SetGlyph(const TBitmap& Bitmap)
{
    *glyph_ = Bitmap;
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int v)
{
    v = std::clamp(v, 1, 4);
    if (v == numGlyphs_) return;
    numGlyphs_ = v;
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout v)
{
    if (v == layout_) return;
    layout_ = v;
    Invalidate();
}

void TSpeedButton::SetSpacing(int v)
{
    if (v == spacing_) return;
    spacing_ = v;
    Invalidate();
}

void TSpeedButton::SetState(TButtonState s)
{
    if (s == state_) return;
    state_ = s;
    Invalidate();
}

void TSpeedButton::UpdateExclusive()
{
    TWinControl* parent = GetParent();
    if (groupIndex_ == 0 || !parent) return;
    TMessage m{CM_BUTTONPRESSED, static_cast<uintptr_t>(groupIndex_),
               reinterpret_cast<intptr_t>(static_cast<TObject*>(this)), 0};
    parent->Broadcast(m);
}

void TSpeedButton::WndProc(TMessage& Message)
{
    if (Message.Msg == CM_BUTTONPRESSED && Message.WParam == static_cast<uintptr_t>(groupIndex_) &&
        groupIndex_ != 0) {
        // Only a speed button of the same group counts as the sender.
        auto* sender = dynamic_cast<TSpeedButton*>(reinterpret_cast<TObject*>(Message.LParam));
        if (sender && sender != this) {
            if (sender->down_ && down_) {
                down_ = false;
                SetState(bsUp);
            }
            allowAllUp_ = sender->allowAllUp_;
        }
    }
    TGraphicControl::WndProc(Message);
}

void TSpeedButton::Click()
{
    if (groupIndex_ != 0) {
        if (!down_) {
            down_ = true;
            UpdateExclusive();
        } else if (allowAllUp_) {
            down_ = false;
        }
    }
    TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        dragging_ = true;
        if (!down_) SetState(bsDown);
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y)
{
    if (dragging_ && !down_) SetState(GetClientRect().Contains(X, Y) ? bsDown : bsUp);
    TGraphicControl::MouseMove(Shift, X, Y);
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && dragging_) {
        dragging_ = false;
        SetState(down_ ? bsExclusive : bsUp);
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::MouseEnter()
{
    hover_ = true;
    if (flat_) Invalidate();
    TGraphicControl::MouseEnter();
}

void TSpeedButton::MouseLeave()
{
    hover_ = false;
    if (flat_) Invalidate();
    TGraphicControl::MouseLeave();
}

void TSpeedButton::Paint()
{
    TCanvas& c = Canvas();
    const TRect r = GetClientRect();
    const bool enabled = IsEnabledInChain();
    const bool pressed = state_ == bsDown || state_ == bsExclusive || down_;
    if (flat_) {
        look::Fill(c, r, GetColor());
        if (pressed) look::Frame3D(c, r, clBtnShadow, clBtnHighlight);
        else if (hover_ && enabled) look::Frame3D(c, r, clBtnHighlight, clBtnShadow);
    } else {
        look::ButtonFace(c, r, pressed, GetColor());
    }
    // A button staying down shows a checkered face, as a latched key does.
    if (down_ && state_ != bsDown && enabled) {
        const TColor light = ColorToRGB(clBtnHighlight);
        for (int y = 2; y < r.Bottom - 2; ++y)
            for (int x = 2 + (y & 1); x < r.Right - 2; x += 2) c.SetPixel(x, y, light);
    }

    // Glyph picture for the state.
    int gw = 0, gh = 0, index = 0;
    if (!glyph_->Empty()) {
        gw = glyph_->GetWidth() / numGlyphs_;
        gh = glyph_->GetHeight();
        if (!enabled) index = 1;
        else if (state_ == bsDown) index = 2;
        else if (down_) index = 3;
        if (index >= numGlyphs_) index = 0;
    }
    const int tw = caption_.empty() ? 0 : TextWidth(Font(), caption_);
    const int th = caption_.empty() ? 0 : TextHeight(Font());
    const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
    const int gap = (gw > 0 && !caption_.empty()) ? spacing_ : 0;
    const int totalW = horizontal ? gw + gap + tw : std::max(gw, tw);
    const int totalH = horizontal ? std::max(gh, th) : gh + gap + th;
    const int off = pressed ? 1 : 0;
    const int x0 = (r.Width() - totalW) / 2 + off, y0 = (r.Height() - totalH) / 2 + off;
    int gx = x0, gy = y0, tx = x0, ty = y0;
    switch (layout_) {
    case blGlyphLeft: gy = y0 + (totalH - gh) / 2; tx = x0 + gw + gap; ty = y0 + (totalH - th) / 2; break;
    case blGlyphRight: tx = x0; ty = y0 + (totalH - th) / 2; gx = x0 + tw + gap; gy = y0 + (totalH - gh) / 2; break;
    case blGlyphTop: gx = x0 + (totalW - gw) / 2; tx = x0 + (totalW - tw) / 2; ty = y0 + gh + gap; break;
    case blGlyphBottom: tx = x0 + (totalW - tw) / 2; gx = x0 + (totalW - gw) / 2; gy = y0 + th + gap; break;
    }
    if (gw > 0) {
        const TRect src{index * gw, 0, index * gw + gw, gh};
        if (!enabled && numGlyphs_ < 2) {
            // No disabled picture: draw the shape in the shadow colour.
            TBitmap grey(gw, gh);
            const uint32_t key = glyph_->ScanLine(gh - 1)[0];
            const uint32_t shadow = ColorToRGB(clBtnShadow);
            for (int y = 0; y < gh; ++y)
                for (int x = 0; x < gw; ++x) {
                    const uint32_t p = glyph_->ScanLine(y)[x];
                    grey.ScanLine(y)[x] = p == key ? key : shadow;
                }
            look::TransparentGlyph(c, gx, gy, grey, {0, 0, gw, gh});
        } else {
            look::TransparentGlyph(c, gx, gy, *glyph_, src);
        }
    }
    if (!caption_.empty()) {
        if (enabled) {
            look::Text(c, tx, ty, caption_, Font().GetColor() == clWindowText ? clBtnText : Font().GetColor());
        } else {
            look::Text(c, tx + 1, ty + 1, caption_, clBtnHighlight);
            look::Text(c, tx, ty, caption_, clBtnShadow);
        }
    }
}

} // namespace vcl
