// Edit field, memo and label; the string list the list controls share.
#include "vcl/StdCtrls.h"

#include "vcl/Clipboard.h"
#include "vcl/Fonts.h"
#include "vcl/internal/ClassicLook.h"

#include <algorithm>
#include <climits>

namespace vcl {

// ---------------------------------------------------------------------------
// TStringItems

std::string TStringItems::Get(int Index) const
{
    if (Index < 0 || Index >= GetCount()) return {};
    return items_[static_cast<size_t>(Index)];
}

void TStringItems::Set(int Index, const std::string& S)
{
    if (Index < 0 || Index >= GetCount()) return;
    items_[static_cast<size_t>(Index)] = S;
    Changed();
}

int TStringItems::Add(const std::string& S)
{
    items_.push_back(S);
    Changed();
    return GetCount() - 1;
}

void TStringItems::Insert(int Index, const std::string& S)
{
    if (Index < 0 || Index > GetCount()) return;
    items_.insert(items_.begin() + Index, S);
    Changed();
}

void TStringItems::Delete(int Index)
{
    if (Index < 0 || Index >= GetCount()) return;
    items_.erase(items_.begin() + Index);
    Changed();
}

void TStringItems::Clear()
{
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

int TStringItems::IndexOf(const std::string& S) const noexcept
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == S) return static_cast<int>(i);
    return -1;
}

std::string TStringItems::GetText() const
{
    std::string out;
    for (const std::string& s : items_) {
        out += s;
        out += "\r\n";
    }
    return out;
}

namespace {
// Splits at CR LF, LF or CR. With KeepLast a text ending in a line break
// ends with an empty line (memo text); without, it does not (list text).
std::vector<std::string> SplitLines(const std::string& Text, bool KeepLast)
{
    std::vector<std::string> out;
    std::string cur;
    bool pending = false;
    for (size_t i = 0; i < Text.size(); ++i) {
        const char ch = Text[i];
        if (ch == '\r' || ch == '\n') {
            if (ch == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
            out.push_back(cur);
            cur.clear();
            pending = false;
        } else {
            cur += ch;
            pending = true;
        }
    }
    if (pending || KeepLast) out.push_back(cur);
    return out;
}
} // namespace

void TStringItems::SetText(const std::string& Text)
{
    items_ = SplitLines(Text, false);
    Changed();
}

void TStringItems::Changed()
{
    if (OnChanged) OnChanged();
}

// ---------------------------------------------------------------------------
// The editing engine

namespace detail {

void TEditState::Select(int Start, int Length)
{
    const int len = static_cast<int>(Text.size());
    Start = std::clamp(Start, 0, len);
    Length = std::clamp(Length, 0, len - Start);
    Anchor = Start;
    Caret = Start + Length;
}

void TEditState::MoveCaret(int Pos, bool Extend)
{
    Caret = std::clamp(Pos, 0, static_cast<int>(Text.size()));
    if (!Extend) Anchor = Caret;
}

int TEditState::Prev(int Pos) const noexcept
{
    if (Pos <= 0) return 0;
    if (Pos >= 2 && Text[static_cast<size_t>(Pos - 2)] == '\r' && Text[static_cast<size_t>(Pos - 1)] == '\n')
        return Pos - 2;
    return Pos - 1;
}

int TEditState::Next(int Pos) const noexcept
{
    const int len = static_cast<int>(Text.size());
    if (Pos >= len) return len;
    if (Pos + 1 < len && Text[static_cast<size_t>(Pos)] == '\r' && Text[static_cast<size_t>(Pos + 1)] == '\n')
        return Pos + 2;
    return Pos + 1;
}

bool TEditState::ReplaceSelection(const std::string& S, int MaxLength)
{
    const int start = SelStart(), length = SelLength();
    std::string ins = S;
    if (MaxLength > 0) {
        const int room = MaxLength - (static_cast<int>(Text.size()) - length);
        if (room <= 0) ins.clear();
        else if (static_cast<int>(ins.size()) > room) ins.resize(static_cast<size_t>(room));
    }
    if (length == 0 && ins.empty()) return false;
    Text.replace(static_cast<size_t>(start), static_cast<size_t>(length), ins);
    Anchor = Caret = start + static_cast<int>(ins.size());
    return true;
}

} // namespace detail

// ---------------------------------------------------------------------------
// TCustomEdit

namespace {
constexpr uint16_t kVkInsert = 45;
} // namespace

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    SetColor(clWindow);
    SetTabStop(true);
    SetCursor(crIBeam);
    SetBounds(0, 0, 121, 21);
    AdjustHeight();
}

