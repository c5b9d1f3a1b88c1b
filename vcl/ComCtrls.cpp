// The date/time picker.
#include "vcl/ComCtrls.h"

#include "vcl/Fonts.h"
#include "vcl/internal/ClassicLook.h"

#include <algorithm>
#include <cmath>

namespace vcl {

namespace {
constexpr int kButtonWidth = 17;
constexpr TDateTime kMinValue = -693593.0;   // 0001-01-01
constexpr TDateTime kMaxValue = 2958466.0;   // 9999-12-31 + 1

const char* const kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
const char* const kShortDays[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kLongDays[7] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

std::string Num(int v, int width)
{
    std::string s = std::to_string(v);
    while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
    return s;
}

int Wrap(int v, int n) { return ((v % n) + n) % n; }

bool IsFieldToken(char letter, int count) { return letter != 0 && !(letter == 'd' && count >= 3); }

TDateTime Combine(TDateTime date, TDateTime time) { return date >= 0 ? date + time : date - time; }
} // namespace

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner)
{
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 186, 22);
    value_ = std::trunc(Now());
    Reparse();
    AdjustHeight();
}

void TDateTimePicker::AdjustHeight() { SetHeight(TextHeight(Font()) + 8); }

void TDateTimePicker::FontChanged()
{
    TWinControl::FontChanged();
    AdjustHeight();
}

std::string TDateTimePicker::EffectiveFormat() const
{
    if (!format_.empty()) return format_;
    return kind_ == dtkDate ? "yyyy-MM-dd" : "HH:mm:ss";
}

