// Shared enumerations, array and callback types, the exception base, the
// names written into XML files for enumeration values, calendar and language
// tables, the HTML Latin-1 entity table and the process-wide variables.
//
// Enumerations are plain (unscoped) enumerations of one byte: their values
// carry a prefix of their type already (fsRaised, lgGerman), and they index
// the tables directly: xmlFrameStyle[fsRaised] is "fsRaised".
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vcl/Classes.h"
#include "vcl/Cp1252.h"
#include "vcl/Fonts.h"
#include "vcl/Graphics.h"
#include "vcl/GraphicsTypes.h"
#include "vcl/System.h"
#include "vcl/TextFile.h"
#include "vcl/Types.h"

namespace PYX_pyxbase {

// ---------------------------------------------------------------------------
// Enumerations
enum TBkgFill : uint8_t { bfSimple, bfStretch, bfTile };
enum TBoundingBox : uint8_t { bbNone, bbFrame, bbFaces };
enum TColorScheme : uint8_t { csBWG, csSystem };
enum TDecPSep : uint8_t { dsSystem, dsDot, dsComma, dsBoth };
enum TFigType : uint8_t { ftNoFigs, ftNum, ftTime, ftDateTime, ftUserText };
enum TScaleType : uint8_t { sctXB, sctXT, sctYL, sctYR };
enum TVerticalAlignment : uint8_t { vaTop, vaCenter, vaBottom };
enum TYearLength : uint8_t { ylNone, ylYY, ylYYYY };
enum TDateOrder : uint8_t { doMMDDYY, doDDMMYY, doYYMMDD };
enum TDateForTime : uint8_t { dtNone, dtOnePerChart, dtOnePerDay, dtAllTicks };
enum TShadowStyle : uint8_t { ssFlying, ssBox };
enum TFrameStyle : uint8_t { fsNone, fsSimple, fsLowered, fsRaised, fsEmbossed, fsEngraved };
enum TTimeFormat : uint8_t { tfHHMMSS, tfHHhMM, tfAMPM };
enum TDirection : uint8_t { dirUpward, dirDownward, dirLeftward, dirRightward };
enum TOrientation : uint8_t { orVert, orHoriz };
enum TCrossHMode : uint8_t { chOff, chHoriz, chVert, chBoth };
enum TTxtLblAttachMode : uint8_t { tlamNone, tlamXOnly, tlamYOnly, tlamBoth };
enum TTxtLblMode : uint8_t { tlOff, tlsimple, tlBox, tlUnderline, tlShadow };
enum TDegreeFormat : uint8_t { dfDeg, dfDegMin, dfDegMinSec, dfNumeric };
enum TLanguage : uint8_t { lgUnknown, lgEnglish, lgGerman, lgFrench, lgSpanish };
enum TVarKind : uint8_t { rnum, dnum, snum, inum, lnum, Bool, strg };
enum TMouseBoxState : uint8_t { msNormal, msFirstCorner, msRectDraw, msFinished };
enum TMouseActMode : uint8_t {
    maNone, maPan, maPanHoriz, maPanVert, maRubberBand, maZoom, maZoomWind, maZoomWindPos,
    maZoomDrag, maDragCrossH, maDragLabel, maRotate, maRotAndZoom, maRotXOnly, maRotZOnly
};
enum TZoomState : uint8_t { zsNormal, zsDrawWin };

// ---------------------------------------------------------------------------
// XML names of enumeration values, indexed by the enumeration. A name read
// back maps to the first entry that equals it exactly (see XmlNameToOrdinal).
template <std::size_t N>
using TXmlNames = std::array<std::string_view, N>;

inline constexpr TXmlNames<3> xmlVerticalAlignment = {"vaTop", "vaCenter", "vaBottom"};
inline constexpr TXmlNames<3> xmlAlignment = {"taLeftJustify", "taRightJustify", "taCenter"};
inline constexpr TXmlNames<3> xmlBkgFill = {"bfSimple", "bfStretch", "bfTile"};
inline constexpr TXmlNames<3> xmlBoundingBox = {"bbNone", "bbFrame", "bbFaces"};
inline constexpr TXmlNames<2> xmlColorScheme = {"csBWG", "csSystem"};
inline constexpr TXmlNames<5> xmlFigType = {"ftNoFigs", "ftNum", "ftTime", "ftDateTime", "ftUserText"};
inline constexpr TXmlNames<4> xmlScaleType = {"sctXB", "sctXT", "sctYL", "sctYR"};
inline constexpr TXmlNames<3> xmlYearLength = {"ylNone", "ylYY", "ylYYYY"};
inline constexpr TXmlNames<3> xmlDateOrder = {"doMMDDYY", "doDDMMYY", "doYYMMDD"};
inline constexpr TXmlNames<4> xmlDateForTime = {"dtNone", "dtOnePerChart", "dtOnePerDay", "dtAllTicks"};
inline constexpr TXmlNames<2> xmlShadowStyle = {"ssFlying", "ssBox"};
inline constexpr TXmlNames<6> xmlFrameStyle = {"fsNone", "fsSimple", "fsLowered", "fsRaised", "fsEmbossed", "fsEngraved"};
inline constexpr TXmlNames<3> xmlTimeFormat = {"tfHHMMSS", "tfHHhMM", "tfAMPM"};
inline constexpr TXmlNames<4> xmlDirection = {"dirUpward", "dirDownward", "dirLeftward", "dirRightward"};
inline constexpr TXmlNames<5> xmlLanguage = {"lgUnknown", "lgEnglish", "lgGerman", "lgFrench", "lgSpanish"};
inline constexpr TXmlNames<7> xmlVarKind = {"rnum", "dnum", "snum", "inum", "lnum", "bool", "strg"};
inline constexpr TXmlNames<4> xmlMouseBoxState = {"msNormal", "msFirstCorner", "msRectDraw", "msFinished"};
inline constexpr TXmlNames<15> xmlMouseActMode = {
    "maNone", "maPan", "maPanHoriz", "maPanVert", "maRubberBand", "maZoom", "maZoomWind", "maZoomWindPos",
    "maZoomDrag", "maDragCrossH", "maDragLabel", "maRotate", "maRotAndZoom", "maRotXOnly", "maRotZOnly"};
inline constexpr TXmlNames<2> xmlZoomState = {"zsNormal", "zsDrawWin"};
inline constexpr TXmlNames<4> xmlCrossHMode = {"chOff", "chHoriz", "chVert", "chBoth"};
inline constexpr TXmlNames<5> xmlTxtLblMode = {"tlOff", "tlsimple", "tlBox", "tlUnderline", "tlShadow"};
inline constexpr TXmlNames<4> xmlTxtLblAttachMode = {"tlamNone", "tlamXOnly", "tlamYOnly", "tlamBoth"};
inline constexpr TXmlNames<4> xmlFontStyle = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

// The ordinal of the first entry of Names equal to Text (case-sensitive), or -1.
template <std::size_t N>
constexpr int XmlNameToOrdinal(std::string_view Text, const TXmlNames<N>& Names) noexcept
{
    for (std::size_t i = 0; i < N; ++i)
        if (Names[i] == Text) return static_cast<int>(i);
    return -1;
}

// ---------------------------------------------------------------------------
// Shared array and record types
using TDoubleArray = std::vector<double>;
using TBytes = std::vector<uint8_t>;

struct TPDbl {
    double X = 0;
    double Y = 0;
    friend bool operator==(const TPDbl&, const TPDbl&) = default;
};
static_assert(sizeof(TPDbl) == 16);
using TPDblArray = std::vector<TPDbl>;

struct TRectDouble {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
    friend bool operator==(const TRectDouble&, const TRectDouble&) = default;
};

// ---------------------------------------------------------------------------
// Callback types. Sender is the object that fires the event; an empty
// function is an unset event and is not called.
using TOnPercentDoneEvent = std::function<void(vcl::TObject* Sender, int32_t PercentDone)>;
using TSortExchgEvent = std::function<void(vcl::TObject* Sender, uint8_t ExchgWhat, int32_t index1,
                                           int32_t index2, int32_t first, int32_t last)>;
using TRubberBandEvent = std::function<void(vcl::TObject* Sender, int32_t Layer, double LoX, double LoY,
                                            double HiX, double HiY)>;
using TZoomPanEvent = std::function<void(vcl::TObject* Sender)>;

// ---------------------------------------------------------------------------
// Calendar and language tables. Texts are Windows-1252 bytes of at most
// Capacity characters (checked at compile time). The second index counts from
// First (months from 1, days from 1 with Monday as day 1, numbers from 0); a
// read outside the range gives the empty string.
template <std::size_t Capacity, int First, std::size_t Count>
class TLangRow {
public:
    constexpr TLangRow(std::array<std::string_view, Count> texts) : texts_(texts)
    {
        for (std::string_view t : texts_)
            if (t.size() > Capacity) throw "language table entry exceeds its capacity";
    }
    constexpr std::string_view operator[](int i) const noexcept
    {
        return (i < First || i >= First + static_cast<int>(Count)) ? std::string_view() : texts_[i - First];
    }
    static constexpr std::size_t capacity() noexcept { return Capacity; }

private:
    std::array<std::string_view, Count> texts_;
};

template <std::size_t Capacity, int First, std::size_t Count>
using TLangTable = std::array<TLangRow<Capacity, First, Count>, 5>;

extern const TLangTable<4, 1, 12> MonthShort;
extern const TLangTable<10, 1, 12> MonthLong;
extern const TLangTable<3, 1, 7> WeekDayShort;
extern const TLangTable<10, 1, 7> WeekDayLong;
extern const TLangTable<6, 0, 13> NumWords;
// LanguageID[language of the text][language named]
extern const TLangTable<15, 0, 5> LanguageID;
extern const std::array<std::string_view, 5> ISO639_2Char; // capacity 2
extern const std::array<std::string_view, 5> ISO639_3Char; // capacity 3

// HTML 4 Latin-1 character entity references for the codes 160..255,
// with ampersand and semicolon; other codes give the empty string.
class THTMLLat1Entities {
public:
    std::string_view operator[](int code) const noexcept;
};
extern const THTMLLat1Entities HTMLLat1Entities;

// ---------------------------------------------------------------------------
// Process-wide variables.
//
// ProcStat is a heartbeat: long computations add one per outer iteration and
// an application may poll it from a timer. Relaxed atomic increments that wrap.
extern std::atomic<int32_t> ProcStat;

// Slots exported for the numeric package: a progress callback and a stop
// request. Nothing in the four packages reads them.
using TMathFeedBackProc = void (*)(int32_t Progress);
extern std::atomic<TMathFeedBackProc> MathFeedBackProc;
extern std::atomic<intptr_t> AbortMathProc;

// Adds one to ProcStat.
inline void IncProcStat() noexcept { ProcStat.fetch_add(1, std::memory_order_relaxed); }

// ---------------------------------------------------------------------------
// The exception base of the libraries. Each module that raises errors of its
// own declares a subclass; they carry only their message.
class EPYXError : public vcl::Exception {
public:
    using vcl::Exception::Exception;
};

// The message of a component that cannot obtain memory for its storage:
// Component "NAME": not enough memory on heap
std::string OutOfMemoryMessage(const std::string& ComponentName);

// ===========================================================================
// Drawing routines and labels: frames, data marks, bitmap printing, and the
// property holders of charts (cross-hair, date/time axis labels, text label).
// ===========================================================================

// A frame of Style on the rectangle. fsNone and unknown styles draw nothing;
// fsSimple draws DrawRectangle in LineColor; the other styles draw an outer
// and an inner ring, each as a top-left and a bottom-right half in their own
// colours (controls pass white, silver, grey and black for the four shades).
// The pen colour is left at the last colour used.
void DrawFrame(vcl::TCanvas& Canvas, TFrameStyle Style, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom,
               vcl::TColor Highlight, vcl::TColor Light, vcl::TColor Shadow, vcl::TColor DarkShadow,
               vcl::TColor LineColor);
// The outline through all four corners (corners included) with the pen.
void DrawRectangle(vcl::TCanvas& Canvas, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom);

// Draws data mark Mark centred on (X, Y) in the pen colour. Marks 0..51 are
// figures (small ones from 7 x 7 pixel patterns on screen, with lines on a
// printer canvas); 52..255 draw the character of that code in the canvas's
// font, centred. The brush colour is restored; outline figures leave the
// brush style solid; character marks restore brush style and font colour.
void DrawMarkOnCanvas(vcl::TCanvas& Canvas, uint8_t Mark, int32_t X, int32_t Y);
// The number of marks drawn as figures; higher numbers are characters.
inline constexpr int NumDrawnMarks = 52;

// A new bitmap of (2 Size + 7) pixels square (Size clamped to 0..255) filled
// with BkgColor, with the mark in MarkColor at its centre (Size + 3, Size + 3).
std::unique_ptr<vcl::TBitmap> CreateMarkAsBitmap(uint8_t Mark, vcl::TColor MarkColor, vcl::TColor BkgColor,
                                                 int32_t Size);

// Copies the bitmap 1:1 onto the process-wide printer's page at (X, Y). A
// printer without a running job raises its own error (no job is started).
void PrintBitmap(const vcl::TBitmap& Bitmap, int32_t X, int32_t Y);

// ---------------------------------------------------------------------------
// The cross-hair of a chart. Every setter stores and fires OnChange; Layer is
// clamped to 1..2.
class TCrossHair : public vcl::TPersistent {
public:
    void Assign(const vcl::TPersistent* Source) override;

