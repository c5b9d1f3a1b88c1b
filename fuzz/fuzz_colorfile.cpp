// Colour array files: any byte sequence read as a colour file must give a
// result without reading or writing outside the array, and what was read must
// survive a store and a reload unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "corekit/PYX_pyxcolors.h"

namespace {

std::string TempName(const char* tag)
{
    return (std::filesystem::temp_directory_path() /
            ("fuzz_colorfile_" + std::to_string(getpid()) + "_" + tag + ".txt"))
        .string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string in = TempName("in");
    static const std::string out = TempName("out");
    {
        std::FILE* f = std::fopen(in.c_str(), "wb");
        if (f == nullptr) return 0;
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    for (bool adjust : {false, true}) {
        PYX_pyxcolors::TColorArray a(nullptr);
        a.Resize(64);
        const bool ok = a.LoadFromFile(in, adjust);
        if (a.GetSize() < 1 || a.GetSize() > PYX_pyxcolors::TColorArray::MaxFileEntries) std::abort();
        if (!ok) continue;
        // A successful load leaves an array that stores and reloads to itself.
        if (!a.StoreOnFile(1, a.GetSize(), out)) std::abort();
        PYX_pyxcolors::TColorArray b(nullptr);
        if (!b.LoadFromFile(out, true)) std::abort();
        if (b.GetSize() != a.GetSize()) std::abort();
        for (int32_t i = 1; i <= a.GetSize(); ++i)
            if (a.GetColorElem(i) != b.GetColorElem(i)) std::abort();
    }
    return 0;
}
