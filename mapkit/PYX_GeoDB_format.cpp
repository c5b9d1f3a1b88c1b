// Codecs of the database records and the file routines of the geographic
// database.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>

#include "mapkit/internal/GeoDBFormat.h"
#include "vcl/System.h"

namespace PYX_GeoDB::detail {

static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4, "4-byte IEEE floats needed");
static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8, "8-byte IEEE doubles needed");

namespace {

void PutU32(uint8_t* p, uint32_t v) noexcept
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
uint32_t GetU32(const uint8_t* p) noexcept
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void PutI32(uint8_t* p, int32_t v) noexcept { PutU32(p, static_cast<uint32_t>(v)); }
int32_t GetI32(const uint8_t* p) noexcept { return static_cast<int32_t>(GetU32(p)); }
void PutF32(uint8_t* p, float v) noexcept { PutU32(p, std::bit_cast<uint32_t>(v)); }
float GetF32(const uint8_t* p) noexcept { return std::bit_cast<float>(GetU32(p)); }
void PutF64(uint8_t* p, double v) noexcept
{
    uint64_t u = std::bit_cast<uint64_t>(v);
    PutU32(p, static_cast<uint32_t>(u));
    PutU32(p + 4, static_cast<uint32_t>(u >> 32));
}
double GetF64(const uint8_t* p) noexcept
{
    return std::bit_cast<double>(uint64_t(GetU32(p)) | uint64_t(GetU32(p + 4)) << 32);
}

// A short string of room Room: a length byte and Room bytes, the unused ones
// set to Fill.
void PutShort(uint8_t* p, const std::string& s, std::size_t Room, uint8_t Fill) noexcept
{
    std::size_t n = std::min(s.size(), Room);
    std::memset(p + 1, Fill, Room);
    std::memcpy(p + 1, s.data(), n);
    p[0] = static_cast<uint8_t>(n);
}
std::string GetShort(const uint8_t* p, std::size_t Room)
{
    std::size_t n = std::min<std::size_t>(p[0], Room);
    return std::string(reinterpret_cast<const char*>(p + 1), n);
}

} // namespace

void EncodeGdbData(const TgdbData& D, uint8_t* Out)
{
    std::memset(Out, 0, SumRecSize);
    PutI32(Out + 0, D.ItemID);
    PutShort(Out + 4, D.Name, GdbNameRoom, ' ');
    PutF32(Out + 64, D.AttrFloat);
    Out[68] = D.AttrByte;
    PutI32(Out + 72, D.AttrInt2);
    PutI32(Out + 76, D.FilePos);
    PutF64(Out + 80, D.TimeStamp);
    PutI32(Out + 88, D.AttrInt1);
    PutF32(Out + 92, D.LatLow);
    PutF32(Out + 96, D.LatHigh);
    PutF32(Out + 100, D.LongLow);
    PutF32(Out + 104, D.LongHigh);
    Out[108] = static_cast<uint8_t>(D.Kind);
    bool hasSize = IsPolygonKind(D.Kind) || D.Kind == gitBLOB;
    PutI32(Out + 112, hasSize ? D.DataSize : 0);
    Out[116] = IsPolygonKind(D.Kind) && D.Closed ? 1 : 0;
}

TgdbData DecodeGdbData(const uint8_t* In)
{
    TgdbData D;
    D.ItemID = GetI32(In + 0);
    D.Name = GetShort(In + 4, GdbNameRoom);
    D.AttrFloat = GetF32(In + 64);
    D.AttrByte = In[68];
    D.AttrInt2 = GetI32(In + 72);
    D.FilePos = GetI32(In + 76);
    D.TimeStamp = GetF64(In + 80);
    D.AttrInt1 = GetI32(In + 88);
    D.LatLow = GetF32(In + 92);
    D.LatHigh = GetF32(In + 96);
    D.LongLow = GetF32(In + 100);
    D.LongHigh = GetF32(In + 104);
    D.Kind = static_cast<TgdbItem>(In[108]);
    D.DataSize = GetI32(In + 112);
    D.Closed = In[116] != 0;
    return D;
}

void EncodeHeader(const TgdbHeader& H, uint8_t* Out)
{
    std::memset(Out, 0, HeaderSize);
    PutI32(Out + 0, H.LastItemID);
    PutI32(Out + 4, H.HeaderVersion);
    PutShort(Out + 8, H.Description, GdbDescriptionRoom, 0);
    PutI32(Out + 72, H.Revision);
    std::memcpy(Out + 76, H.Unused.data(), H.Unused.size());
}

TgdbHeader DecodeHeader(const uint8_t* In)
{
    TgdbHeader H;
    H.LastItemID = GetI32(In + 0);
    H.HeaderVersion = GetI32(In + 4);
    H.Description = GetShort(In + 8, GdbDescriptionRoom);
    H.Revision = GetI32(In + 72);
    std::memcpy(H.Unused.data(), In + 76, H.Unused.size());
    return H;
}