    double GetPosX() const noexcept { return posX_; }
    void SetPosX(double v);
    double GetPosY() const noexcept { return posY_; }
    void SetPosY(double v);
    vcl::TColor GetColor() const noexcept { return color_; }
    void SetColor(vcl::TColor v);
    int32_t GetLayer() const noexcept { return layer_; }
    void SetLayer(int32_t v);
    TCrossHMode GetMode() const noexcept { return mode_; }
    void SetMode(TCrossHMode v);
    vcl::TPenStyle GetLineType() const noexcept { return lineType_; }
    void SetLineType(vcl::TPenStyle v);
    int32_t GetLineWid() const noexcept { return lineWid_; }
    void SetLineWid(int32_t v);

    vcl::TNotifyEvent OnChange;

private:
    void Changed();
    double posX_ = 0;
    double posY_ = 0;
    vcl::TColor color_ = 0;
    int32_t layer_ = 0;
    TCrossHMode mode_ = chOff;
    vcl::TPenStyle lineType_ = vcl::psSolid;
    int32_t lineWid_ = 0;
};

// The settings of date and time axis labels. TimeFormat and DateOrder fire
// OnChange on every call; the other setters only when the value changes.
class TDTLabel : public vcl::TPersistent {
public:
    void Assign(const vcl::TPersistent* Source) override;

