// Controls: the parent chain, geometry, the paint cycle, mouse and keyboard
// input, focus and messages.
//
// A form (a control without a parent) owns a 32-bit back buffer. Every control
// on it draws into that buffer, clipped to its bounds and to the client areas
// of its parents. Invalidate only records a dirty rectangle on the form;
// Application->ProcessMessages() (or Update/Repaint) repaints the dirty areas:
// the parent's background first, then its graphic controls and then its
// windowed controls, each group in z-order (windowed controls lie above the
// graphic controls of the same parent, as child windows do).
//
// Input enters through the form (HostMouseDown and friends below, which the
// test hooks and a window backend call), is routed to the control under the
// mouse or to the one holding the capture, and is dropped for disabled
// controls. A handler may destroy the control that fires it: dispatchers
// check a liveness token after each step, and Release() defers the deletion
// until the outermost dispatch has returned.
//
// All of this belongs to the one user-interface thread.
#pragma once

#include "vcl/Classes.h"
#include "vcl/Fonts.h"
#include "vcl/Graphics.h"
#include "vcl/GraphicsTypes.h"
#include "vcl/System.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vcl {

class TWinControl;
class TForm;
class TPopupMenu;

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind : uint8_t { akLeft, akTop, akRight, akBottom };
enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : uint8_t { ssShift, ssCtrl, ssAlt, ssLeft, ssRight, ssMiddle, ssDouble };

// A small set of flags (anchors, shift states).
template <typename E>
class TFlagSet {
public:
    constexpr TFlagSet() = default;
    constexpr TFlagSet(std::initializer_list<E> flags)
    {
        for (E f : flags) bits_ |= static_cast<uint8_t>(1u << f);
    }
    constexpr bool Contains(E f) const { return (bits_ >> f) & 1u; }
    constexpr void Include(E f) { bits_ |= static_cast<uint8_t>(1u << f); }
    constexpr void Exclude(E f) { bits_ &= static_cast<uint8_t>(~(1u << f)); }
    constexpr bool Empty() const { return bits_ == 0; }
    friend constexpr bool operator==(TFlagSet, TFlagSet) = default;

private:
    uint8_t bits_ = 0;
};
using TAnchors = TFlagSet<TAnchorKind>;
using TShiftState = TFlagSet<TShiftFlag>;

// Cursor identifiers (the standard ones are negative; applications register
// their own with positive numbers).
using TCursor = int16_t;
constexpr TCursor crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crSizeWE = -9, crHourGlass = -11,
                  crHandPoint = -21;

// Virtual-key codes (the usual desktop numbering: letters and digits are
// their upper-case ASCII codes).
constexpr uint16_t VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
                   VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35, VK_HOME = 36,
                   VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_DELETE = 46, VK_F2 = 113;

// A message sent with Perform or Broadcast. Result 0 means "not handled".
struct TMessage {
    uint32_t Msg = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

// Notifications the controls send themselves.
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t CM_ENABLEDCHANGED = 0xB003, CM_FONTCHANGED = 0xB005, CM_COLORCHANGED = 0xB006,
                   CM_PARENTFONTCHANGED = 0xB008, CM_PARENTCOLORCHANGED = 0xB009, CM_VISIBLECHANGED = 0xB00C,
                   CM_BUTTONPRESSED = 0xB018;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// The base of everything visual.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    TWinControl* GetParent() const noexcept { return parent_; }
    // Moves the control to another parent (nullptr removes it), on top of the
    // new parent's z-order.
    virtual void SetParent(TWinControl* AParent);

    int32_t GetLeft() const noexcept { return left_; }
    int32_t GetTop() const noexcept { return top_; }
    int32_t GetWidth() const noexcept { return width_; }
    int32_t GetHeight() const noexcept { return height_; }
    void SetLeft(int32_t v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int32_t v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int32_t v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int32_t v) { SetBounds(left_, top_, width_, v); }
    // Does nothing when the values are unchanged; negative sizes count as 0.
    // Invalidates the old and the new area, realigns the parent and the
    // children, and calls Resize when the size changed.
    virtual void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
    TRect GetBoundsRect() const noexcept { return {left_, top_, left_ + width_, top_ + height_}; }
    virtual int32_t GetClientWidth() const { return width_; }
    virtual int32_t GetClientHeight() const { return height_; }
    TRect GetClientRect() const { return {0, 0, GetClientWidth(), GetClientHeight()}; }
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;

