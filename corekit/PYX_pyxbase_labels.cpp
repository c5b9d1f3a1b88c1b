// Property holders of charts: the cross-hair, the date/time axis label
// settings and the free text label with its XML form.
//
// Text label XML (every line preceded by the indent):
//   <custtextlbl sig="ZERUZaraz" vers="1.0" id="...">
//     <posxy x= 1.0000000000000000E+0002 y= 1.0000000000000000E+0001 />
//     <caption>escaped text, line feeds as &#10;</caption>
//     <colors brd=$000000 bg=$C0C0C0 shdw=$808080 />
//     <shadowofs dx=0 dy=0 />
//     <layer val=1 />
//     <transparent val=0 />
//     <visible val=1 />
//     <alignment horiz=taCenter vert=vaBottom />
//     <attachmode val=tlamNone />
//     <font name="Liberation Sans" size=8 color=$FF000008 style="" />
//     <style val=tlsimple />
//   </custtextlbl>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "corekit/PYX_pyxbase.h"
#include "corekit/PYX_streams.h"
#include "corekit/PYX_stringl.h"

namespace PYX_pyxbase {

using namespace PYX_streams;

// ---------------------------------------------------------------------------
// TCrossHair

void TCrossHair::Changed()
{
    if (OnChange) OnChange(this);
}

void TCrossHair::Assign(const vcl::TPersistent* Source)
{
    const auto* src = dynamic_cast<const TCrossHair*>(Source);
    if (!src) {
        vcl::TPersistent::Assign(Source);
        return;
    }
    posX_ = src->posX_;
    posY_ = src->posY_;
    color_ = src->color_;
    layer_ = src->layer_;
    mode_ = src->mode_;
    lineType_ = src->lineType_;
    lineWid_ = src->lineWid_;
    Changed();
}

void TCrossHair::SetPosX(double v) { posX_ = v; Changed(); }
void TCrossHair::SetPosY(double v) { posY_ = v; Changed(); }
void TCrossHair::SetColor(vcl::TColor v) { color_ = v; Changed(); }
void TCrossHair::SetLayer(int32_t v) { layer_ = v < 1 ? 1 : (v > 2 ? 2 : v); Changed(); }
void TCrossHair::SetMode(TCrossHMode v) { mode_ = v; Changed(); }
void TCrossHair::SetLineType(vcl::TPenStyle v) { lineType_ = v; Changed(); }
void TCrossHair::SetLineWid(int32_t v) { lineWid_ = v; Changed(); }

// ---------------------------------------------------------------------------
// TDTLabel

void TDTLabel::Changed()
{
    if (OnChange) OnChange(this);
}

void TDTLabel::Assign(const vcl::TPersistent* Source)
{
    const auto* src = dynamic_cast<const TDTLabel*>(Source);
    if (!src) {
        vcl::TPersistent::Assign(Source);
        return;
    }
    timeFormat_ = src->timeFormat_;
    dateOrder_ = src->dateOrder_;
    dateSep_ = src->dateSep_;
    timeSep_ = src->timeSep_;
    yearLength_ = src->yearLength_;
    monthName_ = src->monthName_;
    dateForTime_ = src->dateForTime_;
    Changed();
}

// The format and the order announce every call, so that a chart redraws its
// axis even when the value was already set.
void TDTLabel::SetTimeFormat(TTimeFormat v) { timeFormat_ = v; Changed(); }
void TDTLabel::SetDateOrder(TDateOrder v) { dateOrder_ = v; Changed(); }

void TDTLabel::SetDateSeparator(char v)
{
    if (v == dateSep_) return;
    dateSep_ = v;
    Changed();
}

void TDTLabel::SetTimeSeparator(char v)
{
    if (v == timeSep_) return;
    timeSep_ = v;
    Changed();
}

void TDTLabel::SetYearLength(TYearLength v)
{
    if (v == yearLength_) return;
    yearLength_ = v;
    Changed();
}

void TDTLabel::SetMonthName(bool v)
{
    if (v == monthName_) return;
    monthName_ = v;
    Changed();
}

void TDTLabel::SetDateForTime(TDateForTime v)
{
    if (v == dateForTime_) return;
    dateForTime_ = v;
    Changed();
}

// ---------------------------------------------------------------------------
// TCustomTextLabel

TCustomTextLabel::TCustomTextLabel() : font_(std::make_unique<vcl::TFont>()) {}

TCustomTextLabel::~TCustomTextLabel() = default;

void TCustomTextLabel::Changed()
{
    if (OnChange) OnChange(this);
}

void TCustomTextLabel::Assign(const vcl::TPersistent* Source)
{
    const auto* src = dynamic_cast<const TCustomTextLabel*>(Source);
    if (!src) {
        vcl::TPersistent::Assign(Source);
        return;
    }
    if (src != this) {
        posX_ = src->posX_;
        posY_ = src->posY_;
        layer_ = src->layer_;
        shadowDx_ = src->shadowDx_;
        shadowDy_ = src->shadowDy_;
        colorShadow_ = src->colorShadow_;
        colorBkg_ = src->colorBkg_;
        colorBrd_ = src->colorBrd_;
        alignment_ = src->alignment_;
        vertAlignment_ = src->vertAlignment_;
        attachMode_ = src->attachMode_;
        transparent_ = src->transparent_;
        visible_ = src->visible_;
        mode_ = src->mode_;
        caption_ = src->caption_;
        font_->Assign(src->font_.get());
    }
    Changed();
}

void TCustomTextLabel::SetPosX(double v) { posX_ = v; Changed(); }
void TCustomTextLabel::SetPosY(double v) { posY_ = v; Changed(); }

void TCustomTextLabel::SetLayer(int32_t v)
{
    if (v < 1 || v > 16) return;
    layer_ = v;
    Changed();
}

void TCustomTextLabel::SetShadowDx(int32_t v) { shadowDx_ = v; Changed(); }
void TCustomTextLabel::SetShadowDy(int32_t v) { shadowDy_ = v; Changed(); }
void TCustomTextLabel::SetColorShadow(vcl::TColor v) { colorShadow_ = v; Changed(); }
void TCustomTextLabel::SetColorBkg(vcl::TColor v) { colorBkg_ = v; Changed(); }
void TCustomTextLabel::SetColorBrd(vcl::TColor v) { colorBrd_ = v; Changed(); }
void TCustomTextLabel::SetAlignment(vcl::TAlignment v) { alignment_ = v; Changed(); }
void TCustomTextLabel::SetVertAlignment(TVerticalAlignment v) { vertAlignment_ = v; Changed(); }
void TCustomTextLabel::SetAttachMode(TTxtLblAttachMode v) { attachMode_ = v; Changed(); }
void TCustomTextLabel::SetTransparent(bool v) { transparent_ = v; Changed(); }
void TCustomTextLabel::SetVisible(bool v) { visible_ = v; Changed(); }
void TCustomTextLabel::SetMode(TTxtLblMode v) { mode_ = v; Changed(); }

std::string TCustomTextLabel::CleanCaption(const std::string& v)
{
    std::string s = v;
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 32 && c != '\n') c = ' ';
    return s;
}