    TTimeFormat GetTimeFormat() const noexcept { return timeFormat_; }
    void SetTimeFormat(TTimeFormat v);
    TDateOrder GetDateOrder() const noexcept { return dateOrder_; }
    void SetDateOrder(TDateOrder v);
    char GetDateSeparator() const noexcept { return dateSep_; }
    void SetDateSeparator(char v);
    char GetTimeSeparator() const noexcept { return timeSep_; }
    void SetTimeSeparator(char v);
    TYearLength GetYearLength() const noexcept { return yearLength_; }
    void SetYearLength(TYearLength v);
    bool GetMonthName() const noexcept { return monthName_; }
    void SetMonthName(bool v);
    TDateForTime GetDateForTime() const noexcept { return dateForTime_; }
    void SetDateForTime(TDateForTime v);

    vcl::TNotifyEvent OnChange;

private:
    void Changed();
    TTimeFormat timeFormat_ = tfHHMMSS;
    TDateOrder dateOrder_ = doMMDDYY;
    char dateSep_ = 0;
    char timeSep_ = 0;
    TYearLength yearLength_ = ylNone;
    bool monthName_ = false;
    TDateForTime dateForTime_ = dtNone;
};

// A free text label of a chart, with its own font. Every setter stores and
// fires OnChange (Layer only when it stores: values outside 1..16 are
// ignored). The caption keeps line feeds; other control characters become
// blanks.
class TCustomTextLabel : public vcl::TPersistent {
public:
    TCustomTextLabel();
    ~TCustomTextLabel() override;
    TCustomTextLabel(const TCustomTextLabel&) = delete;
    TCustomTextLabel& operator=(const TCustomTextLabel&) = delete;

