// Directory walks, deletion, renaming, drives and read-only probes.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "corekit/PYX_filesys.h"
#include "corekit/internal/FileSys.h"
#include "vcl/Cp1252.h"

namespace PYX_filesys {

using detail::Entry;
using detail::Kind;

namespace {

bool HasWildcards(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

bool SameFolded(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && vcl::AsciiLowerCase(a) == vcl::AsciiLowerCase(b);
}

// True when the entry (a link or not) leads to a directory.
bool LeadsToDirectory(const std::string& Path, const Entry& E)
{
    if (E.Type == Kind::Dir) return true;
    if (E.Type != Kind::Link) return false;
    struct stat st;
    return ::stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string StripSlashes(std::string p)
{
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

} // namespace

// ---------------------------------------------------------------------------
// Files

int64_t GetFileSize(const std::string& FileName)
{
    std::string dir, pattern;
    detail::SplitMask(detail::NativePath(FileName), dir, pattern);
    if (pattern.empty()) return -1;
    auto sizeOf = [](const std::string& path) -> int64_t {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0) return -1;
        return S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
    };
    if (!HasWildcards(pattern)) {
        struct stat st;
        if (::lstat((dir + pattern).c_str(), &st) == 0) return sizeOf(dir + pattern);
    }
    std::vector<Entry> entries;
    if (!detail::ListDir(detail::OpenDir(dir), entries)) return -1;
    for (const Entry& e : entries)
        if (detail::WildMatch(pattern, e.Name)) return sizeOf(dir + e.Name);
    return -1;
}

namespace {

bool IsRegularFile(const std::string& Path)
{
    struct stat st;
    return ::stat(Path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string DetectIn(const std::string& Dir, const std::string& Name, int Depth)
{
    if (IsRegularFile(Dir + Name)) return Dir + Name; // the exact spelling first
    std::vector<Entry> entries;
    if (Depth > 256 || !detail::ListDir(detail::OpenDir(Dir), entries)) return {};
    for (const Entry& e : entries)
        if (SameFolded(e.Name, Name) && IsRegularFile(Dir + e.Name)) return Dir + e.Name;
    for (const Entry& e : entries)
        if (detail::PlainDirectory(Dir + e.Name, e)) {
            std::string hit = DetectIn(Dir + e.Name + "/", Name, Depth + 1);
            if (!hit.empty()) return hit;
        }
    return {};
}

} // namespace

std::string FileDetect(const std::string& FileName)
{
    std::string dir, name;
    detail::SplitMask(detail::NativePath(FileName), dir, name);
    if (name.empty()) return {};
    return DetectIn(dir, name, 0);
}

int32_t DeleteFiles(const std::string& Mask)
{
    std::string dir, pattern;
    detail::SplitMask(detail::NativePath(Mask), dir, pattern);
    std::vector<Entry> entries;
    if (pattern.empty() || !detail::ListDir(detail::OpenDir(dir), entries)) return 0;
    int32_t n = 0;
    for (const Entry& e : entries) {
        if (e.Name[0] == '.' || e.Type == Kind::Dir || !detail::WildMatch(pattern, e.Name)) continue;
        if (::unlink((dir + e.Name).c_str()) == 0) ++n;
    }
    return n;
}

// ---------------------------------------------------------------------------
// Changing the case of names

namespace {

[[noreturn]] void RaiseRename(const std::string& From, const std::string& To, int Err)
{
    throw vcl::EInOutError("Cannot rename \"" + From + "\" to \"" + To + "\": " + detail::SystemReason(Err));
}

// Renames without ever replacing another entry. On a file system that
// ignores case the new spelling "exists" as the entry itself, which then
// goes through a temporary name.
void RenameNoReplace(const std::string& From, const std::string& To)
{
    if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0) return;
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // No support for the flag here: check first, then rename.
        struct stat st;
        if (::lstat(To.c_str(), &st) != 0) {
            if (::rename(From.c_str(), To.c_str()) == 0) return;
            RaiseRename(From, To, errno);
        }
        err = EEXIST;
    }
    if (err == EEXIST) {
        struct stat a, b;
        if (::lstat(From.c_str(), &a) == 0 && ::lstat(To.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
            a.st_ino == b.st_ino) {
            const std::size_t slash = To.rfind('/');
            const std::string tmp = detail::TempNameBeside(To.substr(0, slash + 1), To.substr(slash + 1));
            if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, tmp.c_str(), RENAME_NOREPLACE) != 0) {
                RaiseRename(From, To, errno);
            }
            if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) != 0) {
                err = errno;
                ::rename(tmp.c_str(), From.c_str());
                RaiseRename(From, To, err);
            }
            return;
        }
    }
    RaiseRename(From, To, err);
}

void SetCaseIn(const std::string& Dir, const std::string& Pattern, bool Upper, int Depth)
{
    std::vector<Entry> entries;
    if (!detail::ListDir(detail::OpenDir(Dir), entries)) {
        if (Depth == 0) return; // nothing matches in a directory that cannot be listed
        detail::RaiseIO("Cannot list directory", Dir, errno);
    }
    for (const Entry& e : entries) {
        if (!detail::WildMatch(Pattern, e.Name)) continue;
        const std::string name = Upper ? vcl::AsciiUpperCase(e.Name) : vcl::AsciiLowerCase(e.Name);
        if (name != e.Name) RenameNoReplace(Dir + e.Name, Dir + name);
        Entry renamed{name, e.Type};
        if (Depth < 256 && detail::PlainDirectory(Dir + name, renamed))
            SetCaseIn(Dir + name + "/", Pattern, Upper, Depth + 1);
    }
}

} // namespace

