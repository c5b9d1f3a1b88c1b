// Combo box and scroll bar.
#include "vcl/StdCtrls.h"

#include "vcl/Clipboard.h"
#include "vcl/Cp1252.h"
#include "vcl/Fonts.h"
#include "vcl/internal/ClassicLook.h"

#include <algorithm>

namespace vcl {

namespace {
constexpr uint16_t kVkF4 = 115;
constexpr int kComboButtonWidth = 17;
constexpr int kMaxRowHeight = 255;

test::TDropDownHandler& DropDownHandler()
{
    static test::TDropDownHandler handler;
    return handler;
}
} // namespace

namespace test {
void SetDropDownHandler(TDropDownHandler Handler) { DropDownHandler() = std::move(Handler); }
} // namespace test

// ---------------------------------------------------------------------------
// TComboBox

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner)
{
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 145, 22);
    items_.OnChanged = [this] { ItemsChanged(); };
    AdjustHeight();
}

TComboBox::~TComboBox() { items_.OnChanged = nullptr; }

void TComboBox::ItemsChanged()
{
    if (itemIndex_ >= items_.GetCount()) {
        itemIndex_ = -1;
        if (!HasEdit()) ed_ = {};
    }
    Invalidate();
}

void TComboBox::SetStyle(TComboBoxStyle v)
{
    if (v == style_) return;
    style_ = v;
    if (!HasEdit()) {
        ed_.Text = items_.Get(itemIndex_);
        ed_.Anchor = ed_.Caret = 0;
    }
    AdjustHeight();
    Invalidate();
}

void TComboBox::SetItemIndex(int v)
{
    if (v < -1 || v >= items_.GetCount()) v = -1;
    itemIndex_ = v;
    ed_.Text = items_.Get(v);
    ed_.Anchor = 0;
    ed_.Caret = static_cast<int>(ed_.Text.size());
    Invalidate();
}

std::string TComboBox::GetText() const
{
    if (HasEdit()) return ed_.Text;
    return items_.Get(itemIndex_);
}

void TComboBox::SetText(const std::string& Value)
{
    itemIndex_ = items_.IndexOf(Value);
    ed_.Text = HasEdit() ? Value : items_.Get(itemIndex_);
    ed_.Anchor = 0;
    ed_.Caret = static_cast<int>(ed_.Text.size());
    Invalidate();
}

int TComboBox::GetItemHeight()
{
    if (itemHeight_ > 0) return itemHeight_;
    return TextHeight(Font()) + 2;
}

void TComboBox::SetItemHeight(int v)
{
    if (v < 1) return;
    v = std::min(v, kMaxRowHeight);
    if (v == itemHeight_) return;
    itemHeight_ = v;
    AdjustHeight();
    Invalidate();
}

void TComboBox::AdjustHeight()
{
    if (IsOwnerDraw()) SetHeight(GetItemHeight() + 6);
    else SetHeight(TextHeight(Font()) + 8);
}

void TComboBox::FontChanged()
{
    TWinControl::FontChanged();
    AdjustHeight();
}

void TComboBox::SelectAll()
{
    ed_.Anchor = 0;
    ed_.Caret = static_cast<int>(ed_.Text.size());
    Invalidate();
}

void TComboBox::Change()
{
    if (OnChange) OnChange(this);
}

void TComboBox::DropDown()
{
    if (OnDropDown) OnDropDown(this);
}

void TComboBox::CloseUp()
{
    if (OnCloseUp) OnCloseUp(this);
}

