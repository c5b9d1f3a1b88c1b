// Private helpers of the file-system module: native paths, the wildcard
// matcher and sorted directory listings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace PYX_filesys::detail {

// "\" becomes "/"; a leading "c:" (any case) becomes the root "/".
std::string NativePath(std::string_view Path);
// Wildcards "*" and "?" against a name, ASCII letters compared without
// regard to case; "*.*" matches everything.
bool WildMatch(std::string_view Pattern, std::string_view Name);
// Splits a native mask after its last "/": the directory part keeps its
// trailing "/" (empty for the current directory).
void SplitMask(const std::string& Mask, std::string& DirPart, std::string& Pattern);
// The directory to open for a directory part ("" gives ".").
inline std::string OpenDir(const std::string& DirPart) { return DirPart.empty() ? std::string(".") : DirPart; }

enum class Kind : uint8_t { File, Dir, Link, Other };
struct Entry {
    std::string Name;
    Kind Type;
};
// The entries of Dir without "." and "..", sorted case-folded and then by
// bytes. False (errno kept) when the directory cannot be opened.
bool ListDir(const std::string& Dir, std::vector<Entry>& Out);
// A directory with no other attribute in the old sense: no symbolic link, no
// name starting with ".", writable by its owner.
bool PlainDirectory(const std::string& Path, const Entry& E);

std::string SystemReason(int Err);
// Raises vcl::EInOutError: What + " \"" + Name + "\": " + reason.
[[noreturn]] void RaiseIO(const std::string& What, const std::string& Name, int Err);
// The absolute, normalised form of a native path without a trailing "/"
// (no symbolic links resolved).
std::string Absolute(const std::string& Path);
// A unique name "<Dir>.<Base>.<random>.tmp" for a temporary file beside Base.
std::string TempNameBeside(const std::string& Dir, const std::string& Base);

} // namespace PYX_filesys::detail
