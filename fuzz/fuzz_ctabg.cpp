// "/CTABG" blocks of any bytes: the reader never crashes and the table stays
// consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_ctab_check.h"
#include "fuzz_memfile.h"
#include "molkit/PYX_cstruct.h"
#include "vcl/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemFile mem(std::string(reinterpret_cast<const char*>(data), size));
    vcl::TTextFile F(mem.Path());
    F.Reset();
    PYX_cstruct::TCTab t;
    for (int i = 0; i < 1000; ++i) {
        const bool ok = t.ReadFromClearTextFileCTABG(F);
        CheckTable(t, false);
        (void)ok;
        if (t.GetReadStatus() == PYX_cstruct::rsEndOfFile) break;
    }
    return 0;
}
