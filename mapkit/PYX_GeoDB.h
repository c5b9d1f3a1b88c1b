// The geographic database: a file-based store of named geographic items
// (borders, towns, cities, lakes, rivers, roads, routes and binary large
// objects), each with a fixed-size summary record holding its bounding box,
// and five sorted indexes (item identifier, low and high latitude, low and
// high longitude) that are held in memory and in files of their own.
//
// A database is seven files sharing a base name (the path without its
// extension, cut at the first "." of the file-name part, so "a.v1.db" and
// "a.v2.db" share the files "a.*"):
//   base.pyxgds    summary records, 120 bytes each, no header
//   base.pyxgdd    260-byte header, then the data blocks (only ever appended)
//   base.pyxgi0    item identifier index, 8-byte records sorted by ItemID
//   base.pyxgi1..4 LatLow, LatHigh, LongLow, LongHigh indexes, 8 bytes each
// All numbers in the files are little-endian; records are encoded field by
// field, so the files do not depend on the host's layout of structures.
//
// Safety of the stored data:
// - Opening creates files only when they do not exist. An existing database
//   is never created anew or truncated because a file could not be read; such
//   errors raise vcl::EInOutError and leave the component closed.
// - Everything read from the files is checked: record-size multiples, the
//   header version, item kinds, unique identifiers not above the header's
//   last identifier, finite coordinates, and that every data block lies inside
//   the data file. A damaged summary or header raises EPYXGeoDBError and the
//   database stays closed. Indexes are derived data: one that does not list
//   every entry exactly once in sorted order is rebuilt from the summary and
//   saved.
// - An open database holds an exclusive advisory lock (flock) on its summary
//   file; a second TGeoDB, in this or another process, cannot open it.
// - Index files are written to a temporary file beside the target and renamed
//   over it, so an interruption leaves the old or the new index, never a
//   short one.
//
// Short strings (names, the description, the meta block) are cp1252 bytes cut
// to their room in bytes; text in another encoding may be cut inside a
// character.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "corekit/PYX_pyxbase.h"
#include "vcl/Classes.h"
#include "vcl/DateTime.h"

namespace PYX_GeoDB {

class EPYXGeoDBError : public PYX_pyxbase::EPYXError {
public:
    using PYX_pyxbase::EPYXError::EPYXError;
};

// Item kinds, stored as one byte.
enum TgdbItem : uint8_t { gitBorder, gitTown, gitCity, gitLake, gitRiver, gitRoad, gitRoute, gitBLOB, gitUndefined };

// Display names indexed by TgdbItem.
extern const std::array<std::string_view, 9> GDB_ITEMNAMES;

// True for the kinds whose data block is a polygon.
constexpr bool IsPolygonKind(TgdbItem Kind) noexcept
{
    return Kind == gitBorder || (Kind >= gitCity && Kind <= gitRoute);
}

// Rooms (maximum lengths in bytes) of the short strings.
inline constexpr std::size_t GdbNameRoom = 59;
inline constexpr std::size_t GdbDescriptionRoom = 60;

// An item name: at most GdbNameRoom bytes are stored.
using TgdbName = std::string;

// One geographic point in degrees, north and east positive.
struct TSCoords {
    float Lat = 0;
    float Long = 0;
    friend bool operator==(const TSCoords&, const TSCoords&) = default;
};
using TgdbPolygon = std::vector<TSCoords>;

// The summary record of one item.
struct TgdbData {
    int32_t ItemID = 0;
    TgdbName Name;
    float AttrFloat = 0;
    uint8_t AttrByte = 0;
    int32_t AttrInt2 = 0;
    int32_t FilePos = -1;            // offset of the data block in the data file; -1: none
    vcl::TDateTime TimeStamp = 0;
    int32_t AttrInt1 = 0;
    float LatLow = 0;
    float LatHigh = 0;
    float LongLow = 0;
    float LongHigh = 0;
    TgdbItem Kind = gitUndefined;
    int32_t DataSize = 0;            // polygon: number of points; BLOB: number of bytes
    bool Closed = false;
    friend bool operator==(const TgdbData&, const TgdbData&) = default;
};

// The meta block of a BLOB: five short strings of rooms 255, 127, 127, 255, 255.
enum TMetaItem : uint8_t { miKwd, miCaption, miFilePath, miDescriptor };
struct TMetaInfo {
    std::string Keywords;
    std::string Caption;
    std::string FilePath;
    std::string Descriptor;
    std::string Extra;
    friend bool operator==(const TMetaInfo&, const TMetaInfo&) = default;
};

// The header at the start of the data file.
struct TgdbHeader {
    int32_t LastItemID = 0;          // identifier of the most recently added item
    int32_t HeaderVersion = 4;
    std::string Description;         // at most GdbDescriptionRoom bytes
    int32_t Revision = 0;
    std::array<uint8_t, 184> Unused{}; // carried unchanged
    friend bool operator==(const TgdbHeader&, const TgdbHeader&) = default;
};

// Index records. RecIndex is the 0-based position of the summary record.
struct TIxItemIDRec {
    int32_t ItemID = 0;
    int32_t RecIndex = 0;
    friend bool operator==(const TIxItemIDRec&, const TIxItemIDRec&) = default;
};
struct TIxLLRec {
    float Value = 0;
    int32_t RecIndex = 0;
    friend bool operator==(const TIxLLRec&, const TIxLLRec&) = default;
};
using TIxItemIDRecArray = std::vector<TIxItemIDRec>;
using TIxLLRecArray = std::vector<TIxLLRec>;

// Empties all five strings.
void ClearMetaInfo(TMetaInfo& Meta) noexcept;
// Resets a record: empty name, FilePos -1, kind gitUndefined, time stamp now,
// every other field 0.
void ClearGdbData(TgdbData& Data);
// The location of a town: (LatLow, LongLow).
TSCoords ExtractLocation(const TgdbData& Data) noexcept;

class TGeoDB : public vcl::TComponent {
public:
    explicit TGeoDB(vcl::TComponent* AOwner);
    // Saves indexes still unsaved under LazyWrite; errors at this point cannot
    // be reported and are dropped, so call Close first where they matter.
    ~TGeoDB() override;

