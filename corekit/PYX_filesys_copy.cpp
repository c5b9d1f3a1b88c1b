// File and tree copies with progress reports and a process-wide abort flag.
//
// A file is copied into a temporary file beside the destination, which then
// replaces the destination in one rename: a failed or aborted copy never
// leaves a truncated or half-written destination behind. The data moves
// in-kernel (copy_file_range) in large blocks, falling back to read and
// write where the kernel cannot do it; the progress callback runs once per
// block either way.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>

#include "corekit/PYX_filesys.h"
#include "corekit/internal/FileSys.h"

namespace PYX_filesys {

namespace {

std::atomic<bool> gAbort{false};

// The tree copy's progress values, shared by the whole process.
struct TreeCopyState {
    std::string CurrentFile;
    int32_t FilesBegun = 0;
    int64_t BytesDone = 0;
    int64_t FileSize = 0;
    TTreeCopyFeedback Feedback;
};
TreeCopyState gTree;

constexpr int64_t kBlock = 1 << 20; // bytes per block (and per progress report)

class Fd {
public:
    explicit Fd(int fd = -1) noexcept : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Close(); }
    int Get() const noexcept { return fd_; }
    void Reset(int fd) noexcept
    {
        Close();
        fd_ = fd;
    }
    int Close() noexcept
    {
        int r = 0;
        if (fd_ >= 0) r = ::close(fd_);
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

// Moves up to Want bytes from In to Out; returns the number moved (fewer
// only at the end of the source), or fcReadError / fcWriteError.
class BlockMover {
public:
    BlockMover(int In, int Out) : in_(In), out_(Out) {}

    int64_t Move(int64_t Want)
    {
        int64_t moved = 0;
        while (moved < Want) {
            if (kernel_) {
                const ssize_t n = ::copy_file_range(in_, nullptr, out_, nullptr,
                                                    static_cast<size_t>(Want - moved), 0);
                if (n > 0) {
                    moved += n;
                    continue;
                }
                if (n == 0) return moved;
                if (errno == EINTR) continue;
                // Not supported here, or a real failure: the plain path goes
                // on from the same positions and tells reads from writes.
                kernel_ = false;
            }
            const int64_t got = ReadWrite(Want - moved);
            if (got < 0) return got;
            if (got == 0) return moved;
            moved += got;
        }
        return moved;
    }

private:
    int64_t ReadWrite(int64_t Want)
    {
        if (!buf_) buf_ = std::make_unique<uint8_t[]>(static_cast<size_t>(kBlock));
        if (Want > kBlock) Want = kBlock;
        ssize_t n;
        do {
            n = ::read(in_, buf_.get(), static_cast<size_t>(Want));
        } while (n < 0 && errno == EINTR);
        if (n < 0) return fcReadError;
        int64_t written = 0;
        while (written < n) {
            const ssize_t w = ::write(out_, buf_.get() + written, static_cast<size_t>(n - written));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return fcWriteError;
            written += w;
        }
        return n;
    }

    int in_, out_;
    bool kernel_ = true;
    std::unique_ptr<uint8_t[]> buf_;
};

// Copies the regular file Source to the file name Dest (no directory
// redirection, the abort flag as it is).
int32_t CopyOne(const std::string& Source, const std::string& SourceShown, const std::string& Dest,
                bool KeepAttributes, const TFileCopyFeedback& Feedback)
{
    Fd in(::open(Source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0) detail::RaiseIO("Cannot open file", SourceShown, errno);
    struct stat sst;
    if (::fstat(in.Get(), &sst) != 0 || !S_ISREG(sst.st_mode)) return fcSourceError;
    const int64_t size = sst.st_size;
    if (Feedback) Feedback(0, size);

    int64_t done = 0;
    auto finish = [&](int32_t code) {
        if (Feedback) Feedback(done, size);
        return code;
    };

    // Copying a file onto itself (directly, by a link or another spelling)
    // would destroy it.
    struct stat dst;
    const bool destExists = ::stat(Dest.c_str(), &dst) == 0;
    if (destExists && dst.st_dev == sst.st_dev && dst.st_ino == sst.st_ino) return finish(fcDestError);

    const std::size_t slash = Dest.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : Dest.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? Dest : Dest.substr(slash + 1);
    if (base.empty()) return finish(fcDestError);
    std::string tmp;
    Fd out;
    for (int attempt = 0; attempt < 16 && out.Get() < 0; ++attempt) {
        tmp = detail::TempNameBeside(dir, base);
        out.Reset(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (out.Get() < 0 && errno != EEXIST) break;
    }
    if (out.Get() < 0) return finish(fcDestError);

    int32_t code = fcOK;
    BlockMover mover(in.Get(), out.Get());
    for (;;) {
        if (Feedback) Feedback(done, size);
        const int64_t n = mover.Move(kBlock);
        if (n < 0) {
            code = static_cast<int32_t>(n);
            break;
        }
        done += n;
        if (n < kBlock) break; // the end of the source: the copy is complete
        if (gAbort.load()) {
            code = fcAborted;
            break;
        }
    }

    if (code == fcOK) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, sst.st_mtim};
        ::futimens(out.Get(), times);
        if (KeepAttributes)
            ::fchmod(out.Get(), (sst.st_mode & 07777) | S_IWUSR);
        else if (destExists && S_ISREG(dst.st_mode))
            ::fchmod(out.Get(), dst.st_mode & 07777); // the replaced file's permissions stay
        if (out.Close() != 0)
            code = fcWriteError;
        else if (::rename(tmp.c_str(), Dest.c_str()) != 0)
            code = fcDestError;
    }
    if (code != fcOK) {
        out.Close();
        ::unlink(tmp.c_str());
    }
    return finish(code);
}

std::string WithoutTrailingSlash(std::string p)
{
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

// Recreates the symbolic link Source at Dest (replacing what is there).
bool CopyLink(const std::string& Source, const std::string& Dest)
{
    std::string target(4096, '\0');
    const ssize_t n = ::readlink(Source.c_str(), target.data(), target.size());
    if (n < 0 || n >= static_cast<ssize_t>(target.size())) return false;
    target.resize(static_cast<size_t>(n));
    const std::size_t slash = Dest.rfind('/');
    const std::string tmp = detail::TempNameBeside(Dest.substr(0, slash + 1), Dest.substr(slash + 1));
    if (::symlink(target.c_str(), tmp.c_str()) != 0) return false;
    if (::rename(tmp.c_str(), Dest.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

int32_t CopyDir(const std::string& Src, const std::string& Dst, bool KeepAttributes)
{
    std::error_code ec;
    std::filesystem::create_directories(Dst, ec);
    struct stat st;
    if (::stat(Dst.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 1;
    std::vector<detail::Entry> entries;
    if (!detail::ListDir(Src, entries)) return 1;
    int32_t failed = 0;
    const std::string src = Src == "/" ? Src : Src + "/";
    const std::string dst = Dst == "/" ? Dst : Dst + "/";
    for (const detail::Entry& e : entries) {
        if (gAbort.load()) break;
        switch (e.Type) {
        case detail::Kind::Dir:
            failed += CopyDir(src + e.Name, dst + e.Name, KeepAttributes);
            break;
        case detail::Kind::File: {
            gTree.CurrentFile = dst + e.Name;
            ++gTree.FilesBegun;
            gTree.BytesDone = gTree.FileSize = 0;
            auto report = [](int64_t Done, int64_t Size) {
                gTree.BytesDone = Done;
                gTree.FileSize = Size;
                if (gTree.Feedback) gTree.Feedback(Done, Size, gTree.CurrentFile, gTree.FilesBegun);
            };
            int32_t r;
            try {
                r = CopyOne(src + e.Name, src + e.Name, gTree.CurrentFile, KeepAttributes, report);
            } catch (const vcl::EInOutError&) {
                r = fcSourceError;
            }
            if (r != fcOK) ++failed;
            if (gTree.Feedback) gTree.Feedback(gTree.BytesDone, gTree.FileSize, gTree.CurrentFile, gTree.FilesBegun);
            break;
        }
        case detail::Kind::Link:
            if (!CopyLink(src + e.Name, dst + e.Name)) ++failed;
            break;
        case detail::Kind::Other:
            break; // devices, pipes and sockets are not copied
        }
    }
    return failed;
}

} // namespace

void AbortAnyFileCopying() noexcept { gAbort.store(true); }

int32_t FileCopyFeedBk(const std::string& Source, const std::string& Dest, bool KeepAttributes,
                       const TFileCopyFeedback& Feedback)
{
    gAbort.store(false);
    const std::string src = detail::NativePath(Source);
    std::string dst = detail::NativePath(Dest);
    struct stat st;
    if (!dst.empty() && ::stat(dst.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (dst.back() != '/') dst += '/';
        dst += StripPath(src);
    }
    return CopyOne(src, Source, dst, KeepAttributes, Feedback);
}

int32_t CopyFileTree(const std::string& SourceDir, const std::string& DestDir, bool KeepAttributes,
                     const TTreeCopyFeedback& Feedback)
{
    gAbort.store(false);
    gTree = TreeCopyState{};
    gTree.Feedback = Feedback;
    const std::string src = WithoutTrailingSlash(detail::NativePath(SourceDir));
    const std::string dst = WithoutTrailingSlash(detail::NativePath(DestDir));
    struct stat st;
    if (src.empty() || dst.empty() || ::stat(src.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
    std::error_code ec;
    const std::string realSrc = std::filesystem::canonical(src, ec).string();
    if (ec) return -1;
    const std::string realDst = std::filesystem::weakly_canonical(dst, ec).string();
    if (ec) return -1;
    if (realSrc == realDst) return 0;
    // A destination inside the source would be copied into itself without end.
    const std::string prefix = realSrc == "/" ? realSrc : realSrc + "/";
    if (realDst.starts_with(prefix)) return -1;
    const int32_t failed = CopyDir(src, dst, KeepAttributes);
    gTree.Feedback = nullptr;
    // An aborted copy is incomplete whatever was copied before.
    return gAbort.load() ? fcAborted : failed;
}

} // namespace PYX_filesys
