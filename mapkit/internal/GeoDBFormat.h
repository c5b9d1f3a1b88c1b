// Private helpers of the geographic database: the little-endian codecs of the
// records of its files and the small file routines the database uses
// (reading and writing at an offset, replacing a whole file safely).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mapkit/PYX_GeoDB.h"

namespace PYX_GeoDB::detail {

inline constexpr int64_t SumRecSize = 120;   // summary record
inline constexpr int64_t HeaderSize = 260;   // header at the start of the data file
inline constexpr int64_t MetaSize = 1024;    // meta block of a BLOB
inline constexpr int64_t IxRecSize = 8;      // index record
inline constexpr int64_t PointSize = 8;      // one TSCoords in a polygon block

// Each Encode writes exactly the record's size at Out (padding as zeros);
// each Decode reads it from In. Short strings are cut to their room when
// written and their length bytes clamped to the room when read.
void EncodeGdbData(const TgdbData& D, uint8_t* Out);
TgdbData DecodeGdbData(const uint8_t* In);
void EncodeHeader(const TgdbHeader& H, uint8_t* Out);
TgdbHeader DecodeHeader(const uint8_t* In);
void EncodeMetaInfo(const TMetaInfo& M, uint8_t* Out);
TMetaInfo DecodeMetaInfo(const uint8_t* In);
void EncodeIxItemID(const TIxItemIDRec& R, uint8_t* Out);
TIxItemIDRec DecodeIxItemID(const uint8_t* In);
void EncodeIxLL(const TIxLLRec& R, uint8_t* Out);
TIxLLRec DecodeIxLL(const uint8_t* In);
void EncodePoint(const TSCoords& P, uint8_t* Out);
TSCoords DecodePoint(const uint8_t* In);

// A file descriptor closed on destruction.
class TFd {
public:
    TFd() = default;
    explicit TFd(int Fd) noexcept : fd_(Fd) {}
    TFd(TFd&& o) noexcept : fd_(o.Release()) {}
    TFd& operator=(TFd&& o) noexcept;
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd();
    int Get() const noexcept { return fd_; }
    int Release() noexcept { int f = fd_; fd_ = -1; return f; }
    explicit operator bool() const noexcept { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Raises vcl::EInOutError: What + " \"" + Name + "\": " + the system's reason.
[[noreturn]] void RaiseIO(const std::string& What, const std::string& Name, int Err);
// Opens an existing file with the open(2) Flags (O_CLOEXEC is added). An
// empty TFd when it does not exist; any other failure raises.
TFd OpenExisting(const std::string& Path, int Flags);
// The size of an open file.
int64_t FileSizeOf(int Fd, const std::string& Name);
// Reads or writes exactly Count bytes at Offset; anything less raises.
void ReadAt(int Fd, void* Buffer, int64_t Count, int64_t Offset, const std::string& Name);
void WriteAt(int Fd, const void* Buffer, int64_t Count, int64_t Offset, const std::string& Name);
// Writes Bytes to a new temporary file beside Path, flushes it to the disk
// and renames it over Path (keeping Path's permissions when it exists). On
// failure the temporary is removed and Path is unchanged.
void ReplaceFile(const std::string& Path, const std::vector<uint8_t>& Bytes);

} // namespace PYX_GeoDB::detail
