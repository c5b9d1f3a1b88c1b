// Compact data structures, the string array, checksums and encodings.
//
//  - TStringArray: a two-dimensional table of short texts (at most 255 bytes
//    per cell) with a header column, row and column attribute bytes and a sort
//    order kept apart from the stored rows.
//  - TBitFld, TByteMatrix, TFifo, TRLEncoder, TAssocArray: small non-visual
//    components for compact data, and the free routines NextCombination,
//    NextPermutation and IndexOfNearestArrayValue.
//  - CRC-16 (polynomial 1021, start 0 or FFFF, no final inversion), CRC-32
//    (the reflected EDB88320 checksum with initial and final inversion), SHA-1
//    and a base-85 text encoding of binary data.
//
// Base-85 dialect. The encoding written here agrees with the common Adobe
// form for every full group of four bytes (five digits "!".."u", or "z" for
// four zero bytes) and ends with "~>". It differs in three places:
//  - a last group of n = 1..3 bytes is taken as an n-byte big-endian number
//    without padding and written as n + 1 digits, so one byte 65 ("A") is
//    "!b" here and "5l" in the padded form; data of a length that is not a
//    multiple of four therefore encodes differently and must be decoded here;
//  - no "<~" start mark is written and none is expected;
//  - no line breaks are written; the decoder skips carriage returns and line
//    feeds anywhere, and a "~" ends the data.
// The decoder returns 0 on clean input, -1 when it met a character outside
// "!".."u" (which it skips) or a group whose value does not fit its bytes
// (which then yields no bytes), and -2 when the offending character was a
// "z" inside a group.
//
// Sorting a TStringArray asks OnBeforeSortExchange once per cell and sort and
// then sorts on the keys it collected, so the handler must give the same
// answer for the same text (it is a key function, not a comparison hook).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "corekit/PYX_pyxbase.h"
#include "vcl/Classes.h"
#include "vcl/System.h"
#include "vcl/Variant.h"

namespace vcl {
class TStream;
class TTextFile;
}

namespace PYX_dstruct {

using PYX_pyxbase::TBytes;

class EPYXDStructError : public PYX_pyxbase::EPYXError {
public:
    using PYX_pyxbase::EPYXError::EPYXError;
};

// ===========================================================================
// Checksums and encodings

enum TCRC16Mode : uint8_t { crcZModem, crcCCITT };

// One step of the 16-bit CRC (polynomial 1021, most significant bit first).
uint16_t CalcNextCRC16(uint8_t Data, uint16_t Crc) noexcept;
// The 16-bit CRC of the first Length bytes (at most the buffer's size), started
// with 0 (crcZModem) or FFFF (crcCCITT), without a final inversion.
uint16_t CRC16ofBuffer(const TBytes& Buffer, int64_t Length, TCRC16Mode Mode) noexcept;
uint16_t CRC16ofBuffer(const void* Data, std::size_t Length, TCRC16Mode Mode) noexcept;
// Continues a 16-bit CRC over a block.
uint16_t UpdateCRC16(uint16_t Crc, const void* Data, std::size_t Length) noexcept;

// One step of the 32-bit CRC on the running (not inverted) register.
uint32_t CalcNextCRC32(uint8_t Data, uint32_t Crc) noexcept;
// Continues the running register over a block (no inversions).
uint32_t UpdateCRC32(uint32_t Crc, const void* Data, std::size_t Length) noexcept;
// The 32-bit CRC of the first Length bytes (at most the buffer's size).
uint32_t CRC32ofBuffer(const TBytes& Buffer, int64_t Length) noexcept;
uint32_t CRC32ofBuffer(const void* Data, std::size_t Length) noexcept;
// The 32-bit CRC of a whole file, or 0 when it cannot be opened or read. Since
// 0 is also the checksum of an empty file, TryCalcCRC32ofFile tells the two
// apart: it gives no value on failure.
uint32_t CalcCRC32ofFile(const std::string& FileName) noexcept;
std::optional<uint32_t> TryCalcCRC32ofFile(const std::string& FileName) noexcept;

using TSHA1Digest = std::array<uint8_t, 20>;

// Incremental SHA-1: Update any number of times, then Final once.
class TSHA1 {
public:
    TSHA1() noexcept { Reset(); }
    void Reset() noexcept;
    void Update(const void* Data, std::size_t Length) noexcept;
    TSHA1Digest Final() noexcept;

private:
    uint32_t h_[5];
    uint64_t total_ = 0;
    uint8_t block_[64];
    std::size_t fill_ = 0;
};

TSHA1Digest SHA1FromBuffer(const void* Data, std::size_t Length) noexcept;
TSHA1Digest SHA1FromString(const std::string& S) noexcept;
// The digest of the bytes from the stream's position to its end.
TSHA1Digest SHA1FromStream(vcl::TStream& Stream);
// The digest of a whole file; raises vcl::EInOutError when it cannot be read.
TSHA1Digest SHA1FromFile(const std::string& FileName);
// 40 upper-case hexadecimal digits.
std::string SHA1DigestToHex(const TSHA1Digest& Digest);

// Base-85 (see the dialect above). The string forms work on memory; the stream
// forms read the source from its position to its end.
std::string EncodeASCII85(std::string_view Data);
int DecodeASCII85(std::string_view Text, std::string& Decoded);
void EncodeASCII85(vcl::TStream& Source, vcl::TStream& Dest);
int DecodeASCII85(vcl::TStream& Source, vcl::TStream& Dest);

// ===========================================================================
// Compact data structures

enum TLogicOp : uint8_t { loAND, loOR, loXOR, loANDNot, loORNot, loXORNot };

// A field of Size + 1 bits, numbered 0..Size, stored least significant bit
// first. Bits above Size are always kept 0, so growing the field exposes only
// cleared bits.
class TBitFld : public vcl::TComponent {
public:
    explicit TBitFld(vcl::TComponent* AOwner);