void TCustomEdit::SetText(const std::string& Value)
{
    ed_.Text = Value;
    ed_.Anchor = ed_.Caret = 0;
    scroll_ = 0;
    Invalidate();
    Change();
}

void TCustomEdit::SetSelStart(int Value)
{
    ed_.Select(Value, 0);
    ScrollToCaret();
    Invalidate();
}

void TCustomEdit::SetSelLength(int Value)
{
    ed_.Select(ed_.SelStart(), Value);
    ScrollToCaret();
    Invalidate();
}

std::string TCustomEdit::GetSelText() const
{
    return ed_.Text.substr(static_cast<size_t>(ed_.SelStart()), static_cast<size_t>(ed_.SelLength()));
}

void TCustomEdit::SetSelText(const std::string& Value)
{
    ed_.ReplaceSelection(Value, 0);
    ScrollToCaret();
    Invalidate();
    Change();
}

void TCustomEdit::SelectAll()
{
    ed_.Anchor = 0;
    ed_.Caret = static_cast<int>(ed_.Text.size());
    Invalidate();
}

void TCustomEdit::ClearSelection()
{
    if (ed_.SelLength() == 0) return;
    SetSelText(std::string());
}

void TCustomEdit::CopyToClipboard()
{
    if (passwordChar_ != 0 || ed_.SelLength() == 0) return;
    Clipboard().SetAsText(GetSelText());
}

void TCustomEdit::CutToClipboard()
{
    if (passwordChar_ != 0 || readOnly_ || ed_.SelLength() == 0) return;
    Clipboard().SetAsText(GetSelText());
    ed_.ReplaceSelection(std::string(), 0);
    UserChanged();
}

void TCustomEdit::PasteFromClipboard()
{
    if (readOnly_ || !Clipboard().HasFormat(CF_TEXT)) return;
    std::string text = Clipboard().GetAsText();
    // A single-line field takes the first line only.
    if (!dynamic_cast<TMemo*>(this)) {
        const size_t eol = text.find_first_of("\r\n");
        if (eol != std::string::npos) text.resize(eol);
    }
    if (ed_.ReplaceSelection(text, maxLength_)) UserChanged();
}

void TCustomEdit::SetPasswordChar(char c)
{
    if (c == passwordChar_) return;
    passwordChar_ = c;
    Invalidate();
}

void TCustomEdit::SetAutoSize(bool v)
{
    if (v == autoSize_) return;
    autoSize_ = v;
    AdjustHeight();
}

void TCustomEdit::SetHideSelection(bool v)
{
    if (v == hideSelection_) return;
    hideSelection_ = v;
    Invalidate();
}

void TCustomEdit::SetBorderStyle(TBorderStyle v)
{
    if (v != bsNone) v = bsSingle;
    if (v == borderStyle_) return;
    borderStyle_ = v;
    AdjustHeight();
    Invalidate();
}

void TCustomEdit::AdjustHeight()
{
    if (!autoSize_ || dynamic_cast<TMemo*>(this)) return;
    SetHeight(TextHeight(Font()) + 2 * FrameWidth() + 4);
}

void TCustomEdit::FontChanged()
{
    TWinControl::FontChanged();
    AdjustHeight();
}

TRect TCustomEdit::TextArea() const
{
    const int f = FrameWidth();
    return {f + 2, f + 1, std::max(f + 2, GetWidth() - f - 2), std::max(f + 1, GetHeight() - f - 1)};
}

std::string TCustomEdit::DisplayText() const
{
    if (passwordChar_ != 0) return std::string(ed_.Text.size(), passwordChar_);
    return ed_.Text;
}

int TCustomEdit::CharPosToX(int Pos)
{
    Pos = std::clamp(Pos, 0, static_cast<int>(ed_.Text.size()));
    const std::string shown = DisplayText();
    return TextArea().Left - scroll_ + TextWidth(Font(), std::string_view(shown).substr(0, static_cast<size_t>(Pos)));
}

