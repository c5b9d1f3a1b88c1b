// XML forms of the string array and the associative array.
//
// String array (text file):
//   <strarray sig="ZERUZaraz" vers="1.0" id="..." cols="3" rows="20">
//    <colattr c="2" val="7"></colattr>
//    <rowattr r="5" val="1"></rowattr>
//    <cell c="0" r="1">text</cell>
//   </strarray>
// Associative array (stream):
//   <assocarray sig="ZERUZaraz" vers="1.0" id="..." ignorecase="1" dataid="...">
//    <item key="name" type="s">value</item>
//   </assocarray>
// Item types: e empty, n null, i integer, d double, c currency (in
// ten-thousandths), s string, t date (days), b boolean (0/1).
#include <charconv>
#include <cmath>
#include <cstring>

#include "corekit/PYX_dstruct.h"
#include "corekit/PYX_streams.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

namespace PYX_dstruct {

using namespace PYX_streams;

namespace {

// Tables read from files are limited so that a damaged or hostile file
// cannot demand an absurd allocation.
constexpr int64_t kMaxXMLCells = int64_t{1} << 26;

std::string DoubleText(double d)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, res.ptr);
}

bool ParseDouble(std::string_view s, double& v)
{
    if (s == "inf") { v = HUGE_VAL; return true; }
    if (s == "-inf") { v = -HUGE_VAL; return true; }
    auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    return res.ec == std::errc() && res.ptr == s.data() + s.size();
}

bool ParseInt64(std::string_view s, int64_t& v)
{
    auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    return res.ec == std::errc() && res.ptr == s.data() + s.size();
}

} // namespace

// ---------------------------------------------------------------------------
// TStringArray

void TStringArray::WriteToOpenXMLFile(vcl::TTextFile& F, bool CreateHeader, const std::string& DataID)
{
    WriteXMLObjectStart(F, CreateHeader, "strarray", "TStringArray", DataID,
                        XMLAttr("cols", std::to_string(cols_)) + XMLAttr("rows", std::to_string(rows_)));
    for (int32_t c = 1; c <= cols_; ++c)
        if (GetColAttrib(c) != 0)
            WriteXMLLine(F, "<colattr" + XMLAttr("c", std::to_string(c)) + XMLAttr("val", std::to_string(GetColAttrib(c))) +
                                "></colattr>", 1);
    for (int32_t r = 1; r <= rows_; ++r) {
        if (GetRowAttrib(r) != 0)
            WriteXMLLine(F, "<rowattr" + XMLAttr("r", std::to_string(r)) + XMLAttr("val", std::to_string(GetRowAttrib(r))) +
                                "></rowattr>", 1);
        for (int32_t c = 0; c <= cols_; ++c) {
            std::string_view t = CellText(c, r);
            if (t.empty()) continue;
            WriteXMLLine(F, "<cell" + XMLAttr("c", std::to_string(c)) + XMLAttr("r", std::to_string(r)) + ">" +
                                XMLEscape(t) + "</cell>", 1);
        }
    }
    WriteXMLObjectEnd(F, "strarray");
}

bool TStringArray::ReadFromOpenXMLFile(vcl::TTextFile& F, const std::string& DataID)
{
    std::string attrs;
    if (!FindXMLObjectStart(F, "strarray", DataID, &attrs)) return false;
    int32_t cols = 1, rows = 1;
    XMLAttrInt(attrs, "cols", cols);
    XMLAttrInt(attrs, "rows", rows);
    if (cols < 1 || rows < 1 || (int64_t{cols} + 1) * rows > kMaxXMLCells) return false;
    // Start from an empty table of the stated size.
    if (!Resize(cols, rows)) return false;
    std::fill(handles_.begin(), handles_.end(), 0);
    std::fill(rowAttr_.begin(), rowAttr_.end(), 0);
    std::fill(colAttr_.begin(), colAttr_.end(), 0);
    ResetOrder();
    ResetPool();
    static constexpr std::string_view tags[] = {"cell", "rowattr", "colattr", "/strarray", "dummy"};
    const bool ok = ReadXMLObjectBody(F, "strarray", tags, [&](int ix, const std::string& content, const std::string& a) {
        int32_t c = -1, r = -1, val = 0;
        switch (ix) {
        case 0:
            if (XMLAttrInt(a, "c", c) && XMLAttrInt(a, "r", r) && c >= 0 && c <= cols_ && r >= 1 && r <= rows_)
                StoreText(c, r, XMLUnescape(content));
            break;
        case 1:
            if (XMLAttrInt(a, "r", r) && XMLAttrInt(a, "val", val) && r >= 1 && r <= rows_)
                rowAttr_[static_cast<std::size_t>(r - 1)] = static_cast<uint8_t>(val);
            break;
        case 2:
            if (XMLAttrInt(a, "c", c) && XMLAttrInt(a, "val", val) && c >= 1 && c <= cols_)
                colAttr_[static_cast<std::size_t>(c)] = static_cast<uint8_t>(val);
            break;
        default: break;
        }
    });
    Changed();
    return ok;
}

bool TStringArray::LoadFromXMLFile(const std::string& FileName, const std::string& DataID)
{
    return PYX_streams::LoadFromXMLFile(FileName, [&](vcl::TTextFile& F) { return ReadFromOpenXMLFile(F, DataID); });
}

void TStringArray::SaveAsXMLFile(const std::string& FileName, const std::string& DataID)
{
    PYX_streams::SaveAsXMLFile(FileName, [&](vcl::TTextFile& F) { WriteToOpenXMLFile(F, true, DataID); });
}

