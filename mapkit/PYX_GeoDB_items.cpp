// The geographic database component: adding, replacing, deleting and reading
// back items, the meta blocks of BLOBs, the batching of writes under
// LazyWrite and the compaction of the data file.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "corekit/PYX_stringl.h"
#include "mapkit/PYX_GeoDB.h"
#include "mapkit/internal/GeoDBFormat.h"
#include "vcl/System.h"

namespace PYX_GeoDB {

using namespace detail;

namespace {

constexpr int64_t BlobBlock = 16384;       // bytes moved per read or write of a BLOB
constexpr int64_t PointBlock = 2048;       // points per read or write of a polygon
constexpr size_t PendingLimit = 8192;      // summary records collected under LazyWrite
constexpr int64_t MaxFilePos = std::numeric_limits<int32_t>::max();

int32_t Percent(int64_t Done, int64_t Total) noexcept
{
    if (Total <= 0) return 100;
    return std::clamp(vcl::SatRound(static_cast<double>(Done) * 100.0 / static_cast<double>(Total)), 0, 100);
}

bool Finite(float a, float b, float c, float d) noexcept
{
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

std::string FileNamePart(const std::string& Path)
{
    auto k = Path.find_last_of('/');
    return k == std::string::npos ? Path : Path.substr(k + 1);
}

// Reports percentages to a callback only when they change.
class TProgress {
public:
    explicit TProgress(const std::function<void(int32_t)>& Report) : report_(Report) {}
    void Set(int32_t P)
    {
        if (P != last_) {
            last_ = P;
            report_(P);
        }
    }

private:
    const std::function<void(int32_t)>& report_;
    int32_t last_ = 0;
};

// A file written beside Target under a temporary name and renamed over it
// on Commit; removed when not committed.
class TTempFile {
public:
    explicit TTempFile(const std::string& Target) : target_(Target)
    {
        static std::atomic<uint32_t> counter{0};
        std::string dir, file = Target;
        if (auto slash = Target.rfind('/'); slash != std::string::npos) {
            dir = Target.substr(0, slash + 1);
            file = Target.substr(slash + 1);
        }
        for (int attempt = 0; !fd_; ++attempt) {
            path_ = dir + "." + file + "." + std::to_string(::getpid()) + "." +
                    std::to_string(counter.fetch_add(1, std::memory_order_relaxed)) + ".tmp";
            int f = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (f >= 0) fd_ = TFd(f);
            else if (errno != EEXIST || attempt > 100) RaiseIO("Cannot create file", path_, errno);
        }
    }
    ~TTempFile()
    {
        if (!committed_) ::unlink(path_.c_str());
    }
    int Fd() const noexcept { return fd_.Get(); }
    const std::string& Path() const noexcept { return path_; }
    void Commit()
    {
        if (::fsync(fd_.Get()) != 0) RaiseIO("Cannot write file", path_, errno);
        int f = fd_.Release();
        if (::close(f) != 0) RaiseIO("Cannot write file", path_, errno);
        if (::rename(path_.c_str(), target_.c_str()) != 0) RaiseIO("Cannot replace file", target_, errno);
        committed_ = true;
    }

private:
    std::string target_, path_;
    TFd fd_;
    bool committed_ = false;
};

// Size in bytes of the data block of a record; 0 when it has none.
int64_t BlockBytes(const TgdbData& D) noexcept
{
    if (D.FilePos < 0) return 0;
    if (IsPolygonKind(D.Kind)) return int64_t(D.DataSize) * PointSize;
    if (D.Kind == gitBLOB) return MetaSize + D.DataSize;
    return 0;
}

} // namespace

std::string TGeoDB::Err(const std::string& Routine, const std::string& What) const
{
    return "Component \"" + GetName() + "\": " + Routine + ": " + What + ".";
}

void TGeoDB::Report(int32_t Percent)
{
    if (OnPercentDone) OnPercentDone(this, Percent);
}

void TGeoDB::CheckWritable(const char* Routine) const
{
    if (readOnly_) throw EPYXGeoDBError(Err(Routine, "the database is read-only"));
}

int32_t TGeoDB::CheckedEntry(int32_t Entry) const
{
    return IsOpen() && Entry >= 1 && Entry <= GetNumEntries() ? Entry : 0;
}

void TGeoDB::CheckBlock(const TgdbData& D, const char* Routine) const
{
    const int64_t bytes = BlockBytes(D);
    if (D.FilePos < HeaderSize || D.DataSize < 0 || D.FilePos + bytes > dataSize_)
        throw EPYXGeoDBError(Err(Routine, "corrupt database: the data block of item " + std::to_string(D.ItemID) +
                                              " lies outside the data file"));
}

// ---------------------------------------------------------------------------
// Writing

TgdbData TGeoDB::BuildRecord(const char* Routine, const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed,
                             TgdbItem Kind, uint8_t AttrByte, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                             float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                             int32_t AttrInt2, const void* Data, int32_t DataLen, bool FromFile,
                             const TMetaInfo& Meta)
{
    TgdbData r;
    r.Kind = Kind > gitUndefined ? gitUndefined : Kind;
    r.Name = Name.substr(0, GdbNameRoom);
    r.AttrByte = AttrByte;
    r.TimeStamp = TimeStamp;
    r.AttrInt1 = AttrInt1;
    r.AttrInt2 = AttrInt2;
    r.AttrFloat = AttrFloat;
    r.FilePos = -1;
    if (IsPolygonKind(r.Kind)) {
        r.Closed = Closed;
        r.LatLow = 90;
        r.LatHigh = -90;
        r.LongLow = 180;
        r.LongHigh = -180;
        for (const TSCoords& p : Polygon) {
            if (!std::isfinite(p.Lat) || !std::isfinite(p.Long))
                throw EPYXGeoDBError(Err(Routine, "a point of the polygon is not a finite number"));
            r.LatLow = std::min(r.LatLow, p.Lat);
            r.LatHigh = std::max(r.LatHigh, p.Lat);
            r.LongLow = std::min(r.LongLow, p.Long);
            r.LongHigh = std::max(r.LongHigh, p.Long);
        }
        if (Polygon.size() > static_cast<size_t>(MaxFilePos / PointSize))
            throw EPYXGeoDBError(Err(Routine, "the polygon is too large"));
        r.DataSize = static_cast<int32_t>(Polygon.size());
    } else {
        if (!Finite(LatLow, LatHigh, LongLow, LongHigh))
            throw EPYXGeoDBError(Err(Routine, "a coordinate is not a finite number"));
        r.LatLow = LatLow;
        r.LatHigh = LatHigh;
        r.LongLow = LongLow;
        r.LongHigh = LongHigh;
        if (r.Kind == gitBLOB && !FromFile) {
            if (DataLen < 0 || (DataLen > 0 && Data == nullptr))
                throw EPYXGeoDBError(Err(Routine, "invalid BLOB data"));
            r.DataSize = DataLen;
        }
        if (r.Kind == gitBLOB && FromFile) {
            if (Meta.FilePath.empty()) throw EPYXGeoDBError(Err(Routine, "no file name given"));
            // A source that cannot be opened is reported before anything is written.
            if (!OpenExisting(Meta.FilePath, O_RDONLY)) RaiseIO("Cannot open file", Meta.FilePath, ENOENT);
        }
    }
    return r;
}

void TGeoDB::WriteBlock(TgdbData& Rec, const TgdbPolygon& Polygon, const TMetaInfo& Meta, const void* Data,
                        int32_t DataLen, bool FromFile)
{
    const std::string dataPath = FilePath(6);
    std::function<void(int32_t)> report = [this](int32_t p) { Report(p); };
    TProgress progress(report);
    auto tooLarge = [&] { return EPYXGeoDBError(Err("AddData", "the data file would exceed 2 GiB")); };

    if (IsPolygonKind(Rec.Kind)) {
        const int64_t n = static_cast<int64_t>(Polygon.size());
        if (dataSize_ + n * PointSize > MaxFilePos) throw tooLarge();
        Rec.FilePos = static_cast<int32_t>(dataSize_);
        std::vector<uint8_t> buf;
        for (int64_t k = 0; k < n;) {
            const int64_t m = std::min(PointBlock, n - k);
            buf.resize(static_cast<size_t>(m * PointSize));
            for (int64_t j = 0; j < m; ++j) EncodePoint(Polygon[static_cast<size_t>(k + j)], buf.data() + j * PointSize);
            WriteAt(dataFd_, buf.data(), m * PointSize, dataSize_ + k * PointSize, dataPath);
            k += m;
            progress.Set(Percent(k, n));
        }
        dataSize_ += n * PointSize;
        return;
    }
    if (Rec.Kind != gitBLOB) return;

    uint8_t meta[MetaSize];
    if (!FromFile) {
        if (dataSize_ + MetaSize + DataLen > MaxFilePos) throw tooLarge();
        EncodeMetaInfo(Meta, meta);
        const int64_t pos = dataSize_;
        WriteAt(dataFd_, meta, MetaSize, pos, dataPath);
        const auto* src = static_cast<const uint8_t*>(Data);
        for (int64_t k = 0; k < DataLen;) {
            const int64_t m = std::min<int64_t>(BlobBlock, DataLen - k);
            WriteAt(dataFd_, src + k, m, pos + MetaSize + k, dataPath);
            k += m;
            progress.Set(Percent(k, DataLen));
        }
        Rec.FilePos = static_cast<int32_t>(pos);
        Rec.DataSize = DataLen;
        dataSize_ += MetaSize + DataLen;
        return;
    }

    // From a file: the bytes come from the full name; the stored path is cut
    // to its room by the codec. DataSize is what was actually copied.
    const std::string& source = Meta.FilePath;
    TFd in = OpenExisting(source, O_RDONLY);
    if (!in) RaiseIO("Cannot open file", source, ENOENT);
    struct stat st;
    if (::fstat(in.Get(), &st) != 0) RaiseIO("Cannot read file", source, errno);
    const int64_t expected = st.st_size;
    if (dataSize_ + MetaSize + expected > MaxFilePos) throw tooLarge();
    Rec.TimeStamp = vcl::UnixToDateTime(st.st_mtime);
    EncodeMetaInfo(Meta, meta);
    const int64_t pos = dataSize_;
    WriteAt(dataFd_, meta, MetaSize, pos, dataPath);
    std::vector<uint8_t> buf(BlobBlock);
    int64_t copied = 0;
    for (;;) {
        ssize_t got = ::read(in.Get(), buf.data(), buf.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) RaiseIO("Cannot read file", source, errno);
        if (got == 0) break;
        if (pos + MetaSize + copied + got > MaxFilePos) throw tooLarge();
        WriteAt(dataFd_, buf.data(), got, pos + MetaSize + copied, dataPath);
        copied += got;
        progress.Set(Percent(copied, std::max(expected, copied)));
    }
    Rec.FilePos = static_cast<int32_t>(pos);
    Rec.DataSize = static_cast<int32_t>(copied);
    dataSize_ += MetaSize + copied;
}

void TGeoDB::WriteSumRecord(int32_t Pos, const TgdbData& Rec)
{
    const bool append = Pos == GetNumEntries() - 1;
    if (lazyWrite_ && append) {
        if (pendFrom_ < 0) pendFrom_ = Pos;
        if (static_cast<size_t>(GetNumEntries() - pendFrom_) >= PendingLimit) FlushPending();
        return;
    }
    FlushPending();
    uint8_t b[SumRecSize];
    EncodeGdbData(Rec, b);
    WriteAt(lockFd_, b, SumRecSize, int64_t(Pos) * SumRecSize, pathSum_);
}

void TGeoDB::FlushPending()
{
    if (!IsOpen()) return;
    // The header goes first, so that no stored record carries an identifier
    // above the stored LastItemID.
    if (headerDirty_) WriteHeader("AddData");
    if (pendFrom_ < 0) return;
    const size_t from = static_cast<size_t>(pendFrom_);
    std::vector<uint8_t> bytes((sum_.size() - from) * SumRecSize);
    for (size_t e = from; e < sum_.size(); ++e) EncodeGdbData(sum_[e], bytes.data() + (e - from) * SumRecSize);
    WriteAt(lockFd_, bytes.data(), static_cast<int64_t>(bytes.size()), int64_t(from) * SumRecSize, pathSum_);
    pendFrom_ = -1;
}

void TGeoDB::SaveAllIndexesUnlessLazy()
{
    if (lazyWrite_) return;
    for (int i = 0; i < 5; ++i) SaveIndex(i);
}

int32_t TGeoDB::AddData(const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed, TgdbItem Kind,
                        uint8_t AttrByte, vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow, float LatHigh,
                        float LongLow, float LongHigh, float AttrFloat, int32_t AttrInt2, const TMetaInfo& Meta,
                        const void* Data, int32_t DataLen, bool FromFile)
{
    if (!IsOpen()) return -1;
    CheckWritable("AddData");
    if (GetNumEntries() == std::numeric_limits<int32_t>::max() ||
        header_.LastItemID == std::numeric_limits<int32_t>::max())
        throw EPYXGeoDBError(Err("AddData", "the database is full"));
    TgdbData rec = BuildRecord("AddData", Name, Polygon, Closed, Kind, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh,
                               LongLow, LongHigh, AttrFloat, AttrInt2, Data, DataLen, FromFile, Meta);
    Report(0);
    ++header_.LastItemID;
    if (lazyWrite_) headerDirty_ = true;
    else WriteHeader("AddData");
    rec.ItemID = header_.LastItemID;
    WriteBlock(rec, Polygon, Meta, Data, DataLen, FromFile);

    sum_.push_back(rec);
    const int32_t e = GetNumEntries();
    try {
        WriteSumRecord(e - 1, rec);
    } catch (...) {
        sum_.pop_back();
        if (pendFrom_ >= e - 1) pendFrom_ = -1;
        throw;
    }
    if (lazyWrite_) {
        // Appended unsorted; merged in once before the next use.
        ixID_.push_back({rec.ItemID, e - 1});
        for (int w = 0; w < 4; ++w) {
            const float key = w == 0 ? rec.LatLow : w == 1 ? rec.LatHigh : w == 2 ? rec.LongLow : rec.LongHigh;
            ixLL_[static_cast<size_t>(w)].push_back({key, e - 1});
        }
    } else {
        EnsureSorted();
        ixID_.emplace_back();
        for (auto& ix : ixLL_) ix.emplace_back();
        InsertIntoIndex(e, rec);
        ixSorted_ = sum_.size();
    }
    unsaved_.fill(true);
    InvalidateTree();
    SaveAllIndexesUnlessLazy();
    Report(100);
    return e;
}

void TGeoDB::ReplaceData(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed, TgdbItem Kind,
                         uint8_t AttrByte, vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow, float LatHigh,
                         float LongLow, float LongHigh, float AttrFloat, int32_t AttrInt2, const TMetaInfo& Meta,
                         const void* Data, int32_t DataLen, bool FromFile)
{
    if (!CheckedEntry(Entry)) return;
    CheckWritable("ReplaceData");
    TgdbData rec = BuildRecord("ReplaceData", Name, Polygon, Closed, Kind, AttrByte, TimeStamp, AttrInt1, LatLow,
                               LatHigh, LongLow, LongHigh, AttrFloat, AttrInt2, Data, DataLen, FromFile, Meta);
    Report(0);
    rec.ItemID = sum_[static_cast<size_t>(Entry - 1)].ItemID;
    WriteBlock(rec, Polygon, Meta, Data, DataLen, FromFile);
    WriteSumRecord(Entry - 1, rec);
    RemoveIndexEntries(Entry);
    sum_[static_cast<size_t>(Entry - 1)] = rec;
    InsertIntoIndex(Entry, rec);
    unsaved_.fill(true);
    InvalidateTree();
    SaveAllIndexesUnlessLazy();
    Report(100);
}

void TGeoDB::UpdateBasicData(int32_t Entry, const TgdbData& Data)
{
    if (!CheckedEntry(Entry)) return;
    CheckWritable("UpdateBasicData");
    if (!Finite(Data.LatLow, Data.LatHigh, Data.LongLow, Data.LongHigh))
        throw EPYXGeoDBError(Err("UpdateBasicData", "a coordinate is not a finite number"));
    const TgdbData& old = sum_[static_cast<size_t>(Entry - 1)];
    TgdbData rec = Data;
    rec.Name = rec.Name.substr(0, GdbNameRoom);
    rec.ItemID = old.ItemID;
    rec.Kind = old.Kind;
    rec.FilePos = old.FilePos;
    rec.DataSize = old.DataSize;
    rec.Closed = old.Closed;
    WriteSumRecord(Entry - 1, rec);
    RemoveIndexEntries(Entry);
    sum_[static_cast<size_t>(Entry - 1)] = rec;
    InsertIntoIndex(Entry, rec);
    unsaved_.fill(true);
    InvalidateTree();
    SaveAllIndexesUnlessLazy();
}

void TGeoDB::DeleteData(int32_t Entry)
{
    if (!CheckedEntry(Entry)) return;
    CheckWritable("DeleteData");
    FlushPending();
    const int32_t n = GetNumEntries();
    // On disk: the last record moves into the gap, then the file is cut.
    if (Entry != n) {
        uint8_t b[SumRecSize];
        EncodeGdbData(sum_[static_cast<size_t>(n - 1)], b);
        WriteAt(lockFd_, b, SumRecSize, int64_t(Entry - 1) * SumRecSize, pathSum_);
    }
    if (::ftruncate(lockFd_, int64_t(n - 1) * SumRecSize) != 0) RaiseIO("Cannot write file", pathSum_, errno);

    RemoveIndexEntries(Entry);
    if (Entry != n) {
        const TgdbData& moved = sum_[static_cast<size_t>(n - 1)];
        // The moved entry's records (in the first n-1 places) take the new number.
        auto renumberLL = [&](TIxLLRecArray& ix, float key) {
            auto end = ix.begin() + (n - 1);
            auto lo = std::lower_bound(ix.begin(), end, key, [](const TIxLLRec& r, float k) { return r.Value < k; });
            for (auto it = lo; it != end && it->Value == key; ++it)
                if (it->RecIndex == n - 1) {
                    it->RecIndex = Entry - 1;
                    return;
                }
        };
        auto lo = std::lower_bound(ixID_.begin(), ixID_.begin() + (n - 1), moved.ItemID,
                                   [](const TIxItemIDRec& r, int32_t k) { return r.ItemID < k; });
        for (auto it = lo; it != ixID_.begin() + (n - 1) && it->ItemID == moved.ItemID; ++it)
            if (it->RecIndex == n - 1) {
                it->RecIndex = Entry - 1;
                break;
            }
        renumberLL(ixLL_[0], moved.LatLow);
        renumberLL(ixLL_[1], moved.LatHigh);
        renumberLL(ixLL_[2], moved.LongLow);
        renumberLL(ixLL_[3], moved.LongHigh);
        sum_[static_cast<size_t>(Entry - 1)] = moved;
    }
    sum_.pop_back();
    ixID_.resize(sum_.size());
    for (auto& ix : ixLL_) ix.resize(sum_.size());
    ixSorted_ = sum_.size();
    unsaved_.fill(true);
    InvalidateTree();
    SaveAllIndexesUnlessLazy();
}

// ---------------------------------------------------------------------------
// Kind-specific forms

namespace {
const TgdbPolygon NoPolygon;
const TMetaInfo NoMeta;
} // namespace

int32_t TGeoDB::AddBorder(const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed, vcl::TDateTime TimeStamp,
                          int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh,
                          float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    return AddData(Name, Polygon, Closed, gitBorder, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow,
                   LongHigh, AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
int32_t TGeoDB::AddCity(const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed, vcl::TDateTime TimeStamp,
                        int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                        uint8_t AttrByte, int32_t AttrInt2)
{
    return AddData(Name, Polygon, Closed, gitCity, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow, LongHigh,
                   AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
int32_t TGeoDB::AddLake(const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                        float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                        int32_t AttrInt2)
{
    return AddData(Name, Polygon, true, gitLake, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow, LongHigh,
                   AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
int32_t TGeoDB::AddRiver(const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp,
                         int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh,
                         float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    return AddData(Name, Polygon, false, gitRiver, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow, LongHigh,
                   AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
int32_t TGeoDB::AddRoad(const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                        float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                        int32_t AttrInt2)
{
    return AddData(Name, Polygon, false, gitRoad, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow, LongHigh,
                   AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
int32_t TGeoDB::AddRoute(const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp,
                         int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh,
                         float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    return AddData(Name, Polygon, false, gitRoute, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow, LongHigh,
                   AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
int32_t TGeoDB::AddTown(const TgdbName& Name, vcl::TDateTime TimeStamp, int32_t AttrInt1, TSCoords Location,
                        float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    return AddData(Name, NoPolygon, false, gitTown, AttrByte, TimeStamp, AttrInt1, Location.Lat, Location.Lat,
                   Location.Long, Location.Long, AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
int32_t TGeoDB::AddBLOB(const std::string& FileName, vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow,
                        float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                        int32_t AttrInt2, const TMetaInfo& Meta)
{
    return AddBLOB(FileName, FileName, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow, LongHigh, AttrFloat, AttrByte,
                   AttrInt2, Meta);
}
int32_t TGeoDB::AddBLOB(const std::string& FileName, const std::string& BlobName, vcl::TDateTime TimeStamp,
                        int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                        uint8_t AttrByte, int32_t AttrInt2, const TMetaInfo& Meta)
{
    TMetaInfo m = Meta;
    m.FilePath = FileName;
    return AddData(FileNamePart(BlobName), NoPolygon, false, gitBLOB, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh,
                   LongLow, LongHigh, AttrFloat, AttrInt2, m, nullptr, 0, true);
}
int32_t TGeoDB::AddBLOB(const std::string& FileName, const std::string& BlobName, const std::string& StoredPath,
                        vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow, float LatHigh, float LongLow,
                        float LongHigh, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2, const TMetaInfo& Meta)
{
    const int32_t e = AddBLOB(FileName, BlobName, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow, LongHigh, AttrFloat,
                              AttrByte, AttrInt2, Meta);
    if (e > 0) {
        TMetaInfo m;
        GetMetaInfo(e, m);
        m.FilePath = StoredPath;
        UpdateMetaInfo(e, m);
    }
    return e;
}
int32_t TGeoDB::AddBLOB(const TgdbName& BlobName, vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow,
                        float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                        int32_t AttrInt2, const TMetaInfo& Meta, const void* Data, int32_t DataLen)
{
    return AddData(BlobName, NoPolygon, false, gitBLOB, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow,
                   LongHigh, AttrFloat, AttrInt2, Meta, Data, DataLen, false);
}
int32_t TGeoDB::AddBLOB(const TgdbName& BlobName, vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow,
                        float LatHigh, float LongLow, float LongHigh, float AttrFloat, uint8_t AttrByte,
                        int32_t AttrInt2, const TMetaInfo& Meta, const vcl::TMemoryStream& Stream)
{
    const auto& b = Stream.Bytes();
    if (b.size() > static_cast<size_t>(MaxFilePos)) throw EPYXGeoDBError(Err("AddData", "the BLOB is too large"));
    return AddBLOB(BlobName, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow, LongHigh, AttrFloat, AttrByte, AttrInt2,
                   Meta, b.data(), static_cast<int32_t>(b.size()));
}

void TGeoDB::ReplaceBorder(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed,
                           vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow, float LatHigh, float LongLow,
                           float LongHigh, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    ReplaceData(Entry, Name, Polygon, Closed, gitBorder, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow,
                LongHigh, AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
void TGeoDB::ReplaceCity(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, bool Closed,
                         vcl::TDateTime TimeStamp, int32_t AttrInt1, float LatLow, float LatHigh, float LongLow,
                         float LongHigh, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    ReplaceData(Entry, Name, Polygon, Closed, gitCity, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow,
                LongHigh, AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
void TGeoDB::ReplaceLake(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp,
                         int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh,
                         float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    ReplaceData(Entry, Name, Polygon, true, gitLake, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow,
                LongHigh, AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
void TGeoDB::ReplaceRiver(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp,
                          int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh,
                          float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    ReplaceData(Entry, Name, Polygon, false, gitRiver, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow,
                LongHigh, AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
void TGeoDB::ReplaceRoad(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp,
                         int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh,
                         float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    ReplaceData(Entry, Name, Polygon, false, gitRoad, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow,
                LongHigh, AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
void TGeoDB::ReplaceRoute(int32_t Entry, const TgdbName& Name, const TgdbPolygon& Polygon, vcl::TDateTime TimeStamp,
                          int32_t AttrInt1, float LatLow, float LatHigh, float LongLow, float LongHigh,
                          float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    ReplaceData(Entry, Name, Polygon, false, gitRoute, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow,
                LongHigh, AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
void TGeoDB::ReplaceTown(int32_t Entry, const TgdbName& Name, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                         TSCoords Location, float AttrFloat, uint8_t AttrByte, int32_t AttrInt2)
{
    ReplaceData(Entry, Name, NoPolygon, false, gitTown, AttrByte, TimeStamp, AttrInt1, Location.Lat, Location.Lat,
                Location.Long, Location.Long, AttrFloat, AttrInt2, NoMeta, nullptr, 0, false);
}
void TGeoDB::ReplaceBLOB(int32_t Entry, const std::string& FileName, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                         float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                         uint8_t AttrByte, int32_t AttrInt2, const TMetaInfo& Meta)
{
    TMetaInfo m = Meta;
    m.FilePath = FileName;
    ReplaceData(Entry, FileNamePart(FileName), NoPolygon, false, gitBLOB, AttrByte, TimeStamp, AttrInt1, LatLow,
                LatHigh, LongLow, LongHigh, AttrFloat, AttrInt2, m, nullptr, 0, true);
}
void TGeoDB::ReplaceBLOB(int32_t Entry, const TgdbName& BlobName, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                         float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                         uint8_t AttrByte, int32_t AttrInt2, const TMetaInfo& Meta, const void* Data,
                         int32_t DataLen)
{
    ReplaceData(Entry, BlobName, NoPolygon, false, gitBLOB, AttrByte, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow,
                LongHigh, AttrFloat, AttrInt2, Meta, Data, DataLen, false);
}
void TGeoDB::ReplaceBLOB(int32_t Entry, const TgdbName& BlobName, vcl::TDateTime TimeStamp, int32_t AttrInt1,
                         float LatLow, float LatHigh, float LongLow, float LongHigh, float AttrFloat,
                         uint8_t AttrByte, int32_t AttrInt2, const TMetaInfo& Meta, const vcl::TMemoryStream& Stream)
{
    const auto& b = Stream.Bytes();
    if (b.size() > static_cast<size_t>(MaxFilePos)) throw EPYXGeoDBError(Err("ReplaceData", "the BLOB is too large"));
    ReplaceBLOB(Entry, BlobName, TimeStamp, AttrInt1, LatLow, LatHigh, LongLow, LongHigh, AttrFloat, AttrByte,
                AttrInt2, Meta, b.data(), static_cast<int32_t>(b.size()));
}

// ---------------------------------------------------------------------------
// Reading

bool TGeoDB::RetrievePolygon(int32_t Entry, TgdbPolygon& Polygon)
{
    if (!CheckedEntry(Entry)) return false;
    const TgdbData d = sum_[static_cast<size_t>(Entry - 1)];
    Report(0);
    bool ok = false;
    if (IsPolygonKind(d.Kind) && d.FilePos >= 0) {
        CheckBlock(d, "RetrievePolygon");
        std::function<void(int32_t)> report = [this](int32_t p) { Report(p); };
        TProgress progress(report);
        const int64_t n = d.DataSize;
        TgdbPolygon pts(static_cast<size_t>(n));
        std::vector<uint8_t> buf;
        for (int64_t k = 0; k < n;) {
            const int64_t m = std::min(PointBlock, n - k);
            buf.resize(static_cast<size_t>(m * PointSize));
            ReadAt(dataFd_, buf.data(), m * PointSize, d.FilePos + k * PointSize, FilePath(6));
            for (int64_t j = 0; j < m; ++j) pts[static_cast<size_t>(k + j)] = DecodePoint(buf.data() + j * PointSize);
            k += m;
            progress.Set(Percent(k, n));
        }
        Polygon = std::move(pts);
        ok = true;
    }
    Report(100);
    return ok;
}

bool TGeoDB::GetMetaInfo(int32_t Entry, TMetaInfo& Meta)
{
    ClearMetaInfo(Meta);
    if (!CheckedEntry(Entry)) return false;
    const TgdbData& d = sum_[static_cast<size_t>(Entry - 1)];
    if (d.Kind != gitBLOB || d.FilePos < 0) return false;
    CheckBlock(d, "GetMetaInfo");
    uint8_t b[MetaSize];
    ReadAt(dataFd_, b, MetaSize, d.FilePos, FilePath(6));
    Meta = DecodeMetaInfo(b);
    return true;
}

bool TGeoDB::UpdateMetaInfo(int32_t Entry, const TMetaInfo& Meta)
{
    if (!CheckedEntry(Entry)) return false;
    const TgdbData& d = sum_[static_cast<size_t>(Entry - 1)];
    if (d.Kind != gitBLOB || d.FilePos < 0) return false;
    CheckWritable("UpdateMetaInfo");
    CheckBlock(d, "UpdateMetaInfo");
    uint8_t b[MetaSize];
    EncodeMetaInfo(Meta, b);
    WriteAt(dataFd_, b, MetaSize, d.FilePos, FilePath(6));
    return true;
}

bool TGeoDB::RetrieveBLOB(int32_t Entry, const std::string& FileName, TMetaInfo& Meta)
{
    if (!CheckedEntry(Entry)) return false;
    const TgdbData d = sum_[static_cast<size_t>(Entry - 1)];
    if (d.Kind != gitBLOB || d.FilePos < 0) return false;
    Report(0);
    GetMetaInfo(Entry, Meta);
    std::string target = FileName;
    if (target.empty() || target.back() == '/') target += PYX_stringl::ReduceStringToFN83CompliantChars(d.Name);
    const std::string part = FileNamePart(target);
    if (part.empty() || part == "." || part == "..")
        throw EPYXGeoDBError(Err("RetrieveBLOB", "invalid filename"));
    std::function<void(int32_t)> report = [this](int32_t p) { Report(p); };
    TProgress progress(report);
    TTempFile out(target);
    std::vector<uint8_t> buf(BlobBlock);
    for (int64_t k = 0; k < d.DataSize;) {
        const int64_t m = std::min<int64_t>(BlobBlock, d.DataSize - k);
        ReadAt(dataFd_, buf.data(), m, d.FilePos + MetaSize + k, FilePath(6));
        WriteAt(out.Fd(), buf.data(), m, k, out.Path());
        k += m;
        progress.Set(Percent(k, d.DataSize));
    }
    out.Commit();
    Report(100);
    return true;
}

bool TGeoDB::RetrieveBLOB(int32_t Entry, TMetaInfo& Meta, void* Data, int32_t SizeOfBlobData)
{
    if (!CheckedEntry(Entry)) return false;
    const TgdbData d = sum_[static_cast<size_t>(Entry - 1)];
    Report(0);
    bool ok = false;
    if (d.Kind == gitBLOB && d.FilePos >= 0) {
        GetMetaInfo(Entry, Meta);
        if (SizeOfBlobData < d.DataSize || (Data == nullptr && d.DataSize > 0))
            throw EPYXGeoDBError(Err("RetrieveBLOB", "BLOB to be retrieved is larger than SizeOfBlobData"));
        std::function<void(int32_t)> report = [this](int32_t p) { Report(p); };
        TProgress progress(report);
        auto* dst = static_cast<uint8_t*>(Data);
        for (int64_t k = 0; k < d.DataSize;) {
            const int64_t m = std::min<int64_t>(BlobBlock, d.DataSize - k);
            ReadAt(dataFd_, dst + k, m, d.FilePos + MetaSize + k, FilePath(6));
            k += m;
            progress.Set(Percent(k, d.DataSize));
        }
        ok = true;
    }
    Report(100);
    return ok;
}

bool TGeoDB::RetrieveBLOB(int32_t Entry, TMetaInfo& Meta, vcl::TMemoryStream& Stream)
{
    if (!CheckedEntry(Entry)) return false;
    const TgdbData d = sum_[static_cast<size_t>(Entry - 1)];
    if (d.Kind != gitBLOB || d.FilePos < 0) return false;
    Report(0);
    GetMetaInfo(Entry, Meta);
    std::vector<uint8_t> bytes(static_cast<size_t>(d.DataSize));
    std::function<void(int32_t)> report = [this](int32_t p) { Report(p); };
    TProgress progress(report);
    for (int64_t k = 0; k < d.DataSize;) {
        const int64_t m = std::min<int64_t>(BlobBlock, d.DataSize - k);
        ReadAt(dataFd_, bytes.data() + k, m, d.FilePos + MetaSize + k, FilePath(6));
        k += m;
        progress.Set(Percent(k, d.DataSize));
    }
    Stream.Clear();
    if (!bytes.empty()) Stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    Stream.Seek(0, vcl::soBeginning);
    Report(100);
    return true;
}

// ---------------------------------------------------------------------------
// Compaction

int64_t TGeoDB::GarbageCollection()
{
    if (!IsOpen()) return 0;
    CheckWritable("GarbageCollection");
    FlushPending();
    Report(0);
    const std::string dataPath = FilePath(6);
    // Blocks are copied in the order of their positions, so a block that
    // does not move keeps its position.
    std::vector<size_t> order;
    int64_t total = 0;
    for (size_t e = 0; e < sum_.size(); ++e)
        if (sum_[e].FilePos >= 0 && (IsPolygonKind(sum_[e].Kind) || sum_[e].Kind == gitBLOB)) {
            CheckBlock(sum_[e], "GarbageCollection");
            order.push_back(e);
            total += BlockBytes(sum_[e]);
        }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return sum_[a].FilePos < sum_[b].FilePos; });

    std::vector<TgdbData> sum = sum_;
    const std::string newData = dataPath + ".new", newSum = pathSum_ + ".new";
    std::function<void(int32_t)> report = [this](int32_t p) { Report(p); };
    TProgress progress(report);
    {
        ::unlink(newData.c_str());
        ::unlink(newSum.c_str());
        // The data file under its final name ".new" only once it is complete.
        TTempFile data(newData);
        uint8_t h[HeaderSize];
        EncodeHeader(header_, h);
        WriteAt(data.Fd(), h, HeaderSize, 0, data.Path());
        int64_t out = HeaderSize, done = 0;
        std::vector<uint8_t> buf(BlobBlock * 4);
        for (size_t e : order) {
            TgdbData& d = sum[e];
            const int64_t bytes = BlockBytes(d);
            const int64_t src = d.FilePos;
            d.FilePos = static_cast<int32_t>(out);
            for (int64_t k = 0; k < bytes;) {
                const int64_t m = std::min<int64_t>(static_cast<int64_t>(buf.size()), bytes - k);
                ReadAt(dataFd_, buf.data(), m, src + k, dataPath);
                WriteAt(data.Fd(), buf.data(), m, out + k, data.Path());
                k += m;
            }
            out += bytes;
            done += bytes;
            progress.Set(std::min(Percent(done, total), 99));
        }
        data.Commit();
    }
    // The new summary, locked before it takes the place of the old one so
    // that no other user can slip in between.
    TFd newLock;
    try {
        {
            TTempFile s(newSum);
            std::vector<uint8_t> bytes(sum.size() * SumRecSize);
            for (size_t e = 0; e < sum.size(); ++e) EncodeGdbData(sum[e], bytes.data() + e * SumRecSize);
            WriteAt(s.Fd(), bytes.data(), static_cast<int64_t>(bytes.size()), 0, s.Path());
            s.Commit();
        }
        int f = ::open(newSum.c_str(), O_RDWR | O_CLOEXEC);
        if (f < 0) RaiseIO("Cannot open file", newSum, errno);
        newLock = TFd(f);
        if (::flock(newLock.Get(), LOCK_EX | LOCK_NB) != 0) RaiseIO("Cannot lock file", newSum, errno);
    } catch (...) {
        ::unlink(newSum.c_str());
        ::unlink(newData.c_str());
        throw;
    }
    // From here on, opening finishes an interrupted switch: a complete
    // ".new" summary without a ".new" data file means the data file has
    // been switched.
    if (::rename(newData.c_str(), dataPath.c_str()) != 0) {
        int err = errno;
        ::unlink(newSum.c_str());
        ::unlink(newData.c_str());
        RaiseIO("Cannot replace file", dataPath, err);
    }
    if (::rename(newSum.c_str(), pathSum_.c_str()) != 0) {
        // The next opening finishes the switch; this state no longer matches.
        int err = errno;
        CloseState();
        RaiseIO("Cannot replace file", newSum, err);
    }
    TFd newDataFd = OpenExisting(dataPath, O_RDWR);
    ::close(lockFd_);
    lockFd_ = newLock.Release();
    ::close(dataFd_);
    dataFd_ = newDataFd.Release();
    const int64_t freed = dataSize_ - (HeaderSize + total);
    dataSize_ = HeaderSize + total;
    sum_ = std::move(sum);
    Report(100);
    return freed;
}

// ---------------------------------------------------------------------------
// Listing

void TGeoDB::ExportDataDebug(const std::string& FileName)
{
    std::string text;
    ReadSystemInformation(text);
    text += "\nentry\titem\tkind\tname\tlat low\tlat high\tlong low\tlong high\tfile pos\tdata size\tclosed\t"
            "time stamp\tattr int1\tattr int2\tattr float\tattr byte\n";
    auto num = [](double v) {
        char b[32];
        auto r = std::to_chars(b, b + sizeof b, v);
        return std::string(b, r.ptr);
    };
    for (size_t e = 0; e < sum_.size(); ++e) {
        const TgdbData& d = sum_[e];
        text += std::to_string(e + 1) + "\t" + std::to_string(d.ItemID) + "\t" +
                std::string(GDB_ITEMNAMES[std::min<size_t>(d.Kind, gitUndefined)]) + "\t" + d.Name + "\t" +
                num(d.LatLow) + "\t" + num(d.LatHigh) + "\t" + num(d.LongLow) + "\t" + num(d.LongHigh) + "\t" +
                std::to_string(d.FilePos) + "\t" + std::to_string(d.DataSize) + "\t" + (d.Closed ? "1" : "0") +
                "\t" + num(d.TimeStamp) + "\t" + std::to_string(d.AttrInt1) + "\t" + std::to_string(d.AttrInt2) +
                "\t" + num(d.AttrFloat) + "\t" + std::to_string(d.AttrByte) + "\n";
    }
    ReplaceFile(FileName, std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace PYX_GeoDB