    TAlign GetAlign() const noexcept { return align_; }
    void SetAlign(TAlign a);
    // The parent's edges the control keeps its distance to when the parent's
    // client area changes size (controls without Align): right only moves
    // it, left and right stretch it, neither keeps it centred; the same for
    // top and bottom.
    TAnchors GetAnchors() const noexcept { return anchors_; }
    void SetAnchors(TAnchors a) noexcept { anchors_ = a; }

    bool GetVisible() const noexcept { return visible_; }
    virtual void SetVisible(bool v);
    // Visible with all its parents, and on a form.
    bool Showing() const;
    bool GetEnabled() const noexcept { return enabled_; }
    virtual void SetEnabled(bool v);
    // Enabled together with all its parents.
    bool IsEnabledInChain() const;

    // The font; while ParentFont is set it follows the parent's font.
    TFont& Font() noexcept { return *font_; }
    bool GetParentFont() const noexcept { return parentFont_; }
    void SetParentFont(bool v);
    TColor GetColor() const noexcept { return color_; }
    void SetColor(TColor c);
    bool GetParentColor() const noexcept { return parentColor_; }
    void SetParentColor(bool v);
    // A transparent control lets its parent's background show: it is never
    // painted alone, its parent repaints the area under it first.
    bool GetTransparent() const noexcept { return transparent_; }
    void SetTransparent(bool v);
    // The control covers all its bounds itself, so the parent need not paint
    // under it.
    bool GetOpaque() const noexcept { return opaque_; }
    void SetOpaque(bool v) noexcept { opaque_ = v; }

    const std::string& GetHint() const noexcept { return hint_; }
    void SetHint(const std::string& h) { hint_ = h; }
    bool GetShowHint() const noexcept { return showHint_; }
    void SetShowHint(bool v) noexcept { showHint_ = v; }
    TCursor GetCursor() const noexcept { return cursor_; }
    void SetCursor(TCursor c) noexcept { cursor_ = c; }
    // The menu a right click opens (not owned; forgotten when it is destroyed).
    // A control without one passes the right click on to its parent's.
    TPopupMenu* GetPopupMenu() const noexcept { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* Menu);

    // The form the control is on (itself for a form), or nullptr.
    TForm* GetParentForm() const;

    // A canvas that draws on the form's back buffer with its origin at the
    // control's top-left, clipped to the visible part of the control. It
    // works outside a paint cycle too. Without a form, or when the control
    // is hidden or has no area, it draws nothing; outside a paint cycle it
    // also draws nothing while the control reaches past the form's left or
    // top edge (the paint cycle handles that case).
    TCanvas& Canvas();

    // Marks the control's area dirty; painting happens later.
    virtual void Invalidate();
    // Paints the dirty areas of the control's form now.
    void Update();
    // Invalidate, then paint at once.
    void Repaint();
    void Refresh() { Repaint(); }

    // Sends a message to the control and returns its Result.
    intptr_t Perform(uint32_t Msg, uintptr_t WParam = 0, intptr_t LParam = 0);
    // Message handler; the default handles the notifications above and
    // leaves everything else to DefaultHandler.
    virtual void WndProc(TMessage& Message);

    // Deletes the control once the event being dispatched has returned (or
    // at the next ProcessMessages).
    void Release();

    // Counters for tests.
    int GetPaintCount() const noexcept { return paintCount_; }
    int GetInvalidateCount() const noexcept { return invalidateCount_; }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelEvent OnMouseWheel;
    // Fires before a right click opens a popup menu, with the point in client
    // coordinates; setting Handled keeps the menu closed.
    std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)> OnContextPopup;

    // A token that turns false when the control is destroyed.
    std::shared_ptr<const bool> AliveToken() const { return alive_; }