int TCustomEdit::XToCharPos(int X)
{
    const std::string shown = DisplayText();
    const int x = X - TextArea().Left + scroll_;
    // Widths add up character by character (no kerning).
    int prev = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        const int w = prev + TextWidth(Font(), std::string_view(shown).substr(i, 1));
        // The nearer edge of the character.
        if (x < (prev + w + 1) / 2) return static_cast<int>(i);
        prev = w;
    }
    return static_cast<int>(shown.size());
}

void TCustomEdit::ScrollToCaret()
{
    const TRect area = TextArea();
    const int width = area.Width();
    const std::string shown = DisplayText();
    const int total = TextWidth(Font(), shown);
    const int cx = TextWidth(Font(), std::string_view(shown).substr(0, static_cast<size_t>(ed_.Caret)));
    if (total < width) scroll_ = 0;
    else if (cx - scroll_ > width - 1) scroll_ = cx - width + 1;
    else if (cx < scroll_) scroll_ = cx;
    scroll_ = std::max(scroll_, 0);
}

void TCustomEdit::UserChanged()
{
    modified_ = true;
    ScrollToCaret();
    Invalidate();
    Change();
}

void TCustomEdit::Change()
{
    if (OnChange) OnChange(this);
}

void TCustomEdit::Paint()
{
    TCanvas& c = Canvas();
    if (borderStyle_ == bsSingle) look::SunkenField(c, GetClientRect());
    const TRect area = TextArea();
    look::ClipScope clip(c, area);
    const int th = TextHeight(Font());
    const int ty = area.Top + (area.Height() - th) / 2;
    const std::string shown = DisplayText();
    const TColor textColor = IsEnabledInChain() ? Font().GetColor() : clGrayText;
    look::Text(c, area.Left - scroll_, ty, shown, textColor);
    const bool focused = Focused();
    if (ed_.SelLength() > 0 && (focused || !hideSelection_)) {
        const int s = ed_.SelStart(), e = s + ed_.SelLength();
        const int x1 = CharPosToX(s), x2 = CharPosToX(e);
        look::Fill(c, {x1, ty, x2, ty + th}, clHighlight);
        look::Text(c, x1, ty, shown.substr(static_cast<size_t>(s), static_cast<size_t>(e - s)), clHighlightText);
    }
    if (focused) {
        const int cx = CharPosToX(ed_.Caret);
        look::Fill(c, {cx, ty, cx + 1, ty + th}, clWindowText);
    }
}

bool TCustomEdit::DeleteBack()
{
    if (ed_.SelLength() == 0) {
        if (ed_.Caret == 0) return false;
        ed_.Anchor = ed_.Prev(ed_.Caret);
    }
    return ed_.ReplaceSelection(std::string(), 0);
}

bool TCustomEdit::DeleteForward()
{
    if (ed_.SelLength() == 0) {
        if (ed_.Caret >= static_cast<int>(ed_.Text.size())) return false;
        ed_.Anchor = ed_.Next(ed_.Caret);
    }
    return ed_.ReplaceSelection(std::string(), 0);
}

bool TCustomEdit::EditKey(uint16_t Key, TShiftState Shift)
{
    const bool extend = Shift.Contains(ssShift);
    const bool ctrl = Shift.Contains(ssCtrl);
    const int len = static_cast<int>(ed_.Text.size());
    switch (Key) {
    case VK_LEFT:
        if (!extend && ed_.SelLength() > 0) ed_.MoveCaret(ed_.SelStart(), false);
        else ed_.MoveCaret(ed_.Prev(ed_.Caret), extend);
        break;
    case VK_RIGHT:
        if (!extend && ed_.SelLength() > 0) ed_.MoveCaret(ed_.SelStart() + ed_.SelLength(), false);
        else ed_.MoveCaret(ed_.Next(ed_.Caret), extend);
        break;
    case VK_HOME: ed_.MoveCaret(0, extend); break;
    case VK_END: ed_.MoveCaret(len, extend); break;
    case VK_DELETE:
        if (readOnly_) return true;
        if (extend) {
            CutToClipboard();
            return true;
        }
        if (DeleteForward()) UserChanged();
        return true;
    case kVkInsert:
        if (ctrl) CopyToClipboard();
        else if (extend) PasteFromClipboard();
        else return false;
        return true;
    case 'C':
        if (!ctrl) return false;
        CopyToClipboard();
        return true;
    case 'X':
        if (!ctrl) return false;
        CutToClipboard();
        return true;
    case 'V':
        if (!ctrl) return false;
        PasteFromClipboard();
        return true;
    default: return false;
    }
    ScrollToCaret();
    Invalidate();
    return true;
}