    int32_t GetSize() const noexcept { return size_; }
    // Positive values other than the current one resize; bits in range stay.
    void SetSize(int32_t NewSize);

    void SetBit(int32_t n, bool Value) noexcept;
    void ToggleBit(int32_t n) noexcept;
    bool GetBit(int32_t n) const noexcept;
    void Clear() noexcept;
    void Invert() noexcept;
    int32_t CountTrueBits() const noexcept;
    int32_t FirstTrueBit() const noexcept;
    void RandomFill(double Percent);
    void CombineWith(const TBitFld& Other, TLogicOp Op) noexcept;

    // The byte store (Size div 8 + 2 bytes at least).
    std::span<const uint8_t> Bytes() const noexcept { return {reinterpret_cast<const uint8_t*>(words_.data()), byteCount_}; }

private:
    void MaskTail() noexcept;
    std::vector<uint64_t> words_;
    std::size_t byteCount_ = 0;
    int32_t size_ = 0;
};

class TByteMatrix : public vcl::TComponent {
public:
    explicit TByteMatrix(vcl::TComponent* AOwner);

    int32_t GetNrOfColumns() const noexcept { return cols_; }
    int32_t GetNrOfRows() const noexcept { return rows_; }
    void SetNrOfColumns(int32_t n);
    void SetNrOfRows(int32_t n);
    bool Resize(int32_t Cols, int32_t Rows);

    void SetByte(int32_t c, int32_t r, uint8_t b);
    uint8_t GetByte(int32_t c, int32_t r) const noexcept;
    void SetBit(int32_t c, int32_t r, int32_t BitNr, bool Value);
    void ToggleBit(int32_t c, int32_t r, int32_t BitNr);
    bool GetBit(int32_t c, int32_t r, int32_t BitNr) const noexcept;
    void Fill(uint8_t b);
    void CombineWith(const TByteMatrix& Other, TLogicOp Op) noexcept;