    // Copies every property (the font's attributes too); fires OnChange once.
    void Assign(const vcl::TPersistent* Source) override;

    double GetPosX() const noexcept { return posX_; }
    void SetPosX(double v);
    double GetPosY() const noexcept { return posY_; }
    void SetPosY(double v);
    int32_t GetLayer() const noexcept { return layer_; }
    void SetLayer(int32_t v);
    int32_t GetShadowDx() const noexcept { return shadowDx_; }
    void SetShadowDx(int32_t v);
    int32_t GetShadowDy() const noexcept { return shadowDy_; }
    void SetShadowDy(int32_t v);
    vcl::TColor GetColorShadow() const noexcept { return colorShadow_; }
    void SetColorShadow(vcl::TColor v);
    vcl::TColor GetColorBkg() const noexcept { return colorBkg_; }
    void SetColorBkg(vcl::TColor v);
    vcl::TColor GetColorBrd() const noexcept { return colorBrd_; }
    void SetColorBrd(vcl::TColor v);
    vcl::TAlignment GetAlignment() const noexcept { return alignment_; }
    void SetAlignment(vcl::TAlignment v);
    TVerticalAlignment GetVertAlignment() const noexcept { return vertAlignment_; }
    void SetVertAlignment(TVerticalAlignment v);
    TTxtLblAttachMode GetAttachMode() const noexcept { return attachMode_; }
    void SetAttachMode(TTxtLblAttachMode v);
    bool GetTransparent() const noexcept { return transparent_; }
    void SetTransparent(bool v);
    bool GetVisible() const noexcept { return visible_; }
    void SetVisible(bool v);
    TTxtLblMode GetMode() const noexcept { return mode_; }
    void SetMode(TTxtLblMode v);
    const std::string& GetCaption() const noexcept { return caption_; }
    void SetCaption(const std::string& v);
    // The label's own font; SetFont copies the attributes of the given one.
    const vcl::TFont& GetFont() const noexcept { return *font_; }
    void SetFont(const vcl::TFont& v);