void TCustomTextLabel::SetCaption(const std::string& v)
{
    caption_ = CleanCaption(v);
    Changed();
}

void TCustomTextLabel::SetFont(const vcl::TFont& v)
{
    font_->Assign(&v);
    Changed();
}

namespace {

constexpr std::string_view kElement = "custtextlbl";

// A position in exponential notation with a four-digit exponent and enough
// digits (17 significant) to give back the same double when read.
std::string PosText(double v) { return PYX_stringl::strff(v, 25, -1); }

// Plain colours as six hexadecimal digits; colours with a high byte (system
// colours, clNone, clDefault) keep all eight so that they read back as
// themselves.
std::string ColorText(vcl::TColor c)
{
    char buf[16];
    if ((c & 0xFF000000u) != 0)
        std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(c));
    else
        std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c & 0xFFFFFFu));
    return buf;
}

// Caption text: escaped, and line feeds as character references so that the
// element stays on one line.
std::string CaptionToXML(const std::string& s)
{
    const std::string esc = XMLEscape(s);
    std::string out;
    out.reserve(esc.size());
    for (char c : esc) {
        if (c == '\n') out += "&#10;";
        else out.push_back(c);
    }
    return out;
}

std::string CaptionFromXML(const std::string& raw)
{
    // "&" itself is always written as "&amp;", so every "&#10;" in the file
    // stands for a line feed.
    std::string s;
    s.reserve(raw.size());
    for (size_t i = 0; i < raw.size();) {
        if (raw.compare(i, 5, "&#10;") == 0) {
            s.push_back('\n');
            i += 5;
        } else {
            s.push_back(raw[i++]);
        }
    }
    return XMLUnescape(s);
}

