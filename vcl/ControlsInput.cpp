// Routing of mouse and keyboard input from a form to its controls.
#include "vcl/Controls.h"

#include "vcl/Forms.h"
#include "vcl/Timers.h"
#include "vcl/internal/Dispatch.h"

#include <cstdlib>

namespace vcl {

using detail::DispatchScope;

namespace {

uint8_t ButtonBit(TMouseButton b) { return static_cast<uint8_t>(1u << b); }

TShiftState WithButtons(TShiftState s, uint8_t buttons)
{
    s.Exclude(ssLeft);
    s.Exclude(ssRight);
    s.Exclude(ssMiddle);
    if (buttons & ButtonBit(mbLeft)) s.Include(ssLeft);
    if (buttons & ButtonBit(mbRight)) s.Include(ssRight);
    if (buttons & ButtonBit(mbMiddle)) s.Include(ssMiddle);
    return s;
}

} // namespace

// Access to the protected input handlers of any control.
struct ControlsAccess {
    static void MouseDown(TControl* c, TMouseButton b, TShiftState s, int x, int y) { c->MouseDown(b, s, x, y); }
    static void MouseUp(TControl* c, TMouseButton b, TShiftState s, int x, int y) { c->MouseUp(b, s, x, y); }
    static void ContextPopup(TControl* c, TPoint p, bool& handled) { c->DoContextPopup(p, handled); }
    static void MouseMove(TControl* c, TShiftState s, int x, int y) { c->MouseMove(s, x, y); }
    static bool Wheel(TControl* c, TShiftState s, int d, TPoint p) { return c->DoMouseWheel(s, d, p); }
    static void Click(TControl* c) { c->Click(); }
    static void DblClick(TControl* c) { c->DblClick(); }
    static void Enter(TControl* c) { c->MouseEnter(); }
    static void Leave(TControl* c) { c->MouseLeave(); }
    static void KeyDown(TWinControl* c, uint16_t& k, TShiftState s) { c->KeyDown(k, s); }
    static void KeyUp(TWinControl* c, uint16_t& k, TShiftState s) { c->KeyUp(k, s); }
    static void KeyPress(TWinControl* c, char& k) { c->KeyPress(k); }
    static bool Windowed(const TControl* c) { return c->IsWindowed(); }
    static const std::vector<TControl*>& Children(const TWinControl* w) { return w->controls_; }