protected:
    virtual void Paint() {}
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    // Returns whether the wheel was handled.
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Resize();
    virtual void DefaultHandler(TMessage&) {}
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The right click's menu: OnContextPopup, then the PopupMenu of this
    // control or of the nearest parent with one (if its AutoPopup is set).
    virtual void DoContextPopup(TPoint MousePos, bool& Handled);
    virtual void FontChanged();
    // Called when the parent's font or colour changed.
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();

    // Whether the control is windowed.
    virtual bool IsWindowed() const { return false; }
    // Paints the control itself on the given canvas (graphic controls: Paint).
    virtual void PaintSelf();
    // Rectangle of the control in its form's coordinates.
    TRect FormRect() const;
    // The visible part of the control in form coordinates (clipped by the
    // client areas of all parents).
    TRect VisibleFormRect() const;

private:
    friend class TWinControl;
    friend class TForm;
    friend struct ControlsAccess;
    void FontOnChange();
    void PrepareCanvas(const TRect& clipForm);
    // Clears the form's references (focus, capture, hover, last press and,
    // when Destroying, the control being painted) to this control or a child.
    void LeaveForm(TForm& f, bool Destroying) noexcept;

    TWinControl* parent_ = nullptr;
    int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    TAnchors anchors_{akLeft, akTop};
    bool visible_ = true;
    bool enabled_ = true;
    bool parentFont_ = true;
    bool parentColor_ = false;
    bool transparent_ = false;
    bool opaque_ = false;
    bool showHint_ = false;
    bool settingParentFont_ = false;
    TColor color_ = clBtnFace;
    TCursor cursor_ = crDefault;
    std::string hint_;
    TPopupMenu* popupMenu_ = nullptr;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TCanvas> canvas_;
    std::shared_ptr<bool> alive_;
    int paintCount_ = 0;
    int invalidateCount_ = 0;
};

// A control without a window: it draws on its parent's surface.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}
};

// A windowed control: it has children, can take the focus and receives
// keyboard input.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // Children in z-order (bottom first), graphic and windowed together.
    int GetControlCount() const noexcept { return static_cast<int>(controls_.size()); }
    TControl* GetControl(int Index) const noexcept;

    // Sends the message to every child until one sets a non-zero Result.
    void Broadcast(TMessage& Message);

    // Places the children with Align other than alNone.
    void Realign();
    // Moves and stretches the children without Align by their anchors after
    // the client area grew by (DeltaWidth, DeltaHeight), which may be negative.
    void AnchorChildren(int32_t DeltaWidth, int32_t DeltaHeight);

    bool GetTabStop() const noexcept { return tabStop_; }
    void SetTabStop(bool v) noexcept { tabStop_ = v; }
    // Position among the parent's windowed children in tab order (from 0).
    int GetTabOrder() const;
    void SetTabOrder(int v);
    // Enabled, visible and showing on a form.
    virtual bool CanFocus() const;
    bool Focused() const;
    // Raises EInvalidOperation for a control that cannot take the focus.
    virtual void SetFocus();
    // Tab and the arrows reach KeyDown instead of moving the focus.
    bool GetWantAllKeys() const noexcept { return wantAllKeys_; }
    void SetWantAllKeys(bool v) noexcept { wantAllKeys_ = v; }

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

protected:
    bool IsWindowed() const override { return true; }
    // Fills the client area with Color, then calls Paint.
    void PaintSelf() override;
    virtual void KeyDown(uint16_t& Key, TShiftState Shift);
    virtual void KeyUp(uint16_t& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    virtual void DoEnter();
    virtual void DoExit();

private:
    friend class TControl;
    friend class TForm;
    friend struct ControlsAccess;
    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    bool tabStop_ = false;
    bool wantAllKeys_ = false;
    bool aligning_ = false;
};

// A windowed control that paints itself in Paint.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}
};

// Border styles of forms; edit fields and panels use bsNone and bsSingle.
enum TFormBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

// Results of modal forms and dialogs (0 = still open).
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

