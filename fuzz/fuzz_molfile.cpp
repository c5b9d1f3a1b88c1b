// MDL molfiles and SD files of any bytes: the SD reader walks the records to
// the end, the molfile and table readers read the same bytes from a file and
// from a stream; tables stay consistent, and a complete read survives being
// written and read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_ctab_check.h"
#include "fuzz_memfile.h"
#include "molkit/PYX_cstruct.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

namespace {

void CheckRoundTrip(const PYX_cstruct::TCTab& t)
{
    vcl::TStringStream out;
    const_cast<PYX_cstruct::TCTab&>(t).WriteToMDLMolStream(out, "FUZZ", "", 0, "");
    out.SetPosition(0);
    PYX_cstruct::TCTab back;
    if (!back.ReadFromMDLMolStream(out)) std::abort();
    if (!SameStructure(back, t)) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    MemFile mem(text);
    PYX_cstruct::TCTab t;
    {
        vcl::TTextFile F(mem.Path());
        F.Reset();
        PYX_cstruct::TPropArray props;
        PYX_cstruct::TSDDataItems items;
        for (int i = 0; i < 10000; ++i) {
            const bool ok = t.ReadFromMDLSDFile(F, props, &items);
            CheckTable(t, true);
            if (ok) CheckRoundTrip(t);
            if (t.GetReadStatus() == PYX_cstruct::rsEndOfFile) break;
            if (!ok && t.GetReadError().empty()) std::abort();
        }
        if (!F.Eof()) std::abort();
    }
    {
        vcl::TTextFile F(mem.Path());
        F.Reset();
        const bool ok = t.ReadFromMDLMolFile(F);
        CheckTable(t, true);
        if (ok) CheckRoundTrip(t);
    }
    {
        vcl::TStringStream S(text);
        PYX_cstruct::TCTab u;
        const bool ok = u.ReadFromMDLCTabStream(S);
        CheckTable(u, true);
        if (ok) CheckRoundTrip(u);
        vcl::TStringStream S2(text);
        PYX_cstruct::TPropArray props;
        for (int i = 0; i < 10000 && S2.GetPosition() < S2.GetSize(); ++i) {
            u.ReadFromMDLSDStream(S2, props);
            CheckTable(u, true);
        }
    }
    return 0;
}
