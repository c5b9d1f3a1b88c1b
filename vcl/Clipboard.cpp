#include "vcl/Clipboard.h"

#include "vcl/Graphics.h"

namespace vcl {

TClipboard::TClipboard() = default;
TClipboard::~TClipboard() = default;

void TClipboard::Changed()
{
    if (OnChange) OnChange(this);
}

void TClipboard::Clear()
{
    hasText_ = false;
    text_.clear();
    bitmap_.reset();
    Changed();
}

bool TClipboard::HasFormat(uint16_t Format) const noexcept
{
    switch (Format) {
    case CF_TEXT: return hasText_;
    case CF_BITMAP: return bitmap_ != nullptr;
    default: return false;
    }
}

std::string TClipboard::GetAsText() const { return hasText_ ? text_ : std::string(); }

void TClipboard::SetAsText(const std::string& Text)
{
    bitmap_.reset();
    text_ = Text;
    hasText_ = true;
    Changed();
}

void TClipboard::SetBitmap(const TBitmap& Bitmap)
{
    auto copy = std::make_unique<TBitmap>(Bitmap);
    hasText_ = false;
    text_.clear();
    bitmap_ = std::move(copy);
    Changed();
}

std::unique_ptr<TBitmap> TClipboard::GetBitmap() const
{
    return bitmap_ ? std::make_unique<TBitmap>(*bitmap_) : nullptr;
}

void TClipboard::Assign(const TPersistent* Source)
{
    if (auto* b = dynamic_cast<const TBitmap*>(Source)) {
        SetBitmap(*b);
        return;
    }
    TPersistent::Assign(Source);
}

void TClipboard::AssignTo(TPersistent& Dest) const
{
    if (auto* b = dynamic_cast<TBitmap*>(&Dest); b && bitmap_) {
        b->Assign(bitmap_.get());
        return;
    }
    TPersistent::AssignTo(Dest);
}

TClipboard& Clipboard()
{
    static TClipboard clipboard;
    return clipboard;
}

} // namespace vcl
