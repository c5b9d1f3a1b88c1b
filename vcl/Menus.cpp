// Popup menus.
#include "vcl/Menus.h"

#include "vcl/Controls.h"
#include "vcl/Cp1252.h"
#include "vcl/Fonts.h"
#include "vcl/internal/ClassicLook.h"

#include <algorithm>

namespace vcl {

namespace {
test::TPopupHandler& PopupHandler()
{
    static test::TPopupHandler handler;
    return handler;
}

std::string StripAmp(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&' && i + 1 < s.size()) ++i;
        out += s[i];
    }
    return out;
}
} // namespace

namespace test {
void SetPopupHandler(TPopupHandler Handler) { PopupHandler() = std::move(Handler); }
} // namespace test

// ---------------------------------------------------------------------------
// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), bitmap_(std::make_unique<TBitmap>()) {}

TMenuItem::~TMenuItem()
{
    // Sub-items still attached die with the item; each leaves the list.
    while (!items_.empty()) delete items_.back();
    if (parent_) parent_->Remove(this);
}

TMenuItem* TMenuItem::GetItem(int Index) const noexcept
{
    if (Index < 0 || Index >= GetCount()) return nullptr;
    return items_[static_cast<size_t>(Index)];
}

int TMenuItem::IndexOf(const TMenuItem* Item) const noexcept
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == Item) return static_cast<int>(i);
    return -1;
}

