#include "vcl/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace vcl {

namespace {

std::string SystemReason(int err)
{
    char buf[256];
    // The GNU variant returns a pointer that may or may not be buf.
    const char* s = strerror_r(err, buf, sizeof buf);
    return s ? std::string(s) : std::string("error ") + std::to_string(err);
}

int64_t CheckedTarget(int64_t base, int64_t offset)
{
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target) || target < 0)
        throw EInOutError("Stream seek to a position before the start");
    return target;
}

} // namespace

// ---------------------------------------------------------------------------
// TStream

int64_t TStream::GetSize()
{
    const int64_t here = Seek(0, soCurrent);
    const int64_t end = Seek(0, soEnd);
    Seek(here, soBeginning);
    return end;
}

void TStream::ReadBuffer(void* Buffer, int64_t Count)
{
    if (Count <= 0) return;
    if (Read(Buffer, Count) != Count) throw EInOutError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count)
{
    if (Count <= 0) return;
    if (Write(Buffer, Count) != Count) throw EInOutError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count)
{
    std::vector<uint8_t> block(static_cast<size_t>(TFileStream::BufferSize));
    int64_t copied = 0;
    const bool all = Count <= 0;
    while (all || copied < Count) {
        const int64_t want = all ? static_cast<int64_t>(block.size())
                                 : std::min<int64_t>(Count - copied, static_cast<int64_t>(block.size()));
        const int64_t got = Source.Read(block.data(), want);
        if (got <= 0) break;
        WriteBuffer(block.data(), got);
        copied += got;
        if (got < want && all) break;
    }
    if (!all && copied < Count) throw EInOutError("Stream read error");
    return copied;
}

// ---------------------------------------------------------------------------
// TFileStream

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : fileName_(FileName)
{
    int flags = O_CLOEXEC;
    if (Mode == fmCreate || (Mode & 0xFF00) == fmCreate) {
        flags |= O_RDWR | O_CREAT | O_TRUNC;
    } else {
        switch (Mode & 0x000F) {
        case fmOpenRead: flags |= O_RDONLY; writable_ = false; break;
        case fmOpenWrite: flags |= O_WRONLY; break;
        case fmOpenReadWrite: flags |= O_RDWR; break;
        case fmAppend: flags |= O_WRONLY | O_APPEND | O_CREAT; append_ = true; break;
        default: throw EInOutError("Cannot open file \"" + FileName + "\": invalid open mode");
        }
    }
    do {
        fd_ = ::open(FileName.c_str(), flags, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        const int err = errno;
        throw EInOutError("Cannot open file \"" + FileName + "\": " + SystemReason(err));
    }
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EInOutError("Cannot open file \"" + FileName + "\": " + SystemReason(EISDIR));
    }
    if (append_) pos_ = static_cast<int64_t>(st.st_size);
}

TFileStream::~TFileStream()
{
    try {
        FlushWrites();
    } catch (...) {
        // A destructor cannot report it; Flush exists for callers that care.
    }
    if (fd_ >= 0) ::close(fd_);
}

void TFileStream::Fail(const char* what, int err) const
{
    throw EInOutError(std::string(what) + " file \"" + fileName_ + "\": " + SystemReason(err));
}

void TFileStream::Flush() { FlushWrites(); }

void TFileStream::FlushWrites()
{
    int64_t done = 0;
    while (done < writeLen_) {
        ssize_t n = append_ ? ::write(fd_, buf_.data() + done, static_cast<size_t>(writeLen_ - done))
                            : ::pwrite(fd_, buf_.data() + done, static_cast<size_t>(writeLen_ - done),
                                       static_cast<off_t>(bufOff_ + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            // Drop the pending bytes so that a later flush does not repeat the failure.
            writeLen_ = 0;
            Fail("Cannot write to", err);
        }
        if (n == 0) {
            writeLen_ = 0;
            Fail("Cannot write to", ENOSPC);
        }
        done += n;
    }
    writeLen_ = 0;
}

bool TFileStream::FillRead()
{
    FlushWrites();
    if (buf_.empty()) buf_.resize(static_cast<size_t>(BufferSize));
    readLen_ = 0;
    bufOff_ = pos_;
    for (;;) {
        ssize_t n = ::pread(fd_, buf_.data(), buf_.size(), static_cast<off_t>(pos_));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("Cannot read from", errno);
        }
        readLen_ = n;
        return n > 0;
    }
}

int64_t TFileStream::Read(void* Buffer, int64_t Count)
{
    if (Count <= 0) return 0;
    FlushWrites();
    auto* dst = static_cast<uint8_t*>(Buffer);
    int64_t done = 0;
    while (done < Count) {
        if (pos_ >= bufOff_ && pos_ < bufOff_ + readLen_) {
            const int64_t n = std::min(Count - done, bufOff_ + readLen_ - pos_);
            std::memcpy(dst + done, buf_.data() + (pos_ - bufOff_), static_cast<size_t>(n));
            done += n;
            pos_ += n;
            continue;
        }
        if (Count - done >= BufferSize) {
            // Large reads go straight into the caller's memory.
            ssize_t n = ::pread(fd_, dst + done, static_cast<size_t>(Count - done), static_cast<off_t>(pos_));
            if (n < 0) {
                if (errno == EINTR) continue;
                Fail("Cannot read from", errno);
            }
            if (n == 0) break;
            done += n;
            pos_ += n;
            continue;
        }
        if (!FillRead()) break;
    }
    return done;
}

