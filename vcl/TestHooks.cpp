// Headless test hooks.
#include "vcl/TestHooks.h"

#include "vcl/Forms.h"
#include "vcl/Timers.h"

namespace vcl::test {

namespace {

// Form coordinates of a point in the control's client area.
bool ToForm(TControl& C, int X, int Y, TForm*& form, int& fx, int& fy)
{
    form = C.GetParentForm();
    if (!form) return false;
    int dx = 0, dy = 0;
    for (TControl* p = &C; p->GetParent(); p = p->GetParent()) {
        dx += p->GetLeft();
        dy += p->GetTop();
    }
    fx = X + dx;
    fy = Y + dy;
    return true;
}

// A form that paints a checkerboard as its background.
class THostForm : public TForm {
public:
    THostForm() : TForm(nullptr) {}

protected:
    void PaintSelf() override
    {
        TCanvas& c = Canvas();
        const int w = GetClientWidth(), h = GetClientHeight();
        for (int y = 0; y < h; y += 8)
            for (int x = 0; x < w; x += 8) {
                c.Brush().SetColor(((x / 8 + y / 8) % 2) ? kCheckerB : kCheckerA);
                c.FillRect({x, y, x + 8, y + 8});
            }
    }
};

} // namespace

void MouseDown(TControl& C, int X, int Y, TMouseButton Button, TShiftState Shift)
{
    TForm* f;
    int fx, fy;
    if (ToForm(C, X, Y, f, fx, fy)) HostMouseDown(*f, Button, Shift, fx, fy);
}

void MouseUp(TControl& C, int X, int Y, TMouseButton Button, TShiftState Shift)
{
    TForm* f;
    int fx, fy;
    if (ToForm(C, X, Y, f, fx, fy)) HostMouseUp(*f, Button, Shift, fx, fy);
}

void MouseMove(TControl& C, int X, int Y, TShiftState Shift)
{
    TForm* f;
    int fx, fy;
    if (ToForm(C, X, Y, f, fx, fy)) HostMouseMove(*f, Shift, fx, fy);
}

void Click(TControl& C, int X, int Y, TMouseButton Button, TShiftState Shift)
{
    // The control may die in the press: go on through the form.
    TForm* f;
    int fx, fy;
    if (!ToForm(C, X, Y, f, fx, fy)) return;
    auto token = f->AliveToken();
    HostMouseDown(*f, Button, Shift, fx, fy);
    if (*token) HostMouseUp(*f, Button, Shift, fx, fy);
}

void DblClick(TControl& C, int X, int Y, TShiftState Shift)
{
    TForm* f;
    int fx, fy;
    if (!ToForm(C, X, Y, f, fx, fy)) return;
    auto token = f->AliveToken();
    for (int i = 0; i < 2 && *token; ++i) {
        HostMouseDown(*f, mbLeft, Shift, fx, fy);
        if (*token) HostMouseUp(*f, mbLeft, Shift, fx, fy);
    }
}

bool Wheel(TControl& C, int WheelDelta, int X, int Y, TShiftState Shift)
{
    TForm* f;
    int fx, fy;
    if (!ToForm(C, X, Y, f, fx, fy)) return false;
    return HostMouseWheel(*f, Shift, WheelDelta, fx, fy);
}

void KeyDown(TControl& C, uint16_t Key, TShiftState Shift)
{
    if (TForm* f = C.GetParentForm()) HostKeyDown(*f, Key, Shift);
}

void KeyUp(TControl& C, uint16_t Key, TShiftState Shift)
{
    if (TForm* f = C.GetParentForm()) HostKeyUp(*f, Key, Shift);
}

void KeyPress(TControl& C, char Ch)
{
    if (TForm* f = C.GetParentForm()) HostKeyPress(*f, Ch);
}

void TypeText(TControl& C, const std::string& Text)
{
    TForm* f = C.GetParentForm();
    if (!f) return;
    auto token = f->AliveToken();
    for (char ch : Text) {
        if (!*token) return;
        uint16_t key = 0;
        TShiftState shift;
        if (ch >= 'a' && ch <= 'z') key = static_cast<uint16_t>(ch - 'a' + 'A');
        else if (ch >= 'A' && ch <= 'Z') {
            key = static_cast<uint16_t>(ch);
            shift.Include(ssShift);
        } else if ((ch >= '0' && ch <= '9') || ch == ' ') key = static_cast<uint16_t>(ch);
        else if (ch == '\r') key = VK_RETURN;
        if (key) HostKeyDown(*f, key, shift);
        if (*token) HostKeyPress(*f, ch);
        if (key && *token) HostKeyUp(*f, key, shift);
    }
}

void SetFocus(TWinControl& C) { C.SetFocus(); }

void Advance(int64_t Ms)
{
    detail::AdvanceVirtualClock(Ms);
    Application->ProcessMessages();
}

void SetTimerRefusal(bool Refuse) { detail::SetTimerRefusal(Refuse); }

TBitmap RenderToBitmap(TControl& C)
{
    TBitmap out(C.GetWidth(), C.GetHeight());
    if (C.GetWidth() <= 0 || C.GetHeight() <= 0) return out;
    TForm* form = C.GetParentForm();
    std::unique_ptr<THostForm> host;
    TWinControl* oldParent = C.GetParent();
    int32_t oldLeft = C.GetLeft(), oldTop = C.GetTop();
    if (!form) {
        host = std::make_unique<THostForm>();
        host->SetBounds(0, 0, C.GetWidth(), C.GetHeight());
        C.SetParent(host.get());
        C.SetBounds(0, 0, C.GetWidth(), C.GetHeight());
        form = host.get();
    }
    C.Invalidate();
    form->PaintPending();
    // Copy the control's visible part out of the back buffer.
    TPoint o = C.ClientToScreen({0, 0});
    const TPoint fo = form->ClientToScreen({0, 0});
    o.X -= fo.X;
    o.Y -= fo.Y;
    const TSurface& s = form->BackBuffer().Surface();
    for (int y = 0; y < C.GetHeight(); ++y) {
        const int sy = o.Y + y;
        if (sy < 0 || sy >= s.Height) continue;
        for (int x = 0; x < C.GetWidth(); ++x) {
            const int sx = o.X + x;
            if (sx < 0 || sx >= s.Width) continue;
            out.ScanLine(y)[x] = s.Row(sy)[sx];
        }
    }
    if (host) {
        C.SetParent(oldParent);
        C.SetBounds(oldLeft, oldTop, C.GetWidth(), C.GetHeight());
    }
    return out;
}

} // namespace vcl::test