    // Writes the label as an XML object ("custtextlbl") into an open text
    // file; every line is preceded by Indent blanks (one when Indent <= 0).
    // Texts are escaped; positions keep 17 significant digits, and colours
    // whose high byte is set (system colours) are written with 8 digits.
    void WriteToOpenXMLFile(vcl::TTextFile& F, bool CreateHeader, const std::string& ID, int32_t Indent);
    // Reads the label with the given ID (any ID when empty) from the file's
    // position. Values pass the setters' checks; OnChange fires once. False,
    // without OnChange, when no such label is found or the file ends inside it.
    bool ReadFromOpenXMLFile(vcl::TTextFile& F, const std::string& ID);

    vcl::TNotifyEvent OnChange;

private:
    void Changed();
    static std::string CleanCaption(const std::string& v);
    double posX_ = 100.0;
    double posY_ = 10.0;
    int32_t layer_ = 1;
    int32_t shadowDx_ = 0;
    int32_t shadowDy_ = 0;
    vcl::TColor colorShadow_ = 0x808080;
    vcl::TColor colorBkg_ = 0xC0C0C0;
    vcl::TColor colorBrd_ = 0;
    vcl::TAlignment alignment_ = vcl::taCenter;
    TVerticalAlignment vertAlignment_ = vaBottom;
    TTxtLblAttachMode attachMode_ = tlamNone;
    bool transparent_ = false;
    bool visible_ = true;
    TTxtLblMode mode_ = tlsimple;
    std::string caption_;
    std::unique_ptr<vcl::TFont> font_;
};
} // namespace PYX_pyxbase