void EncodeMetaInfo(const TMetaInfo& M, uint8_t* Out)
{
    std::memset(Out, 0, MetaSize);
    PutShort(Out + 0, M.Keywords, 255, 0);
    PutShort(Out + 256, M.Caption, 127, 0);
    PutShort(Out + 384, M.FilePath, 127, 0);
    PutShort(Out + 512, M.Descriptor, 255, 0);
    PutShort(Out + 768, M.Extra, 255, 0);
}

TMetaInfo DecodeMetaInfo(const uint8_t* In)
{
    TMetaInfo M;
    M.Keywords = GetShort(In + 0, 255);
    M.Caption = GetShort(In + 256, 127);
    M.FilePath = GetShort(In + 384, 127);
    M.Descriptor = GetShort(In + 512, 255);
    M.Extra = GetShort(In + 768, 255);
    return M;
}

void EncodeIxItemID(const TIxItemIDRec& R, uint8_t* Out)
{
    PutI32(Out, R.ItemID);
    PutI32(Out + 4, R.RecIndex);
}
TIxItemIDRec DecodeIxItemID(const uint8_t* In) { return {GetI32(In), GetI32(In + 4)}; }
void EncodeIxLL(const TIxLLRec& R, uint8_t* Out)
{
    PutF32(Out, R.Value);
    PutI32(Out + 4, R.RecIndex);
}
TIxLLRec DecodeIxLL(const uint8_t* In) { return {GetF32(In), GetI32(In + 4)}; }
void EncodePoint(const TSCoords& P, uint8_t* Out)
{
    PutF32(Out, P.Lat);
    PutF32(Out + 4, P.Long);
}
TSCoords DecodePoint(const uint8_t* In) { return {GetF32(In), GetF32(In + 4)}; }

// ---------------------------------------------------------------------------
// Files

TFd& TFd::operator=(TFd&& o) noexcept
{
    if (this != &o) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = o.Release();
    }
    return *this;
}

TFd::~TFd()
{
    if (fd_ >= 0) ::close(fd_);
}

void RaiseIO(const std::string& What, const std::string& Name, int Err)
{
    throw vcl::EInOutError(What + " \"" + Name + "\": " + std::strerror(Err));
}

TFd OpenExisting(const std::string& Path, int Flags)
{
    int fd;
    do fd = ::open(Path.c_str(), Flags | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
            ::close(fd);
            RaiseIO("Cannot open file", Path, EISDIR);
        }
        return TFd(fd);
    }
    if (errno == ENOENT) return TFd();
    RaiseIO("Cannot open file", Path, errno);
}

int64_t FileSizeOf(int Fd, const std::string& Name)
{
    struct stat st;
    if (::fstat(Fd, &st) != 0) RaiseIO("Cannot read file", Name, errno);
    return st.st_size;
}

void ReadAt(int Fd, void* Buffer, int64_t Count, int64_t Offset, const std::string& Name)
{
    auto* p = static_cast<uint8_t*>(Buffer);
    while (Count > 0) {
        ssize_t n = ::pread(Fd, p, static_cast<size_t>(std::min<int64_t>(Count, 1 << 30)), Offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) RaiseIO("Cannot read file", Name, errno);
        if (n == 0) RaiseIO("Cannot read file", Name, EIO); // the file became shorter
        p += n;
        Count -= n;
        Offset += n;
    }
}

void WriteAt(int Fd, const void* Buffer, int64_t Count, int64_t Offset, const std::string& Name)
{
    auto* p = static_cast<const uint8_t*>(Buffer);
    while (Count > 0) {
        ssize_t n = ::pwrite(Fd, p, static_cast<size_t>(std::min<int64_t>(Count, 1 << 30)), Offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) RaiseIO("Cannot write file", Name, n < 0 ? errno : EIO);
        p += n;
        Count -= n;
        Offset += n;
    }
}

void ReplaceFile(const std::string& Path, const std::vector<uint8_t>& Bytes)
{
    static std::atomic<uint32_t> counter{0};
    std::string dir, file = Path;
    if (auto slash = Path.rfind('/'); slash != std::string::npos) {
        dir = Path.substr(0, slash + 1);
        file = Path.substr(slash + 1);
    }
    std::string tmp;
    TFd fd;
    for (int attempt = 0; !fd; ++attempt) {
        tmp = dir + "." + file + "." + std::to_string(::getpid()) + "." +
              std::to_string(counter.fetch_add(1, std::memory_order_relaxed)) + ".tmp";
        int f = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (f >= 0) fd = TFd(f);
        else if (errno != EEXIST || attempt > 100) RaiseIO("Cannot create file", tmp, errno);
    }
    try {
        struct stat st;
        if (::stat(Path.c_str(), &st) == 0) (void)::fchmod(fd.Get(), st.st_mode & 07777);
        WriteAt(fd.Get(), Bytes.data(), static_cast<int64_t>(Bytes.size()), 0, tmp);
        if (::fsync(fd.Get()) != 0) RaiseIO("Cannot write file", tmp, errno);
        int f = fd.Release();
        if (::close(f) != 0) RaiseIO("Cannot write file", tmp, errno);
        if (::rename(tmp.c_str(), Path.c_str()) != 0) RaiseIO("Cannot replace file", Path, errno);
    } catch (...) {
        ::unlink(tmp.c_str());
        throw;
    }
}

} // namespace PYX_GeoDB::detail