void TMenuItem::Add(TMenuItem* Item) { Insert(GetCount(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item)
{
    if (!Item) return;
    for (const TMenuItem* p = this; p; p = p->parent_)
        if (p == Item) throw EInvalidOperation("A menu item cannot be inserted into itself");
    if (Item->parent_) Item->parent_->Remove(Item);
    Index = std::clamp(Index, 0, GetCount());
    items_.insert(items_.begin() + Index, Item);
    Item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* Item)
{
    const int i = IndexOf(Item);
    if (i < 0) return;
    items_.erase(items_.begin() + i);
    Item->parent_ = nullptr;
}

void TMenuItem::Delete(int Index) { Remove(GetItem(Index)); }

void TMenuItem::Clear()
{
    while (!items_.empty()) delete items_.back();
}

TMenuItem* TMenuItem::Find(const std::string& ACaption) const
{
    const std::string want = AnsiUpperCase(StripAmp(ACaption));
    for (TMenuItem* i : items_)
        if (AnsiUpperCase(StripAmp(i->caption_)) == want) return i;
    return nullptr;
}

void TMenuItem::Click()
{
    if (enabled_ && OnClick) OnClick(this);
}

// ---------------------------------------------------------------------------
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(this)) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::DoPopup()
{
    if (OnPopup) OnPopup(this);
}

void TPopupMenu::Popup(int X, int Y)
{
    popupPoint_ = {X, Y};
    DoPopup();
    const test::TPopupHandler handler = PopupHandler(); // a copy: it may replace itself
    if (handler) handler(*this, X, Y);
}

// ---------------------------------------------------------------------------
// The menu box

namespace {
constexpr int kLeftColumn = 20; // check mark or bitmap
constexpr int kArrowColumn = 16;
constexpr int kSeparatorHeight = 8;

TFont& MenuFont()
{
    static TFont font;
    return font;
}

int RowHeight(TMenuItem& item)
{
    if (item.IsLine()) return kSeparatorHeight;
    const int bh = item.Bitmap().Empty() ? 0 : item.Bitmap().GetHeight() + 4;
    return std::max(TextHeight(MenuFont()) + 6, bh);
}
} // namespace

TBitmap PaintMenuBox(TMenuItem& Parent, int Highlight)
{
    int w = 0, h = 0;
    bool anySub = false;
    for (int i = 0; i < Parent.GetCount(); ++i) {
        TMenuItem& it = *Parent.GetItem(i);
        if (!it.GetVisible()) continue;
        h += RowHeight(it);
        if (!it.IsLine()) w = std::max(w, TextWidth(MenuFont(), StripAmp(it.GetCaption())));
        if (it.GetCount() > 0) anySub = true;
    }
    (void)anySub;
    w += kLeftColumn + 8 + kArrowColumn + 4;
    h += 4;
    TBitmap bmp(w, h);
    TCanvas& c = bmp.Canvas();
    c.Font().Assign(&MenuFont());
    look::Fill(c, {0, 0, w, h}, clMenu);
    TRect inner = look::Frame3D(c, {0, 0, w, h}, cl3DLight, cl3DDkShadow);
    look::Frame3D(c, inner, clBtnHighlight, clBtnShadow);
    int y = 2;
    for (int i = 0; i < Parent.GetCount(); ++i) {
        TMenuItem& it = *Parent.GetItem(i);
        if (!it.GetVisible()) continue;
        const int rh = RowHeight(it);
        const TRect row{2, y, w - 2, y + rh};
        if (it.IsLine()) {
            const int ly = y + rh / 2 - 1;
            look::Fill(c, {row.Left + 1, ly, row.Right - 1, ly + 1}, clBtnShadow);
            look::Fill(c, {row.Left + 1, ly + 1, row.Right - 1, ly + 2}, clBtnHighlight);
            y += rh;
            continue;
        }
        const bool selected = i == Highlight;
        if (selected) look::Fill(c, row, clHighlight);
        const TColor text = !it.GetEnabled() ? clGrayText : selected ? clHighlightText : clMenuText;
        if (!it.Bitmap().Empty()) {
            const TBitmap& b = it.Bitmap();
            look::TransparentGlyph(c, row.Left + (kLeftColumn - b.GetWidth()) / 2, y + (rh - b.GetHeight()) / 2, b,
                                   {0, 0, b.GetWidth(), b.GetHeight()});
            if (it.GetChecked()) look::Frame3D(c, {row.Left, y, row.Left + kLeftColumn, y + rh}, clBtnShadow,
                                               clBtnHighlight);
        } else if (it.GetChecked()) {
            look::CheckMark(c, row.Left + (kLeftColumn - 7) / 2, y + (rh - 9) / 2, text);
        }
        // The caption with its accelerator underlined.
        const std::string& cap = it.GetCaption();
        std::string shown;
        int accel = -1;
        for (size_t k = 0; k < cap.size(); ++k) {
            if (cap[k] == '&' && k + 1 < cap.size()) {
                ++k;
                if (cap[k] != '&' && accel < 0) accel = static_cast<int>(shown.size());
            }
            shown += cap[k];
        }
        const int tx = row.Left + kLeftColumn + 4, ty = y + (rh - TextHeight(MenuFont())) / 2;
        look::Text(c, tx, ty, shown, text);
        if (accel >= 0) {
            const int ux = tx + TextWidth(MenuFont(), std::string_view(shown).substr(0, static_cast<size_t>(accel)));
            const int uw = TextWidth(MenuFont(), std::string_view(shown).substr(static_cast<size_t>(accel), 1));
            const int uy = ty + GetTextMetric(MenuFont()).Ascent + 1;
            look::Fill(c, {ux, uy, ux + uw, uy + 1}, text);
        }
        if (it.GetCount() > 0) look::Arrow(c, {row.Right - kArrowColumn, y, row.Right, y + rh}, 2, text);
        y += rh;
    }
    return bmp;
}

TMenuItem* MenuBoxItemAt(TMenuItem& Parent, int X, int Y)
{
    int y = 2;
    for (int i = 0; i < Parent.GetCount(); ++i) {
        TMenuItem& it = *Parent.GetItem(i);
        if (!it.GetVisible()) continue;
        const int rh = RowHeight(it);
        if (Y >= y && Y < y + rh) return it.IsLine() || X < 2 ? nullptr : &it;
        y += rh;
    }
    return nullptr;
}

} // namespace vcl