std::span<const uint8_t> TFileStream::Peek()
{
    if (writeLen_ > 0) FlushWrites();
    if (!(pos_ >= bufOff_ && pos_ < bufOff_ + readLen_) && !FillRead()) return {};
    return {buf_.data() + (pos_ - bufOff_), static_cast<size_t>(bufOff_ + readLen_ - pos_)};
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count)
{
    if (Count <= 0) return 0;
    // Pending bytes would only fail at the flush: refuse them at once.
    if (!writable_) Fail("Cannot write to", EBADF);
    const auto* src = static_cast<const uint8_t*>(Buffer);
    readLen_ = 0; // the cached bytes may be overwritten
    if (writeLen_ > 0 && bufOff_ + writeLen_ != pos_) FlushWrites();
    if (writeLen_ + Count > BufferSize) FlushWrites();
    if (Count >= BufferSize) {
        int64_t done = 0;
        while (done < Count) {
            ssize_t n = append_ ? ::write(fd_, src + done, static_cast<size_t>(Count - done))
                                : ::pwrite(fd_, src + done, static_cast<size_t>(Count - done),
                                           static_cast<off_t>(pos_ + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                Fail("Cannot write to", errno);
            }
            if (n == 0) Fail("Cannot write to", ENOSPC);
            done += n;
        }
        pos_ += Count;
        return Count;
    }
    if (buf_.empty()) buf_.resize(static_cast<size_t>(BufferSize));
    if (writeLen_ == 0) bufOff_ = pos_;
    std::memcpy(buf_.data() + writeLen_, src, static_cast<size_t>(Count));
    writeLen_ += Count;
    pos_ += Count;
    return Count;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning:
        if (Offset < 0) throw EInOutError("Stream seek to a position before the start");
        pos_ = Offset;
        break;
    case soCurrent: pos_ = CheckedTarget(pos_, Offset); break;
    case soEnd: pos_ = CheckedTarget(GetSize(), Offset); break;
    }
    return pos_;
}

int64_t TFileStream::GetSize()
{
    struct stat st;
    if (::fstat(fd_, &st) != 0) Fail("Cannot read from", errno);
    return std::max<int64_t>(st.st_size, writeLen_ > 0 ? bufOff_ + writeLen_ : 0);
}

void TFileStream::SetSize(int64_t NewSize)
{
    if (NewSize < 0) throw EInOutError("Stream size below zero");
    FlushWrites();
    readLen_ = 0;
    if (::ftruncate(fd_, static_cast<off_t>(NewSize)) != 0) Fail("Cannot resize", errno);
    if (pos_ > NewSize) pos_ = NewSize;
}

// ---------------------------------------------------------------------------
// TMemoryStream

int64_t TMemoryStream::Read(void* Buffer, int64_t Count)
{
    const int64_t size = static_cast<int64_t>(data_.size());
    if (Count <= 0 || pos_ >= size) return 0;
    const int64_t n = std::min(Count, size - pos_);
    std::memcpy(Buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count)
{
    if (Count <= 0) return 0;
    int64_t end;
    if (__builtin_add_overflow(pos_, Count, &end) ||
        static_cast<uint64_t>(end) > static_cast<uint64_t>(data_.max_size()))
        throw EInOutError("Out of memory while expanding memory stream");
    if (end > static_cast<int64_t>(data_.size())) {
        try {
            data_.resize(static_cast<size_t>(end));
        } catch (const std::bad_alloc&) {
            throw EInOutError("Out of memory while expanding memory stream");
        } catch (const std::length_error&) {
            throw EInOutError("Out of memory while expanding memory stream");
        }
    }
    std::memcpy(data_.data() + pos_, Buffer, static_cast<size_t>(Count));
    pos_ = end;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning:
        if (Offset < 0) throw EInOutError("Stream seek to a position before the start");
        pos_ = Offset;
        break;
    case soCurrent: pos_ = CheckedTarget(pos_, Offset); break;
    case soEnd: pos_ = CheckedTarget(static_cast<int64_t>(data_.size()), Offset); break;
    }
    return pos_;
}

void TMemoryStream::SetSize(int64_t NewSize)
{
    if (NewSize < 0) throw EInOutError("Stream size below zero");
    try {
        data_.resize(static_cast<size_t>(NewSize));
    } catch (const std::bad_alloc&) {
        throw EInOutError("Out of memory while expanding memory stream");
    } catch (const std::length_error&) {
        throw EInOutError("Out of memory while expanding memory stream");
    }
    if (pos_ > NewSize) pos_ = NewSize;
}

std::span<const uint8_t> TMemoryStream::Peek()
{
    const int64_t size = static_cast<int64_t>(data_.size());
    if (pos_ >= size) return {};
    return {data_.data() + pos_, static_cast<size_t>(size - pos_)};
}

void TMemoryStream::LoadFromStream(TStream& Stream)
{
    std::vector<uint8_t> bytes;
    uint8_t block[16384];
    for (;;) {
        const int64_t n = Stream.Read(block, sizeof block);
        if (n <= 0) break;
        bytes.insert(bytes.end(), block, block + n);
    }
    data_ = std::move(bytes);
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName)
{
    TFileStream f(FileName, fmOpenRead);
    LoadFromStream(f);
}

void TMemoryStream::SaveToStream(TStream& Stream) const
{
    Stream.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TMemoryStream::SaveToFile(const std::string& FileName) const
{
    TFileStream f(FileName, fmCreate);
    SaveToStream(f);
    f.Flush();
}

// ---------------------------------------------------------------------------
// TStringStream

TStringStream::TStringStream(std::string_view Text)
{
    data_.assign(Text.begin(), Text.end());
}

std::string TStringStream::DataString() const
{
    return std::string(data_.begin(), data_.end());
}

} // namespace vcl