void TComboBox::MeasureItem(int Index, int& Height)
{
    if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

int TComboBox::RowHeight(int Index)
{
    int h = GetItemHeight();
    if (style_ == csOwnerDrawVariable) {
        MeasureItem(Index, h);
        h = std::clamp(h, 1, kMaxRowHeight);
    }
    return h;
}

void TComboBox::UserSelect(int Index)
{
    if (Index < 0 || Index >= items_.GetCount()) return;
    itemIndex_ = Index;
    ed_.Text = items_.Get(Index);
    ed_.Anchor = 0;
    ed_.Caret = static_cast<int>(ed_.Text.size());
    Invalidate();
    auto token = AliveToken();
    Change();
    if (!*token) return;
    selecting_ = true;
    try {
        Click();
    } catch (...) {
        if (*token) selecting_ = false;
        throw;
    }
    if (*token) selecting_ = false;
}

void TComboBox::Click()
{
    if (selecting_) TWinControl::Click();
}

void TComboBox::OpenList()
{
    if (dropped_ || !IsEnabledInChain()) return;
    auto token = AliveToken();
    DropDown();
    if (!*token) return;
    dropped_ = true;
    Invalidate();
    const test::TDropDownHandler handler = DropDownHandler(); // a copy: it may replace itself
    int pick = -1;
    try {
        if (handler) pick = handler(*this);
    } catch (...) {
        if (*token) dropped_ = false;
        throw;
    }
    if (!*token) return;
    if (pick >= 0 && pick < items_.GetCount()) UserSelect(pick);
    if (!*token) return;
    dropped_ = false;
    Invalidate();
    CloseUp();
}

int TComboBox::ListHeight(int First)
{
    const int count = items_.GetCount();
    First = std::clamp(First, 0, std::max(count - 1, 0));
    int h = 0;
    for (int i = First; i < count && i < First + dropDownCount_; ++i) h += RowHeight(i);
    if (count == 0) h = GetItemHeight();
    return h + 2;
}

int TComboBox::ListItemAt(int Y, int First)
{
    const int count = items_.GetCount();
    int y = 1;
    for (int i = std::max(First, 0); i < count && i < First + dropDownCount_; ++i) {
        const int h = RowHeight(i);
        if (Y >= y && Y < y + h) return i;
        y += h;
    }
    return -1;
}

void TComboBox::DrawRow(TCanvas& C, int Index, const TRect& Rect, TOwnerDrawState State)
{
    TCanvas* saved = drawCanvas_;
    drawCanvas_ = &C;
    C.Font().Assign(&Font());
    C.Brush().SetStyle(bsSolid);
    if (State.Contains(odSelected)) {
        C.Brush().SetColor(clHighlight);
        C.Font().SetColor(clHighlightText);
    } else {
        C.Brush().SetColor(GetColor());
        if (State.Contains(odDisabled)) C.Font().SetColor(clGrayText);
    }
    try {
        look::ClipScope clip(C, Rect);
        DrawItem(Index, Rect, State);
    } catch (...) {
        drawCanvas_ = saved;
        throw;
    }
    drawCanvas_ = saved;
}

void TComboBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State)
{
    if (IsOwnerDraw() && OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    TCanvas& c = ItemCanvas();
    c.FillRect(Rect);
    const int y = Rect.Top + (Rect.Height() - TextHeight(c.Font())) / 2;
    c.Brush().SetStyle(bsClear);
    c.TextOut(Rect.Left + 2, y, items_.Get(Index));
    c.Brush().SetStyle(bsSolid);
}

TBitmap TComboBox::RenderList(int First, int Highlight)
{
    const int count = items_.GetCount();
    First = std::clamp(First, 0, std::max(count - 1, 0));
    const int w = std::max(GetWidth(), 1), h = ListHeight(First);
    TBitmap bmp(w, h);
    TCanvas& c = bmp.Canvas();
    look::Fill(c, {0, 0, w, h}, GetColor());
    look::Frame3D(c, {0, 0, w, h}, clWindowFrame, clWindowFrame);
    int y = 1;
    for (int i = First; i < count && i < First + dropDownCount_; ++i) {
        const int rh = RowHeight(i);
        TOwnerDrawState st;
        if (i == Highlight) {
            st.Include(odSelected);
            st.Include(odFocused);
        }
        DrawRow(c, i, {1, y, w - 1, y + rh}, st);
        y += rh;
    }
    return bmp;
}

TRect TComboBox::ButtonRect() const
{
    const int w = GetWidth(), h = GetHeight();
    return {std::max(2, w - 2 - kComboButtonWidth), 2, std::max(2, w - 2), std::max(2, h - 2)};
}

void TComboBox::Paint()
{
    TCanvas& c = Canvas();
    look::SunkenField(c, GetClientRect());
    const TRect button = ButtonRect();
    look::ButtonFace(c, button, dropped_);
    look::Arrow(c, dropped_ ? TRect{button.Left + 1, button.Top + 1, button.Right + 1, button.Bottom + 1} : button, 3,
                IsEnabledInChain() ? clBtnText : clGrayText);
    const TRect field{2, 2, button.Left, GetHeight() - 2};
    const bool enabled = IsEnabledInChain();
    const bool focused = Focused();
    if (!HasEdit()) {
        const TRect row{field.Left + 1, field.Top + 1, field.Right - 1, field.Bottom - 1};
        TOwnerDrawState st{odComboBoxEdit};
        if (focused && !dropped_) {
            st.Include(odSelected);
            st.Include(odFocused);
        }
        if (!enabled) st.Include(odDisabled);
        if (itemIndex_ >= 0) DrawRow(c, itemIndex_, row, st);
        else look::Fill(c, row, st.Contains(odSelected) ? clHighlight : GetColor());
        return;
    }
    // The edit part.
    look::ClipScope clip(c, field);
    const int th = TextHeight(Font());
    const int x0 = field.Left + 2;
    const int ty = field.Top + (field.Height() - th) / 2;
    look::Text(c, x0, ty, ed_.Text, enabled ? Font().GetColor() : clGrayText);
    const auto xAt = [&](int pos) {
        return x0 + TextWidth(Font(), std::string_view(ed_.Text).substr(0, static_cast<size_t>(pos)));
    };
    if (focused && ed_.SelLength() > 0) {
        const int s = ed_.SelStart(), e = s + ed_.SelLength();
        look::Fill(c, {xAt(s), ty, xAt(e), ty + th}, clHighlight);
        look::Text(c, xAt(s), ty, ed_.Text.substr(static_cast<size_t>(s), static_cast<size_t>(e - s)),
                   clHighlightText);
    }
    if (focused) look::Fill(c, {xAt(ed_.Caret), ty, xAt(ed_.Caret) + 1, ty + th}, clWindowText);
}

void TComboBox::KeyDown(uint16_t& Key, TShiftState Shift)
{
    auto token = AliveToken();
    TWinControl::KeyDown(Key, Shift);
    if (!*token || Key == 0) return;
    const int count = items_.GetCount();
    const auto moveTo = [&](int i) {
        i = std::clamp(i, 0, count - 1);
        if (count > 0 && i != itemIndex_) UserSelect(i);
        Key = 0;
    };
    if ((Key == VK_DOWN && Shift.Contains(ssAlt)) || Key == kVkF4) {
        Key = 0;
        OpenList();
        return;
    }
    switch (Key) {
    case VK_DOWN: moveTo(itemIndex_ + 1); return;
    case VK_UP: moveTo(itemIndex_ < 0 ? 0 : itemIndex_ - 1); return;
    case VK_NEXT: moveTo(itemIndex_ + dropDownCount_); return;
    case VK_PRIOR: moveTo(itemIndex_ - dropDownCount_); return;
    default: break;
    }
    if (!HasEdit()) {
        if (Key == VK_HOME) moveTo(0);
        else if (Key == VK_END) moveTo(count - 1);
        return;
    }
    // Editing keys of the edit part.
    const bool extend = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl);
    bool changed = false;
    switch (Key) {
    case VK_LEFT: ed_.MoveCaret(ed_.Caret - 1, extend); break;
    case VK_RIGHT: ed_.MoveCaret(ed_.Caret + 1, extend); break;
    case VK_HOME: ed_.MoveCaret(0, extend); break;
    case VK_END: ed_.MoveCaret(static_cast<int>(ed_.Text.size()), extend); break;
    case VK_DELETE:
        if (ed_.SelLength() == 0 && ed_.Caret < static_cast<int>(ed_.Text.size())) ed_.Anchor = ed_.Caret + 1;
        changed = ed_.ReplaceSelection(std::string(), 0);
        break;
    case 'C':
    case 'X':
        if (!ctrl) return;
        if (ed_.SelLength() > 0) {
            Clipboard().SetAsText(ed_.Text.substr(static_cast<size_t>(ed_.SelStart()),
                                                  static_cast<size_t>(ed_.SelLength())));
            if (Key == 'X') changed = ed_.ReplaceSelection(std::string(), 0);
        }
        break;
    case 'V': {
        if (!ctrl) return;
        std::string t = Clipboard().GetAsText();
        const size_t eol = t.find_first_of("\r\n");
        if (eol != std::string::npos) t.resize(eol);
        changed = ed_.ReplaceSelection(t, maxLength_);
        break;
    }
    default: return;
    }
    Key = 0;
    Invalidate();
    if (changed) {
        itemIndex_ = items_.IndexOf(ed_.Text);
        Change();
    }
}

