// File names, the password generator, special folders and the environment,
// and the private path and listing helpers of the module.
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "corekit/PYX_filesys.h"
#include "corekit/internal/FileSys.h"
#include "vcl/Cp1252.h"

extern char** environ;

namespace PYX_filesys {

namespace detail {

std::string NativePath(std::string_view Path)
{
    std::string p(Path);
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.size() >= 2 && p[1] == ':' && (p[0] == 'c' || p[0] == 'C')) {
        p.erase(0, 2);
        if (p.empty() || p[0] != '/') p.insert(p.begin(), '/');
    }
    return p;
}

bool WildMatch(std::string_view Pattern, std::string_view Name)
{
    if (Pattern == "*.*") Pattern = "*";
    // Greedy matching with one back-track point: the last "*" seen. Linear in
    // practice and never exponential.
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < Name.size()) {
        if (p < Pattern.size() && Pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < Pattern.size() &&
                   (Pattern[p] == '?' || vcl::AsciiLower(static_cast<unsigned char>(Pattern[p])) ==
                                             vcl::AsciiLower(static_cast<unsigned char>(Name[n])))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < Pattern.size() && Pattern[p] == '*') ++p;
    return p == Pattern.size();
}

void SplitMask(const std::string& Mask, std::string& DirPart, std::string& Pattern)
{
    const std::size_t slash = Mask.rfind('/');
    if (slash == std::string::npos) {
        DirPart.clear();
        Pattern = Mask;
    } else {
        DirPart = Mask.substr(0, slash + 1);
        Pattern = Mask.substr(slash + 1);
    }
}

namespace {

std::string Folded(const std::string& s) { return vcl::AsciiLowerCase(s); }

Kind KindOfMode(mode_t m)
{
    if (S_ISREG(m)) return Kind::File;
    if (S_ISDIR(m)) return Kind::Dir;
    if (S_ISLNK(m)) return Kind::Link;
    return Kind::Other;
}

} // namespace

bool ListDir(const std::string& Dir, std::vector<Entry>& Out)
{
    Out.clear();
    DIR* d = ::opendir(Dir.c_str());
    if (!d) return false;
    const int dfd = ::dirfd(d);
    while (dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        Kind k;
        switch (e->d_type) {
        case DT_REG: k = Kind::File; break;
        case DT_DIR: k = Kind::Dir; break;
        case DT_LNK: k = Kind::Link; break;
        case DT_UNKNOWN: {
            struct stat st;
            k = ::fstatat(dfd, n, &st, AT_SYMLINK_NOFOLLOW) == 0 ? KindOfMode(st.st_mode) : Kind::Other;
            break;
        }
        default: k = Kind::Other; break;
        }
        Out.push_back({n, k});
    }
    ::closedir(d);
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(Out.size());
    for (std::size_t i = 0; i < Out.size(); ++i) keys.emplace_back(Folded(Out[i].Name), i);
    std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return Out[a.second].Name < Out[b.second].Name;
    });
    std::vector<Entry> sorted;
    sorted.reserve(Out.size());
    for (const auto& k : keys) sorted.push_back(std::move(Out[k.second]));
    Out = std::move(sorted);
    return true;
}

bool PlainDirectory(const std::string& Path, const Entry& E)
{
    if (E.Type != Kind::Dir || E.Name.empty() || E.Name[0] == '.') return false;
    struct stat st;
    if (::lstat(Path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return (st.st_mode & S_IWUSR) != 0;
}

std::string SystemReason(int Err)
{
    char buf[256];
    const char* s = ::strerror_r(Err, buf, sizeof buf); // the GNU form returns the text
    return s ? std::string(s) : std::string("error ") + std::to_string(Err);
}

void RaiseIO(const std::string& What, const std::string& Name, int Err)
{
    throw vcl::EInOutError(What + " \"" + Name + "\": " + SystemReason(Err));
}

std::string Absolute(const std::string& Path)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(Path.empty() ? std::string(".") : Path, ec);
    if (ec) return Path;
    std::string r = p.lexically_normal().string();
    while (r.size() > 1 && r.back() == '/') r.pop_back();
    return r;
}

std::string TempNameBeside(const std::string& Dir, const std::string& Base)
{
    uint64_t r = 0;
    if (::getrandom(&r, sizeof r, 0) != static_cast<ssize_t>(sizeof r)) r = std::random_device{}();
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(r));
    std::string base = Base.size() > 200 ? Base.substr(0, 200) : Base; // stay below the name limit
    return Dir + "." + base + "." + hex + ".tmp";
}

} // namespace detail

// ---------------------------------------------------------------------------
// File names

namespace {

constexpr bool IsSep(char c) noexcept { return c == '\\' || c == '/'; }

// Index of the first character of the file-name part.
std::size_t NameStart(std::string_view s) noexcept
{
    const std::size_t p = s.find_last_of("\\/:");
    return p == std::string_view::npos ? 0 : p + 1;
}

} // namespace

std::string StripExtension(std::string_view FileName)
{
    const std::size_t start = NameStart(FileName);
    const std::size_t dot = FileName.find('.', start);
    return std::string(dot == std::string_view::npos ? FileName : FileName.substr(0, dot));
}

std::string StripPath(std::string_view FileName) { return std::string(FileName.substr(NameStart(FileName))); }

