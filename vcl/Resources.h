// Named resources: read-only byte blobs compiled into a library.
//
// A package lists the files of its resource folder in CMake with
// pyx_add_resources(<target> <function> <folder>): at build time every file
// becomes a byte array named after the file without its extension, upper-cased
// ("pointr.bmp" is "POINTR"), and the generated source defines
// `const vcl::TResourceTable& <function>()` returning the package's table.
// Nothing is registered at load time. Names are looked up without regard to
// ASCII case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vcl {

struct TResourceEntry {
    const char* Name;
    const uint8_t* Data;
    size_t Size;
};

struct TResourceTable {
    const TResourceEntry* Entries = nullptr;
    size_t Count = 0;

    // The entry of Name; nullptr when there is none.
    const TResourceEntry* Find(std::string_view Name) const noexcept;
    // The entry of Name; raises EResNotFound when there is none.
    const TResourceEntry& Get(std::string_view Name) const;
};

} // namespace vcl
