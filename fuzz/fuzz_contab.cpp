// "/CONTAB" blocks of any bytes: the reader never crashes, the table stays
// consistent, and a complete read survives being written and read back.
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
        const bool ok = t.ReadFromClearTextFile(F);
        CheckTable(t, false);
        if (ok) {
            MemFile out("");
            vcl::TTextFile W(out.Path());
            W.Rewrite();
            t.WriteToClearTextFile(W);
            W.Close();
            W.Reset();
            PYX_cstruct::TCTab back;
            if (!back.ReadFromClearTextFile(W) || back.CompareWith(t) != 0) std::abort();
        }
        if (t.GetReadStatus() == PYX_cstruct::rsEndOfFile) break;
    }
    return 0;
}
