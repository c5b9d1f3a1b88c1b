// The string library: free functions on Windows-1252 byte strings that the
// whole library uses to format numbers, pad and trim text, search and count
// substrings, split text into words and tokens, and clean strings for file
// names and identifiers.
//
// Conventions of this module:
// - Every function reads its string arguments and returns a new string; no
//   argument is changed except the documented out-parameters.
// - Positions count from 1 (0 = not found) and are 32-bit. Text beyond the
//   2 GiB mark is not searched by the routines that report positions.
// - "Ignoring case" and "locale rules" use the fixed cp1252 case table
//   (vcl::AnsiUpper/AnsiLower); routines documented as handling "A..Z" use the
//   ASCII table. Nothing reads the process locale.
// - No function raises an error of its own: out-of-range positions and counts
//   give empty or unchanged results.
// - All functions are reentrant except those touching the process-wide state
//   (WordSeps and the scramble tables); see InitScramble.
#pragma once

#include <bitset>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "corekit/PYX_pyxbase.h"
#include "vcl/System.h"

namespace PYX_stringl {

using vcl::Extended;

// Errors raised by the module's pattern matcher.
class EPYXStringlError : public PYX_pyxbase::EPYXError {
public:
    using PYX_pyxbase::EPYXError::EPYXError;
};

// Growable array of strings; the strings produced by Tokenize hold at most
// 255 characters.
using TOpenStringArray = std::vector<std::string>;

// The states of ParseQuotedName.
enum TQuotedStrState : uint8_t { vsStart, vs1stQuote, vsQuote, vsNormal, vsEnd };

// The bytes that separate words for CountWords, ExtractWordFromString and the
// HTML word counter. Initially: 0, 10, 13, the blank and
//   " # % ' ( ) * + , - . / : ; < = > [ \ ] { }
// The set is process-wide and may be changed by the application at any time;
// the readers look at it on every call. It is not synchronised: change it only
// while no other thread uses these routines.
extern std::bitset<256> WordSeps;
// The initial contents of WordSeps (to restore it).
std::bitset<256> DefaultWordSeps();

// ===========================================================================
// Number and value formatting

// X right-justified in a field of |FieldWidth| characters.
// - Decimals >= 0: fixed-point text with that many decimals (the exact binary
//   value rounded half to even); a longer text is not cut. The sign is "-" only
//   for X < 0, so -0.0 gives the text of 0.
// - Decimals = -2: exponential text " d.dddE+xx" of exactly |FieldWidth|
//   characters with a two-digit exponent; a value that needs a longer exponent
//   gives |FieldWidth| asterisks.
// - Other negative Decimals: exponential text with a four-digit exponent,
//   " d.dddE+xxxx", |FieldWidth| characters.
//   The sign position holds a blank for X >= 0 and "-" otherwise. At least one
//   digit follows the point, so very narrow fields give a longer text.
// - Negative FieldWidth: leading blanks become "0", and a "-" behind them
//   moves to the front (-3.5, -8, 2 gives "-0003.50").
// NaN and infinities give "NAN", "+INF", "-INF" right-justified in the field,
// or |FieldWidth| asterisks when the field is too narrow (a width of 0 gives
// the bare text). Widths and decimal counts above 5000 count as 5000.
std::string strff(Extended X, int32_t FieldWidth, int32_t Decimals);

// As strff, with a "+" in the sign position of values of zero or more: the
// last leading blank becomes "+"; without leading blanks "+" goes in front,
// except for zero-padded text ("0" not followed by "."), whose first
// character becomes "+".
std::string strffForcePlus(Extended X, int32_t FieldWidth, int32_t Decimals);

// Fixed-point text with Decimals (0..8) decimals when it fits nine
// significant digits (|X| <= 999999999 / 9999999.9 / ... / 0.99999999 and
// |X| >= 10^-Decimals or X = 0); otherwise, and for any other Decimals,
// strff(X, FieldWidth + 6, -2).
std::string FormatData(double X, int32_t FieldWidth, int32_t Decimals);

// X with SigDigits significant digits in a field of FieldWidth, switching to
// exponential text when the digits do not fit. SigDigits below 1 count as 1.
std::string SigDigStr(double X, int32_t FieldWidth, int32_t SigDigits);

// A duration of Secs seconds (negative and NaN count as 0; hours saturate):
//   0 "hh:mm:ss.cc"  1 "hh:mm:ss"  2 " hhmm" as " 1h02"  3 " 1h02'03\""
//   4 "hh:mm"  5 twelve-hour clock " 1:02a" / "11:59p"; other formats "".
// Hundredths are truncated with a guard of 1e-6 so that 0.29 shows "29".
std::string TimeString(double Secs, uint8_t Format);

// "TRUE"/"FALSE" (mode 0 and unknown modes), "T"/"F" (1), ".T."/".F." (2),
// "1"/"0" (3), "-1"/"0" (4), "FF"/"00" (5).
std::string BoolToStr(bool Value, int32_t Mode);

// c repeated Count times; Count above 255 gives 255 copies, 0 or less one.
std::string MultiChar(char c, int32_t Count);

// ===========================================================================
// Searching and counting. An empty Sub is never found.

// Position of the Num-th non-overlapping occurrence of Sub in S at or after
// StartAt (values below 1 count as 1), or 0.
int32_t NumberedPos(std::string_view Sub, std::string_view S, int32_t StartAt, int32_t Num, bool IgnoreCase);
// Position of the last occurrence found by a left-to-right scan for
// non-overlapping occurrences ("aa" in "aaa" is at 1), or 0.
int32_t PosLast(std::string_view Sub, std::string_view S);
// Number of non-overlapping occurrences of Sub in S.
int32_t CountStringInString(std::string_view Sub, std::string_view S, bool CaseSensitive);
int32_t CountCharInString(char c, std::string_view S, bool CaseSensitive);
// Number of runs of two or more characters outside WordSeps.
int32_t CountWords(std::string_view S);
// 1-based index of the first entry equal to S (case-sensitive), or 0.
int32_t StringIx(std::string_view S, std::span<const std::string> Entries);
int32_t StringIx(std::string_view S, std::initializer_list<std::string_view> Entries);
// True if S is not empty and holds only c.
bool TestAllChar(std::string_view S, char c);
// Position of the first character that is not a blank; 0 for none.
int32_t FindFirstNonBlank(std::string_view S);
// True if the longest run of capitals A..Z is longer than one letter and S
// holds fewer lower-case letters a..z and digits together than that length.
bool IsAbbreviation(std::string_view S);
// Equality ignoring case (cp1252 table).
bool EqualAnsiStrings(std::string_view A, std::string_view B);

// ===========================================================================
// Editing

std::string ReplaceCharInString(std::string_view S, char Old, char New);
// Every occurrence of Old, found left to right with the search resuming after
// the inserted text, becomes New. An empty Old changes nothing.
std::string ReplaceStringInString(std::string_view S, std::string_view Old, std::string_view New, bool IgnoreCase);
std::string RemoveCharInString(std::string_view S, char c);
// Removes the bytes below 32.
std::string RemoveControlChars(std::string_view S);
// Leading and trailing blanks removed.
std::string StripLTBlanks(std::string_view S);
// Leading blanks removed; an all-blank string keeps one blank.
std::string StripLeadingBlanks(std::string_view S);
// Trailing blanks removed; an all-blank string keeps one blank.
std::string StripTrailingBlanks(std::string_view S);
// All leading c removed.
std::string StripLeadingChars(char c, std::string_view S);
// Trailing c removed, but the first character always stays.
std::string StripTrailingChars(char c, std::string_view S);
// c appended unless S ends with it; an empty S stays empty.
std::string EnsureTrailingChar(char c, std::string_view S);
std::string EnsureTrailingBkSlash(std::string_view S);
// Padded with blanks on the right to Width, or cut to Width characters.
std::string LeftString(std::string_view S, uint8_t Width);
// Padded with blanks on the left to Width, or cut to its first Width characters.
std::string RightString(std::string_view S, uint8_t Width);
// Cut to Width, or padded with n/2 blanks on the left and the rest on the right.
std::string CenterString(std::string_view S, uint8_t Width);
// S cut to MaxLen - 2 characters plus "..", when longer than MaxLen. The
// result never exceeds MaxLen: for MaxLen below 2 it is the first MaxLen
// characters of "..".
std::string AbbrevString(std::string_view S, int32_t MaxLen);
std::string ReverseString(std::string_view S);
// Swaps the case of every letter (cp1252 table).
std::string ChangeCase(std::string_view S);
// Upper-cases a..z at the start of each word; a word starts after any byte
// that is neither a letter, a digit nor a byte of 128 or above.
std::string CapitalizeString(std::string_view S);
// ä ö ü ß µ become ae oe ue ss u; Ä Ö Ü become Ae/AE, Oe/OE, Ue/UE (lower-case
// "e" when a letter a..z follows).
std::string ExpandDiphthongs(std::string_view S);
// Every byte other than 0-9, A-Z, a-z becomes "_".
std::string ReduceStringToAZ09(std::string_view S);
// Every byte not allowed in a short file name becomes "_": kept are letters,
// digits and ! # $ % & ' ( ) - . @ ^ _ { } ~ and the backquote.
std::string ReduceStringToFN83CompliantChars(std::string_view S);
// Resolves "\#hh" (one byte of hexadecimal value hh; blanks before the digits
// are skipped, reading stops at a non-hex character) and "\\" (one
// backslash). A "\#" without a hexadecimal digit within the two characters
// after it stays as it is.
std::string ProcessHexChars(std::string_view S);
// OEM (code page 850) to cp1252 and back; only the first 255 characters of S
// are converted and returned. Characters without a counterpart become "?".
std::string WinAnsiString(std::string_view S);
std::string OEMString(std::string_view S);

// ===========================================================================
// Parsing

// The next line of S from Pos. Bytes of 32 and above make the line; control
// bytes are dropped; the line ends (the ending byte consumed) depending on
// LineEndMode: 0 at LF, 1 at CR, 2 at either, 3 at a CR directly after an LF,
// 4 at an LF directly after a CR, other modes never. Pos advances past what
// was read; EndOfString becomes true when Pos passes the end of S (it is reset
// at each call). Pos below 1 counts as 1.
std::string ReadLnString(std::string_view S, int32_t& Pos, bool& EndOfString, int32_t LineEndMode);
// The word (bounded by WordSeps) containing Pos; empty when Pos is outside S.
// A separator at Pos is returned as the word on its own.
std::string ExtractWordFromString(std::string_view S, int32_t Pos);
std::string ExtractWordFromString(std::string_view S, int32_t Pos, int32_t& WordStart, int32_t& WordEnd);
// Field number Index (from 0) of S split at Delim; empty when there is none.
// An empty Delim makes S one field.
std::string ExtractSubString(std::string_view S, int32_t Index, std::string_view Delim);
// S split at Delim into at most 100 tokens (the last one holds the unsplit
// rest); every token is cut to 255 characters. An empty Delim gives S as the
// single token.
void Tokenize(std::string_view S, std::string_view Delim, TOpenStringArray& Tokens);

// ===========================================================================
// Character classes (bytes of 128 and above belong to none)
constexpr bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
constexpr bool IsLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool IsDigitLetter(char c) noexcept { return IsDigit(c) || IsLetter(c); }
constexpr bool IsHexChar(char c) noexcept
{
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// ===========================================================================
// Scrambling: a byte permutation that hides text from casual reading.
// InitScramble rebuilds the process-wide tables from a private generator
// seeded with Seed (the shared random sequence is not touched); the module
// starts with InitScramble(7395), so scrambled text is the same in every run.
// Byte 0 always maps to 0. Not thread-safe against concurrent Scramble calls.
void InitScramble(int32_t Seed);
std::string Scramble(std::string_view S);
std::string DeScramble(std::string_view S);

// ===========================================================================
// Smaller helpers

// Feeds one character C of a name that may be enclosed in the quote character
// Quote into Name, driven by State (start with vsStart and an empty Name):
// - vsStart: blanks and control bytes are skipped; Quote opens a quoted name
//   (-> vs1stQuote); any other character starts a plain name (-> vsNormal).
// - vs1stQuote (inside quotes): Quote -> vsQuote; others are appended.
// - vsQuote (a quote inside quotes): a second Quote appends one quote and
//   goes back to vs1stQuote; anything else ends the name (-> vsEnd, C is not
//   part of it).
// - vsNormal: a blank or control byte ends the name (-> vsEnd); others are
//   appended.
// - vsEnd: nothing changes.
// At the end of the input a name in state vsNormal or vsQuote is complete;
// vs1stQuote means the closing quote is missing.
void ParseQuotedName(char C, char Quote, std::string& Name, TQuotedStrState& State);

// Parameter number Index (from 1) of S, parameters being separated by
// Separator. A parameter whose first non-blank character is Quote is quoted:
// it runs to the closing quote (a doubled quote stands for one quote, the
// separator may appear inside) and text after the closing quote up to the
// next separator is ignored. Plain parameters are stripped of surrounding
// blanks; with a blank as Separator, runs of blanks separate once. Returns
// false (Param empty) when S has fewer parameters or a quote is not closed.
bool ExtractParam(std::string_view S, int32_t Index, char Separator, char Quote, std::string& Param);

// Uuencoded text without header: lines of at most 45 bytes, each as a length
// character (32 + n) followed by 4 characters per 3 bytes, a zero 6-bit group
// written as "`"; lines are separated by LF. "Cat" gives "#0V%T"; an empty S
// gives "".
std::string UUEncodeStr(std::string_view S);
// Reads such lines (LF or CR LF separated; a blank is read as a zero group)
// and returns the bytes; malformed input (a character outside 32..96 or a
// line shorter than its length character says) gives "".
std::string UUDecodeStr(std::string_view S);

// Line and column (both from 1) of position Pos in Text. Lines end at LF,
// CR LF or a lone CR; the line-end characters belong to the line they end.
// Pos outside Text gives 0, 0.
void TextLineCoords(std::string_view Text, int32_t Pos, int32_t& Line, int32_t& Column);

// The tag reader on a string, from position Pos (below 1 counts as 1).
// Skips to the next "<", reads the tag text up to ">", and splits it into
// the name (up to the first blank or control byte, or up to "/>" in an empty
// element) and Attributes (the rest, without surrounding blanks). A start tag
// that is not empty also reads its content, up to the first closing tag of
// the same name (compared ignoring case), which is consumed but not part of
// Content; end tags and names starting with "?" or "!" (declarations,
// comments) have no content. Pos is left after what was read (Length + 1 at
// the end). The result is the index (from 0) of the first entry of Tags equal
// to the name in lower case; other names and the end of the input give the
// index of the last entry (-1 for an empty list).
int32_t ReadNextTagInString(std::string_view S, int32_t& Pos, std::span<const std::string_view> Tags,
                            std::string& Content, std::string& Attributes);
// Looks ahead: the index of the next tag as ReadNextTagInString would report
// it, with Pos moved onto that tag's "<" (Length + 1 at the end), so that
// ReadNextTagInString reads it next. Nothing else is consumed.
int32_t DetectNextTagInString(std::string_view S, int32_t& Pos, std::span<const std::string_view> Tags);

// ---------------------------------------------------------------------------
// TGrep: the regular-expression matcher (implemented in PYX_stringl_grep.cpp)
//
// A small pattern language compiled into at most 64 tokens: literals, "." (any
// character), sets "[a-z]" and "[^0-9]", "^" (start of the subject, only as the
// first character), "$" (end of the subject, only as the last), groups "(ab)"
// that form one literal string, and the multipliers "*", "+" and "?" applied to
// the element before them. A backslash makes the next character literal and
// "\#hh" stands for the character with the hexadecimal code hh.
//
// A match is searched from SearchStartPos on; at a start position a multiplier
// followed by further tokens tries the shortest repetition first, a final one
// takes the longest. Failed (token, position) pairs are remembered, so that a
// search costs at most a small multiple of tokens x subject length steps.

enum TGrepTokenAct : uint8_t { taNormal, taAnyByte, taEol, taBol, taSet, taMult0, taMult1, taOpti };

// One compiled token, in its exported 268-byte layout. For taNormal, Count is
// the literal's length and its characters are Data[1..Count]. For taSet,
// Data[c] is '*' for each member code c and a blank otherwise. For the
// multipliers, Count < 0 repeats the set in Data, 0 any character and Count > 0
// the literal Data[1..Count]. MatchPos is where the token matched in the last
// successful search.
struct TGrepToken {
    uint8_t Action = taNormal;
    uint8_t Filler[3] = {0, 0, 0};
    int32_t Count = 0;
    uint8_t Data[256] = {};
    int32_t MatchPos = 0;
};
static_assert(sizeof(TGrepToken) == 268, "the exported token layout");

class TGrep : public vcl::TComponent {
public:
    static constexpr int32_t MaxTokens = 64;
    // Error 10, beyond the nine syntax errors: the pattern needs more than 64
    // tokens, or a multiplier applies to a group longer than 255 characters.
    static constexpr int32_t ErrTooLong = 10;

    explicit TGrep(vcl::TComponent* AOwner);
    ~TGrep() override;

    const std::string& GetRegExp() const noexcept { return regExp_; }
    // Stores and compiles. With StopOnError a compile error raises
    // EPYXStringlError "Component \"NAME\": error in regular expression - "
    // followed by the error text.
    void SetRegExp(const std::string& Value);
    bool GetIgnoreCase() const noexcept { return ignoreCase_; }
    // Stores and recompiles the current pattern (errors are only recorded).
    void SetIgnoreCase(bool Value);
    int32_t GetSearchStartPos() const noexcept { return searchStartPos_; }
    void SetSearchStartPos(int32_t Value) noexcept { searchStartPos_ = Value; }
    bool GetStopOnError() const noexcept { return stopOnError_; }
    void SetStopOnError(bool Value) noexcept { stopOnError_ = Value; }

    // First and last position of the last match; an empty match has
    // MatchEnd = MatchStart - 1.
    int32_t GetMatchStart() const noexcept { return matchStart_; }
    int32_t GetMatchEnd() const noexcept { return matchEnd_; }
    int32_t GetNumTokens() const noexcept { return static_cast<int32_t>(tokens_.size()); }
    // The code of the last compilation: 0 = no error, 1..10 (see ErrorText).
    int32_t GetErrorCode() const noexcept { return errorCode_; }
    // The number of token tests the last MatchString made (a cost measure).
    int64_t GetMatchSteps() const noexcept { return steps_; }

    // The text of an error code ("no errors" for 0).
    static std::string ErrorText(int32_t Code);

    // Compiles Pattern into the token table and returns the error code. After
    // an error the tokens completed before it stay in the table.
    int32_t CompileRegExp(const std::string& Pattern);
    // True when the pattern occurs in Subject; MatchPos is the position of the
    // match's first character (0 when there is none).
    bool MatchString(const std::string& Subject, int32_t& MatchPos);
    // A copy of token i, i clamped to 1..number of tokens; an empty token when
    // there are none.
    TGrepToken GetRegExpToken(int32_t i) const;
    // Writes a listing of the token table and the compile result to a text
    // file (created or overwritten); false when the file cannot be written.
    bool PrintRegExp(const std::string& FileName) const;
    // The listing as text, lines ended by CR LF.
    std::string RegExpListing() const;

private:
    bool TryToken(std::size_t k, std::size_t p);
    bool RepeatLoop(std::size_t k, std::size_t q);
    std::size_t RepeatAt(const TGrepToken& t, std::size_t p) const noexcept;
    bool MemoTestAndSet(std::size_t slot, std::size_t p);

    std::string regExp_;
    bool ignoreCase_ = false;
    int32_t searchStartPos_ = 1;
    bool stopOnError_ = true;
    int32_t matchStart_ = 0;
    int32_t matchEnd_ = 0;
    int32_t errorCode_ = 0;
    int64_t steps_ = 0;
    std::vector<TGrepToken> tokens_;

    // Search state of one MatchString call.
    std::string_view subject_;
    std::size_t matchEndOffset_ = 0;
    std::vector<int32_t> memoSlot_;            // per token: its memo slot or -1
    std::vector<std::vector<uint64_t>> memo_;  // per slot: failed positions
};
// ---------------------------------------------------------------------------

} // namespace PYX_stringl