void TComboBox::KeyPress(char& Key)
{
    auto token = AliveToken();
    TWinControl::KeyPress(Key);
    if (!*token || Key == 0) return;
    const unsigned char ch = static_cast<unsigned char>(Key);
    if (HasEdit()) {
        bool changed = false;
        if (Key == '\b') {
            if (ed_.SelLength() == 0 && ed_.Caret > 0) ed_.Anchor = ed_.Caret - 1;
            changed = ed_.ReplaceSelection(std::string(), 0);
        } else if (ch >= 32 && ch != 127) {
            changed = ed_.ReplaceSelection(std::string(1, Key), maxLength_);
        } else {
            return;
        }
        Key = 0;
        Invalidate();
        if (changed) {
            itemIndex_ = items_.IndexOf(ed_.Text);
            Change();
        }
        return;
    }
    // Choice only: a character selects the next item that starts with it.
    if (ch < 32 || ch == 127) return;
    Key = 0;
    const int count = items_.GetCount();
    const unsigned char up = AnsiUpper(ch);
    for (int step = 1; step <= count; ++step) {
        const int i = (itemIndex_ + step + count) % count;
        const std::string s = items_.Get(i);
        if (!s.empty() && AnsiUpper(static_cast<unsigned char>(s[0])) == up) {
            if (i != itemIndex_) UserSelect(i);
            return;
        }
    }
}

void TComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto token = AliveToken();
    TWinControl::MouseDown(Button, Shift, X, Y);
    if (!*token || Button != mbLeft) return;
    if (!Focused() && CanFocus()) SetFocus();
    if (!*token) return;
    const TRect button = ButtonRect();
    if (!HasEdit() || button.Contains(X, Y)) {
        OpenList();
        return;
    }
    // A press in the edit part places the caret.
    const int x = X - 4;
    int pos = static_cast<int>(ed_.Text.size()), prev = 0;
    for (size_t i = 0; i < ed_.Text.size(); ++i) {
        const int w = prev + TextWidth(Font(), std::string_view(ed_.Text).substr(i, 1));
        if (x < (prev + w + 1) / 2) {
            pos = static_cast<int>(i);
            break;
        }
        prev = w;
    }
    ed_.MoveCaret(pos, Shift.Contains(ssShift));
    Invalidate();
}

void TComboBox::DoEnter()
{
    SelectAll();
    TWinControl::DoEnter();
}

void TComboBox::DoExit()
{
    Invalidate();
    TWinControl::DoExit();
}

bool TComboBox::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    if (TWinControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    const int count = items_.GetCount();
    if (count == 0 || WheelDelta == 0) return false;
    const int i = std::clamp(itemIndex_ + (WheelDelta > 0 ? -1 : 1), 0, count - 1);
    if (i != itemIndex_) UserSelect(i);
    return true;
}

// ---------------------------------------------------------------------------
// TScrollBar