// ---------------------------------------------------------------------------
// TAssocArray

void TAssocArray::WriteToXMLStream(vcl::TStream& Stream, bool WithHeader, const std::string& DataID)
{
    std::string out;
    if (WithHeader) out += "<?xml version=\"1.0\"?>\r\n";
    out += "\r\n<!-- TAssocArray / PYX Component Suite -->\r\n";
    out += "<assocarray sig=\"ZERUZaraz\" vers=\"1.0\" id=\"" + XMLEscape(DataID) + "\"" +
           XMLAttr("ignorecase", ignoreCase_ ? "1" : "0") + XMLAttr("dataid", dataID_) + ">\r\n";
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const vcl::Variant& v = values_[i];
        char type = 'e';
        std::string text;
        switch (v.VarType()) {
        case vcl::varEmpty: type = 'e'; break;
        case vcl::varNull: type = 'n'; break;
        case vcl::varInteger: type = 'i'; text = std::to_string(v.RawInteger()); break;
        case vcl::varDouble: type = 'd'; text = DoubleText(v.RawDouble()); break;
        case vcl::varCurrency: type = 'c'; text = std::to_string(v.RawInteger()); break;
        case vcl::varString: type = 's'; text = v.RawString(); break;
        case vcl::varDate: type = 't'; text = DoubleText(v.RawDouble()); break;
        case vcl::varBoolean: type = 'b'; text = v.RawBoolean() ? "1" : "0"; break;
        }
        out += " <item" + XMLAttr("key", keys_[i]) + XMLAttr("type", std::string(1, type)) + ">" + XMLEscape(text) +
               "</item>\r\n";
        if (out.size() >= 65536) {
            Stream.WriteBuffer(out);
            out.clear();
        }
    }
    out += "</assocarray>\r\n";
    Stream.WriteBuffer(out);
}

// Looks for the element with the signature and, when DataID is not empty,
// that identifier; replaces the content with its items.
bool TAssocArray::ReadFromXMLStream(vcl::TStream& Stream, const std::string& DataID)
{
    std::string content, attrs;
    const std::string wanted = vcl::AsciiLowerCase(DataID);
    while (true) {
        if (!ScanStreamForXMLTag(Stream, "assocarray", content, attrs)) return false;
        if (vcl::AsciiLowerCase(ScanForXMLAttrib(attrs, "sig")) != "zeruzaraz") continue;
        std::string id;
        XMLAttrString(attrs, "id", id);
        if (wanted.empty() || vcl::AsciiLowerCase(id) == wanted) break;
    }
    Clear();
    int32_t ic = ignoreCase_ ? 1 : 0;
    XMLAttrInt(attrs, "ignorecase", ic);
    ignoreCase_ = ic != 0;
    dataID_.clear();
    XMLAttrString(attrs, "dataid", dataID_);

    vcl::TStringStream body(content);
    static constexpr std::string_view tags[] = {"item", "dummy"};
    std::string itemContent, itemAttrs;
    while (body.Position() < body.Size()) {
        const int ix = ReadNextTagInStream(body, tags, itemContent, itemAttrs);
        if (ix != 0) continue;
        std::string key, type;
        if (!XMLAttrString(itemAttrs, "key", key)) continue;
        XMLAttrString(itemAttrs, "type", type);
        const std::string text = XMLUnescape(itemContent);
        vcl::Variant v;
        double d = 0;
        int64_t n = 0;
        switch (type.empty() ? 's' : type[0]) {
        case 'e': break;
        case 'n': v = vcl::Variant::Null(); break;
        case 'i': if (ParseInt64(text, n)) v = vcl::Variant(n); break;
        case 'd': if (ParseDouble(text, d)) v = vcl::Variant(d); break;
        case 'c': if (ParseInt64(text, n)) v = vcl::Variant::FromCurrency(n); break;
        case 't': if (ParseDouble(text, d)) v = vcl::Variant::FromDate(d); break;
        case 'b': v = vcl::Variant(text == "1"); break;
        default: v = vcl::Variant(text); break;
        }
        Add(key, v);
    }
    return true;
}

int32_t TAssocArray::AddXMLAttributes(const std::string& Attribs)
{
    int32_t added = 0;
    std::size_t i = 0;
    const std::size_t n = Attribs.size();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < n) {
        while (i < n && blank(Attribs[i])) ++i;
        const std::size_t nameStart = i;
        while (i < n && !blank(Attribs[i]) && Attribs[i] != '=') ++i;
        const std::string name = Attribs.substr(nameStart, i - nameStart);
        while (i < n && blank(Attribs[i])) ++i;
        if (i >= n || Attribs[i] != '=') {
            if (name.empty()) ++i;
            continue; // a name without a value is skipped
        }
        ++i;
        while (i < n && blank(Attribs[i])) ++i;
        std::string value;
        if (i < n && (Attribs[i] == '"' || Attribs[i] == '\'')) {
            const char q = Attribs[i++];
            const std::size_t vs = i;
            while (i < n && Attribs[i] != q) ++i;
            value = Attribs.substr(vs, i - vs);
            if (i < n) ++i;
        } else {
            const std::size_t vs = i;
            while (i < n && !blank(Attribs[i])) ++i;
            value = Attribs.substr(vs, i - vs);
        }
        if (name.empty()) continue;
        Add(name, vcl::Variant(XMLUnescape(value)));
        ++added;
    }
    return added;
}

} // namespace PYX_dstruct