std::string EnsureDefaultFileExt(std::string_view FileName, std::string_view Ext)
{
    std::string r(FileName);
    if (Ext.empty() || FileName.find('.', NameStart(FileName)) != std::string_view::npos) return r;
    if (Ext[0] != '.') r += '.';
    r += Ext;
    return r;
}

bool IsRootDir(std::string_view Path)
{
    const std::size_t a = Path.find_first_not_of(' ');
    if (a == std::string_view::npos) return false;
    const std::string_view s = Path.substr(a, Path.find_last_not_of(' ') - a + 1);
    return s.size() == 3 && s[1] == ':' && IsSep(s[2]);
}

int32_t ExtractDrive(std::string_view Path)
{
    if (Path.size() < 2 || Path[1] != ':') return -1;
    const unsigned char c = vcl::AsciiUpper(static_cast<unsigned char>(Path[0]));
    return (c >= 'A' && c <= 'Z') ? c - 'A' : 0;
}

bool IsDOS83Path(std::string_view Path)
{
    static constexpr std::string_view kAllowed = "!#$%&'()-.:@\\^_`{}~/";
    int32_t run = 0;
    for (char ch : Path) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c > 127) return false;
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        kAllowed.find(ch) != std::string_view::npos;
        if (!ok) return false;
        if (ch == '\\' || ch == '/' || ch == '.') {
            run = 0;
        } else if (++run > 8) {
            return false;
        }
    }
    return true;
}

std::string DOSToWinPath(std::string_view Path)
{
    const std::string abs = detail::Absolute(detail::NativePath(Path));
    std::string result = "/";
    std::vector<detail::Entry> entries;
    std::size_t start = 1;
    while (start < abs.size()) {
        std::size_t end = abs.find('/', start);
        if (end == std::string::npos) end = abs.size();
        const std::string comp = abs.substr(start, end - start);
        if (!comp.empty()) {
            std::string found;
            struct stat st;
            if (::lstat((result + comp).c_str(), &st) == 0) {
                found = comp; // an exact spelling wins
            } else if (detail::ListDir(result, entries)) {
                const std::string key = vcl::AsciiLowerCase(comp);
                for (const auto& e : entries)
                    if (vcl::AsciiLowerCase(e.Name) == key) {
                        found = e.Name;
                        break;
                    }
            }
            // From a component that does not exist on, the rest stays as given.
            if (found.empty()) return result + abs.substr(start);
            result += found;
            if (end < abs.size()) result += '/';
        }
        start = end + 1;
    }
    return result;
}

// ---------------------------------------------------------------------------
// The password generator

namespace {

// A uniform number in [0, n) from the operating system's entropy.
uint32_t EntropyBelow(uint32_t n)
{
    const uint32_t limit = UINT32_MAX - UINT32_MAX % n; // reject the uneven top
    for (;;) {
        uint32_t r;
        ssize_t got;
        do {
            got = ::getrandom(&r, sizeof r, 0);
        } while (got < 0 && errno == EINTR);
        if (got != static_cast<ssize_t>(sizeof r)) r = std::random_device{}();
        if (r < limit) return r % n;
    }
}

} // namespace

std::string InventPassword(int32_t Length)
{
    static constexpr std::string_view kVowels = "aeiouy";
    static constexpr std::string_view kConsonants = "bcdfghjklmnpqrstvwxz";
    const int32_t len = std::clamp(Length, 4, 14);
    auto vowel = [] { return kVowels[EntropyBelow(static_cast<uint32_t>(kVowels.size()))]; };
    auto consonant = [] { return kConsonants[EntropyBelow(static_cast<uint32_t>(kConsonants.size()))]; };
    std::string s;
    if (len % 2 == 1) s += vowel();
    for (int32_t i = 0; i < len / 2 - 1; ++i) {
        s += consonant();
        s += vowel();
    }
    const uint32_t num = EntropyBelow(100);
    const char digits[2] = {static_cast<char>('0' + num / 10), static_cast<char>('0' + num % 10)};
    if (s.size() < 6)
        s.append(digits, 2);
    else
        s.insert(6, digits, 2);
    return s;
}

// ---------------------------------------------------------------------------
// Special folders and the environment

std::string GetSystemDir() { return "/usr/lib"; }

std::string GetWindowsDir() { return "/usr"; }

std::string GetTempDir()
{
    std::string dir;
    if (const char* t = ::getenv("TMPDIR"); t && *t && std::strlen(t) < 1024) {
        struct stat st;
        if (::stat(t, &st) == 0 && S_ISDIR(st.st_mode)) dir = t;
    }
    if (dir.empty()) dir = P_tmpdir;
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::string GetEnviroVar(std::string_view Name)
{
    if (Name.empty() || !environ) return {};
    const char* folded = nullptr;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        const std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos || eq != Name.size()) continue;
        const std::string_view key = entry.substr(0, eq);
        if (key == Name) return std::string(entry.substr(eq + 1));
        if (!folded && vcl::AsciiUpperCase(std::string(key)) == vcl::AsciiUpperCase(std::string(Name)))
            folded = *e + eq + 1;
    }
    return folded ? std::string(folded) : std::string();
}

} // namespace PYX_filesys
