#include "vcl/Variant.h"

#include <charconv>
#include <cmath>

#include "vcl/DateTime.h"

namespace vcl {

Variant Variant::FromCurrency(int64_t TenThousandths)
{
    Variant r;
    r.kind_ = varCurrency;
    r.v_ = TenThousandths;
    return r;
}

Variant Variant::FromDate(double Days)
{
    Variant r;
    r.kind_ = varDate;
    r.v_ = Days;
    return r;
}

int64_t Variant::RawInteger() const noexcept
{
    const int64_t* p = std::get_if<int64_t>(&v_);
    return p ? *p : 0;
}

double Variant::RawDouble() const noexcept
{
    const double* p = std::get_if<double>(&v_);
    return p ? *p : 0.0;
}

bool Variant::RawBoolean() const noexcept
{
    const bool* p = std::get_if<bool>(&v_);
    return p ? *p : false;
}

const std::string& Variant::RawString() const noexcept
{
    static const std::string empty;
    const std::string* p = std::get_if<std::string>(&v_);
    return p ? *p : empty;
}

double Variant::AsDouble() const noexcept
{
    switch (kind_) {
    case varInteger: return static_cast<double>(RawInteger());
    case varDouble: return RawDouble();
    case varCurrency: return static_cast<double>(RawInteger()) / 10000.0;
    default: return 0.0;
    }
}

namespace {

std::string DoubleText(double d)
{
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "INF" : "-INF";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, res.ptr);
}

std::string TwoDigits(int32_t v)
{
    std::string s(2, '0');
    s[0] = static_cast<char>('0' + (v / 10) % 10);
    s[1] = static_cast<char>('0' + v % 10);
    return s;
}

std::string DateText(double days)
{
    if (!std::isfinite(days)) return DoubleText(days);
    int32_t y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(days, y, mo, d);
    DecodeTime(days, h, mi, s, ms);
    char ybuf[16];
    auto res = std::to_chars(ybuf, ybuf + sizeof ybuf, y);
    std::string ys(ybuf, res.ptr);
    while (ys.size() < 4) ys.insert(ys.begin(), '0');
    std::string out = ys + "-" + TwoDigits(mo) + "-" + TwoDigits(d);
    if (h != 0 || mi != 0 || s != 0 || ms != 0) {
        out += "T" + TwoDigits(h) + ":" + TwoDigits(mi) + ":" + TwoDigits(s);
        if (ms != 0) {
            out += ".";
            out += static_cast<char>('0' + ms / 100);
            out += static_cast<char>('0' + (ms / 10) % 10);
            out += static_cast<char>('0' + ms % 10);
        }
    }
    return out;
}

std::string CurrencyText(int64_t v)
{
    bool neg = v < 0;
    uint64_t u = neg ? (~static_cast<uint64_t>(v) + 1) : static_cast<uint64_t>(v);
    uint64_t whole = u / 10000, frac = u % 10000;
    std::string out = neg ? "-" : "";
    out += std::to_string(whole);
    if (frac != 0) {
        std::string f = std::to_string(frac);
        while (f.size() < 4) f.insert(f.begin(), '0');
        while (!f.empty() && f.back() == '0') f.pop_back();
        out += "." + f;
    }
    return out;
}

} // namespace

std::string Variant::AsString() const
{
    switch (kind_) {
    case varEmpty:
    case varNull: return {};
    case varInteger: return std::to_string(RawInteger());
    case varDouble: return DoubleText(RawDouble());
    case varCurrency: return CurrencyText(RawInteger());
    case varString: return RawString();
    case varDate: return DateText(RawDouble());
    case varBoolean: return RawBoolean() ? "True" : "False";
    }
    return {};
}

} // namespace vcl
