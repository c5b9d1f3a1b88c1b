// Reading and writing helpers on byte streams and text files: binary values,
// lines, number scanners, the attribute scanner and the tag reader of the
// library's XML files, and the framing every XML file of the library shares.
//
// Streams and text files are the caller's: nothing here opens or closes them,
// except the two routines that take a file name. Readers stop quietly at the
// end of the input; errors of the file itself (vcl::EInOutError) pass through.
//
// Lower case here means the ASCII letters A..Z: tag names, delimiters and IDs
// are compared with the ASCII case table.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vcl/Streams.h"
#include "vcl/System.h"
#include "vcl/TextFile.h"

namespace PYX_streams {

using vcl::Extended;
using vcl::TMemoryStream;
using vcl::TStream;
using vcl::TTextFile;

// A tag list: lower-case tag names, end tags with their leading "/"; the last
// entry stands for every tag not in the list and for the end of the input.
using TTagList = std::span<const std::string_view>;

// ---------------------------------------------------------------------------
// Binary values, little-endian.
void WriteStringStream(TStream& Stream, std::string_view S);  // the bytes only
void WriteLnStream(TStream& Stream, std::string_view S);      // the bytes, then CR LF
void WriteLongintToStream(TStream& Stream, int32_t Value);    // 4 bytes
void WriteExtendedToStream(TStream& Stream, Extended Value);  // 10 bytes: mantissa, then sign and exponent
// ReadError is true when fewer bytes than needed were left; the value is then
// made of the bytes obtained over zero bytes.
int32_t ReadLongintFromStream(TStream& Stream, bool& ReadError);
Extended ReadExtendedFromStream(TStream& Stream, bool& ReadError);

// ---------------------------------------------------------------------------
// Lines and searches.

// The next line. Bytes of 32 and above and the tab are kept, other control
// bytes are dropped; the line ends (the ending byte consumed) by LineEndMode:
// 0 at LF, 1 at CR, 2 at either, 3 at a CR directly after an LF, 4 at an LF
// directly after a CR; other modes never end a line. At the end of the stream
// EndOfStream becomes true and the text read so far is returned.
std::string ReadLnStream(TStream& Stream, bool& EndOfStream, int LineEndMode);
// Reads up to and including the next byte B: true, or false at the end.
bool FindInStream(TStream& Stream, uint8_t B);
// Everything from the position to the end.
std::string StreamAsString(TStream& Stream);
// The text up to and including the first occurrence of Delim (compared in
// lower case); Status 0 and the stream right after it. Without an occurrence
// all the rest, the stream at its end and Status -1. An empty Delim gives
// Status 0, an empty text and an unmoved stream.
std::string ReadStreamUntil(TStream& Stream, std::string_view Delim, int& Status);
// The number of LF bytes from the position to the end; the stream ends at the end.
int64_t CountLinesInStream(TStream& Stream);

// ---------------------------------------------------------------------------
// Number scanners. Decimal separators (DecSep, the ordinal of TDecPSep):
// 0 the process-wide setting vcl::GetDecimalSeparator(), 1 ".", 2 ",", 3
// either; other values allow none. Integers saturate at the limits of their
// type; floats are clamped to +-uc_MaxDouble.

// Skips blanks, takes a sign and digits; the byte after the digits is consumed.
int32_t ScanStreamDecimal(TStream& Stream);
// Reads a number with the number state machine; the byte that ended it is
// read again by the next read. Malformed input gives 0.
double ScanStreamFPNum(TStream& Stream, bool AllowExp, int DecSep);
// The same on strings; Pos counts from 1 and is left on the first character
// after the number. A number that ends in an exponent mark without digits
// ("1E") gives its mantissa, with Pos on the mark.
int32_t ScanDecimal(std::string_view S, int32_t& Pos);
uint32_t ScanHex(std::string_view S, int32_t& Pos);
Extended ScanFPNum(std::string_view S, bool AllowExp, int DecSep, int32_t& Pos);

// ---------------------------------------------------------------------------
// Tags and attributes.

// The value of attribute Name (compared in lower case) in an attribute text
// such as ' x="1.5" y=2', as written (not unescaped); empty when absent or
// when the text is malformed.
std::string ScanForXMLAttrib(std::string_view Attributes, std::string_view Name);

// Reads the next tag: its index in Tags (the last index for a tag not in the
// list and at the end of the input; -1 for an empty list), its attribute
// text and, for a start tag, the raw content up to the matching end tag.
int ReadNextTagInStream(TStream& Stream, TTagList Tags, std::string& Content, std::string& Attributes);
int ReadNextTagInTextFile(TTextFile& F, TTagList Tags, std::string& Content, std::string& Attributes);

// Reads up to and including the next element named TagName (any case); true
// when found, with its raw content and attribute text.
bool ScanStreamForXMLTag(TStream& Stream, std::string_view TagName, std::string& Content,
                         std::string& Attributes);
// The text from the position up to the next tag whose name is in Tags; the
// stream is left on that tag's "<" and TagIndex is its index. Without such a
// tag, all the rest with TagIndex -1.
std::string ReadStreamUntilTagList(TStream& Stream, TTagList Tags, int& TagIndex);
// Appends to Dest (at its position) every line from the stream's position
// that contains one of Words (in lower case), each ended with CR LF; returns
// the number of lines copied.
int32_t ExtractFromStream(TStream& Stream, TMemoryStream& Dest, const std::vector<std::string>& Words);

// Called for every match with the matched text; returns its replacement.
using TReplaceCallback = std::function<std::string(const std::string& Match)>;
// Writes Source's whole content into Dest (which is emptied first) with the
// occurrences of Search replaced by Replace, or by what OnMatch returns when
// it is set. IgnoreCase compares in lower case. At most MaxCount occurrences
// are replaced (all when MaxCount <= 0); NumReplaced receives the number and
// LastMatch the last matched text. Both streams end at their ends.
void SearchAndReplace(TMemoryStream& Source, TMemoryStream& Dest, std::string_view Search,
                      std::string_view Replace, bool IgnoreCase, int32_t MaxCount, int32_t& NumReplaced,
                      std::string& LastMatch, const TReplaceCallback& OnMatch = nullptr);

// ---------------------------------------------------------------------------
// XML files of the library.
//
// Values are escaped when written (& < > " become &amp; &lt; &gt; &quot;) and
// decoded when read, so any text survives a round trip.

std::string XMLEscape(std::string_view S);
// Decodes exactly the four entities above; any other "&" stays as it is.
std::string XMLUnescape(std::string_view S);

// ' Name="escaped value"', for start tags and empty elements.
std::string XMLAttr(std::string_view Name, std::string_view Value);
// "<Name>escaped content</Name>"
std::string XMLElement(std::string_view Name, std::string_view Content);

// The blanks before every line of an object written with an indent (made
// with MultiChar: 0 or less gives one blank, at most 255); no indent, none.
std::string XMLIndent(std::optional<int> Indent);

// Writes the head of an object: the XML declaration when CreateHeader is
// true, an empty line, the comment "<!-- ClassText / PYX Component Suite -->",
// and the start tag with sig, vers, the escaped ID and OwnAttributes (a text
// such as ' width="12"', see XMLAttr).
void WriteXMLObjectStart(TTextFile& F, bool CreateHeader, std::string_view Element,
                         std::string_view ClassText, std::string_view ID, std::string_view OwnAttributes = {},
                         std::optional<int> Indent = std::nullopt);
// One body line, preceded by the indent.
void WriteXMLLine(TTextFile& F, std::string_view Line, std::optional<int> Indent = std::nullopt);
// The end tag of the object on a line of its own.
void WriteXMLObjectEnd(TTextFile& F, std::string_view Element, std::optional<int> Indent = std::nullopt);

// Reads lines until the start tag of an element named Element with the
// signature and, when ID is not empty, the ID (both compared in lower case).
// False at the end of the file. StartTagAttributes receives the start tag's
// attribute text (original case) for the format's own attributes.
bool FindXMLObjectStart(TTextFile& F, std::string_view Element, std::string_view ID,
                        std::string* StartTagAttributes = nullptr);

// Called for each tag of an object body with the tag's index, its raw content
// and its raw attribute text.
using TXMLTagHandler = std::function<void(int TagIndex, const std::string& Content, const std::string& Attributes)>;
// Reads the tags of an object body after FindXMLObjectStart until the end
// tag "/"+Element, which must be in Tags. Tags not in the list are not passed
// on. True when the end tag was reached, false when the file ended first.
bool ReadXMLObjectBody(TTextFile& F, std::string_view Element, TTagList Tags, const TXMLTagHandler& OnTag);

// Attribute readers of XML bodies: decode the value and convert it with
// ScanDecimal, ScanHex or ScanFPNum (exponent allowed, either separator).
// False, and Value unchanged, when the attribute is absent or empty.
bool XMLAttrString(std::string_view Attributes, std::string_view Name, std::string& Value);
bool XMLAttrInt(std::string_view Attributes, std::string_view Name, int32_t& Value);
bool XMLAttrHex(std::string_view Attributes, std::string_view Name, uint32_t& Value);
bool XMLAttrFloat(std::string_view Attributes, std::string_view Name, double& Value);

// Creates or overwrites FileName, lets Write write the object(s) and closes.
void SaveAsXMLFile(const std::string& FileName, const std::function<void(TTextFile& F)>& Write);
// Opens FileName, returns what Read returns and closes the file.
bool LoadFromXMLFile(const std::string& FileName, const std::function<bool(TTextFile& F)>& Read);

} // namespace PYX_streams
