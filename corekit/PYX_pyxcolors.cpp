// Colour conversions, the colour tables and the colour array component.
#include "corekit/PYX_pyxcolors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>

#include "vcl/System.h"

namespace PYX_pyxcolors {

const std::array<TColor, 47> PredefinedColors = {
    0x00000000, 0x00000080, 0x00008000, 0x00008080, 0x00800000, 0x00800080, 0x00808000, 0x00808080,
    0x00C0C0C0, 0x000000FF, 0x0000FF00, 0x0000FFFF, 0x00FF0000, 0x00FF00FF, 0x00FFFF00, 0x00FFFFFF,
    0x00C0DCC0, 0x00F0CAA6, 0x00F0FBFF, 0x00A4A0A0,
    0x8000000A, 0x80000002, 0x8000000C, 0x80000001, 0x8000000F, 0x80000014, 0x80000010, 0x80000012,
    0x80000009, 0x20000000, 0x80000011, 0x8000000D, 0x8000000E, 0x8000000B, 0x80000003, 0x80000013,
    0x80000018, 0x80000017, 0x80000004, 0x80000007, 0x1FFFFFFF, 0x80000000, 0x80000015, 0x80000016,
    0x80000005, 0x80000006, 0x80000008,
};

const std::array<TColor, 11> ColorArray_Rainbow = {0x400020, 0x800060, 0xEF1200, 0xF56E00, 0xFFF400, 0x00FF18,
                                                   0x00F6FF, 0x00C1FF, 0x0013FF, 0x00008D, 0x000040};
const std::array<TColor, 11> ColorArray_Geo1 = {0xDED2BD, 0x639F63, 0x89BA88, 0xA7CFAD, 0xC5E5D2, 0xCBF1F5,
                                                0x96CEEA, 0x6CAED8, 0x3586BD, 0x426594, 0xF0FAFC};
const std::array<TColor, 11> ColorArray_Geo2 = {0xDFAE7F, 0xDEB68C, 0xE3BE9B, 0xE2C9AD, 0xDCCCBB, 0x90BBAC,
                                                0x99C9C6, 0xA4D7DA, 0xA1C8DA, 0x9AB6C5, 0x96ACC8};
const std::array<TColor, 7> ColorArray_Circle = {0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00,
                                                 0xFF0000, 0xFF00FF, 0x0000FF};

namespace {

bool IsSpecial(TColor c) noexcept { return c == vcl::clNone || c == vcl::clDefault; }

// The plain RGB value of a colour: system references resolved, top byte dropped.
TColor Plain(TColor c) noexcept { return vcl::ColorToRGB(c) & 0x00FFFFFFu; }

int Red(TColor c) noexcept { return static_cast<int>(c & 0xFF); }
int Green(TColor c) noexcept { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(TColor c) noexcept { return static_cast<int>((c >> 16) & 0xFF); }

TColor MakeRGB(int r, int g, int b) noexcept
{
    auto clip = [](int v) { return static_cast<TColor>(std::clamp(v, 0, 255)); };
    return clip(r) | (clip(g) << 8) | (clip(b) << 16);
}

// Clamps to lo..hi; NaN gives lo.
double Clamp(double v, double lo, double hi) noexcept
{
    if (!(v >= lo)) return lo;
    return v > hi ? hi : v;
}

uint8_t RoundByte(double v) noexcept { return static_cast<uint8_t>(std::clamp(vcl::SatRound(v), 0, 255)); }

TColor Blend(TColor c1, TColor c2, double t) noexcept
{
    auto comp = [t](int a, int b) { return vcl::SatTrunc(a + (b - a) * t); };
    return MakeRGB(comp(Red(c1), Red(c2)), comp(Green(c1), Green(c2)), comp(Blue(c1), Blue(c2)));
}

} // namespace

TColor InterpolateColor(TColor C1, TColor C2, double T)
{
    T = Clamp(T, 0.0, 1.0);
    if (IsSpecial(C1) || IsSpecial(C2)) return T <= 0.5 ? C1 : C2;
    return Blend(Plain(C1), Plain(C2), T);
}

TColor Interpolate3Colors(TColor C1, TColor C2, TColor C3, double T)
{
    T = Clamp(T, 0.0, 1.0);
    if (T <= 0.5) return InterpolateColor(C1, C2, 2 * T);
    return InterpolateColor(C2, C3, (T - 0.5) * 2);
}

TColor ReverseRGBColor(TColor C)
{
    if (IsSpecial(C)) return C;
    const TColor p = Plain(C);
    return MakeRGB(Blue(p), Green(p), Red(p));
}

TColor InvertColor(TColor C)
{
    if (IsSpecial(C)) return C;
    const TColor p = Plain(C);
    return MakeRGB(255 - Blue(p), 255 - Green(p), 255 - Red(p));
}

double RGBColorDistance(TColor C1, TColor C2)
{
    if (IsSpecial(C1) || IsSpecial(C2)) return C1 == C2 ? 0.0 : 1.0;
    const TColor a = Plain(C1), b = Plain(C2);
    const double dr = Red(a) - Red(b), dg = Green(a) - Green(b), db = Blue(a) - Blue(b);
    return std::sqrt((dr * dr + dg * dg + db * db) / 195075.0);
}

int32_t RGBtoGray(uint8_t R, uint8_t G, uint8_t B)
{
    // Exact in hundredths, so that a sum that is exactly halfway (15, 0, 0
    // gives 4.5) rounds to even and binary fractions cannot tip it.
    const int s = 30 * R + 59 * G + 11 * B;
    int q = s / 100;
    const int r = s % 100;
    if (r > 50 || (r == 50 && (q & 1))) ++q;
    return q;
}

TColor RGBtoGrayColor(uint8_t R, uint8_t G, uint8_t B)
{
    const int g = RGBtoGray(R, G, B);
    return MakeRGB(g, g, g);
}

TColor ColorToGrayColor(TColor C)
{
    if (IsSpecial(C)) return C;
    const TColor p = Plain(C);
    return RGBtoGrayColor(static_cast<uint8_t>(Red(p)), static_cast<uint8_t>(Green(p)),
                          static_cast<uint8_t>(Blue(p)));
}

TColor RandomColor()
{
    const int r = vcl::Random(256);
    const int g = vcl::Random(256);
    const int b = vcl::Random(256);
    return MakeRGB(r, g, b);
}

TColor RandomColor(uint8_t RMin, uint8_t RMax, uint8_t GMin, uint8_t GMax, uint8_t BMin, uint8_t BMax)
{
    auto draw = [](int lo, int hi) {
        if (lo > hi) std::swap(lo, hi);
        return lo + vcl::Random(hi - lo + 1);
    };
    const int r = draw(RMin, RMax);
    const int g = draw(GMin, GMax);
    const int b = draw(BMin, BMax);
    return MakeRGB(r, g, b);
}

void HSItoRGB(double H, double S, double I, uint8_t& R, uint8_t& G, uint8_t& B)
{
    if (!(H >= 0.0 && H < 360.0)) H = 0.0;
    S = Clamp(S, 0.0, 1.0);
    I = Clamp(I, 0.0, 1.0);
    const double v = 255.0 * I;
    if (S == 0.0) {
        R = G = B = RoundByte(v);
        return;
    }
    const double h = H / 60.0;
    const int i = std::clamp(vcl::SatTrunc(h), 0, 5);
    const double f = h - i;
    const double p = v * (1 - S), q = v * (1 - S * f), t = v * (1 - S * (1 - f));
    double r = 0, g = 0, b = 0;
    switch (i) {
    case 0: r = v; g = t; b = p; break;
    case 1: r = q; g = v; b = p; break;
    case 2: r = p; g = v; b = t; break;
    case 3: r = p; g = q; b = v; break;
    case 4: r = t; g = p; b = v; break;
    default: r = v; g = p; b = q; break;
    }
    R = RoundByte(r);
    G = RoundByte(g);
    B = RoundByte(b);
}

void RGBtoHSI(uint8_t R, uint8_t G, uint8_t B, double& H, double& S, double& I)
{
    const int mx = std::max({R, G, B});
    const int mn = std::min({R, G, B});
    I = mx / 255.0;
    if (mx == 0) {
        S = 0;
        H = 0;
        return;
    }
    S = static_cast<double>(mx - mn) / mx;
    if (mx == mn) {
        H = -1;
        return;
    }
    const double d = mx - mn;
    if (R == mx)
        H = 60.0 * ((G - B) / d);
    else if (G == mx)
        H = 60.0 * ((B - R) / d + 2);
    else
        H = 60.0 * ((R - G) / d + 4);
    if (H < 0) H += 360.0;
}

void CMYtoRGB(double C, double M, double Y, uint8_t& R, uint8_t& G, uint8_t& B)
{
    R = RoundByte((1 - Clamp(C, 0.0, 1.0)) * 255);
    G = RoundByte((1 - Clamp(M, 0.0, 1.0)) * 255);
    B = RoundByte((1 - Clamp(Y, 0.0, 1.0)) * 255);
}

void RGBtoCMY(uint8_t R, uint8_t G, uint8_t B, double& C, double& M, double& Y)
{
    C = 1 - R / 255.0;
    M = 1 - G / 255.0;
    Y = 1 - B / 255.0;
}

void CMYtoCMYK(double& C, double& M, double& Y, double& K)
{
    C = Clamp(C, 0.0, 1.0);
    M = Clamp(M, 0.0, 1.0);
    Y = Clamp(Y, 0.0, 1.0);
    K = std::min({C, M, Y});
    C -= K;
    M -= K;
    Y -= K;
}

void CMYKtoCMY(double& C, double& M, double& Y, double K)
{
    C = Clamp(C + K, 0.0, 1.0);
    M = Clamp(M + K, 0.0, 1.0);
    Y = Clamp(Y + K, 0.0, 1.0);
}

TColor WavelengthToColor(int32_t Wavelength, double Gamma)
{
    const double w = Wavelength;
    double r = 0, g = 0, b = 0;
    if (w >= 380 && w < 440) {
        r = (440 - w) / 60;
        b = 1;
    } else if (w >= 440 && w < 490) {
        g = (w - 440) / 50;
        b = 1;
    } else if (w >= 490 && w < 510) {
        g = 1;
        b = (510 - w) / 20;
    } else if (w >= 510 && w < 580) {
        r = (w - 510) / 70;
        g = 1;
    } else if (w >= 580 && w < 645) {
        r = 1;
        g = (645 - w) / 65;
    } else if (w >= 645 && w < 780) {
        r = 1;
    }
    double f = 1;
    if (w > 700)
        f = 0.3 + 0.7 * (780 - w) / 80;
    else if (w < 420)
        f = 0.3 + 0.7 * (w - 380) / 40;
    if (f < 0) f = 0;
    // A negative gamma would push components past 255; they are clipped.
    auto comp = [f, Gamma](double x) -> int {
        const double fx = f * x;
        if (fx == 0) return 0;
        return std::clamp(vcl::SatRound(255 * std::pow(fx, Gamma)), 0, 255);
    };
    return MakeRGB(comp(r), comp(g), comp(b));
}

// ---------------------------------------------------------------------------
// TColorArray

TColorArray::TColorArray(vcl::TComponent* AOwner) : vcl::TComponent(AOwner)
{
    try {
        data_.assign(1000, 0);
    } catch (const std::bad_alloc&) {
        throw EPYXColArrayError(PYX_pyxbase::OutOfMemoryMessage(GetName()));
    }
    FillByInterpolation(0, ColorArray_Rainbow);
}

TColorArray::~TColorArray() = default;

void TColorArray::Changed()
{
    if (OnChange) OnChange(this);
}

void TColorArray::SetSize(int32_t Value)
{
    if (Value > 0 && Value != GetSize()) Resize(Value);
}

TColor TColorArray::GetColorElem(int32_t i) const noexcept
{
    if (data_.empty()) return 0;
    const int32_t n = GetSize();
    i = std::clamp(i, 1, n);
    return data_[static_cast<std::size_t>(i - 1)];
}

void TColorArray::SetColorElem(int32_t i, TColor C)
{
    if (i < 1 || i > GetSize()) return;
    data_[static_cast<std::size_t>(i - 1)] = C;
    Changed();
}

bool TColorArray::Resize(int32_t N)
{
    if (N == GetSize()) return true;
    if (N < 1) return false;
    try {
        data_.resize(static_cast<std::size_t>(N), 0);
        data_.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        throw EPYXColArrayError("Component \"" + GetName() + "\": not enough memory");
    } catch (const std::length_error&) {
        throw EPYXColArrayError("Component \"" + GetName() + "\": not enough memory");
    }
    Changed();
    return true;
}

void TColorArray::FillByInterpolation(int32_t Steps, std::span<const TColor> Colors)
{
    if (Colors.empty() || data_.empty()) return;
    const int32_t n = GetSize();
    if (Colors.size() == 1) {
        std::fill(data_.begin(), data_.end(), InterpolateColor(Colors[0], Colors[0], 0));
        Changed();
        return;
    }
    const int32_t k = static_cast<int32_t>(Colors.size()) - 1;
    const double dn = n;
    for (int32_t i = 1; i <= n; ++i) {
        int32_t c = i;
        if (Steps > 0) {
            const double band = vcl::Round(i / dn * Steps);
            c = std::clamp(vcl::SatRound(band * (dn / Steps)), 1, n);
        }
        const int32_t j = std::clamp(vcl::SatTrunc(static_cast<double>(k) * (c - 1) / dn), 0, k - 1);
        const double t = static_cast<double>(k) * c / dn - j;
        data_[static_cast<std::size_t>(i - 1)] =
            InterpolateColor(Colors[static_cast<std::size_t>(j)], Colors[static_cast<std::size_t>(j + 1)], t);
    }
    Changed();
}

int32_t TColorArray::ColorToIndex(TColor C, double& Dist) const
{
    // Squared distances are compared; the square root is taken once.
    int32_t best = 1;
    double bestSq = 1.0;
    const bool special = IsSpecial(C);
    const TColor pc = special ? C : Plain(C);
    for (std::size_t i = 0; i < data_.size(); ++i) {
        const TColor e = data_[i];
        double sq;
        if (special || IsSpecial(e)) {
            sq = (e == C) ? 0.0 : 1.0;
        } else {
            const TColor pe = Plain(e);
            const double dr = Red(pe) - Red(pc), dg = Green(pe) - Green(pc), db = Blue(pe) - Blue(pc);
            sq = (dr * dr + dg * dg + db * db) / 195075.0;
        }
        if (sq < bestSq) {
            bestSq = sq;
            best = static_cast<int32_t>(i) + 1;
        }
    }
    Dist = std::sqrt(bestSq);
    return best;
}

void TColorArray::CopyFrom(const TColorArray* Source, int32_t First, int32_t Last, int32_t DestStart)
{
    if (Source == nullptr || Source->data_.empty()) return;
    const int32_t sn = Source->GetSize();
    First = std::clamp(First, 1, sn);
    Last = std::clamp(Last, 1, sn);
    if (First > Last) std::swap(First, Last);
    // Read everything first so that a copy within one array may overlap.
    std::vector<TColor> block;
    block.reserve(static_cast<std::size_t>(Last - First + 1));
    for (int32_t i = First; i <= Last; ++i) block.push_back(Source->GetColorElem(i));
    const int64_t n = GetSize();
    for (std::size_t k = 0; k < block.size(); ++k) {
        const int64_t dest = static_cast<int64_t>(DestStart) + static_cast<int64_t>(k);
        if (dest >= 1 && dest <= n) data_[static_cast<std::size_t>(dest - 1)] = block[k];
    }
    Changed();
}

} // namespace PYX_pyxcolors