void TCustomEdit::KeyDown(uint16_t& Key, TShiftState Shift)
{
    auto token = AliveToken();
    TWinControl::KeyDown(Key, Shift);
    if (!*token || Key == 0) return;
    if (EditKey(Key, Shift)) Key = 0;
}

bool TCustomEdit::EditChar(char Ch)
{
    if (Ch == '\b') {
        if (!readOnly_ && DeleteBack()) UserChanged();
        return true;
    }
    // Other control characters (Enter, Escape, the Ctrl letters) insert
    // nothing.
    if (static_cast<unsigned char>(Ch) < 32 || Ch == 127) return false;
    if (readOnly_) return true;
    if (ed_.ReplaceSelection(std::string(1, Ch), maxLength_)) UserChanged();
    return true;
}

void TCustomEdit::KeyPress(char& Key)
{
    auto token = AliveToken();
    TWinControl::KeyPress(Key);
    if (!*token || Key == 0) return;
    if (EditChar(Key)) Key = 0;
}

void TCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto token = AliveToken();
    if (Button == mbLeft) {
        if (!Focused() && CanFocus()) SetFocus();
        if (!*token) return;
        // The second press of a double click keeps the word selection.
        if (!Shift.Contains(ssDouble)) {
            ed_.MoveCaret(XToCharPos(X), Shift.Contains(ssShift));
            mouseSelecting_ = true;
            ScrollToCaret();
            Invalidate();
        }
    }
    TWinControl::MouseDown(Button, Shift, X, Y);
}

void TCustomEdit::MouseMove(TShiftState Shift, int X, int Y)
{
    if (mouseSelecting_ && Shift.Contains(ssLeft)) {
        const int pos = XToCharPos(X);
        if (pos != ed_.Caret) {
            ed_.MoveCaret(pos, true);
            ScrollToCaret();
            Invalidate();
        }
    }
    TWinControl::MouseMove(Shift, X, Y);
}

void TCustomEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) mouseSelecting_ = false;
    TWinControl::MouseUp(Button, Shift, X, Y);
}

void TCustomEdit::DblClick()
{
    // Selects the word (a run of characters other than blanks) at the caret.
    const std::string& t = ed_.Text;
    const auto isWord = [&](int i) { return t[static_cast<size_t>(i)] != ' ' && t[static_cast<size_t>(i)] != '\r' &&
                                            t[static_cast<size_t>(i)] != '\n' && t[static_cast<size_t>(i)] != '\t'; };
    int s = ed_.Caret, e = ed_.Caret;
    while (s > 0 && isWord(s - 1)) --s;
    while (e < static_cast<int>(t.size()) && isWord(e)) ++e;
    ed_.Anchor = s;
    ed_.Caret = e;
    mouseSelecting_ = false;
    Invalidate();
    TWinControl::DblClick();
}

void TCustomEdit::DoEnter()
{
    if (autoSelect_ && !dynamic_cast<TMemo*>(this)) SelectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::DoExit()
{
    mouseSelecting_ = false;
    TWinControl::DoExit();
}

// ---------------------------------------------------------------------------
// TMemo

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner)
{
    SetAutoSize(false);
    SetBounds(GetLeft(), GetTop(), 185, 89);
    lines_.OnChanged = [this] {
        if (syncing_) return;
        std::string text;
        for (int i = 0; i < lines_.GetCount(); ++i) {
            if (i > 0) text += "\r\n";
            text += lines_.Get(i);
        }
        syncing_ = true;
        try {
            SetText(text);
        } catch (...) {
            syncing_ = false;
            throw;
        }
        syncing_ = false;
    };
}

TMemo::~TMemo() { lines_.OnChanged = nullptr; }

void TMemo::SyncLines()
{
    if (syncing_) return;
    syncing_ = true;
    lines_.Clear();
    for (const std::string& s : SplitLines(ed_.Text, true)) lines_.Add(s);
    syncing_ = false;
}

void TMemo::Change()
{
    SyncLines();
    TCustomEdit::Change();
}