    vcl::TNotifyEvent OnChange;

private:
    void Changed();
    bool InRange(int32_t c, int32_t r) const noexcept { return c >= 1 && c <= cols_ && r >= 1 && r <= rows_; }
    std::size_t Index(int32_t c, int32_t r) const noexcept
    {
        return static_cast<std::size_t>(r - 1) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(c - 1);
    }
    std::vector<uint8_t> data_;
    int32_t cols_ = 1;
    int32_t rows_ = 1;
};

// A circular byte buffer holding at most Size - 1 bytes.
class TFifo : public vcl::TComponent {
public:
    explicit TFifo(vcl::TComponent* AOwner);

    int32_t GetSize() const noexcept { return static_cast<int32_t>(buf_.size()); }
    // Sizes below 2 are ignored. The bytes held are kept, oldest first, as far
    // as the new size allows; when it is smaller the oldest bytes are dropped.
    void SetSize(int32_t NewSize);

    bool PutByte(uint8_t b) noexcept;
    bool ForceByte(uint8_t b) noexcept;
    bool GetByte(uint8_t& b) noexcept;
    bool LoadBack(uint8_t b) noexcept;
    bool SenseByte(int32_t i, uint8_t& b) const noexcept;
    int32_t CountBytes() const noexcept;
    void Clear() noexcept { rd_ = wr_ = 0; }

private:
    std::vector<uint8_t> buf_;
    int32_t rd_ = 0;
    int32_t wr_ = 0;
};

enum TDecodeSt : uint8_t { rlData, rlLeadin, rlCnt };

// Run-length coder: a run is LeadIn (165), a count and the repeated byte.
// The work buffer grows as needed, so neither Encode nor Decode can overrun
// it; callers take whole blocks with GetResult whenever Encode or Decode
// returns true, and at the end call Finish until it returns less than
// BufLeng (it copies out at most BufLeng bytes per call).
class TRLEncoder : public vcl::TComponent {
public:
    static constexpr uint8_t LeadIn = 165;

    explicit TRLEncoder(vcl::TComponent* AOwner);

    int32_t GetBufLeng() const noexcept { return bufLeng_; }
    // Values below 1 are ignored.
    void SetBufLeng(int32_t n);

    bool Encode(const uint8_t* Data, int32_t Count);
    bool Decode(uint8_t b);
    void GetResult(uint8_t* Dest);
    int32_t Finish(uint8_t* Dest);
    void Reset() noexcept;

    // Bytes waiting in the work buffer.
    int32_t GetFill() const noexcept { return static_cast<int32_t>(buf_.size()); }
    TDecodeSt GetDecodeState() const noexcept { return state_; }

private:
    void FlushRun();
    std::vector<uint8_t> buf_;
    int32_t bufLeng_ = 256;
    TDecodeSt state_ = rlData;
    uint8_t decCount_ = 0;
    uint8_t runByte_ = 0;
    int32_t runLen_ = 0;
};

// Keys (strings) mapped to variant values, kept in insertion order, with a
// hash index beside the list.
class TAssocArray : public vcl::TComponent {
public:
    explicit TAssocArray(vcl::TComponent* AOwner);

    bool GetIgnoreCase() const noexcept { return ignoreCase_; }
    // Switching to ignore case lowers the stored keys; when two keys then
    // become equal, both entries stay and lookups find the first.
    void SetIgnoreCase(bool v);
    int32_t GetGranularity() const noexcept { return granularity_; }
    void SetGranularity(int32_t n) noexcept { granularity_ = n < 1 ? 1 : n; }
    const std::string& GetDataID() const noexcept { return dataID_; }
    void SetDataID(const std::string& s) { dataID_ = s; }

    int32_t Count() const noexcept { return static_cast<int32_t>(keys_.size()); }
    void Add(const std::string& Key, const vcl::Variant& Value);
    vcl::Variant Resolve(const std::string& Key) const;
    std::string ResolveAsString(const std::string& Key) const;
    double ResolveAsNumber(const std::string& Key) const;
    bool Remove(const std::string& Key);
    void Clear();

