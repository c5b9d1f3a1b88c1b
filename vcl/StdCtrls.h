// Standard controls: edit field, memo, label, combo box and scroll bar.
//
// They paint themselves on the form's back buffer in a plain classic look
// (sunken white fields, raised buttons, the system colours of
// GraphicsTypes.h) and take their input through the ordinary control
// dispatch, so the test hooks and a window backend drive them alike.
//
// Keys: the editing keys (arrows, Home, End, Delete, Ctrl+C/X/V) act on the
// key-down after OnKeyDown had its say (a handler that zeroes the key stops
// them); characters, Backspace (#8) included, act on the key press after
// OnKeyPress, which may change or zero them. A host therefore sends the
// Backspace key as a key-down of VK_BACK followed by the character #8, and
// Enter and Escape as their characters #13 and #27, as the desktop does.
#pragma once

#include "vcl/Controls.h"
#include "vcl/Types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vcl {

// A list of strings as the list controls hold it (combo items, memo lines).
// Positions count from 0 here, as item indices do (-1 means none); reads
// outside the range give an empty string, writes outside it are ignored.
class TStringItems {
public:
    TStringItems() = default;
    TStringItems(const TStringItems&) = delete;
    TStringItems& operator=(const TStringItems&) = delete;

    int GetCount() const noexcept { return static_cast<int>(items_.size()); }
    std::string Get(int Index) const;
    void Set(int Index, const std::string& S);
    // Appends and returns the new index.
    int Add(const std::string& S);
    // Inserts before Index (0..Count); other indices are ignored.
    void Insert(int Index, const std::string& S);
    void Delete(int Index);
    void Clear();
    // First exact match, or -1.
    int IndexOf(const std::string& S) const noexcept;
    // The items joined with CR LF (each line ends with one).
    std::string GetText() const;
    // Splits at CR LF, LF or CR; a final line end does not start a new item.
    void SetText(const std::string& Text);
    const std::vector<std::string>& Strings() const noexcept { return items_; }

    // Called after every change (the owning control's hook).
    std::function<void()> OnChanged;

private:
    void Changed();
    std::vector<std::string> items_;
};

namespace detail {
// The single-line editing engine that the edit field and the combo box's
// edit part share: text, caret and selection, and the editing operations.
// Offsets count characters before a position (0 .. length).
struct TEditState {
    std::string Text;
    int Anchor = 0; // the fixed end of the selection
    int Caret = 0;  // the moving end, where the caret is
    int SelStart() const noexcept { return Anchor < Caret ? Anchor : Caret; }
    int SelLength() const noexcept { return Anchor < Caret ? Caret - Anchor : Anchor - Caret; }
    void Select(int Start, int Length);
    void MoveCaret(int Pos, bool Extend);
    // The caret offset one character (a CR LF pair counts as one) before or
    // after Pos.
    int Prev(int Pos) const noexcept;
    int Next(int Pos) const noexcept;
    // Replaces the selection with S (cut to fit MaxLength when > 0); returns
    // whether the text changed.
    bool ReplaceSelection(const std::string& S, int MaxLength);
};
} // namespace detail

// ---------------------------------------------------------------------------
// Edit field.

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* AOwner);

    const std::string& GetText() const noexcept { return ed_.Text; }
    // Stores the text, puts the caret at its start and calls Change, also
    // when the text is unchanged. Change may set the text again.
    void SetText(const std::string& Value);
    // The caret offset (characters before it) and the selection after it.
    int GetSelStart() const noexcept { return ed_.SelStart(); }
    void SetSelStart(int Value);
    int GetSelLength() const noexcept { return ed_.SelLength(); }
    void SetSelLength(int Value);
    std::string GetSelText() const;
    // Replaces the selection (also in a read-only field: it is the program's
    // write) and calls Change.
    void SetSelText(const std::string& Value);
    void SelectAll();
    void ClearSelection();
    void Clear() { SetText(std::string()); }

    // The clipboard. Copy and cut do nothing while a password character is
    // set; cut and paste do nothing in a read-only field.
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

    bool GetReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }
    // Limits what the user types or pastes (0 = no limit); text set by the
    // program is not cut.
    int GetMaxLength() const noexcept { return maxLength_; }
    void SetMaxLength(int v) { maxLength_ = v < 0 ? 0 : v; }
    // Shown instead of every character when not #0.
    char GetPasswordChar() const noexcept { return passwordChar_; }
    void SetPasswordChar(char c);
    // Selects all text when the field receives the focus.
    bool GetAutoSelect() const noexcept { return autoSelect_; }
    void SetAutoSelect(bool v) { autoSelect_ = v; }
    // Keeps the height at the font's line height plus the frame.
    bool GetAutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool v);
    // Hides the selection while the field has no focus.
    bool GetHideSelection() const noexcept { return hideSelection_; }
    void SetHideSelection(bool v);
    // bsSingle draws the sunken 2-pixel frame, bsNone none.
    TBorderStyle GetBorderStyle() const noexcept { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v);
    // Set by every user edit; the program may clear it.
    bool GetModified() const noexcept { return modified_; }
    void SetModified(bool v) noexcept { modified_ = v; }

    // The x coordinate (client) of a caret offset, and the offset nearest x.
    int CharPosToX(int Pos);
    int XToCharPos(int X);

    TNotifyEvent OnChange;

