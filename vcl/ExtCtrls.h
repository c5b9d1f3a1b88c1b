// The panel: a windowed container with bevels and a caption.
#pragma once

#include "vcl/Controls.h"
#include "vcl/Types.h"

#include <cstdint>
#include <string>

namespace vcl {

enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

// From the outside in: the outer bevel, BorderWidth pixels of Color, the
// inner bevel; each bevel is BevelWidth pixels wide. BorderStyle bsSingle
// adds a one-pixel dark frame around everything. The caption is centred
// vertically and placed by Alignment. Children are placed over the whole
// control (the bevels do not shrink the client area).
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);

    const std::string& GetCaption() const noexcept { return caption_; }
    void SetCaption(const std::string& v);
    TAlignment GetAlignment() const noexcept { return alignment_; }
    void SetAlignment(TAlignment v);
    TBevelCut GetBevelInner() const noexcept { return bevelInner_; }
    void SetBevelInner(TBevelCut v);
    TBevelCut GetBevelOuter() const noexcept { return bevelOuter_; }
    void SetBevelOuter(TBevelCut v);
    // At least 1.
    int GetBevelWidth() const noexcept { return bevelWidth_; }
    void SetBevelWidth(int v);
    // At least 0.
    int GetBorderWidth() const noexcept { return borderWidth_; }
    void SetBorderWidth(int v);
    TBorderStyle GetBorderStyle() const noexcept { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v);

protected:
    void Paint() override;

private:
    std::string caption_;
    TAlignment alignment_ = taCenter;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
};

} // namespace vcl