int TMemo::LineHeight() { return std::max(TextHeight(Font()), 1); }

int TMemo::LineStart(int Line) const
{
    int start = 0, line = 0;
    const std::string& t = ed_.Text;
    for (size_t i = 0; i < t.size() && line < Line; ++i) {
        if (t[i] == '\r' || t[i] == '\n') {
            if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
            ++line;
            start = static_cast<int>(i + 1);
        }
    }
    return line == Line ? start : static_cast<int>(t.size());
}

TPoint TMemo::CaretPosOf(int Offset) const
{
    int line = 0, start = 0;
    const std::string& t = ed_.Text;
    Offset = std::clamp(Offset, 0, static_cast<int>(t.size()));
    for (int i = 0; i < Offset; ++i) {
        const char ch = t[static_cast<size_t>(i)];
        if (ch == '\r' || ch == '\n') {
            if (ch == '\r' && i + 1 < static_cast<int>(t.size()) && t[static_cast<size_t>(i + 1)] == '\n') ++i;
            ++line;
            start = i + 1;
        }
    }
    return {Offset - start, line};
}

namespace {
int LineEnd(const std::string& t, int start)
{
    int e = start;
    while (e < static_cast<int>(t.size()) && t[static_cast<size_t>(e)] != '\r' && t[static_cast<size_t>(e)] != '\n') ++e;
    return e;
}
} // namespace

int TMemo::OffsetAt(int X, int Y)
{
    const TRect area = TextArea();
    const int lineCount = static_cast<int>(SplitLines(ed_.Text, true).size());
    const int line = std::clamp(topLine_ + (Y - area.Top) / LineHeight(), 0, std::max(lineCount - 1, 0));
    const int start = LineStart(line);
    const int end = LineEnd(ed_.Text, start);
    const std::string_view text(ed_.Text);
    const int x = X - area.Left;
    int prev = 0;
    for (int i = start; i < end; ++i) {
        const int w = prev + TextWidth(Font(), text.substr(static_cast<size_t>(i), 1));
        if (x < (prev + w + 1) / 2) return i;
        prev = w;
    }
    return end;
}

void TMemo::ScrollToCaret()
{
    const int visible = std::max(TextArea().Height() / LineHeight(), 1);
    const int line = CaretPosOf(ed_.Caret).Y;
    if (line < topLine_) topLine_ = line;
    else if (line >= topLine_ + visible) topLine_ = line - visible + 1;
}

void TMemo::Paint()
{
    TCanvas& c = Canvas();
    if (GetBorderStyle() == bsSingle) look::SunkenField(c, GetClientRect());
    const TRect area = TextArea();
    look::ClipScope clip(c, area);
    const int lh = LineHeight();
    const std::vector<std::string> lines = SplitLines(ed_.Text, true);
    const TColor textColor = IsEnabledInChain() ? Font().GetColor() : clGrayText;
    const bool focused = Focused();
    const int selS = ed_.SelStart(), selE = selS + ed_.SelLength();
    const bool showSel = selE > selS && (focused || !GetHideSelection());
    for (int i = topLine_; i < static_cast<int>(lines.size()); ++i) {
        const int y = area.Top + (i - topLine_) * lh;
        if (y >= area.Bottom) break;
        const std::string& line = lines[static_cast<size_t>(i)];
        look::Text(c, area.Left, y, line, textColor);
        if (showSel) {
            const int start = LineStart(i), end = start + static_cast<int>(line.size());
            const int s = std::max(selS, start), e = std::min(selE, end);
            if (s < e || (selS <= end && selE > end)) {
                const int x1 = area.Left + TextWidth(Font(), std::string_view(line).substr(0, static_cast<size_t>(std::max(s - start, 0))));
                const int x2 = area.Left + TextWidth(Font(), std::string_view(line).substr(0, static_cast<size_t>(std::max(e - start, 0))));
                // A selected line break shows as a small block after the text.
                const int xe = (selE > end && i + 1 < static_cast<int>(lines.size())) ? x2 + 4 : x2;
                look::Fill(c, {x1, y, xe, y + lh}, clHighlight);
                if (s < e)
                    look::Text(c, x1, y, line.substr(static_cast<size_t>(s - start), static_cast<size_t>(e - s)),
                               clHighlightText);
            }
        }
    }
    if (focused) {
        const TPoint p = CaretPosOf(ed_.Caret);
        if (p.Y >= topLine_) {
            const std::string& line = lines[static_cast<size_t>(p.Y)];
            const int x = area.Left + TextWidth(Font(), std::string_view(line).substr(0, static_cast<size_t>(p.X)));
            const int y = area.Top + (p.Y - topLine_) * lh;
            look::Fill(c, {x, y, x + 1, y + lh}, clWindowText);
        }
    }
}

