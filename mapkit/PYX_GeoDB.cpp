// The geographic database component: opening, creating and closing a
// database, checking its files, the header and the saving of the indexes.
#include "mapkit/PYX_GeoDB.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

#include "corekit/PYX_filesys.h"
#include "mapkit/internal/GeoDBFormat.h"

namespace PYX_GeoDB {

using namespace detail;

const std::array<std::string_view, 9> GDB_ITEMNAMES = {"Border", "Town", "City", "Lake", "River",
                                                       "Road",   "Route", "BLOB", "Undefined"};

void ClearMetaInfo(TMetaInfo& Meta) noexcept
{
    Meta.Keywords.clear();
    Meta.Caption.clear();
    Meta.FilePath.clear();
    Meta.Descriptor.clear();
    Meta.Extra.clear();
}

void ClearGdbData(TgdbData& Data)
{
    Data = TgdbData{};
    Data.TimeStamp = vcl::Now();
}

TSCoords ExtractLocation(const TgdbData& Data) noexcept { return {Data.LatLow, Data.LongLow}; }

namespace {

// File numbers: the five indexes 0..4, then the summary and the data file.
constexpr int fSum = 5;
constexpr int fData = 6;

// Chunk of records decoded per read when loading a file.
constexpr int64_t ChunkRecords = 8192;

float LLKey(const TgdbData& D, int Which) noexcept
{
    switch (Which) {
    case 0: return D.LatLow;
    case 1: return D.LatHigh;
    case 2: return D.LongLow;
    default: return D.LongHigh;
    }
}

// Reads a whole file of fixed-size records in chunks and hands each record
// to Take.
template <typename F>
void ReadRecords(int Fd, const std::string& Name, int64_t Count, int64_t RecSize, F&& Take)
{
    std::vector<uint8_t> buf;
    for (int64_t done = 0; done < Count;) {
        int64_t n = std::min(ChunkRecords, Count - done);
        buf.resize(static_cast<size_t>(n * RecSize));
        ReadAt(Fd, buf.data(), n * RecSize, done * RecSize, Name);
        for (int64_t k = 0; k < n; ++k) Take(buf.data() + k * RecSize);
        done += n;
    }
}

} // namespace

TGeoDB::TGeoDB(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {}

TGeoDB::~TGeoDB()
{
    try {
        SaveUnsavedIndexes();
    } catch (...) {
        // Nothing can report the failure here; the files keep their last saved state.
    }
    CloseState();
}

std::string TGeoDB::FilePath(int Which) const
{
    switch (Which) {
    case fSum: return base_ + ".pyxgds";
    case fData: return base_ + ".pyxgdd";
    default: return base_ + ".pyxgi" + static_cast<char>('0' + Which);
    }
}

std::string TGeoDB::GetDBName() const { return IsOpen() ? base_ : std::string(); }

void TGeoDB::SetLazyWrite(bool Value)
{
    if (Value == lazyWrite_) return;
    if (!Value) SaveUnsavedIndexes();
    lazyWrite_ = Value;
}

void TGeoDB::SetDBName(const std::string& Name)
{
    Close();
    if (!Name.empty()) Open(Name);
}

void TGeoDB::Close()
{
    if (!IsOpen()) return;
    SaveUnsavedIndexes();
    CloseState();
}

void TGeoDB::ResetHeader() noexcept { header_ = TgdbHeader{}; }

void TGeoDB::CloseState() noexcept
{
    lazyWrite_ = false;
    ResetHeader();
    base_.clear();
    pathSum_.clear();
    if (lockFd_ >= 0) ::close(lockFd_); // closing the descriptor releases the lock
    lockFd_ = -1;
    if (dataFd_ >= 0) ::close(dataFd_);
    dataFd_ = -1;
    readOnly_ = false;
    dataSize_ = 0;
    pendFrom_ = -1;
    headerDirty_ = false;
    ixSorted_ = 0;
    treeValid_ = false;
    tree_.clear();
    tree_.shrink_to_fit();
    treeItems_.clear();
    treeItems_.shrink_to_fit();
    treeBoxes_.clear();
    treeBoxes_.shrink_to_fit();
    treeLevels_.clear();
    staleWork_ = 0;
    sum_.clear();
    sum_.shrink_to_fit();
    ixID_.clear();
    ixID_.shrink_to_fit();
    for (auto& ix : ixLL_) {
        ix.clear();
        ix.shrink_to_fit();
    }
    unsaved_.fill(false);
}

void TGeoDB::Open(const std::string& Name)
{
    const std::string base = PYX_filesys::StripExtension(Name);
    if (base.empty()) throw EPYXGeoDBError("Component \"" + GetName() + "\": invalid database name \"" + Name + "\".");
    base_ = base;
    std::array<std::string, 7> path;
    for (int i = 0; i < 7; ++i) path[i] = FilePath(i);
    base_.clear(); // stays closed until everything is loaded and checked

    auto corrupt = [&](const std::string& why) {
        return EPYXGeoDBError("Component \"" + GetName() + "\": corrupt database \"" + base + "\": " + why + ".");
    };

    TgdbHeader header;
    std::vector<TgdbData> sum;
    // Both files stay open for writing; a database on a medium we may not
    // write to is opened for reading only.
    bool readOnly = false;
    auto openRW = [&](const std::string& p) {
        if (::access(p.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
            readOnly = true;
            return OpenExisting(p, O_RDONLY);
        }
        return OpenExisting(p, O_RDWR);
    };
    TFd sumFd = openRW(path[fSum]);
    TFd dataFd = openRW(path[fData]);
    bool created = false;

    if (!sumFd) {
        // A new database, unless pieces of an old one are lying there.
        if (dataFd) throw corrupt("the summary file is missing");
        for (int i = 0; i < 5; ++i)
            if (TFd ix = OpenExisting(path[i], O_RDONLY); ix && FileSizeOf(ix.Get(), path[i]) > 0)
                throw corrupt("an index file exists without a summary file");
        int f = ::open(path[fSum].c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (f < 0) RaiseIO("Cannot create file", path[fSum], errno);
        sumFd = TFd(f);
        created = true;
    }
    if (::flock(sumFd.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            throw EPYXGeoDBError("Component \"" + GetName() + "\": database \"" + base + "\" is in use.");
        RaiseIO("Cannot lock file", path[fSum], errno);
    }
    {
        // A summary replaced by its user while we waited is no longer the
        // database's file; the database is then busy.
        struct stat held, now;
        if (::fstat(sumFd.Get(), &held) == 0 && ::stat(path[fSum].c_str(), &now) == 0 &&
            (held.st_ino != now.st_ino || held.st_dev != now.st_dev))
            throw EPYXGeoDBError("Component \"" + GetName() + "\": database \"" + base + "\" is in use.");
    }
    if (!created) {
        // Finish or undo a compaction of the data file that was interrupted:
        // a complete new summary without a new data file means the data file
        // was already switched and the summary must follow.
        const std::string newSum = path[fSum] + ".new", newData = path[fData] + ".new";
        TFd ns = OpenExisting(newSum, O_RDWR);
        TFd nd = OpenExisting(newData, O_RDONLY);
        if (ns && !nd) {
            if (::flock(ns.Get(), LOCK_EX | LOCK_NB) != 0) RaiseIO("Cannot lock file", newSum, errno);
            if (::rename(newSum.c_str(), path[fSum].c_str()) != 0) RaiseIO("Cannot replace file", path[fSum], errno);
            sumFd = std::move(ns);
            dataFd = openRW(path[fData]);
        } else {
            if (ns) ::unlink(newSum.c_str());
            if (nd) ::unlink(newData.c_str());
        }
    }

    // Summary records.
    const int64_t sumSize = FileSizeOf(sumFd.Get(), path[fSum]);
    if (sumSize % SumRecSize != 0) throw corrupt("the summary file size is not a multiple of 120");
    if (sumSize / SumRecSize > std::numeric_limits<int32_t>::max()) throw corrupt("too many entries");
    int64_t n = sumSize / SumRecSize;
    sum.reserve(static_cast<size_t>(n));
    ReadRecords(sumFd.Get(), path[fSum], n, SumRecSize,
                [&](const uint8_t* p) { sum.push_back(DecodeGdbData(p)); });

    // Header; a data file is made only for a database without entries.
    int64_t dataSize;
    if (!dataFd) {
        if (n > 0) throw corrupt("the data file is missing");
        std::vector<uint8_t> bytes(HeaderSize);
        EncodeHeader(header, bytes.data());
        ReplaceFile(path[fData], bytes);
        dataSize = HeaderSize;
        dataFd = openRW(path[fData]);
        if (!dataFd) RaiseIO("Cannot open file", path[fData], ENOENT);
    } else {
        dataSize = FileSizeOf(dataFd.Get(), path[fData]);
        if (dataSize < HeaderSize) throw corrupt("the data file is shorter than its header");
        uint8_t h[HeaderSize];
        ReadAt(dataFd.Get(), h, HeaderSize, 0, path[fData]);
        header = DecodeHeader(h);
        if (header.HeaderVersion != 4) throw corrupt("unknown header version " + std::to_string(header.HeaderVersion));
        if (header.LastItemID < 0) throw corrupt("negative last item identifier");
    }

    // Every record must be usable: a known kind, an identifier the database
    // gave out, a finite box and a data block inside the data file.
    for (int64_t e = 0; e < n; ++e) {
        const TgdbData& d = sum[static_cast<size_t>(e)];
        auto at = [e] { return "entry " + std::to_string(e + 1) + " "; };
        if (d.Kind > gitUndefined) throw corrupt(at() + "has an unknown kind " + std::to_string(int(d.Kind)));
        if (d.ItemID < 1 || d.ItemID > header.LastItemID) throw corrupt(at() + "has an invalid item identifier");
        if (!std::isfinite(d.LatLow) || !std::isfinite(d.LatHigh) || !std::isfinite(d.LongLow) ||
            !std::isfinite(d.LongHigh))
            throw corrupt(at() + "has a non-finite bounding box");
        if (IsPolygonKind(d.Kind) && d.FilePos != -1) {
            if (d.FilePos < HeaderSize || d.DataSize < 0 || d.FilePos + int64_t(d.DataSize) * PointSize > dataSize)
                throw corrupt(at() + "points outside the data file");
        } else if (d.Kind == gitBLOB) {
            if (d.FilePos < HeaderSize || d.DataSize < 0 || d.FilePos + MetaSize + d.DataSize > dataSize)
                throw corrupt(at() + "points outside the data file");
        }
    }

    // Deleting writes the last record into the gap and then cuts it off; an
    // interruption in between leaves the last record twice. Such an exact
    // copy of an earlier record is dropped (and cut off once we own the lock).
    bool cutLast = false;
    if (n >= 2) {
        const TgdbData& last = sum[static_cast<size_t>(n - 1)];
        for (int64_t k = 0; k < n - 1; ++k)
            if (sum[static_cast<size_t>(k)].ItemID == last.ItemID) {
                if (sum[static_cast<size_t>(k)] == last && !readOnly) {
                    sum.pop_back();
                    --n;
                    cutLast = true;
                }
                break;
            }
    }

    // Indexes: each must list every entry once, sorted, with the entry's key.
    TIxItemIDRecArray ixID;
    std::array<TIxLLRecArray, 4> ixLL;
    std::array<bool, 5> good{};
    std::vector<uint8_t> seen;
    auto permutation = [&](auto& ix) {
        seen.assign(static_cast<size_t>(n), 0);
        for (const auto& r : ix) {
            if (r.RecIndex < 0 || r.RecIndex >= n || seen[static_cast<size_t>(r.RecIndex)]) return false;
            seen[static_cast<size_t>(r.RecIndex)] = 1;
        }
        return true;
    };
    for (int i = 0; i < 5; ++i) {
        if (created) break;
        TFd f = OpenExisting(path[i], O_RDONLY);
        if (!f) continue;
        int64_t size = FileSizeOf(f.Get(), path[i]);
        if (size != n * IxRecSize) continue;
        if (i == 0) {
            ixID.reserve(static_cast<size_t>(n));
            ReadRecords(f.Get(), path[i], n, IxRecSize, [&](const uint8_t* p) { ixID.push_back(DecodeIxItemID(p)); });
            // Keys are compared through a compact copy, not the records.
            std::vector<int32_t> keys(static_cast<size_t>(n));
            for (int64_t k = 0; k < n; ++k) keys[static_cast<size_t>(k)] = sum[static_cast<size_t>(k)].ItemID;
            bool ok = permutation(ixID);
            for (int64_t k = 0; ok && k < n; ++k) {
                const TIxItemIDRec& r = ixID[static_cast<size_t>(k)];
                ok = r.ItemID == keys[static_cast<size_t>(r.RecIndex)] &&
                     (k == 0 || ixID[static_cast<size_t>(k - 1)].ItemID <= r.ItemID);
            }
            good[0] = ok;
        } else {
            TIxLLRecArray& ix = ixLL[static_cast<size_t>(i - 1)];
            ix.reserve(static_cast<size_t>(n));
            ReadRecords(f.Get(), path[i], n, IxRecSize, [&](const uint8_t* p) { ix.push_back(DecodeIxLL(p)); });
            std::vector<float> keys(static_cast<size_t>(n));
            for (int64_t k = 0; k < n; ++k) keys[static_cast<size_t>(k)] = LLKey(sum[static_cast<size_t>(k)], i - 1);
            bool ok = permutation(ix);
            for (int64_t k = 0; ok && k < n; ++k) {
                const TIxLLRec& r = ix[static_cast<size_t>(k)];
                ok = r.Value == keys[static_cast<size_t>(r.RecIndex)] &&
                     (k == 0 || ix[static_cast<size_t>(k - 1)].Value <= r.Value);
            }
            good[static_cast<size_t>(i)] = ok;
        }
    }

    // Identifiers must be unique: a sound identifier index shows it by its
    // order, otherwise they are sorted here.
    if (good[0]) {
        for (size_t k = 1; k < ixID.size(); ++k)
            if (ixID[k - 1].ItemID == ixID[k].ItemID) throw corrupt("an item identifier is used twice");
    } else {
        std::vector<int32_t> ids;
        ids.reserve(sum.size());
        for (const TgdbData& d : sum) ids.push_back(d.ItemID);
        std::sort(ids.begin(), ids.end());
        if (std::adjacent_find(ids.begin(), ids.end()) != ids.end()) throw corrupt("an item identifier is used twice");
    }

    // Commit; indexes that failed their check are rebuilt from the summary
    // and written, which can still fail and then closes again.
    base_ = base;
    pathSum_ = path[fSum];
    lockFd_ = sumFd.Release();
    dataFd_ = dataFd.Release();
    readOnly_ = readOnly;
    dataSize_ = dataSize;
    header_ = header;
    sum_ = std::move(sum);
    ixID_ = std::move(ixID);
    ixLL_ = std::move(ixLL);
    ixSorted_ = sum_.size();
    try {
        if (cutLast && ::ftruncate(lockFd_, n * SumRecSize) != 0) RaiseIO("Cannot write file", pathSum_, errno);
        if (std::find(good.begin(), good.end(), false) != good.end()) {
            RebuildIndexes();
            for (int i = 0; i < 5; ++i)
                if ((!good[static_cast<size_t>(i)] || created) && !readOnly_) SaveIndex(i);
            unsaved_.fill(false);
        }
    } catch (...) {
        CloseState();
        throw;
    }
}

void TGeoDB::RebuildIndexes()
{
    const size_t n = sum_.size();
    ixID_.resize(n);
    for (size_t e = 0; e < n; ++e) ixID_[e] = {sum_[e].ItemID, static_cast<int32_t>(e)};
    std::stable_sort(ixID_.begin(), ixID_.end(),
                     [](const TIxItemIDRec& a, const TIxItemIDRec& b) { return a.ItemID < b.ItemID; });
    for (int w = 0; w < 4; ++w) {
        TIxLLRecArray& ix = ixLL_[static_cast<size_t>(w)];
        ix.resize(n);
        for (size_t e = 0; e < n; ++e) ix[e] = {LLKey(sum_[e], w), static_cast<int32_t>(e)};
        std::stable_sort(ix.begin(), ix.end(), [](const TIxLLRec& a, const TIxLLRec& b) { return a.Value < b.Value; });
    }
    ixSorted_ = n;
    unsaved_.fill(true);
    InvalidateTree();
}

void TGeoDB::SaveIndex(int32_t Index)
{
    if (!IsOpen() || Index < 0 || Index > 4) return;
    // The summary records an index refers to are written first.
    FlushPending();
    EnsureSorted();
    std::vector<uint8_t> bytes;
    if (Index == 0) {
        bytes.resize(ixID_.size() * IxRecSize);
        for (size_t k = 0; k < ixID_.size(); ++k) EncodeIxItemID(ixID_[k], bytes.data() + k * IxRecSize);
    } else {
        const TIxLLRecArray& ix = ixLL_[static_cast<size_t>(Index - 1)];
        bytes.resize(ix.size() * IxRecSize);
        for (size_t k = 0; k < ix.size(); ++k) EncodeIxLL(ix[k], bytes.data() + k * IxRecSize);
    }
    ReplaceFile(FilePath(Index), bytes);
    unsaved_[static_cast<size_t>(Index)] = false;
}

void TGeoDB::SaveUnsavedIndexes()
{
    if (!IsOpen()) return;
    FlushPending();
    for (int i = 0; i < 5; ++i)
        if (unsaved_[static_cast<size_t>(i)]) SaveIndex(i);
}

void TGeoDB::WriteHeader(const char* Routine)
{
    auto fail = [&] {
        return EPYXGeoDBError("Component \"" + GetName() + "\": " + Routine + ": cannot open database.");
    };
    uint8_t h[HeaderSize];
    EncodeHeader(header_, h);
    if (readOnly_ || dataFd_ < 0) throw fail();
    // The data file is kept open; one removed behind our back would swallow
    // every later write.
    struct stat st;
    if (::fstat(dataFd_, &st) != 0 || st.st_nlink == 0) throw fail();
    try {
        WriteAt(dataFd_, h, HeaderSize, 0, FilePath(fData));
    } catch (const vcl::EInOutError&) {
        throw fail();
    }
    headerDirty_ = false;
}

void TGeoDB::SetDescription(const std::string& Text)
{
    if (!IsOpen()) return;
    std::string text = Text.substr(0, GdbDescriptionRoom);
    if (text == header_.Description) return;
    std::string old = std::move(header_.Description);
    header_.Description = std::move(text);
    try {
        WriteHeader("SetDescription");
    } catch (...) {
        header_.Description = std::move(old);
        throw;
    }
}

void TGeoDB::SetRevision(int32_t Value)
{
    if (!IsOpen() || Value == header_.Revision) return;
    int32_t old = header_.Revision;
    header_.Revision = Value;
    try {
        WriteHeader("SetRevision");
    } catch (...) {
        header_.Revision = old;
        throw;
    }
}

TgdbData TGeoDB::GetSumdata(int32_t i) const
{
    if (sum_.empty()) return TgdbData{};
    return sum_[static_cast<size_t>(std::clamp(i, 1, GetNumEntries()) - 1)];
}

TIxItemIDRec TGeoDB::GetIxItemID(int32_t i) const
{
    EnsureSorted();
    if (ixID_.empty()) return {};
    TIxItemIDRec r = ixID_[static_cast<size_t>(std::clamp(i, 1, static_cast<int32_t>(ixID_.size())) - 1)];
    r.RecIndex += 1;
    return r;
}

TIxLLRec TGeoDB::GetLL(int Which, int32_t i) const
{
    EnsureSorted();
    const TIxLLRecArray& ix = ixLL_[static_cast<size_t>(Which)];
    if (ix.empty()) return {};
    TIxLLRec r = ix[static_cast<size_t>(std::clamp(i, 1, static_cast<int32_t>(ix.size())) - 1)];
    r.RecIndex += 1;
    return r;
}

TIxLLRec TGeoDB::GetIxLatLow(int32_t i) const { return GetLL(0, i); }
TIxLLRec TGeoDB::GetIxLatHigh(int32_t i) const { return GetLL(1, i); }
TIxLLRec TGeoDB::GetIxLongLow(int32_t i) const { return GetLL(2, i); }
TIxLLRec TGeoDB::GetIxLongHigh(int32_t i) const { return GetLL(3, i); }

void TGeoDB::ReadSystemInformation(std::string& Text) const
{
    if (!IsOpen()) {
        Text = "no database open";
        return;
    }
    std::array<int64_t, 9> perKind{};
    for (const TgdbData& d : sum_) ++perKind[std::min<size_t>(d.Kind, gitUndefined)];
    Text = "database: " + base_ + "\n";
    Text += "entries: " + std::to_string(sum_.size()) + "\n";
    for (size_t k = 0; k < perKind.size(); ++k)
        if (perKind[k] > 0) Text += "  " + std::string(GDB_ITEMNAMES[k]) + ": " + std::to_string(perKind[k]) + "\n";
    Text += "last item identifier: " + std::to_string(header_.LastItemID) + "\n";
    Text += "header version: " + std::to_string(header_.HeaderVersion) + "\n";
    Text += "description: " + header_.Description + "\n";
    Text += "revision: " + std::to_string(header_.Revision) + "\n";
    Text += "lazy write: " + std::string(lazyWrite_ ? "on" : "off") + "\n";
    for (int i : {fSum, fData}) {
        struct stat st;
        int64_t size = ::stat(FilePath(i).c_str(), &st) == 0 ? st.st_size : -1;
        Text += (i == fSum ? "summary file size: " : "data file size: ") + std::to_string(size) + "\n";
    }
}

} // namespace PYX_GeoDB