// A top-level window: owns the back buffer, the dirty areas, the focus and
// the routing of input. Forms are created hidden-free: a form counts as
// showing while Visible is set.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    // Forms cannot be placed on a parent.
    void SetParent(TWinControl* AParent) override;
    void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;

    // The control with the focus (nullptr when none).
    TWinControl* GetActiveControl() const noexcept { return active_; }
    void SetActiveControl(TWinControl* c);
    // Moves the focus to the next (or previous) focusable control with
    // TabStop in tab order, wrapping around.
    void SelectNext(bool Forward);

    // The back buffer (the form's pixels, client coordinates).
    TBitmap& BackBuffer() noexcept { return buffer_; }
    // Dirty rectangles waiting to be painted, in form coordinates.
    const std::vector<TRect>& DirtyRects() const noexcept { return dirty_; }
    // Paints all dirty areas now.
    void PaintPending();
    // The areas of the back buffer drawn since the last call, by the paint
    // cycle or directly on a control's canvas; a window backend copies them
    // to the screen.
    std::vector<TRect> TakeDrawnAreas();

    // All forms in creation order.
    static const std::vector<TForm*>& Forms();

    // Caption and border style are stored; a window backend shows them.
    const std::string& GetCaption() const noexcept { return caption_; }
    void SetCaption(const std::string& v) { caption_ = v; }
    TFormBorderStyle GetBorderStyle() const noexcept { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle v) noexcept { borderStyle_ = v; }
    // Modal showing (Dialogs.cpp): ShowModal shows the form through the modal
    // handler and returns once a ModalResult is set; Close sets mrCancel on a
    // modal form and hides any other.
    TModalResult GetModalResult() const noexcept { return modalResult_; }
    void SetModalResult(TModalResult v) noexcept { modalResult_ = v; }
    TModalResult ShowModal();
    bool IsModal() const noexcept { return modal_; }
    void Close();

private:
    friend class TControl;
    friend class TWinControl;
    friend struct ControlsAccess;
    void AddDirty(const TRect& r);
    void AddDrawn(const TRect& r);
    void PaintArea(const TRect& area);
    void PaintTree(TControl* c, const TRect& area);

    TBitmap buffer_;
    std::string caption_;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    std::vector<TRect> dirty_;
    std::vector<TRect> drawn_;
    TWinControl* active_ = nullptr;
    TControl* painting_ = nullptr;
    // Mouse routing.
    TControl* capture_ = nullptr;
    TControl* hover_ = nullptr;
    uint8_t buttons_ = 0;
    // The last press, for double-click detection.
    TControl* lastPress_ = nullptr;
    TMouseButton lastButton_ = mbLeft;
    int64_t lastPressTime_ = 0;
    TPoint lastPressPos_{};
    bool lastWasDouble_ = false;
    bool pressWasDouble_ = false;

    friend void HostMouseDown(TForm&, TMouseButton, TShiftState, int, int);
    friend void HostMouseUp(TForm&, TMouseButton, TShiftState, int, int);
    friend void HostMouseMove(TForm&, TShiftState, int, int);
    friend bool HostMouseWheel(TForm&, TShiftState, int, int, int);
    friend void HostKeyDown(TForm&, uint16_t, TShiftState);
    friend void HostKeyUp(TForm&, uint16_t, TShiftState);
    friend void HostKeyPress(TForm&, char);
};

// Double-click limits: the second press must come within this time (ms) and
// within this distance (pixels, each axis) of the first.
constexpr int kDoubleClickTime = 500;
constexpr int kDoubleClickDistance = 2;
// Wheel notch.
constexpr int WHEEL_DELTA = 120;

// Input entry points in form client coordinates. The test hooks and a window
// backend use them. The shift state gives the modifier keys; the button bits
// are added from the buttons held.
void HostMouseDown(TForm& Form, TMouseButton Button, TShiftState Shift, int X, int Y);
void HostMouseUp(TForm& Form, TMouseButton Button, TShiftState Shift, int X, int Y);
void HostMouseMove(TForm& Form, TShiftState Shift, int X, int Y);
bool HostMouseWheel(TForm& Form, TShiftState Shift, int WheelDelta, int X, int Y);
void HostKeyDown(TForm& Form, uint16_t Key, TShiftState Shift);
void HostKeyUp(TForm& Form, uint16_t Key, TShiftState Shift);
void HostKeyPress(TForm& Form, char Key);

// Raised for operations a control cannot perform (focusing a hidden control,
// a form on a parent).
class EInvalidOperation : public Exception {
    using Exception::Exception;
};

} // namespace vcl