bool TMemo::EditKey(uint16_t Key, TShiftState Shift)
{
    const bool extend = Shift.Contains(ssShift);
    const TPoint p = CaretPosOf(ed_.Caret);
    switch (Key) {
    case VK_HOME: ed_.MoveCaret(LineStart(p.Y), extend); break;
    case VK_END: ed_.MoveCaret(LineEnd(ed_.Text, LineStart(p.Y)), extend); break;
    case VK_UP:
    case VK_DOWN: {
        const int target = Key == VK_UP ? p.Y - 1 : p.Y + 1;
        const int count = static_cast<int>(SplitLines(ed_.Text, true).size());
        if (target < 0) ed_.MoveCaret(0, extend);
        else if (target >= count) ed_.MoveCaret(static_cast<int>(ed_.Text.size()), extend);
        else {
            // Keep the pixel column.
            const int start = LineStart(p.Y);
            const int x = TextArea().Left +
                          TextWidth(Font(), std::string_view(ed_.Text).substr(static_cast<size_t>(start),
                                                                               static_cast<size_t>(ed_.Caret - start)));
            const int y = TextArea().Top + (target - topLine_) * LineHeight();
            ed_.MoveCaret(OffsetAt(x, y), extend);
        }
        break;
    }
    default: return TCustomEdit::EditKey(Key, Shift);
    }
    ScrollToCaret();
    Invalidate();
    return true;
}

bool TMemo::EditChar(char Ch)
{
    if (Ch == '\r') {
        if (!wantReturns_) return false;
        if (GetReadOnly()) return true;
        if (ed_.ReplaceSelection("\r\n", GetMaxLength())) UserChanged();
        return true;
    }
    return TCustomEdit::EditChar(Ch);
}

void TMemo::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto token = AliveToken();
    if (Button == mbLeft) {
        if (!Focused() && CanFocus()) SetFocus();
        if (!*token) return;
        if (!Shift.Contains(ssDouble)) {
            ed_.MoveCaret(OffsetAt(X, Y), Shift.Contains(ssShift));
            ScrollToCaret();
            Invalidate();
        }
    }
    TWinControl::MouseDown(Button, Shift, X, Y);
}

void TMemo::MouseMove(TShiftState Shift, int X, int Y)
{
    if (Shift.Contains(ssLeft) && Focused()) {
        const int pos = OffsetAt(X, Y);
        if (pos != ed_.Caret) {
            ed_.MoveCaret(pos, true);
            Invalidate();
        }
    }
    TWinControl::MouseMove(Shift, X, Y);
}

// ---------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetParentColor(true);
    SetBounds(0, 0, 65, 17);
    AdjustBounds();
}