template <std::size_t N>
bool LookUp(std::string_view Attributes, std::string_view Name, const TXmlNames<N>& Names, int& Ordinal)
{
    std::string text;
    if (!XMLAttrString(Attributes, Name, text)) return false;
    const int ix = XmlNameToOrdinal(text, Names);
    if (ix < 0) return false;
    Ordinal = ix;
    return true;
}

bool AttrFlag(std::string_view Attributes, bool& Value)
{
    int32_t v = 0;
    if (!XMLAttrInt(Attributes, "val", v)) return false;
    Value = v == 1;
    return true;
}

} // namespace

void TCustomTextLabel::WriteToOpenXMLFile(vcl::TTextFile& F, bool CreateHeader, const std::string& ID,
                                          int32_t Indent)
{
    const std::optional<int> ind = Indent;
    WriteXMLObjectStart(F, CreateHeader, kElement, "TCustomTextLabel", ID, {}, ind);
    WriteXMLLine(F, "  <posxy x=" + PosText(posX_) + " y=" + PosText(posY_) + " />", ind);
    WriteXMLLine(F, "  <caption>" + CaptionToXML(caption_) + "</caption>", ind);
    WriteXMLLine(F, "  <colors brd=$" + ColorText(colorBrd_) + " bg=$" + ColorText(colorBkg_) + " shdw=$" +
                        ColorText(colorShadow_) + " />", ind);
    WriteXMLLine(F, "  <shadowofs dx=" + std::to_string(shadowDx_) + " dy=" + std::to_string(shadowDy_) + " />",
                 ind);
    WriteXMLLine(F, "  <layer val=" + std::to_string(layer_) + " />", ind);
    WriteXMLLine(F, std::string("  <transparent val=") + (transparent_ ? "1" : "0") + " />", ind);
    WriteXMLLine(F, std::string("  <visible val=") + (visible_ ? "1" : "0") + " />", ind);
    const auto name = [](const auto& table, int ix) {
        return ix >= 0 && static_cast<size_t>(ix) < table.size() ? std::string(table[static_cast<size_t>(ix)])
                                                                  : std::string();
    };
    WriteXMLLine(F, "  <alignment horiz=" + name(xmlAlignment, alignment_) +
                        " vert=" + name(xmlVerticalAlignment, vertAlignment_) + " />", ind);
    WriteXMLLine(F, "  <attachmode val=" + name(xmlTxtLblAttachMode, attachMode_) + " />", ind);
    std::string styles;
    const vcl::TFontStyles fs = font_->GetStyle();
    for (int s = 0; s < 4; ++s) {
        if (!fs.Contains(static_cast<vcl::TFontStyle>(s))) continue;
        if (!styles.empty()) styles += ' ';
        styles += xmlFontStyle[static_cast<size_t>(s)];
    }
    WriteXMLLine(F, "  <font name=\"" + XMLEscape(font_->GetName()) + "\" size=" + std::to_string(font_->GetSize()) +
                        " color=$" + ColorText(font_->GetColor()) + " style=\"" + styles + "\" />", ind);
    WriteXMLLine(F, "  <style val=" + name(xmlTxtLblMode, mode_) + " />", ind);
    WriteXMLObjectEnd(F, kElement, ind);
}