    // When false, every change saves the five index files at once; when true,
    // they are saved by SaveIndex, by turning LazyWrite off and on closing.
    // Turning it off saves the unsaved indexes; if that fails, it stays on.
    bool GetLazyWrite() const noexcept { return lazyWrite_; }
    void SetLazyWrite(bool Value);

    // The open database's path without extension; empty when none is open.
    std::string GetDBName() const;
    // A non-empty name closes the open database (saving its indexes under
    // LazyWrite) and opens or creates the named one; an empty name closes.
    // When opening fails the component is left closed.
    void SetDBName(const std::string& Name);
    // The same as SetDBName(""): saves unsaved indexes, then closes. When the
    // save fails, the error is raised and the database stays open.
    void Close();
    bool IsOpen() const noexcept { return !pathSum_.empty(); }

    int32_t GetNumEntries() const noexcept { return static_cast<int32_t>(sum_.size()); }

    PYX_pyxbase::TOnPercentDoneEvent OnPercentDone;

    // Rewrites one index file (0 = item identifiers, 1..4 = LatLow, LatHigh,
    // LongLow, LongHigh) from memory. Does nothing when no database is open or
    // Index is outside 0..4.
    void SaveIndex(int32_t Index);

    // The header's description and revision. The setters do nothing when no
    // database is open; otherwise they store the value (the description cut to
    // 60 bytes) and rewrite the header. When the header cannot be written they
    // keep the old value and raise EPYXGeoDBError.
    std::string GetDescription() const { return header_.Description; }
    void SetDescription(const std::string& Text);
    int32_t GetRevision() const noexcept { return header_.Revision; }
    void SetRevision(int32_t Value);
    const TgdbHeader& GetHeader() const noexcept { return header_; }

    // Record i (clamped to 1..NumEntries) of the summary or of an index in
    // sorted order; the index getters return RecIndex as the 1-based entry
    // number. With no entries: a cleared record with time stamp 0, or a zero
    // index record.
    TgdbData GetSumdata(int32_t i) const;
    TIxItemIDRec GetIxItemID(int32_t i) const;
    TIxLLRec GetIxLatLow(int32_t i) const;
    TIxLLRec GetIxLatHigh(int32_t i) const;
    TIxLLRec GetIxLongLow(int32_t i) const;
    TIxLLRec GetIxLongHigh(int32_t i) const;

    // A few lines describing the open database: its name, the number of
    // entries by kind, the header's fields and the sizes of the files
    // (or "no database open").
    void ReadSystemInformation(std::string& Text) const;

private:
    std::string FilePath(int Which) const;
    void Open(const std::string& Name);
    void CloseState() noexcept;
    void ResetHeader() noexcept;
    void WriteHeader(const char* Routine);
    void SaveUnsavedIndexes();
    void RebuildIndexes();
    TIxLLRec GetLL(int Which, int32_t i) const;

    bool lazyWrite_ = false;
    std::string base_;                 // path without extension while open
    std::string pathSum_;              // summary file path (empty: closed)
    int lockFd_ = -1;                  // descriptor holding the lock on the summary file
    TgdbHeader header_;
    std::vector<TgdbData> sum_;
    TIxItemIDRecArray ixID_;
    std::array<TIxLLRecArray, 4> ixLL_; // LatLow, LatHigh, LongLow, LongHigh
    std::array<bool, 5> unsaved_{};    // index changed since last written
};

} // namespace PYX_GeoDB