void TLabel::SetCaption(const std::string& Value)
{
    if (Value == caption_) return;
    caption_ = Value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetAlignment(TAlignment v)
{
    if (v == alignment_) return;
    alignment_ = v;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout v)
{
    if (v == layout_) return;
    layout_ = v;
    Invalidate();
}

void TLabel::SetAutoSize(bool v)
{
    if (v == autoSize_) return;
    autoSize_ = v;
    AdjustBounds();
}

void TLabel::SetWordWrap(bool v)
{
    if (v == wordWrap_) return;
    wordWrap_ = v;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetShowAccelChar(bool v)
{
    if (v == showAccelChar_) return;
    showAccelChar_ = v;
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged()
{
    TGraphicControl::FontChanged();
    AdjustBounds();
}

namespace {
// Removes the accelerator marks: returns the text and the offset of the
// underlined character (-1 for none).
std::string StripAccel(const std::string& s, int& accel)
{
    std::string out;
    accel = -1;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&' && i + 1 < s.size()) {
            ++i;
            if (s[i] != '&' && accel < 0) accel = static_cast<int>(out.size());
        }
        out += s[i];
    }
    return out;
}
} // namespace

std::vector<std::string> TLabel::WrapLines(int Width, uint32_t Flags)
{
    std::vector<std::string> out;
    for (const std::string& para : SplitLines(caption_, false)) {
        if (!(Flags & DT_WORDBREAK)) {
            out.push_back(para);
            continue;
        }
        // Break at blanks; a word longer than the width stays whole.
        std::string line;
        size_t i = 0;
        while (i <= para.size()) {
            size_t j = para.find(' ', i);
            if (j == std::string::npos) j = para.size();
            const std::string word = para.substr(i, j - i);
            const std::string tryLine = line.empty() ? word : line + " " + word;
            int dummy;
            if (!line.empty() && TextWidth(Font(), StripAccel(tryLine, dummy)) > Width) {
                out.push_back(line);
                line = word;
            } else {
                line = tryLine;
            }
            i = j + 1;
        }
        out.push_back(line);
    }
    if (out.empty()) out.emplace_back();
    return out;
}

void TLabel::DoDrawText(TRect& Rect, uint32_t Flags)
{
    const bool accel = showAccelChar_ && !(Flags & DT_NOPREFIX);
    const std::vector<std::string> lines = WrapLines(Rect.Width(), Flags);
    const int lh = TextHeight(Font());
    if (Flags & DT_CALCRECT) {
        int w = 0;
        for (const std::string& l : lines) {
            int a;
            w = std::max(w, TextWidth(Font(), accel ? StripAccel(l, a) : l));
        }
        Rect.Right = Rect.Left + w;
        Rect.Bottom = Rect.Top + lh * static_cast<int>(lines.size());
        return;
    }
    TCanvas& c = Canvas();
    look::ClipScope clip(c, Rect);
    const bool enabled = IsEnabledInChain();
    int y = Rect.Top;
    for (const std::string& l : lines) {
        int a = -1;
        const std::string text = accel ? StripAccel(l, a) : l;
        const int w = TextWidth(Font(), text);
        int x = Rect.Left;
        if (alignment_ == taRightJustify) x = Rect.Right - w;
        else if (alignment_ == taCenter) x = Rect.Left + (Rect.Width() - w) / 2;
        const auto draw = [&](int dx, int dy, TColor color) {
            look::Text(c, x + dx, y + dy, text, color);
            if (a >= 0) {
                const int ux = x + dx + TextWidth(Font(), std::string_view(text).substr(0, static_cast<size_t>(a)));
                const int uw = TextWidth(Font(), std::string_view(text).substr(static_cast<size_t>(a), 1));
                const int uy = y + dy + GetTextMetric(Font()).Ascent + 1;
                look::Fill(c, {ux, uy, ux + uw, uy + 1}, color);
            }
        };
        if (enabled) {
            draw(0, 0, Font().GetColor());
        } else {
            // Disabled text looks engraved.
            draw(1, 1, clBtnHighlight);
            draw(0, 0, clBtnShadow);
        }
        y += lh;
    }
}

void TLabel::Paint()
{
    TCanvas& c = Canvas();
    if (!GetTransparent()) look::Fill(c, GetClientRect(), GetColor());
    const uint32_t flags = wordWrap_ ? DT_WORDBREAK : 0;
    TRect calc{0, 0, GetWidth(), 0};
    DoDrawText(calc, flags | DT_CALCRECT);
    TRect r = GetClientRect();
    if (layout_ == tlCenter) r.Top = (GetHeight() - calc.Height()) / 2;
    else if (layout_ == tlBottom) r.Top = GetHeight() - calc.Height();
    DoDrawText(r, flags);
}

void TLabel::AdjustBounds()
{
    if (!autoSize_) return;
    const uint32_t flags = wordWrap_ ? DT_WORDBREAK : 0;
    TRect calc{0, 0, wordWrap_ ? GetWidth() : INT_MAX / 2, 0};
    DoDrawText(calc, flags | DT_CALCRECT);
    int left = GetLeft();
    const int width = wordWrap_ ? GetWidth() : calc.Width();
    // A right-justified label keeps its right edge.
    if (alignment_ == taRightJustify && !wordWrap_) left = GetLeft() + GetWidth() - width;
    SetBounds(left, GetTop(), width, calc.Height());
}

} // namespace vcl
