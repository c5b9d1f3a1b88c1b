// Headless test hooks: input simulation through the same path as real input,
// the virtual clock, and rendering a control to a bitmap.
#pragma once

#include "vcl/Controls.h"

#include <string>

namespace vcl::test {

// Mouse input at a point in the control's client coordinates. The input
// enters through the control's form, so capture, hit testing and the
// enabled checks apply: a control lying above the point gets it instead.
// Controls not on a form get nothing.
void MouseDown(TControl& C, int X, int Y, TMouseButton Button = mbLeft, TShiftState Shift = {});
void MouseUp(TControl& C, int X, int Y, TMouseButton Button = mbLeft, TShiftState Shift = {});
void MouseMove(TControl& C, int X, int Y, TShiftState Shift = {});
// Press and release. Two clicks at the same clock time on the same spot make
// a double click, as with a real mouse: advance the clock past the
// double-click time to keep them apart.
void Click(TControl& C, int X, int Y, TMouseButton Button = mbLeft, TShiftState Shift = {});
// Press, release, press, release.
void DblClick(TControl& C, int X, int Y, TShiftState Shift = {});
bool Wheel(TControl& C, int WheelDelta, int X = 0, int Y = 0, TShiftState Shift = {});

// Keyboard input to the focused control of the control's form.
void KeyDown(TControl& C, uint16_t Key, TShiftState Shift = {});
void KeyUp(TControl& C, uint16_t Key, TShiftState Shift = {});
void KeyPress(TControl& C, char Ch);
// A key down, its character and the key up, for every character (letters
// and digits carry their key codes, other characters the code 0 and reach
// KeyPress only).
void TypeText(TControl& C, const std::string& Text);
// Focuses the control (raises EInvalidOperation when it cannot take it).
void SetFocus(TWinControl& C);

// Switches to the virtual clock (if not yet) and advances it, delivering
// every due timer tick in time order; then paints pending areas.
void Advance(int64_t Ms);
// Makes SetTimer fail.
void SetTimerRefusal(bool Refuse);

// Paints the control and returns its pixels. A control without a form is
// placed for the time on a host form whose background is a checkerboard of
// two colours (kCheckerA/kCheckerB in 8-pixel squares), so that transparent
// parts show.
constexpr TColor kCheckerA = 0x00FF00FF, kCheckerB = 0x0000FF00;
TBitmap RenderToBitmap(TControl& C);

} // namespace vcl::test