    std::string GetKeys(int32_t i) const;
    // Ignored outside 1..Count, and when the new key equals another entry's key.
    void SetKeys(int32_t i, const std::string& Key);
    vcl::Variant GetValues(int32_t i) const;
    void SetValues(int32_t i, const vcl::Variant& Value);

    // XML form: element "assocarray" with the data-set identifier, one "item"
    // per entry. ReadFromXMLStream replaces the content and returns success.
    bool ReadFromXMLStream(vcl::TStream& Stream, const std::string& DataID);
    void WriteToXMLStream(vcl::TStream& Stream, bool WithHeader, const std::string& DataID);
    // Adds entries from an attribute list such as 'a="1" b="x"' (values as
    // strings); returns the number of entries added or replaced.
    int32_t AddXMLAttributes(const std::string& Attribs);

private:
    std::string Norm(const std::string& Key) const;
    int32_t Find(const std::string& NormKey) const;
    void Rebuild();
    std::vector<std::string> keys_;
    std::vector<vcl::Variant> values_;
    std::unordered_map<std::string, int32_t> index_;
    bool ignoreCase_ = true;
    int32_t granularity_ = 1024;
    std::string dataID_;
};

// Comb[0] = k, Comb[1..k] an ascending subset of 1..N: advances to the next
// subset in lexicographic order. False (Comb unchanged) after the last subset
// or when the array is malformed.
bool NextCombination(std::span<uint8_t> Comb, int32_t N) noexcept;
// Perm[0] = n, Perm[1..n] a permutation of 1..n: advances to the next one in
// this module's order (see the tests); false after the last or when malformed.
bool NextPermutation(std::span<uint8_t> Perm) noexcept;
inline bool NextCombination(TBytes& Comb, int32_t N) noexcept { return NextCombination(std::span<uint8_t>(Comb), N); }
inline bool NextPermutation(TBytes& Perm) noexcept { return NextPermutation(std::span<uint8_t>(Perm)); }

// The 0-based index of the element nearest to X (the first of equal
// distances), or -1 for an empty array or when no distance is finite.
int32_t IndexOfNearestArrayValue(double X, std::span<const double> Values) noexcept;
int32_t IndexOfNearestArrayValue(double X, std::span<const int32_t> Values) noexcept;
inline int32_t IndexOfNearestArrayValue(double X, const std::vector<double>& Values) noexcept
{
    return IndexOfNearestArrayValue(X, std::span<const double>(Values));
}
inline int32_t IndexOfNearestArrayValue(double X, const std::vector<int32_t>& Values) noexcept
{
    return IndexOfNearestArrayValue(X, std::span<const int32_t>(Values));
}

// ===========================================================================
// String array

using TBeforeSortExchgEvent = std::function<void(vcl::TObject* Sender, const std::string& InString, std::string& OutString)>;

class TStringArray : public vcl::TComponent {
public:
    explicit TStringArray(vcl::TComponent* AOwner);

    int32_t GetNrOfColumns() const noexcept { return cols_; }
    void SetNrOfColumns(int32_t n) { Resize(n, rows_); }
    int32_t GetNrOfRows() const noexcept { return rows_; }
    void SetNrOfRows(int32_t n) { Resize(cols_, n); }
    int32_t GetAllocRowsBy() const noexcept { return allocRowsBy_; }
    // Values below 1 are ignored.
    void SetAllocRowsBy(int32_t n) noexcept { if (n >= 1) allocRowsBy_ = n; }

    std::string GetString(int32_t c, int32_t r) const;
    void SetString(int32_t c, int32_t r, const std::string& s);
    vcl::Extended GetAsNumber(int32_t c, int32_t r) const;

    bool Resize(int32_t Cols, int32_t Rows);
    int32_t AddRow();
    void InsertRow(int32_t r);
    void RemoveRow(int32_t r);
    void CopyRow(int32_t Src, int32_t Dst);
    void Clear();
    void Fill(const std::string& s);