namespace {
constexpr int kArrow = 16;
constexpr int kMinThumb = 8;
} // namespace

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner)
{
    SetTabStop(true);
    SetBounds(0, 0, 121, 16);
}

void TScrollBar::SetKind(TScrollBarKind v)
{
    if (v == kind_) return;
    kind_ = v;
    // The bar turns: width and height swap.
    SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
    Invalidate();
}

int TScrollBar::MaxPosition() const noexcept
{
    return pageSize_ > 0 ? static_cast<int>(std::max<int64_t>(min_, int64_t(max_) - pageSize_ + 1)) : max_;
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax)
{
    if (AMax < AMin) AMax = AMin;
    min_ = AMin;
    max_ = AMax;
    const int64_t range = int64_t(max_) - min_ + 1;
    if (pageSize_ > range) pageSize_ = static_cast<int>(range);
    const int pos = std::clamp(APosition, min_, MaxPosition());
    const bool changed = pos != position_;
    position_ = pos;
    Invalidate();
    if (changed) Change();
}

void TScrollBar::SetPageSize(int v)
{
    v = static_cast<int>(std::clamp<int64_t>(v, 0, std::min<int64_t>(int64_t(max_) - min_ + 1, INT32_MAX)));
    if (v == pageSize_) return;
    pageSize_ = v;
    SetParams(position_, min_, max_);
}

void TScrollBar::Change()
{
    if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode Code, int& Pos)
{
    if (OnScroll) OnScroll(this, Code, Pos);
}

int TScrollBar::TrackLength() const noexcept
{
    const int len = kind_ == sbHorizontal ? GetWidth() : GetHeight();
    return std::max(len - 2 * kArrow, 0);
}

int TScrollBar::ThumbLength() const noexcept
{
    const int track = TrackLength();
    int t = kArrow;
    if (pageSize_ > 0) {
        const int64_t range = int64_t(max_) - min_ + 1;
        t = static_cast<int>(int64_t(track) * pageSize_ / range);
    }
    t = std::max(t, kMinThumb);
    return t > track ? 0 : t; // no room: no thumb
}

int TScrollBar::PosToOffset(int Pos) const noexcept
{
    const int free = TrackLength() - ThumbLength();
    const int64_t span = int64_t(MaxPosition()) - min_;
    if (span <= 0 || free <= 0) return 0;
    return static_cast<int>((int64_t(Pos) - min_) * free / span);
}

TRect TScrollBar::ThumbRect() const
{
    const int len = ThumbLength();
    if (len == 0 || MaxPosition() <= min_) return {};
    const int off = kArrow + PosToOffset(position_);
    if (kind_ == sbHorizontal) return {off, 0, off + len, GetHeight()};
    return {0, off, GetWidth(), off + len};
}

void TScrollBar::Paint()
{
    TCanvas& c = Canvas();
    const int w = GetWidth(), h = GetHeight();
    const bool horz = kind_ == sbHorizontal;
    const int len = horz ? w : h;
    const int a = std::min(kArrow, len / 2);
    const TRect first = horz ? TRect{0, 0, a, h} : TRect{0, 0, w, a};
    const TRect second = horz ? TRect{w - a, 0, w, h} : TRect{0, h - a, w, h};
    const TRect track = horz ? TRect{a, 0, w - a, h} : TRect{0, a, w, h - a};
    // The track: a fine checkerboard of face and highlight.
    const TColor face = ColorToRGB(clBtnFace), light = ColorToRGB(clBtnHighlight);
    look::Fill(c, track, face);
    for (int y = track.Top; y < track.Bottom; ++y)
        for (int x = track.Left + ((track.Left + y) & 1); x < track.Right; x += 2) c.SetPixel(x, y, light);
    const bool enabled = IsEnabledInChain() && MaxPosition() > min_;
    const TColor arrowColor = enabled ? clBtnText : clGrayText;
    look::ButtonFace(c, first, pressed_ == 1);
    look::Arrow(c, first, horz ? 0 : 1, arrowColor);
    look::ButtonFace(c, second, pressed_ == 2);
    look::Arrow(c, second, horz ? 2 : 3, arrowColor);
    if (enabled) {
        const TRect thumb = ThumbRect();
        if (!thumb.IsEmpty()) look::ButtonFace(c, thumb, false);
    }
}