protected:
    // Called after every change of the text, programmatic ones included.
    virtual void Change();
    void Paint() override;
    void KeyDown(uint16_t& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DoEnter() override;
    void DoExit() override;
    void DblClick() override;
    void FontChanged() override;

    // The frame width (2 with bsSingle) and the text area inside it.
    int FrameWidth() const noexcept { return borderStyle_ == bsSingle ? 2 : 0; }
    TRect TextArea() const;
    // The text as shown (password characters).
    std::string DisplayText() const;
    // A user edit: the text changed through typing or the clipboard.
    void UserChanged();
    virtual void ScrollToCaret();
    void AdjustHeight();
    // The editing part of a key-down and of a character, after the events.
    // They return whether they handled it.
    virtual bool EditKey(uint16_t Key, TShiftState Shift);
    virtual bool EditChar(char Ch);
    // Deletes the selection, or the character (or line break) before or
    // after the caret, as the user does; returns whether the text changed.
    bool DeleteBack();
    bool DeleteForward();

    detail::TEditState ed_;
    int scroll_ = 0; // pixels scrolled to the left

private:
    bool readOnly_ = false;
    int maxLength_ = 0;
    char passwordChar_ = 0;
    bool autoSelect_ = true;
    bool autoSize_ = true;
    bool hideSelection_ = true;
    TBorderStyle borderStyle_ = bsSingle;
    bool modified_ = false;
    bool mouseSelecting_ = false;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

// ---------------------------------------------------------------------------
// Memo: several lines of text. Text holds the lines with CR LF between them;
// Lines gives them one by one. Enter inserts a line break unless WantReturns
// is off or an OnKeyPress handler zeroes the #13.

class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;

    // Changes to Lines rewrite Text (and call Change).
    TStringItems& Lines() noexcept { return lines_; }
    bool GetWantReturns() const noexcept { return wantReturns_; }
    void SetWantReturns(bool v) noexcept { wantReturns_ = v; }

    // Line (from 0) and column of a caret offset.
    TPoint CaretPosOf(int Offset) const;

protected:
    void Change() override;
    void Paint() override;
    bool EditKey(uint16_t Key, TShiftState Shift) override;
    bool EditChar(char Ch) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void ScrollToCaret() override;

private:
    int LineHeight();
    int OffsetAt(int X, int Y);
    int LineStart(int Line) const;
    void SyncLines();
    TStringItems lines_;
    bool wantReturns_ = true;
    bool syncing_ = false;
    int topLine_ = 0;
};

// ---------------------------------------------------------------------------
// Label.

enum TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };

// Flags of DoDrawText.
constexpr uint32_t DT_CALCRECT = 0x400; // only measure: Rect receives the text's extent
constexpr uint32_t DT_WORDBREAK = 0x10;
constexpr uint32_t DT_NOPREFIX = 0x800;

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);

    const std::string& GetCaption() const noexcept { return caption_; }
    void SetCaption(const std::string& Value);
    TAlignment GetAlignment() const noexcept { return alignment_; }
    void SetAlignment(TAlignment v);
    TTextLayout GetLayout() const noexcept { return layout_; }
    void SetLayout(TTextLayout v);
    // With AutoSize the label takes the size of its text (keeping its left
    // edge; with WordWrap it keeps its width and takes the height).
    bool GetAutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool v);
    bool GetWordWrap() const noexcept { return wordWrap_; }
    void SetWordWrap(bool v);
    // '&' marks the next character as the accelerator (underlined); "&&" is
    // one '&'.
    bool GetShowAccelChar() const noexcept { return showAccelChar_; }
    void SetShowAccelChar(bool v);