    // The control under a point given in form coordinates: windowed children
    // above graphic ones, the topmost first. A disabled graphic control is
    // passed over (its parent gets the input); a disabled windowed control
    // swallows it (nullptr).
    static TControl* HitTest(TForm& f, int x, int y, bool& swallowed)
    {
        swallowed = false;
        TWinControl* w = &f;
        if (!f.GetVisible() || !f.IsEnabledInChain()) {
            swallowed = true;
            return nullptr;
        }
        for (;;) {
            TControl* found = nullptr;
            const auto& ch = w->controls_;
            for (int pass = 0; pass < 2 && !found; ++pass) {
                const bool wantWindowed = pass == 0;
                for (auto it = ch.rbegin(); it != ch.rend(); ++it) {
                    TControl* c = *it;
                    if (c->IsWindowed() != wantWindowed || !c->GetVisible()) continue;
                    if (!c->VisibleFormRect().Contains(x, y)) continue;
                    if (!c->GetEnabled()) {
                        if (wantWindowed) {
                            swallowed = true;
                            return nullptr;
                        }
                        continue;
                    }
                    found = c;
                    break;
                }
            }
            if (!found) return w;
            if (!found->IsWindowed()) return found;
            w = static_cast<TWinControl*>(found);
        }
    }
};

namespace {

TPoint ToClient(const TControl* c, int x, int y)
{
    // Form coordinates to the control's client coordinates.
    int32_t dx = 0, dy = 0;
    for (const TControl* p = c; p->GetParent(); p = p->GetParent()) {
        dx += p->GetLeft();
        dy += p->GetTop();
    }
    return {x - dx, y - dy};
}

void UpdateHover(TForm& f, TControl* now, TControl*& hover)
{
    if (now == hover) return;
    TControl* old = hover;
    hover = now;
    if (old) {
        auto token = old->AliveToken();
        ControlsAccess::Leave(old);
    }
    if (now && hover == now) ControlsAccess::Enter(now);
    (void)f;
}

} // namespace

void HostMouseDown(TForm& Form, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    DispatchScope scope;
    TControl* target = Form.capture_;
    if (!target) {
        bool swallowed = false;
        target = ControlsAccess::HitTest(Form, X, Y, swallowed);
        if (!target) return;
    }
    if (!target->IsEnabledInChain()) return;
    auto token = target->AliveToken();
    Form.buttons_ |= ButtonBit(Button);
    Form.capture_ = target;
    const TPoint p = ToClient(target, X, Y);
    TShiftState s = WithButtons(Shift, Form.buttons_);
    const int64_t now = ClockMs();
    const bool isDouble = !Form.lastWasDouble_ && Form.lastPress_ == target && Form.lastButton_ == Button &&
                          now - Form.lastPressTime_ <= kDoubleClickTime &&
                          std::abs(X - Form.lastPressPos_.X) <= kDoubleClickDistance &&
                          std::abs(Y - Form.lastPressPos_.Y) <= kDoubleClickDistance;
    Form.lastPress_ = target;
    Form.lastButton_ = Button;
    Form.lastPressTime_ = now;
    Form.lastPressPos_ = {X, Y};
    Form.lastWasDouble_ = isDouble;
    Form.pressWasDouble_ = isDouble;
    if (isDouble) {
        s.Include(ssDouble);
        if (Button == mbLeft) {
            ControlsAccess::DblClick(target);
            if (!*token) return;
        }
    }
    ControlsAccess::MouseDown(target, Button, s, p.X, p.Y);
}

void HostMouseUp(TForm& Form, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    DispatchScope scope;
    TControl* target = Form.capture_;
    if (!target) {
        bool swallowed = false;
        target = ControlsAccess::HitTest(Form, X, Y, swallowed);
    }
    Form.buttons_ &= static_cast<uint8_t>(~ButtonBit(Button));
    if (Form.buttons_ == 0) Form.capture_ = nullptr;
    if (!target || !target->IsEnabledInChain()) return;
    auto token = target->AliveToken();
    const TPoint p = ToClient(target, X, Y);
    const TShiftState s = WithButtons(Shift, Form.buttons_);
    // A release inside the control after a single press is a click; the
    // release of a double click's second press is not.
    const bool inside = target->GetClientRect().Contains(p.X, p.Y);
    if (Button == mbLeft && inside && !Form.pressWasDouble_) {
        ControlsAccess::Click(target);
        if (!*token) return;
    }
    ControlsAccess::MouseUp(target, Button, s, p.X, p.Y);
    if (!*token) return;
    // A right click released over the control asks for its context menu.
    if (Button == mbRight && inside && Form.buttons_ == 0) {
        bool handled = false;
        ControlsAccess::ContextPopup(target, p, handled);
    }
}

void HostMouseMove(TForm& Form, TShiftState Shift, int X, int Y)
{
    DispatchScope scope;
    bool swallowed = false;
    TControl* under = ControlsAccess::HitTest(Form, X, Y, swallowed);
    UpdateHover(Form, under, Form.hover_);
    TControl* target = Form.capture_ ? Form.capture_ : Form.hover_;
    if (!target || !target->IsEnabledInChain()) return;
    const TPoint p = ToClient(target, X, Y);
    ControlsAccess::MouseMove(target, WithButtons(Shift, Form.buttons_), p.X, p.Y);
}

bool HostMouseWheel(TForm& Form, TShiftState Shift, int WheelDelta, int X, int Y)
{
    DispatchScope scope;
    // The wheel goes to the focused control, then up its parents until one
    // handles it.
    TControl* c = Form.active_ ? static_cast<TControl*>(Form.active_) : &Form;
    const TShiftState s = WithButtons(Shift, Form.buttons_);
    while (c) {
        if (!c->IsEnabledInChain()) return false;
        auto token = c->AliveToken();
        TWinControl* parent = c->GetParent();
        auto ptoken = parent ? parent->AliveToken() : nullptr;
        if (ControlsAccess::Wheel(c, s, WheelDelta, {X, Y})) return true;
        if (!*token && !(ptoken && *ptoken)) return false;
        if (ptoken && !*ptoken) return false;
        c = parent;
    }
    return false;
}

namespace {
TWinControl* KeyTarget(TForm& f)
{
    TWinControl* t = f.GetActiveControl() ? f.GetActiveControl() : &f;
    return t->IsEnabledInChain() && t->Showing() ? t : nullptr;
}
bool IsNavigationKey(uint16_t k) { return k == VK_TAB; }
} // namespace

void HostKeyDown(TForm& Form, uint16_t Key, TShiftState Shift)
{
    DispatchScope scope;
    TWinControl* t = KeyTarget(Form);
    if (!t) return;
    // Tab moves the focus unless the control wants all keys.
    if (IsNavigationKey(Key) && !t->GetWantAllKeys()) {
        Form.SelectNext(!Shift.Contains(ssShift));
        return;
    }
    ControlsAccess::KeyDown(t, Key, Shift);
}

void HostKeyUp(TForm& Form, uint16_t Key, TShiftState Shift)
{
    DispatchScope scope;
    TWinControl* t = KeyTarget(Form);
    if (!t) return;
    if (IsNavigationKey(Key) && !t->GetWantAllKeys()) return;
    ControlsAccess::KeyUp(t, Key, Shift);
}

void HostKeyPress(TForm& Form, char Key)
{
    DispatchScope scope;
    TWinControl* t = KeyTarget(Form);
    if (!t) return;
    if (Key == '\t' && !t->GetWantAllKeys()) return;
    ControlsAccess::KeyPress(t, Key);
}

} // namespace vcl