void SetAllFilenameCase(const std::string& Mask, bool Upper)
{
    std::string dir, pattern;
    detail::SplitMask(detail::NativePath(Mask), dir, pattern);
    if (pattern.empty()) return;
    SetCaseIn(dir, pattern, Upper, 0);
}

// ---------------------------------------------------------------------------
// Directories

bool DirExists(const std::string& Dir)
{
    if (Dir.empty()) return false;
    struct stat st;
    return ::stat(detail::NativePath(Dir).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DirEmpty(const std::string& Dir)
{
    DIR* d = ::opendir(detail::OpenDir(detail::NativePath(Dir)).c_str());
    if (!d) return !(errno == EACCES || errno == EPERM); // unreadable is not empty
    bool empty = true;
    while (dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        empty = false;
        break;
    }
    ::closedir(d);
    return empty;
}

namespace {

// Read-only mount or no write permission.
bool WriteRefused(const std::string& Path)
{
    struct statvfs vfs;
    if (::statvfs(Path.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY)) return true;
    return ::access(Path.c_str(), W_OK) != 0;
}

} // namespace

bool DirIsReadOnly(const std::string& Dir)
{
    const std::string dir = StripSlashes(detail::OpenDir(detail::NativePath(Dir)));
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (WriteRefused(dir)) return true;
    // A probe file of a fresh unique name, so no file of the user's is touched.
    const std::string prefix = dir == "/" ? dir : dir + "/";
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string probe = detail::TempNameBeside(prefix, "probe");
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
            return false;
        }
        if (errno != EEXIST) return true;
    }
    return true;
}

namespace {

std::string DelTree(int ParentFd, const char* Name, const std::string& Path, int Depth)
{
    const int fd = ::openat(ParentFd, Name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return Path + "/";
    DIR* d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return Path + "/";
    }
    std::vector<std::pair<std::string, bool>> entries; // name, is a directory
    while (dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
            struct stat st;
            isDir = ::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        entries.emplace_back(n, isDir);
    }
    std::sort(entries.begin(), entries.end());
    for (const auto& [n, isDir] : entries) {
        std::string failed;
        if (isDir) {
            failed = Depth < 4096 ? DelTree(fd, n.c_str(), Path + "/" + n, Depth + 1) : Path + "/" + n + "/";
        } else if (::unlinkat(fd, n.c_str(), 0) != 0) {
            failed = Path + "/" + n;
        }
        if (!failed.empty()) {
            ::closedir(d);
            return failed;
        }
    }
    ::closedir(d);
    if (::unlinkat(ParentFd, Name, AT_REMOVEDIR) != 0) return Path + "/";
    return {};
}

} // namespace

std::string DelDirTree(const std::string& Dir)
{
    const std::string p = StripSlashes(detail::NativePath(Dir));
    // The empty path, the root and drive roots are never deleted.
    if (p.empty() || p == "/" || IsRootDir(Dir)) return "/";
    char real[PATH_MAX];
    if (::realpath(p.c_str(), real) && std::string(real) == "/") return p + "/";
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0) return p + "/";
    if (S_ISLNK(st.st_mode)) return ::unlink(p.c_str()) == 0 ? std::string() : p; // the link, not its target
    if (!S_ISDIR(st.st_mode)) return p + "/";
    return DelTree(AT_FDCWD, p.c_str(), p, 0);
}

namespace {

void Walk(const std::string& Dir, const std::string& Pattern, bool Recursive, std::vector<std::string>* List,
          const TDirScanFeedback& OnDirectory, int32_t& Count, int Depth)
{
    if (OnDirectory) OnDirectory(Dir, Count);
    std::vector<Entry> entries;
    if (!detail::ListDir(detail::OpenDir(Dir), entries)) return;
    for (const Entry& e : entries) {
        if (!detail::WildMatch(Pattern, e.Name) || LeadsToDirectory(Dir + e.Name, e)) continue;
        if (List) List->push_back(Dir + e.Name);
        ++Count;
    }
    if (!Recursive || Depth >= 4096) return;
    for (const Entry& e : entries)
        if (e.Type == Kind::Dir) Walk(Dir + e.Name + "/", Pattern, true, List, OnDirectory, Count, Depth + 1);
}

} // namespace