std::vector<TDateTimePicker::TToken> TDateTimePicker::Tokenize(const std::string& Format)
{
    std::vector<TToken> out;
    const auto literal = [&](const std::string& s) {
        if (!out.empty() && out.back().Letter == 0) out.back().Literal += s;
        else out.push_back({0, 0, s});
    };
    for (size_t i = 0; i < Format.size();) {
        const char ch = Format[i];
        if (ch == '\'') {
            std::string lit;
            ++i;
            while (i < Format.size()) {
                if (Format[i] == '\'') {
                    if (i + 1 < Format.size() && Format[i + 1] == '\'') {
                        lit += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                lit += Format[i++];
            }
            literal(lit);
        } else if (std::string_view("yMdHhmst").find(ch) != std::string_view::npos) {
            size_t j = i;
            while (j < Format.size() && Format[j] == ch) ++j;
            out.push_back({ch, static_cast<int>(j - i), {}});
            i = j;
        } else {
            literal(std::string(1, ch));
            ++i;
        }
    }
    return out;
}

std::string TDateTimePicker::TokenText(const TToken& T, TDateTime Value)
{
    if (T.Letter == 0) return T.Literal;
    int32_t y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(Value, y, mo, d);
    DecodeTime(Value, h, mi, s, ms);
    const int n = T.Count;
    switch (T.Letter) {
    case 'y': return n == 1 ? std::to_string(y % 100) : n == 2 ? Num(y % 100, 2) : Num(y, n >= 4 ? 4 : 1);
    case 'M':
        if (mo < 1) return "";
        return n == 1 ? std::to_string(mo) : n == 2 ? Num(mo, 2) : n == 3 ? kShortMonths[mo - 1] : kLongMonths[mo - 1];
    case 'd': {
        if (n <= 2) return Num(d, n);
        const int w = DayOfTheWeek(Value);
        if (w < 1) return "";
        return n == 3 ? kShortDays[w - 1] : kLongDays[w - 1];
    }
    case 'H': return Num(h, std::min(n, 2));
    case 'h': return Num(h % 12 == 0 ? 12 : h % 12, std::min(n, 2));
    case 'm': return Num(mi, std::min(n, 2));
    case 's': return Num(s, std::min(n, 2));
    case 't': return n == 1 ? (h < 12 ? "A" : "P") : (h < 12 ? "AM" : "PM");
    default: return "";
    }
}

std::string TDateTimePicker::FormatValue(const std::string& Format, TDateTime Value)
{
    std::string out;
    for (const TToken& t : Tokenize(Format)) out += TokenText(t, Value);
    return out;
}

void TDateTimePicker::Reparse()
{
    tokens_ = Tokenize(EffectiveFormat());
    fields_.clear();
    for (size_t i = 0; i < tokens_.size(); ++i)
        if (IsFieldToken(tokens_[i].Letter, tokens_[i].Count)) fields_.push_back(static_cast<int>(i));
    focused_ = std::clamp(focused_, 0, std::max(GetFieldCount() - 1, 0));
    typed_.clear();
    Invalidate();
}

void TDateTimePicker::SetKind(TDateTimeKind v)
{
    if (v == kind_) return;
    kind_ = v;
    Reparse();
}

void TDateTimePicker::SetFormat(const std::string& v)
{
    if (v == format_) return;
    format_ = v;
    Reparse();
}

void TDateTimePicker::SetDateTime(TDateTime v)
{
    if (!std::isfinite(v) || v <= kMinValue - 1 || v >= kMaxValue) return;
    if (v == value_) return;
    value_ = v;
    typed_.clear();
    Invalidate();
}

TDateTime TDateTimePicker::GetDate() const noexcept { return std::trunc(value_); }
TDateTime TDateTimePicker::GetTime() const noexcept { return std::fabs(value_ - std::trunc(value_)); }
void TDateTimePicker::SetDate(TDateTime v)
{
    if (std::isfinite(v)) SetDateTime(Combine(std::trunc(v), GetTime()));
}
void TDateTimePicker::SetTime(TDateTime v)
{
    if (std::isfinite(v)) SetDateTime(Combine(GetDate(), std::fabs(v - std::trunc(v))));
}

void TDateTimePicker::SetFocusedField(int v)
{
    v = std::clamp(v, 0, std::max(GetFieldCount() - 1, 0));
    if (v == focused_) return;
    focused_ = v;
    typed_.clear();
    Invalidate();
}

char TDateTimePicker::FieldLetter(int Field) const noexcept
{
    if (Field < 0 || Field >= GetFieldCount()) return 0;
    return tokens_[static_cast<size_t>(fields_[static_cast<size_t>(Field)])].Letter;
}

void TDateTimePicker::Change()
{
    if (OnChange) OnChange(this);
}

void TDateTimePicker::UserSet(int Y, int Mo, int D, int H, int Mi, int S, int Ms)
{
    D = std::min(D, DaysInMonth(Y, Mo));
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(Y, Mo, D, date) || !TryEncodeTime(H, Mi, S, Ms, time)) return;
    const TDateTime v = Combine(date, time);
    if (v == value_) return;
    value_ = v;
    Invalidate();
    Change();
}

void TDateTimePicker::Step(int Delta)
{
    if (GetFieldCount() == 0) return;
    int32_t y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(value_, y, mo, d);
    DecodeTime(value_, h, mi, s, ms);
    if (y < 1) return;
    const TToken& t = tokens_[static_cast<size_t>(fields_[static_cast<size_t>(focused_)])];
    switch (t.Letter) {
    case 'y': y = std::clamp(y + Delta, 1, 9999); break;
    case 'M': mo = Wrap(mo - 1 + Delta, 12) + 1; break;
    case 'd': d = Wrap(d - 1 + Delta, DaysInMonth(y, mo)) + 1; break;
    case 'H': h = Wrap(h + Delta, 24); break;
    case 'h': h = (h / 12) * 12 + Wrap(h % 12 + Delta, 12); break;
    case 'm': mi = Wrap(mi + Delta, 60); break;
    case 's': s = Wrap(s + Delta, 60); break;
    case 't': h = (h + 12) % 24; break;
    default: return;
    }
    UserSet(y, mo, d, h, mi, s, ms);
}

void TDateTimePicker::TypeDigit(int Digit)
{
    if (GetFieldCount() == 0) return;
    int32_t y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(value_, y, mo, d);
    DecodeTime(value_, h, mi, s, ms);
    if (y < 1) return;
    const TToken& t = tokens_[static_cast<size_t>(fields_[static_cast<size_t>(focused_)])];
    if (t.Letter == 't') return;
    const int digits = (t.Letter == 'y' && t.Count >= 3) ? 4 : 2;
    typed_ += static_cast<char>('0' + Digit);
    const int v = std::stoi(typed_);
    bool ok = true;
    switch (t.Letter) {
    case 'y':
        // Years take effect once all their digits are typed.
        if (static_cast<int>(typed_.size()) < digits) {
            ok = false;
        } else {
            y = digits == 4 ? v : (y / 100) * 100 + v;
            ok = y >= 1;
        }
        break;
    case 'M': ok = v >= 1 && v <= 12; mo = v; break;
    case 'd': ok = v >= 1 && v <= DaysInMonth(y, mo); d = v; break;
    case 'H': ok = v <= 23; h = v; break;
    case 'h': ok = v >= 1 && v <= 12; h = (h / 12) * 12 + v % 12; break;
    case 'm': ok = v <= 59; mi = v; break;
    case 's': ok = v <= 59; s = v; break;
    default: return;
    }
    if (ok) UserSet(y, mo, d, h, mi, s, ms);
    if (static_cast<int>(typed_.size()) >= digits) {
        typed_.clear();
        if (ok && focused_ + 1 < GetFieldCount()) {
            ++focused_;
            Invalidate();
        } else if (!ok) {
            // A value out of range starts again with this digit.
            TypeDigit(Digit);
        }
    }
}

void TDateTimePicker::KeyDown(uint16_t& Key, TShiftState Shift)
{
    auto token = AliveToken();
    TWinControl::KeyDown(Key, Shift);
    if (!*token || Key == 0) return;
    switch (Key) {
    case VK_LEFT: SetFocusedField(focused_ - 1); break;
    case VK_RIGHT: SetFocusedField(focused_ + 1); break;
    case VK_HOME: SetFocusedField(0); break;
    case VK_END: SetFocusedField(GetFieldCount() - 1); break;
    case VK_UP:
        typed_.clear();
        Step(1);
        break;
    case VK_DOWN:
        typed_.clear();
        Step(-1);
        break;
    default: return;
    }
    Key = 0;
}

void TDateTimePicker::KeyPress(char& Key)
{
    auto token = AliveToken();
    TWinControl::KeyPress(Key);
    if (!*token || Key == 0) return;
    if (Key >= '0' && Key <= '9') {
        TypeDigit(Key - '0');
        Key = 0;
    } else if ((Key == 'a' || Key == 'A' || Key == 'p' || Key == 'P') && FieldLetter(focused_) == 't') {
        int32_t h = 0, mi = 0, s = 0, ms = 0;
        DecodeTime(value_, h, mi, s, ms);
        if ((h < 12) != (Key == 'a' || Key == 'A')) Step(1);
        Key = 0;
    }
}

TRect TDateTimePicker::ButtonRect() const
{
    const int w = GetWidth(), h = GetHeight();
    return {std::max(2, w - 2 - kButtonWidth), 2, std::max(2, w - 2), std::max(2, h - 2)};
}

void TDateTimePicker::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto token = AliveToken();
    TWinControl::MouseDown(Button, Shift, X, Y);
    if (!*token || Button != mbLeft) return;
    if (!Focused() && CanFocus()) SetFocus();
    if (!*token) return;
    const TRect b = ButtonRect();
    if (b.Contains(X, Y)) {
        // The time kind's spin button: upper half up, lower half down.
        if (kind_ == dtkTime) {
            typed_.clear();
            Step(Y < b.Top + b.Height() / 2 ? 1 : -1);
        }
        return;
    }
    // The field under the pointer (or the nearest one to its left).
    int x = 4;
    int field = -1, best = 0;
    for (size_t i = 0; i < tokens_.size(); ++i) {
        const int w = TextWidth(Font(), TokenText(tokens_[i], value_));
        const auto f = std::find(fields_.begin(), fields_.end(), static_cast<int>(i));
        if (f != fields_.end()) {
            const int index = static_cast<int>(f - fields_.begin());
            if (X >= x) best = index;
            if (X >= x && X < x + w) field = index;
        }
        x += w;
    }
    SetFocusedField(field >= 0 ? field : best);
}