protected:
    // Fills Color unless transparent, then draws the text.
    void Paint() override;
    // Draws the caption in Rect with the flags (alignment and layout are
    // applied by the caller); with DT_CALCRECT only measures: Rect's right
    // and bottom receive the extent.
    virtual void DoDrawText(TRect& Rect, uint32_t Flags);
    void FontChanged() override;
    void AdjustBounds();

private:
    std::vector<std::string> WrapLines(int Width, uint32_t Flags);
    std::string caption_;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
};

// ---------------------------------------------------------------------------
// Combo box.

enum TComboBoxStyle : uint8_t { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
// States of an owner-drawn row.
enum TOwnerDrawStateFlag : uint8_t { odSelected, odFocused, odComboBoxEdit, odDisabled };
using TOwnerDrawState = TFlagSet<TOwnerDrawStateFlag>;

class TComboBox;
using TDrawItemEvent =
    std::function<void(TObject* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TObject* Control, int Index, int& Height)>;

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;

    // csDropDown: free text with a list; csDropDownList: choice only;
    // csOwnerDrawFixed/Variable: choice only, rows drawn by DrawItem.
    // (csSimple behaves as csDropDown.)
    TComboBoxStyle GetStyle() const noexcept { return style_; }
    void SetStyle(TComboBoxStyle v);
    TStringItems& Items() noexcept { return items_; }
    // -1 = none. A write by the program fires nothing; values outside the
    // items give -1.
    int GetItemIndex() const noexcept { return itemIndex_; }
    void SetItemIndex(int v);
    // The edit text (drop-down style) or the selected item's text. Writing
    // sets ItemIndex to the item with that text (-1 when none); in the
    // choice-only styles the text then is that item's. It fires nothing.
    std::string GetText() const;
    void SetText(const std::string& Value);
    int GetDropDownCount() const noexcept { return dropDownCount_; }
    // 1..1000 rows.
    void SetDropDownCount(int v) { dropDownCount_ = v < 1 ? 1 : v > 1000 ? 1000 : v; }
    // Row height of the list (owner-drawn styles: as set; otherwise the
    // font's line height + 2 when 0); at most 255, as are measured rows.
    int GetItemHeight();
    void SetItemHeight(int v);
    // Stored; items keep the order they are added in.
    bool GetSorted() const noexcept { return sorted_; }
    void SetSorted(bool v) noexcept { sorted_ = v; }
    int GetMaxLength() const noexcept { return maxLength_; }
    void SetMaxLength(int v) { maxLength_ = v < 0 ? 0 : v; }
    int GetSelStart() const noexcept { return ed_.SelStart(); }
    int GetSelLength() const noexcept { return ed_.SelLength(); }
    void SelectAll();

