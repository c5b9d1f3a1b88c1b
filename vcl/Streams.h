// Byte streams: the abstract TStream, the buffered TFileStream over a POSIX
// file descriptor, the growable TMemoryStream and the TStringStream.
//
// Positions and sizes are 64-bit byte offsets from the start of the stream.
// Read returns the number of bytes actually read; fewer than asked means the
// end of the stream was reached. ReadBuffer and WriteBuffer raise EInOutError
// on a short transfer. File failures raise EInOutError naming the file and the
// system's reason.
//
// Streams are not synchronised; use one from one thread at a time.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vcl/Classes.h"
#include "vcl/System.h"

namespace vcl {

enum TSeekOrigin : uint8_t { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    ~TStream() override = default;

    // Reads up to Count bytes into Buffer; returns the number read (0 at the end).
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    // Writes Count bytes; returns the number written.
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    // Moves the position and returns the new one. A position before the start
    // raises EInOutError; a position past the end is allowed (a later write
    // fills the gap with zero bytes).
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
    virtual int64_t GetSize();
    // Truncates or extends (with zero bytes); the position is kept, but never
    // beyond the new size.
    virtual void SetSize(int64_t NewSize) = 0;

    int64_t GetPosition() { return Seek(0, soCurrent); }
    void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
    int64_t Position() { return GetPosition(); }
    int64_t Size() { return GetSize(); }

    // Read and Write that raise EInOutError when fewer than Count bytes move.
    void ReadBuffer(void* Buffer, int64_t Count);
    void WriteBuffer(const void* Buffer, int64_t Count);
    void WriteBuffer(std::string_view Bytes) { WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size())); }

    // Copies Count bytes from Source's position (all remaining bytes when
    // Count <= 0) and returns the number copied; a short source raises.
    int64_t CopyFrom(TStream& Source, int64_t Count);

    // The next byte (0..255), or -1 at the end of the stream.
    int ReadByte()
    {
        uint8_t b;
        return Read(&b, 1) == 1 ? b : -1;
    }

    // Fast access for readers that scan bytes: the bytes available at the
    // position without a further system call (possibly after one refill), or
    // an empty span at the end of the stream. The span stays valid until the
    // next call on the stream. Advance moves the position forward within the
    // span last returned. Streams without a buffer return an empty span from
    // the default and readers then fall back to Read.
    virtual std::span<const uint8_t> Peek() { return {}; }
    virtual void Advance(int64_t Count) { Seek(Count, soCurrent); }
    // True when Peek serves this stream (an empty span then means the end).
    virtual bool CanPeek() const noexcept { return false; }
};

// Open modes of TFileStream. Share flags are accepted and ignored.
using TFileMode = uint16_t;
inline constexpr TFileMode fmOpenRead = 0x0000;      // existing file, read only
inline constexpr TFileMode fmOpenWrite = 0x0001;     // existing file, write only, not truncated
inline constexpr TFileMode fmOpenReadWrite = 0x0002; // existing file, read and write
inline constexpr TFileMode fmAppend = 0x0003;        // write only at the end; created when missing
inline constexpr TFileMode fmShareExclusive = 0x0010;
inline constexpr TFileMode fmShareDenyWrite = 0x0020;
inline constexpr TFileMode fmShareDenyNone = 0x0040;
inline constexpr TFileMode fmCreate = 0xFF00;        // created or truncated, read and write

class TFileStream : public TStream {
public:
    // Opens FileName; raises EInOutError with the file name and the system's
    // reason when it cannot be opened.
    TFileStream(const std::string& FileName, TFileMode Mode);
    // Writes what is still buffered; failures at this point are lost, so call
    // Flush first where they matter.
    ~TFileStream() override;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t NewSize) override;

    std::span<const uint8_t> Peek() override;
    void Advance(int64_t Count) override { pos_ += Count; }
    bool CanPeek() const noexcept override { return true; }

    // Writes buffered bytes to the file; raises EInOutError on failure.
    void Flush();
    const std::string& GetFileName() const noexcept { return fileName_; }
    int Handle() const noexcept { return fd_; }

    static constexpr int64_t BufferSize = 64 * 1024;

private:
    [[noreturn]] void Fail(const char* what, int err) const;
    void FlushWrites();
    bool FillRead();

    std::string fileName_;
    int fd_ = -1;
    bool append_ = false;
    bool writable_ = true;
    int64_t pos_ = 0;                 // the stream position
    std::vector<uint8_t> buf_;        // read cache or pending writes
    int64_t bufOff_ = 0;              // file offset of buf_[0]
    int64_t readLen_ = 0;             // valid cached bytes (reading)
    int64_t writeLen_ = 0;            // pending bytes (writing)
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t NewSize) override;

    std::span<const uint8_t> Peek() override;
    void Advance(int64_t Count) override { pos_ += Count; }
    bool CanPeek() const noexcept override { return true; }

    uint8_t* Memory() noexcept { return data_.data(); }
    const uint8_t* Memory() const noexcept { return data_.data(); }
    const std::vector<uint8_t>& Bytes() const noexcept { return data_; }
    void Clear() noexcept { data_.clear(); pos_ = 0; }

    // Replace the content with the remaining bytes of Stream / the whole file;
    // the position becomes 0.
    void LoadFromStream(TStream& Stream);
    void LoadFromFile(const std::string& FileName);
    // Write the whole content (whatever the position is).
    void SaveToStream(TStream& Stream) const;
    void SaveToFile(const std::string& FileName) const;

protected:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
};

// A memory stream started from a string, whose content reads back as one.
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(std::string_view Text = {});
    std::string DataString() const;
};

} // namespace vcl