void TDateTimePicker::Paint()
{
    TCanvas& c = Canvas();
    look::SunkenField(c, GetClientRect());
    const TRect b = ButtonRect();
    const bool enabled = IsEnabledInChain();
    const TColor arrow = enabled ? clBtnText : clGrayText;
    if (kind_ == dtkDate) {
        look::ButtonFace(c, b, false);
        look::Arrow(c, b, 3, arrow);
    } else {
        const int mid = b.Top + b.Height() / 2;
        const TRect up{b.Left, b.Top, b.Right, mid}, down{b.Left, mid, b.Right, b.Bottom};
        look::ButtonFace(c, up, false);
        look::Arrow(c, up, 1, arrow, 3);
        look::ButtonFace(c, down, false);
        look::Arrow(c, down, 3, arrow, 3);
    }
    const TRect area{2, 2, b.Left, GetHeight() - 2};
    look::ClipScope clip(c, area);
    const int th = TextHeight(Font());
    const int ty = area.Top + (area.Height() - th) / 2;
    const bool focused = Focused();
    int x = 4;
    for (size_t i = 0; i < tokens_.size(); ++i) {
        const std::string text = TokenText(tokens_[i], value_);
        const int w = TextWidth(Font(), text);
        const bool current = focused && !fields_.empty() && fields_[static_cast<size_t>(focused_)] == static_cast<int>(i);
        if (current) look::Fill(c, {x, ty, x + w, ty + th}, clHighlight);
        look::Text(c, x, ty, text, !enabled ? clGrayText : current ? clHighlightText : Font().GetColor());
        x += w;
    }
}

} // namespace vcl