    // Opens the list: DropDown runs first, then the list is shown through
    // the drop-down handler (test::SetDropDownHandler); a row picked there
    // is a user selection. Headless without a handler the list closes again
    // with nothing picked.
    void OpenList();
    bool GetDroppedDown() const noexcept { return dropped_; }
    // The open list as it looks: DropDownCount rows (fewer when there are
    // fewer items) from row First, drawn with DrawItem in the owner-drawn
    // styles, the row Highlight selected. Width = the control's width.
    TBitmap RenderList(int First = 0, int Highlight = -1);
    // The height of the open list in pixels (rows and a 1-pixel frame), and
    // the row at y in that list when it shows rows from First (-1 for none).
    int ListHeight(int First = 0);
    int ListItemAt(int Y, int First = 0);
    // Height of row Index (MeasureItem in csOwnerDrawVariable).
    int RowHeight(int Index);

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    // Selects row Index as the user does: ItemIndex, text, Change, Click.
    void UserSelect(int Index);

protected:
    // After every change of the text or the selection by the user.
    virtual void Change();
    // Just before the list opens; fires OnDropDown.
    virtual void DropDown();
    virtual void CloseUp();
    // Draws one row (Index) of the list or of the closed field
    // (odComboBoxEdit) on ItemCanvas(), whose font is the control's font and
    // whose brush is Color, or the highlight colours for a selected row. The
    // default fires OnDrawItem in the owner-drawn styles when it is set, and
    // otherwise fills the brush and writes the item's text.
    virtual void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    // A combo box clicks only when the user selects a row, not when the mouse
    // clicks its field.
    void Click() override;
    void Paint() override;
    void KeyDown(uint16_t& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DoEnter() override;
    void DoExit() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void FontChanged() override;

    bool HasEdit() const noexcept { return style_ == csDropDown || style_ == csSimple; }
    bool IsOwnerDraw() const noexcept { return style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable; }
    TRect ButtonRect() const;
    // Draws a row on a canvas (the control's or the list's).
    void DrawRow(TCanvas& C, int Index, const TRect& Rect, TOwnerDrawState State);

private:
    void ItemsChanged();
    void AdjustHeight();
    TCanvas* drawCanvas_ = nullptr; // the canvas DrawItem draws on
    TStringItems items_;
    TComboBoxStyle style_ = csDropDown;
    int itemIndex_ = -1;
    int dropDownCount_ = 8;
    int itemHeight_ = 0;
    int maxLength_ = 0;
    bool sorted_ = false;
    bool dropped_ = false;
    bool selecting_ = false;
    detail::TEditState ed_;

public:
    // The canvas that DrawItem should draw on (the control's own canvas or
    // the open list's bitmap canvas).
    TCanvas& ItemCanvas() { return drawCanvas_ ? *drawCanvas_ : Canvas(); }
};

namespace test {
// Answers TComboBox::OpenList: returns the row the user picks, or -1 to close
// the list without a pick. It may inspect the list (RenderList).
using TDropDownHandler = std::function<int(TComboBox& Combo)>;
void SetDropDownHandler(TDropDownHandler Handler);
} // namespace test

// ---------------------------------------------------------------------------
// Scroll bar.

enum TScrollBarKind : uint8_t { sbHorizontal, sbVertical };
enum TScrollCode : uint8_t {
    scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll
};
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

// Arrow buttons of 16 pixels at both ends, the track between them and a
// thumb whose length shows PageSize. Positions run from Min to
// Max - PageSize + 1 (Max when PageSize is 0).
class TScrollBar : public TWinControl {
public:
    explicit TScrollBar(TComponent* AOwner);

    TScrollBarKind GetKind() const noexcept { return kind_; }
    void SetKind(TScrollBarKind v);
    int GetMin() const noexcept { return min_; }
    int GetMax() const noexcept { return max_; }
    int GetPosition() const noexcept { return position_; }
    int GetPageSize() const noexcept { return pageSize_; }
    // Max below Min is raised to Min; the position is kept in range.
    void SetMin(int v) { SetParams(position_, v, max_); }
    void SetMax(int v) { SetParams(position_, min_, v); }
    void SetPosition(int v) { SetParams(v, min_, max_); }
    void SetPageSize(int v);
    // Sets all three at once; fires OnChange when the position changed.
    void SetParams(int APosition, int AMin, int AMax);
    int GetSmallChange() const noexcept { return smallChange_; }
    void SetSmallChange(int v) noexcept { smallChange_ = v < 1 ? 1 : v; }
    int GetLargeChange() const noexcept { return largeChange_; }
    void SetLargeChange(int v) noexcept { largeChange_ = v < 1 ? 1 : v; }
    // The highest position reachable.
    int MaxPosition() const noexcept;

    TNotifyEvent OnChange;
    // Fired for every user action before the position moves; the handler may
    // change the new position. A scEndScroll follows each action.
    TScrollEvent OnScroll;

    // The thumb's rectangle (client coordinates).
    TRect ThumbRect() const;

protected:
    virtual void Change();
    virtual void Scroll(TScrollCode Code, int& Pos);
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(uint16_t& Key, TShiftState Shift) override;

private:
    void UserScroll(TScrollCode Code, int64_t Pos);
    int TrackLength() const noexcept;
    int ThumbLength() const noexcept;
    int PosToOffset(int Pos) const noexcept;
    TScrollBarKind kind_ = sbHorizontal;
    int min_ = 0, max_ = 100, position_ = 0, pageSize_ = 0;
    int smallChange_ = 1, largeChange_ = 1;
    int pressed_ = 0; // 0 none, 1 first arrow, 2 second arrow, 3 thumb
    int dragOffset_ = 0;
};

} // namespace vcl
