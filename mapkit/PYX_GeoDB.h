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
// - While open, the database keeps its summary and data files open; under
//   LazyWrite new summary records and the header are collected in memory and
//   written in batches (at the latest by SaveIndex, by turning LazyWrite off
//   and by closing), so an interruption during a lazy bulk load loses the
//   items of the last batch but never leaves records that point at missing
//   data.
// - Coordinates must be finite; NaN or infinite values are refused with
//   EPYXGeoDBError before anything is written. Data blocks must stay within
//   the 2 GiB reach of the 32-bit file positions.
// - The whole-file rewrites (index files, the compaction of GarbageCollection)
//   go through temporaries that are renamed over the old files.
//
// Indexes: equal keys keep the order in which their entries were inserted
// (a new record goes after the records with the same key), so adding items
// one by one and rebuilding the indexes give the same files. Searches return
// the first record whose key is not below the value.
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
#include "vcl/Streams.h"

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

    // ---- Adding and replacing items ---------------------------------------
    //
    // AddData stores a new item and returns its entry number (NumEntries
    // after adding), or -1 when no database is open. The item gets the next
    // identifier (the header's LastItemID plus one). By kind:
    // - polygon kinds: the points are appended to the data file and the box
    //   parameters are replaced by the box of the points (an empty polygon
    //   gives the box 90, -90, 180, -180); Closed is stored.
    // - gitBLOB: the meta block and the bytes are appended. With FromFile the
    //   bytes come from the file Meta.FilePath; TimeStamp becomes the file's
    //   modification time and DataSize the number of bytes copied. Otherwise
    //   DataLen bytes are copied from Data.
    // - gitTown, gitUndefined: no data block; the box is stored as given.
    // OnPercentDone gets 0, intermediate values and 100.
    // Errors: EPYXGeoDBError for non-finite coordinates, a negative DataLen,
    // or a data file that would pass 2 GiB (nothing written), and
    // "Component \"NAME\": AddData: cannot open database." when the header
    // cannot be written; vcl::EInOutError for an unreadable BLOB source and
    // other file errors (data already appended stays unreferenced).
    int32_t AddData(const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed, TgdbItem Kind, uint8_t AttrByte,
                    vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow, float LatHigh, float LongLow,
                    float LongHigh, float AttrFloat, int32_t AttrInt2, const TMetaInfo& Meta, const void* Data,
                    int32_t DataLen, bool FromFile);
    // Replaces entry Entry (1..NumEntries) by a new record built as in
    // AddData; the identifier is kept and the header is not touched. The new
    // data block is appended; the old one stays unreferenced until
    // GarbageCollection. Does nothing when no database is open or Entry is
    // out of range.
    void ReplaceData(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed, TgdbItem Kind,
                     uint8_t AttrByte, vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow, float LatHigh,
                     float LongLow, float LongHigh, float AttrFloat, int32_t AttrInt2, const TMetaInfo& Meta,
                     const void* Data, int32_t DataLen, bool FromFile);

    // Kind-specific forms of AddData / ReplaceData.
    int32_t AddBorder(const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed, vcl::TDateTime TimeStamp,
                      int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                      uint8_t AttrByte, int32_t AttrInt2);
    int32_t AddCity(const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed, vcl::TDateTime TimeStamp,
                    int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                    uint8_t AttrByte, int32_t AttrInt2);
    // Lakes are always closed; rivers, roads and routes never.
    int32_t AddLake(const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                    float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                    int32_t AttrInt2);
    int32_t AddRiver(const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                     float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                     int32_t AttrInt2);
    int32_t AddRoad(const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                    float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                    int32_t AttrInt2);
    int32_t AddRoute(const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                     float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                     int32_t AttrInt2);
    // A town is one location: LatLow = LatHigh = Location.Lat, LongLow =
    // LongHigh = Location.Long.
    int32_t AddTown(const TgdbName& Name, vcl::TDateTime TimeStamp, int32_t AttrInt1, TSCoords Location,
                    float AttrFloat, uint8_t AttrByte, int32_t AttrInt2);
    // BLOBs from a file: the name is the file-name part of FileName (or of
    // BlobName); the stored meta FilePath is FileName cut to 127 bytes (or
    // StoredPath), while the bytes are read from the full FileName. The time
    // stamp is the file's modification time; TimeStamp is ignored.
    int32_t AddBLOB(const std::string& FileName, vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow,
                    float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2,
                    const TMetaInfo& Meta);
    int32_t AddBLOB(const std::string& FileName, const std::string& BlobName, vcl::TDateTime TimeStamp,
                    int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                    uint8_t AttrByte, int32_t AttrInt2, const TMetaInfo& Meta);
    int32_t AddBLOB(const std::string& FileName, const std::string& BlobName, const std::string& StoredPath,
                    vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow, float LatHigh, float LongLow,
                    float LongHigh, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2, const TMetaInfo& Meta);
    // BLOBs from memory: DataLen bytes at Data, or the whole content of Stream
    // (whatever its position).
    int32_t AddBLOB(const TgdbName& BlobName, vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow,
                    float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2,
                    const TMetaInfo& Meta, const void* Data, int32_t DataLen);
    int32_t AddBLOB(const TgdbName& BlobName, vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow,
                    float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2,
                    const TMetaInfo& Meta, const vcl::TMemoryStream& Stream);

    void ReplaceBorder(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed,
                       vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow, float LatHigh, float LongLow,
                       float LongHigh, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2);
    void ReplaceCity(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed,
                     vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow, float LatHigh, float LongLow,
                     float LongHigh, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2);
    void ReplaceLake(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp,
                     int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                     uint8_t AttrByte, int32_t AttrInt2);
    void ReplaceRiver(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp,
                      int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                      uint8_t AttrByte, int32_t AttrInt2);
    void ReplaceRoad(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp,
                     int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                     uint8_t AttrByte, int32_t AttrInt2);
    void ReplaceRoute(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp,
                      int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                      uint8_t AttrByte, int32_t AttrInt2);
    void ReplaceTown(int32_t Entry, const TgdbName& Name, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                     TSCoords Location, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2);
    void ReplaceBLOB(int32_t Entry, const std::string& FileName, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                     float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                     int32_t AttrInt2, const TMetaInfo& Meta);
    void ReplaceBLOB(int32_t Entry, const TgdbName& BlobName, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                     float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                     int32_t AttrInt2, const TMetaInfo& Meta, const void* Data, int32_t DataLen);
    void ReplaceBLOB(int32_t Entry, const TgdbName& BlobName, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                     float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                     int32_t AttrInt2, const TMetaInfo& Meta, const vcl::TMemoryStream& Stream);

    // Removes entry Entry: the last entry moves into its place (taking its
    // number) and the data block stays unreferenced. Does nothing when no
    // database is open or Entry is out of range.
    void DeleteData(int32_t Entry);

    // Rewrites the summary record of entry Entry from Data, keeping the
    // entry's ItemID, Kind, FilePos, DataSize and Closed (the parts that tie
    // it to its data block), and re-indexes it. The name is cut to 59 bytes.
    // Non-finite box values raise EPYXGeoDBError; a box of a polygon kind
    // is taken as given. Does nothing for an out-of-range entry.
    void UpdateBasicData(int32_t Entry, const TgdbData& Data);

    // ---- Retrieving --------------------------------------------------------
    //
    // All return false when no database is open, Entry is outside
    // 1..NumEntries or the entry has no data block of the wanted kind. A data
    // block that lies outside the data file raises EPYXGeoDBError.

    // The points of a polygon entry.
    bool RetrievePolygon(int32_t Entry, TgdbPolygon& Polygon);
    // Writes the BLOB bytes to FileName (through a temporary renamed over
    // it). An empty FileName or one ending in "/" gets the entry's name
    // reduced to file-name characters appended; a result that is empty,
    // "." or ".." raises "Component \"NAME\": RetrieveBLOB: invalid filename.".
    bool RetrieveBLOB(int32_t Entry, const std::string& FileName, TMetaInfo& Meta);
    // Copies the bytes into a caller buffer of SizeOfBlobData bytes; a smaller
    // buffer raises "Component \"NAME\": RetrieveBLOB: BLOB to be retrieved is
    // larger than SizeOfBlobData." after Meta is filled.
    bool RetrieveBLOB(int32_t Entry, TMetaInfo& Meta, void* Data, int32_t SizeOfBlobData);
    // Replaces the stream's content by the bytes, position 0. The stream is
    // left untouched for an entry that is not a BLOB.
    bool RetrieveBLOB(int32_t Entry, TMetaInfo& Meta, vcl::TMemoryStream& Stream);

    // The meta block of a BLOB entry; false (Meta cleared) for other entries.
    bool GetMetaInfo(int32_t Entry, TMetaInfo& Meta);
    // Overwrites the meta block of a BLOB entry in place; false for other
    // entries or when nothing is open.
    bool UpdateMetaInfo(int32_t Entry, const TMetaInfo& Meta);

    // ---- Indexes and searches ---------------------------------------------

    // Index maintenance used by adding, replacing and deleting.
    // RemoveIndexEntries takes entry Entry's record out of each of the five
    // indexes, moving the later records down and leaving a stale copy in the
    // last slot; InsertIntoIndex then inserts Data's keys for entry Entry,
    // filling that slot. Used as that pair (or after lengthening every index
    // by one) they re-index an entry; used otherwise they leave the indexes
    // inconsistent until RecalcIndexes. SortIxInto and SortIxItemIDInto
    // expect an array already lengthened by one whose other records are
    // sorted, and store Rec after the records with keys not above its own.
    void InsertIntoIndex(int32_t Entry, const TgdbData& Data);
    void RemoveIndexEntries(int32_t Entry);
    static void SortIxInto(TIxLLRecArray& Arr, const TIxLLRec& Rec);
    static void SortIxItemIDInto(TIxItemIDRecArray& Arr, const TIxItemIDRec& Rec);

    // 1-based position of the first index record whose key is not below the
    // value (the value is rounded to single first); NumEntries + 1 when all
    // keys are below it, 1 for an empty index.
    int32_t GetClosestLatLowIx(double Value) const;
    int32_t GetClosestLatHighIx(double Value) const;
    int32_t GetClosestLongLowIx(double Value) const;
    int32_t GetClosestLongHighIx(double Value) const;
    int32_t GetClosestItemIDIx(int32_t ItemID) const;
    // The entry number of the item with this identifier, 0 when none.
    int32_t SearchForItemID(int32_t ItemID) const;

    // Name search. Returns the first entry from StartEntry on (values below 1
    // start at 1) whose name, with surrounding spaces trimmed, matches Name
    // (ASCII and cp1252 letters compared case-insensitively) and whose kind is
    // Kind (gitUndefined: any kind). Mode 0: whole name, 1: name starts with
    // Name, 2: name contains Name; other modes as 0. 0 when none matches.
    int32_t SearchData(const TgdbName& Name, TgdbItem Kind, int32_t StartEntry, uint8_t Mode) const;
    // The first entry of any kind whose whole name matches.
    int32_t SearchData(const TgdbName& Name) const;

    // Area search: the entry numbers, ascending, of the items whose bounding
    // box meets the area LatLow..LatHigh, LongLow..LongHigh (edges included;
    // the bounds are rounded to single) and whose kind is Kind (gitUndefined:
    // any). An area with LatLow > LatHigh or LongLow > LongHigh, or with a
    // NaN bound, finds nothing. An in-memory spatial tree over the boxes is
    // built on first use and after changes; it is never stored.
    void SearchArea(double LatLow, double LatHigh, double LongLow, double LongHigh, std::vector<int32_t>& Entries,
                    TgdbItem Kind = gitUndefined) const;

    // ---- Maintenance ---------------------------------------------------------

    // Rebuilds the five indexes from the summary records (equal keys in
    // entry order) and, unless LazyWrite, saves them.
    void RecalcIndexes();
    // Compacts the data file: the blocks still referenced are copied in entry
    // order into a new data file right after the header, the summary is
    // rewritten with the new positions, and both replace the old files
    // through temporaries. Returns the number of bytes freed. Reports
    // progress. Does nothing (0) when no database is open.
    int64_t GarbageCollection();
    // Writes a readable listing (header, then one line per entry in entry
    // order with its fields and kind name) to FileName.
    void ExportDataDebug(const std::string& FileName);

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
    void Report(int32_t Percent);
    void CheckWritable(const char* Routine) const;
    TgdbData BuildRecord(const char* Routine, const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed,
                         TgdbItem Kind, uint8_t AttrByte, vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow,
                         float LatHigh, float LongLow, float LongHigh, float AttrFloat, int32_t AttrInt2,
                         const void* Data, int32_t DataLen, bool FromFile, const TMetaInfo& Meta);
    void WriteBlock(TgdbData& Rec, const TgdbPolygon& Polygon, const TMetaInfo& Meta, const void* Data,
                    int32_t DataLen, bool FromFile);
    void WriteSumRecord(int32_t Pos, const TgdbData& Rec);
    void FlushPending();
    void EnsureSorted() const;
    void CheckBlock(const TgdbData& D, const char* Routine) const;
    int32_t CheckedEntry(int32_t Entry) const;
    void SaveAllIndexesUnlessLazy();
    void InvalidateTree() noexcept { treeValid_ = false; }
    void BuildTree() const;
    std::string Err(const std::string& Routine, const std::string& What) const;

    bool lazyWrite_ = false;
    std::string base_;                 // path without extension while open
    std::string pathSum_;              // summary file path (empty: closed)
    int lockFd_ = -1;                  // descriptor holding the lock on the summary file
    TgdbHeader header_;
    std::vector<TgdbData> sum_;
    mutable TIxItemIDRecArray ixID_;
    mutable std::array<TIxLLRecArray, 4> ixLL_; // LatLow, LatHigh, LongLow, LongHigh
    std::array<bool, 5> unsaved_{};    // index changed since last written
    int dataFd_ = -1;                  // data file, kept open with the database
    bool readOnly_ = false;            // the files could only be opened for reading
    int64_t dataSize_ = 0;             // current size of the data file
    // LazyWrite batches: summary records from entry pendFrom_ on are only in
    // memory; the header is written with them.
    int32_t pendFrom_ = -1;
    bool headerDirty_ = false;
    // Under LazyWrite the indexes get new records appended at their ends;
    // records from ixSorted_ on are merged in before any use.
    mutable size_t ixSorted_ = 0;
    // Spatial tree of the area search (derived, in memory only).
    struct TNode {
        float LatLow, LatHigh, LongLow, LongHigh;
        uint32_t First, Count;         // children (inner node) or items (leaf)
    };
    mutable bool treeValid_ = false;
    mutable std::vector<TNode> tree_;  // level by level, leaves first, root last
    mutable std::vector<int32_t> treeItems_;
    mutable std::vector<std::array<float, 4>> treeBoxes_;
    mutable std::vector<size_t> treeLevels_; // start of each level in tree_
    mutable int64_t staleWork_ = 0;     // records scanned since the tree went stale
};

// "48.20000 N" and the like: the angle clamped to -90..90 (-180..180) and
// written with numkit's DegreeToStr, then " N"/" S" (" E"/" W"); zero is north
// (east).
std::string GeoLatitude(double Lat, PYX_pyxbase::TDegreeFormat Format, int32_t Decimals);
std::string GeoLongitude(double Long, PYX_pyxbase::TDegreeFormat Format, int32_t Decimals);

} // namespace PYX_GeoDB
