// Colours: conversions between colour models, blending and distance, the
// colour of a light wavelength, the table of the platform's named colours,
// four predefined colour scales, and TColorArray, a colour lookup table that
// is filled by interpolation and kept in a small text file.
//
// Colours are the platform's 32-bit values (0x00BBGGRR). The routines resolve
// a system colour reference (0x80000000 | index) through vcl::ColorToRGB
// before computing, and every colour they compute has a zero top byte. The
// two special values clNone and clDefault carry no components: single-colour
// routines return them unchanged, blends pick the nearer end, and a distance
// involving them is 0 to the same value and 1 to anything else.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "corekit/PYX_pyxbase.h"
#include "vcl/Classes.h"
#include "vcl/GraphicsTypes.h"

namespace PYX_pyxcolors {

using vcl::TColor;

class EPYXColArrayError : public PYX_pyxbase::EPYXError {
public:
    using PYX_pyxbase::EPYXError::EPYXError;
};

// The platform's 47 named colours in the order of their names.
extern const std::array<TColor, 47> PredefinedColors;

// Colour scales.
extern const std::array<TColor, 11> ColorArray_Rainbow;
extern const std::array<TColor, 11> ColorArray_Geo1;
extern const std::array<TColor, 11> ColorArray_Geo2;
extern const std::array<TColor, 7> ColorArray_Circle; // red, yellow, green, cyan, blue, magenta, red

// ---------------------------------------------------------------------------
// Colour routines. Components R, G, B are 0..255.

// T is clamped to 0..1; each component trunc(c1 + (c2 - c1) * T).
TColor InterpolateColor(TColor C1, TColor C2, double T);
// T is clamped to 0..1; the first half blends C1 to C2, the second C2 to C3.
TColor Interpolate3Colors(TColor C1, TColor C2, TColor C3, double T);
// Red and blue exchanged.
TColor ReverseRGBColor(TColor C);
// Each component inverted, with red and blue exchanged.
TColor InvertColor(TColor C);
// sqrt((dR^2 + dG^2 + dB^2) / 195075), 0..1.
double RGBColorDistance(TColor C1, TColor C2);
// round(0.3 R + 0.59 G + 0.11 B), halves to even.
int32_t RGBtoGray(uint8_t R, uint8_t G, uint8_t B);
TColor RGBtoGrayColor(uint8_t R, uint8_t G, uint8_t B);
TColor ColorToGrayColor(TColor C);
// Components drawn uniformly with the shared random generator; a range whose
// minimum exceeds its maximum is taken in ascending order.
TColor RandomColor();
TColor RandomColor(uint8_t RMin, uint8_t RMax, uint8_t GMin, uint8_t GMax, uint8_t BMin, uint8_t BMax);

// Hue (degrees, 0..<360; other values count as 0), saturation and intensity
// (0..1, clamped) to RGB, and back. RGBtoHSI gives H = -1 for a grey.
void HSItoRGB(double H, double S, double I, uint8_t& R, uint8_t& G, uint8_t& B);
void RGBtoHSI(uint8_t R, uint8_t G, uint8_t B, double& H, double& S, double& I);
// Cyan, magenta, yellow in 0..1.
void CMYtoRGB(double C, double M, double Y, uint8_t& R, uint8_t& G, uint8_t& B);
void RGBtoCMY(uint8_t R, uint8_t G, uint8_t B, double& C, double& M, double& Y);
void CMYtoCMYK(double& C, double& M, double& Y, double& K);
void CMYKtoCMY(double& C, double& M, double& Y, double K);

// The visible colour of light of the given wavelength (nm), with the given
// gamma; black outside 380..779 nm. Components are kept within 0..255.
TColor WavelengthToColor(int32_t Wavelength, double Gamma);

// ---------------------------------------------------------------------------
// A colour scale: Size colours addressed 1..Size.
class TColorArray : public vcl::TComponent {
public:
    // Files declaring more entries than this are refused by LoadFromFile.
    static constexpr int32_t MaxFileEntries = 16 * 1024 * 1024;

    explicit TColorArray(vcl::TComponent* AOwner);
    ~TColorArray() override;

    int32_t GetSize() const noexcept { return static_cast<int32_t>(data_.size()); }
    // A positive different value resizes the array.
    void SetSize(int32_t Value);

    // Element i; an index below 1 reads element 1, above Size element Size.
    TColor GetColorElem(int32_t i) const noexcept;
    // Stores for i in 1..Size and fires OnChange; other indices are ignored.
    void SetColorElem(int32_t i, TColor C);

    // True without change when N equals Size, false for N below 1; otherwise
    // keeps elements 1..min(old, N), new elements black, fires OnChange.
    // Raises EPYXColArrayError when the storage cannot be allocated.
    bool Resize(int32_t N);

    // Fills the array by interpolating along Colors; Steps > 0 quantises the
    // scale into that many bands. One colour fills the array with it; an empty
    // list changes nothing.
    void FillByInterpolation(int32_t Steps, std::span<const TColor> Colors);

    // The index of the element nearest to C (the first on equal distances) and
    // its distance. When no element lies closer than 1.0 the result is 1 with
    // Dist 1.0.
    int32_t ColorToIndex(TColor C, double& Dist) const;

    // Copies elements First..Last of Source (clamped to Source's range, in
    // ascending order) to this array from DestStart on. Elements that would
    // land outside 1..Size are not copied.
    void CopyFrom(const TColorArray* Source, int32_t First, int32_t Last, int32_t DestStart);

    // The colour file: a line "first last", then one line of eight upper-case
    // hexadecimal digits per element, CR LF line ends. StoreOnFile is true when
    // the whole file was written.
    bool StoreOnFile(int32_t First, int32_t Last, const std::string& FileName) const;
    // Reads a colour file. With AdjustSize the array is first resized to the
    // file's last index. The result is false, with no element changed, when
    // the header is malformed, out of order, below 1 or above MaxFileEntries,
    // or the array is smaller than the last index; a file that ends early
    // gives false with the elements read so far stored.
    bool LoadFromFile(const std::string& FileName, bool AdjustSize);

    vcl::TNotifyEvent OnChange;

protected:
    void Changed();

private:
    std::vector<TColor> data_;
};

} // namespace PYX_pyxcolors
