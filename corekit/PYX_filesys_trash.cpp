// Moving files to the desktop trash, laid out as desktop file managers
// expect it: the file goes to <trash>/files/<name> and a record
// <trash>/info/<name>.trashinfo keeps its original path and the deletion
// time, so that the file can be restored. A file that cannot be moved stays
// where it is; nothing is ever deleted instead.
//
// The home trash is $XDG_DATA_HOME/Trash. This is the one environment
// variable the module reads for itself, because the desktop's convention
// puts the trash there; when it is unset (or not an absolute path) the home
// directory's .local/share/Trash is used. A file on another volume goes to
// that volume's trash: <top>/.Trash/<uid> when the volume offers a shared
// .Trash folder (a real directory with the sticky bit), else <top>/.Trash-<uid>.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "corekit/PYX_filesys.h"
#include "corekit/internal/FileSys.h"

namespace PYX_filesys {

namespace {

std::string HomeDataDir()
{
    if (const char* x = ::getenv("XDG_DATA_HOME"); x && x[0] == '/') return x;
    std::string home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buf(static_cast<size_t>(size > 0 ? size : 16384), '\0');
    struct passwd pw;
    struct passwd* res = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &res) == 0 && res && res->pw_dir)
        home = res->pw_dir;
    if (home.empty()) return {};
    return home + "/.local/share";
}

// Creates the directory and its missing parents (0700 for new ones); true
// when it exists as a real directory afterwards.
bool MakeDirs(const std::string& Dir)
{
    struct stat st;
    if (::lstat(Dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::size_t slash = Dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(Dir.substr(0, slash))) return false;
    if (::mkdir(Dir.c_str(), 0700) == 0) return true;
    return errno == EEXIST && ::lstat(Dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The device of the path, or of its nearest existing ancestor.
bool DeviceOf(std::string Path, dev_t& Dev)
{
    struct stat st;
    while (!Path.empty()) {
        if (::stat(Path.c_str(), &st) == 0) {
            Dev = st.st_dev;
            return true;
        }
        const std::size_t slash = Path.find_last_of('/');
        if (slash == std::string::npos) return false;
        Path = slash == 0 ? std::string("/") : Path.substr(0, slash);
        if (Path == "/") {
            if (::stat("/", &st) != 0) return false;
            Dev = st.st_dev;
            return true;
        }
    }
    return false;
}

// The top directory of the volume holding the (absolute) directory Dir.
std::string VolumeTop(const std::string& Dir, dev_t Dev)
{
    std::string top = Dir;
    while (top != "/") {
        const std::size_t slash = top.find_last_of('/');
        const std::string parent = slash == 0 ? std::string("/") : top.substr(0, slash);
        struct stat st;
        if (::stat(parent.c_str(), &st) != 0 || st.st_dev != Dev) break;
        top = parent;
    }
    return top;
}

std::string TrashFor(const std::string& AbsPath, const struct stat& St)
{
    const std::string home = HomeDataDir();
    dev_t homeDev;
    if (!home.empty() && DeviceOf(home + "/Trash", homeDev) && homeDev == St.st_dev) return home + "/Trash";

    const std::size_t slash = AbsPath.find_last_of('/');
    const std::string dir = slash == 0 ? std::string("/") : AbsPath.substr(0, slash);
    std::string top = VolumeTop(dir, St.st_dev);
    if (top == "/") top.clear();
    const std::string uid = std::to_string(::getuid());
    struct stat st;
    const std::string shared = top + "/.Trash";
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX))
        return shared + "/" + uid;
    return top + "/.Trash-" + uid;
}

std::string PercentEncoded(const std::string& Path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string r;
    for (const char ch : Path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          std::string_view("-_.!~*'()/").find(ch) != std::string_view::npos;
        if (keep) {
            r += ch;
        } else {
            r += '%';
            r += kHex[c >> 4];
            r += kHex[c & 15];
        }
    }
    return r;
}

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    struct tm t;
    ::localtime_r(&now, &t);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

bool WriteAll(int Fd, const std::string& S)
{
    std::size_t done = 0;
    while (done < S.size()) {
        const ssize_t n = ::write(Fd, S.data() + done, S.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool MoveNoReplace(const std::string& From, const std::string& To)
{
    if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    struct stat st;
    return ::lstat(To.c_str(), &st) != 0 && ::rename(From.c_str(), To.c_str()) == 0;
}

bool TrashOne(const std::string& AbsPath)
{
    struct stat st;
    if (::lstat(AbsPath.c_str(), &st) != 0) return false;
    const std::string trash = TrashFor(AbsPath, st);
    const std::string files = trash + "/files/";
    const std::string info = trash + "/info/";
    if (!MakeDirs(trash + "/files") || !MakeDirs(trash + "/info")) return false;

    std::string base = StripPath(AbsPath);
    // The trash name only has to be unique; the record keeps the real name.
    // A long name is shortened so that "<name>.trashinfo" still fits.
    if (base.size() > 200) base.resize(200);
    const std::string record = "[Trash Info]\nPath=" + PercentEncoded(AbsPath) + "\nDeletionDate=" +
                               DeletionDate() + "\n";
    for (int k = 1; k < 10000; ++k) {
        const std::string name = k == 1 ? base : base + "." + std::to_string(k);
        const std::string infoFile = info + name + ".trashinfo";
        // Creating the record first reserves the name (as the convention asks).
        const int fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        struct stat taken;
        if (::lstat((files + name).c_str(), &taken) == 0) {
            ::close(fd);
            ::unlink(infoFile.c_str());
            continue;
        }
        const bool written = WriteAll(fd, record);
        if (::close(fd) != 0 || !written || !MoveNoReplace(AbsPath, files + name)) {
            ::unlink(infoFile.c_str());
            return false;
        }
        return true;
    }
    return false;
}

} // namespace

int32_t MoveToRecycleBin(const std::string& Mask)
{
    std::string dir, pattern;
    detail::SplitMask(detail::NativePath(Mask), dir, pattern);
    std::vector<detail::Entry> entries;
    if (pattern.empty() || !detail::ListDir(detail::OpenDir(dir), entries)) return 0;
    std::string absDir = detail::Absolute(detail::OpenDir(dir));
    if (absDir.back() != '/') absDir += '/';
    int32_t n = 0;
    for (const detail::Entry& e : entries) {
        if (e.Name[0] == '.' || e.Type == detail::Kind::Dir || !detail::WildMatch(pattern, e.Name)) continue;
        if (TrashOne(absDir + e.Name)) ++n;
    }
    return n;
}

} // namespace PYX_filesys