bool TCustomTextLabel::ReadFromOpenXMLFile(vcl::TTextFile& F, const std::string& ID)
{
    static constexpr std::string_view kTags[] = {"posxy",   "colors",     "shadowofs", "layer",
                                                 "transparent", "visible", "alignment", "attachmode",
                                                 "font",    "style",      "caption",   "/custtextlbl",
                                                 "dummy"};
    if (!FindXMLObjectStart(F, kElement, ID)) return false;
    // The values are collected in a copy and taken over only when the whole
    // object was read, so that a cut-off file leaves the label as it was.
    TCustomTextLabel tmp;
    tmp.Assign(this);
    const auto onTag = [&tmp](int TagIndex, const std::string& Content, const std::string& Attributes) {
        int ord = 0;
        switch (TagIndex) {
        case 0:
            XMLAttrFloat(Attributes, "x", tmp.posX_);
            XMLAttrFloat(Attributes, "y", tmp.posY_);
            break;
        case 1:
            XMLAttrHex(Attributes, "brd", tmp.colorBrd_);
            XMLAttrHex(Attributes, "bg", tmp.colorBkg_);
            XMLAttrHex(Attributes, "shdw", tmp.colorShadow_);
            break;
        case 2:
            XMLAttrInt(Attributes, "dx", tmp.shadowDx_);
            XMLAttrInt(Attributes, "dy", tmp.shadowDy_);
            break;
        case 3: {
            int32_t v = 0;
            // The setter's range applies: a layer outside 1..16 is ignored.
            if (XMLAttrInt(Attributes, "val", v) && v >= 1 && v <= 16) tmp.layer_ = v;
            break;
        }
        case 4: AttrFlag(Attributes, tmp.transparent_); break;
        case 5: AttrFlag(Attributes, tmp.visible_); break;
        case 6:
            if (LookUp(Attributes, "horiz", xmlAlignment, ord)) tmp.alignment_ = static_cast<vcl::TAlignment>(ord);
            if (LookUp(Attributes, "vert", xmlVerticalAlignment, ord))
                tmp.vertAlignment_ = static_cast<TVerticalAlignment>(ord);
            break;
        case 7:
            if (LookUp(Attributes, "val", xmlTxtLblAttachMode, ord))
                tmp.attachMode_ = static_cast<TTxtLblAttachMode>(ord);
            break;
        case 8: {
            std::string text;
            if (XMLAttrString(Attributes, "name", text) && !text.empty()) tmp.font_->SetName(text);
            int32_t size = 0;
            if (XMLAttrInt(Attributes, "size", size) && size > 0) tmp.font_->SetSize(size);
            uint32_t color = 0;
            if (XMLAttrHex(Attributes, "color", color)) tmp.font_->SetColor(color);
            // An empty style list is written as "" and reads as absent:
            // present or not, the list names the whole set.
            text.clear();
            XMLAttrString(Attributes, "style", text);
            vcl::TFontStyles fs;
            for (size_t i = 0; i < text.size();) {
                const size_t end = std::min(text.find(' ', i), text.size());
                if (const int s = XmlNameToOrdinal(std::string_view(text).substr(i, end - i), xmlFontStyle); s >= 0)
                    fs.Include(static_cast<vcl::TFontStyle>(s));
                i = end + 1;
            }
            tmp.font_->SetStyle(fs);
            break;
        }
        case 9:
            if (LookUp(Attributes, "val", xmlTxtLblMode, ord)) tmp.mode_ = static_cast<TTxtLblMode>(ord);
            break;
        case 10: tmp.caption_ = CleanCaption(CaptionFromXML(Content)); break;
        default: break;
        }
    };
    if (!ReadXMLObjectBody(F, kElement, kTags, onTag)) return false;
    Assign(&tmp); // fires OnChange once
    return true;
}

} // namespace PYX_pyxbase