    uint8_t GetRowAttrib(int32_t r) const noexcept;
    void SetRowAttrib(int32_t r, uint8_t b);
    uint8_t GetColAttrib(int32_t c) const noexcept;
    void SetColAttrib(int32_t c, uint8_t b);
    int32_t GetSortOrder(int32_t r) const noexcept;
    void SetSortOrder(int32_t r, int32_t p) noexcept;

    void Sort(int32_t Col, int32_t Col2, bool Ascending);
    void UnSort();
    void CommitSorting();
    void BeforeSortExchange(const std::string& InString, std::string& OutString);
    void GarbageCollection();

    bool ColumnEmpty(int32_t c) const;
    bool RowEmpty(int32_t r) const;
    bool FindCell(const std::string& s, bool MatchCase, int32_t ColLow, int32_t ColHigh, int32_t RowLow,
                  int32_t RowHigh, int32_t& Col, int32_t& Row) const;
    bool FindCellExact(const std::string& s, bool MatchCase, int32_t ColLow, int32_t ColHigh, int32_t RowLow,
                       int32_t RowHigh, int32_t& Col, int32_t& Row) const;
    // On failure Row is left unchanged.
    bool FindCellInSortedColumn(const std::string& s, bool MatchCase, int32_t Col, int32_t RowLow, int32_t RowHigh,
                                bool Ascending, int32_t& Row) const;

    // XML form (element "strarray"): the sizes, the non-zero column and row
    // attributes and every non-empty cell, written in the logical (shown)
    // order; a table read back is therefore unsorted. The readers replace the
    // content and return success.
    bool ReadFromOpenXMLFile(vcl::TTextFile& F, const std::string& DataID);
    bool LoadFromXMLFile(const std::string& FileName, const std::string& DataID);
    void WriteToOpenXMLFile(vcl::TTextFile& F, bool CreateHeader, const std::string& DataID);
    void SaveAsXMLFile(const std::string& FileName, const std::string& DataID);

    vcl::TNotifyEvent OnChange;
    PYX_pyxbase::TOnPercentDoneEvent OnPercentDone;
    TBeforeSortExchgEvent OnBeforeSortExchange;

    // Pages of the text pool (for diagnostics).
    int32_t PageCount() const noexcept { return static_cast<int32_t>(pages_.size()); }

    static constexpr int32_t PageSize = 32768;

private:
    struct Page {
        std::vector<uint8_t> bytes;
        int32_t fill = 1; // offset of the first free byte plus 1
    };
    void Changed();
    uint32_t& Handle(int32_t c, int32_t stored) noexcept
    {
        return handles_[static_cast<std::size_t>(c) * static_cast<std::size_t>(capacity_) + static_cast<std::size_t>(stored - 1)];
    }
    uint32_t HandleAt(int32_t c, int32_t stored) const noexcept
    {
        return handles_[static_cast<std::size_t>(c) * static_cast<std::size_t>(capacity_) + static_cast<std::size_t>(stored - 1)];
    }
    std::string_view TextOf(uint32_t h) const noexcept;
    std::string_view CellText(int32_t c, int32_t r) const noexcept; // logical row
    void StoreText(int32_t c, int32_t stored, std::string_view s);
    void ResetPool();
    void ResetOrder();
    bool OrderIsPermutation() const;
    bool Reallocate(int32_t Cols, int32_t Rows);
    bool FindCellImpl(const std::string& s, bool MatchCase, bool Exact, int32_t ColLow, int32_t ColHigh,
                      int32_t RowLow, int32_t RowHigh, int32_t& Col, int32_t& Row) const;

    int32_t cols_ = 1;
    int32_t rows_ = 1;
    int32_t capacity_ = 10;
    int32_t allocRowsBy_ = 10;
    std::vector<uint32_t> handles_;   // (cols_ + 1) x capacity_, column-major
    std::vector<uint8_t> rowAttr_;    // by stored row - 1
    std::vector<uint8_t> colAttr_;    // by column, index 0 unused
    std::vector<int32_t> order_;      // by logical row - 1: stored row
    std::vector<Page> pages_;
    std::size_t roomHint_ = 0;        // no page before this one has room for a long text
};

} // namespace PYX_dstruct