int32_t ScanFilesToStrList(const std::string& Mask, bool Recursive, std::vector<std::string>* List,
                           const TDirScanFeedback& OnDirectory)
{
    std::string dir, pattern;
    detail::SplitMask(detail::NativePath(Mask), dir, pattern);
    int32_t count = 0;
    if (pattern.empty()) return 0;
    Walk(dir, pattern, Recursive, List, OnDirectory, count, 0);
    return count;
}

int32_t CountFiles(const std::string& Mask, bool Recursive, const TDirScanFeedback& OnDirectory)
{
    return ScanFilesToStrList(Mask, Recursive, nullptr, OnDirectory);
}

// ---------------------------------------------------------------------------
// Drives

namespace {

// The root of a drive number: C: is "/", the other letters are not mapped.
std::string DriveRoot(int32_t Drive) { return Drive == 2 ? std::string("/") : std::string(); }

std::string Unescape(const std::string& s)
{
    // Mount points escape blanks, tabs, newlines and backslashes as \ooo.
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
            s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
            r += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            r += s[i];
        }
    }
    return r;
}

bool UnderMount(const std::string& Path, const std::string& Mount)
{
    if (Mount == "/") return true;
    return Path == Mount || (Path.starts_with(Mount) && Path[Mount.size()] == '/');
}

int32_t TypeOfFsName(const std::string& Fs)
{
    static const char* const kRemote[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs",
                                          "9p", "afs", "ceph", "glusterfs", "fuse.glusterfs"};
    for (const char* r : kRemote)
        if (Fs == r) return 4;
    if (Fs == "iso9660" || Fs == "udf") return 5;
    if (Fs == "tmpfs" || Fs == "ramfs") return 6;
    return 0;
}

bool RemovableDevice(const std::string& MajMin)
{
    auto readFlag = [](const std::string& file) {
        std::ifstream f(file);
        int v = 0;
        return (f >> v) && v == 1;
    };
    const std::string base = "/sys/dev/block/" + MajMin;
    if (readFlag(base + "/removable")) return true;
    struct stat st;
    return ::stat((base + "/partition").c_str(), &st) == 0 && readFlag(base + "/../removable");
}

} // namespace

int32_t GetDiskDriveType(const std::string& Path)
{
    char real[PATH_MAX];
    if (!::realpath(detail::NativePath(Path).c_str(), real)) return 1;
    const std::string path(real);
    std::ifstream mi("/proc/self/mountinfo");
    std::string line, bestMount, bestFs, bestDev;
    bool any = false;
    while (std::getline(mi, line)) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
        std::istringstream in(line);
        std::string id, parent, dev, root, mount, word;
        if (!(in >> id >> parent >> dev >> root >> mount)) continue;
        while (in >> word && word != "-") {}
        std::string fs;
        if (!(in >> fs)) continue;
        mount = Unescape(mount);
        if (UnderMount(path, mount) && (!any || mount.size() >= bestMount.size())) {
            any = true;
            bestMount = mount;
            bestFs = fs;
            bestDev = dev;
        }
    }
    if (any) {
        if (const int32_t t = TypeOfFsName(bestFs)) return t;
        if (RemovableDevice(bestDev)) return 2;
        return 3;
    }
    struct statfs sf;
    if (::statfs(path.c_str(), &sf) != 0) return 0;
    switch (static_cast<unsigned long>(sf.f_type)) {
    case 0x6969UL:                   // NFS
    case 0x517BUL:                   // SMB
    case 0xFF534D42UL:               // CIFS
    case 0xFE534D42UL:               // SMB2
        return 4;
    case 0x9660UL:                   // ISO 9660
    case 0x15013346UL:               // UDF
        return 5;
    case 0x01021994UL:               // tmpfs
    case 0x858458F6UL:               // ramfs
        return 6;
    default:
        return 3;
    }
}

int32_t GetDiskDriveType(int32_t Drive)
{
    if (Drive > 25) return 0;
    const std::string root = DriveRoot(Drive);
    return root.empty() ? 1 : GetDiskDriveType(root);
}

int64_t DiskFreeExtended(const std::string& Path)
{
    struct statvfs vfs;
    if (::statvfs(detail::OpenDir(detail::NativePath(Path)).c_str(), &vfs) != 0) return -1;
    return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
}

int64_t DiskFreeExtended(int32_t Drive)
{
    const std::string root = DriveRoot(Drive);
    return root.empty() ? -1 : DiskFreeExtended(root);
}

bool DiskIsReadOnly(const std::string& Path)
{
    const std::string p = detail::OpenDir(detail::NativePath(Path));
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) return false;
    return WriteRefused(p);
}

bool DiskIsReadOnly(int32_t Drive)
{
    const std::string root = DriveRoot(Drive);
    return root.empty() ? false : DiskIsReadOnly(root);
}

} // namespace PYX_filesys
