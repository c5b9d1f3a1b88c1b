// The speed button: a window-less push button with a caption and a glyph
// that may stay down, alone or as one of an exclusive group.
#pragma once

#include "vcl/Controls.h"
#include "vcl/Graphics.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vcl {

enum TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// How the button looks: up, disabled, held down by the mouse, staying down.
enum TButtonState : uint8_t { bsUp, bsDisabled, bsDown, bsExclusive };

// Buttons with the same non-zero GroupIndex on one parent form a group: at
// most one of them is down, and pressing one releases the others (through
// CM_BUTTONPRESSED, WParam = the group index, LParam = the pressed button as
// a TObject pointer). A button that is down stays down when clicked again
// unless AllowAllUp is set. With GroupIndex 0 the button only clicks.
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    const std::string& GetCaption() const noexcept { return caption_; }
    void SetCaption(const std::string& v);
    // A flat button shows its edges only while the mouse is over it or it is
    // down.
    bool GetFlat() const noexcept { return flat_; }
    void SetFlat(bool v);
    int GetGroupIndex() const noexcept { return groupIndex_; }
    void SetGroupIndex(int v);
    bool GetDown() const noexcept { return down_; }
    // Ignored for buttons outside a group; releasing a down button needs
    // AllowAllUp (otherwise another button of the group is pressed instead).
    void SetDown(bool v);
    bool GetAllowAllUp() const noexcept { return allowAllUp_; }
    void SetAllowAllUp(bool v);

    // The glyph sheet: NumGlyphs (1..4) pictures of equal width side by side,
    // for up, disabled, clicked and down, in that order; a missing picture
    // falls back to the first (a disabled button then draws it greyed). The
    // colour of the sheet's bottom-left pixel is transparent.
    TBitmap& Glyph() noexcept { return *glyph_; }
    void SetGlyph(const TBitmap& Bitmap);
    int GetNumGlyphs() const noexcept { return numGlyphs_; }
    void SetNumGlyphs(int v);
    TButtonLayout GetLayout() const noexcept { return layout_; }
    void SetLayout(TButtonLayout v);
    // Pixels between glyph and caption.
    int GetSpacing() const noexcept { return spacing_; }
    void SetSpacing(int v);

    TButtonState GetState() const noexcept { return state_; }
    bool GetMouseInControl() const noexcept { return hover_; }

protected:
    void Paint() override;
    void Click() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void WndProc(TMessage& Message) override;

private:
    void UpdateExclusive();
    void SetState(TButtonState s);
    std::string caption_;
    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
    int spacing_ = 4;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool flat_ = false;
    bool hover_ = false;
    bool dragging_ = false;
    TButtonState state_ = bsUp;
};

} // namespace vcl