void TScrollBar::UserScroll(TScrollCode Code, int64_t NewPos)
{
    auto token = AliveToken();
    int Pos = static_cast<int>(std::clamp<int64_t>(NewPos, min_, MaxPosition()));
    Scroll(Code, Pos);
    if (!*token) return;
    SetPosition(Pos);
    if (!*token) return;
    if (Code != scTrack) {
        int p = position_;
        Scroll(scEndScroll, p);
    }
}

void TScrollBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto token = AliveToken();
    TWinControl::MouseDown(Button, Shift, X, Y);
    if (!*token || Button != mbLeft) return;
    if (!Focused() && CanFocus() && GetTabStop()) SetFocus();
    if (!*token || MaxPosition() <= min_) return;
    const bool horz = kind_ == sbHorizontal;
    const int v = horz ? X : Y;
    const int len = horz ? GetWidth() : GetHeight();
    const TRect thumb = ThumbRect();
    if (v < kArrow) {
        pressed_ = 1;
        Invalidate();
        UserScroll(scLineUp, int64_t(position_) - smallChange_);
    } else if (v >= len - kArrow) {
        pressed_ = 2;
        Invalidate();
        UserScroll(scLineDown, int64_t(position_) + smallChange_);
    } else if (thumb.Contains(X, Y)) {
        pressed_ = 3;
        dragOffset_ = v - (horz ? thumb.Left : thumb.Top);
    } else if (v < (horz ? thumb.Left : thumb.Top)) {
        UserScroll(scPageUp, int64_t(position_) - largeChange_);
    } else {
        UserScroll(scPageDown, int64_t(position_) + largeChange_);
    }
}

void TScrollBar::MouseMove(TShiftState Shift, int X, int Y)
{
    if (pressed_ == 3 && Shift.Contains(ssLeft)) {
        const int v = (kind_ == sbHorizontal ? X : Y) - dragOffset_ - kArrow;
        const int free = TrackLength() - ThumbLength();
        const int64_t span = int64_t(MaxPosition()) - min_;
        int pos = min_;
        if (free > 0) pos = static_cast<int>(min_ + (std::clamp(v, 0, free) * span + free / 2) / free);
        if (pos != position_) UserScroll(scTrack, pos);
    }
    TWinControl::MouseMove(Shift, X, Y);
}

void TScrollBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && pressed_ != 0) {
        const bool wasThumb = pressed_ == 3;
        pressed_ = 0;
        Invalidate();
        if (wasThumb) {
            auto token = AliveToken();
            UserScroll(scPosition, position_);
            if (!*token) return;
        }
    }
    TWinControl::MouseUp(Button, Shift, X, Y);
}

void TScrollBar::KeyDown(uint16_t& Key, TShiftState Shift)
{
    auto token = AliveToken();
    TWinControl::KeyDown(Key, Shift);
    if (!*token || Key == 0) return;
    const bool horz = kind_ == sbHorizontal;
    switch (Key) {
    case VK_LEFT:
    case VK_UP:
        if ((Key == VK_LEFT) != horz) return;
        UserScroll(scLineUp, int64_t(position_) - smallChange_);
        break;
    case VK_RIGHT:
    case VK_DOWN:
        if ((Key == VK_RIGHT) != horz) return;
        UserScroll(scLineDown, int64_t(position_) + smallChange_);
        break;
    case VK_PRIOR: UserScroll(scPageUp, int64_t(position_) - largeChange_); break;
    case VK_NEXT: UserScroll(scPageDown, int64_t(position_) + largeChange_); break;
    case VK_HOME: UserScroll(scTop, min_); break;
    case VK_END: UserScroll(scBottom, MaxPosition()); break;
    default: return;
    }
    Key = 0;
}

} // namespace vcl
