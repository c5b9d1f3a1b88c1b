// The clipboard: an in-process store of text (cp1252 bytes) and a bitmap.
// Setting one format replaces everything held before. A window backend may
// mirror the text to the desktop through OnChange.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "vcl/Classes.h"

namespace vcl {

class TBitmap;

enum TClipboardFormat : uint16_t { CF_TEXT = 1, CF_BITMAP = 2 };

class TClipboard : public TPersistent {
public:
    TClipboard();
    ~TClipboard() override;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    void Clear();
    bool HasFormat(uint16_t Format) const noexcept;

    // The text; empty when the clipboard holds none.
    std::string GetAsText() const;
    std::string AsText() const { return GetAsText(); }
    void SetAsText(const std::string& Text);
    void SetText(const std::string& Text) { SetAsText(Text); }

    // A copy of the bitmap goes to the clipboard.
    void SetBitmap(const TBitmap& Bitmap);
    // A copy of the held bitmap; nullptr when there is none.
    std::unique_ptr<TBitmap> GetBitmap() const;
    // Assign(bitmap) stores a copy of the bitmap; bitmap.Assign(&Clipboard())
    // copies the held bitmap out (EConvertError when there is none).
    void Assign(const TPersistent* Source) override;

    // Fired after every change of the contents.
    TNotifyEvent OnChange;

protected:
    void AssignTo(TPersistent& Dest) const override;

private:
    void Changed();
    bool hasText_ = false;
    std::string text_;
    std::unique_ptr<TBitmap> bitmap_;
};

// The process-wide clipboard.
TClipboard& Clipboard();

} // namespace vcl
