// Command-line helper for checks of the SD reader and the molfile writer
// against other chemistry software.
//
//   sdf_tool IN.sdf [OUT.sdf]
//
// Prints one line per record of IN.sdf, tab-separated: the record number
// (from 1), the read status (0 complete, 1 doubtful, 2 not read), the
// formula entries as "Z:mass:count" joined by blanks (empty when there is no
// formula), the total charge, the number of atoms and the reader's message.
// With OUT.sdf, every completely read record is written there as a molfile
// followed by a data item PYX_INDEX with its record number and "$$$$".
#include <cstdio>
#include <memory>
#include <string>

#include "corekit/PYX_streams.h"
#include "molkit/PYX_cstruct.h"
#include "vcl/Streams.h"

using namespace PYX_cstruct;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: sdf_tool IN.sdf [OUT.sdf]\n", stderr);
        return 2;
    }
    try {
        vcl::TFileStream in(argv[1], vcl::fmOpenRead);
        std::unique_ptr<vcl::TFileStream> out;
        if (argc > 2) out = std::make_unique<vcl::TFileStream>(argv[2], vcl::fmCreate);
        TCTab t;
        TPropArray props;
        for (long long n = 1;; ++n) {
            const bool ok = t.ReadFromMDLSDStream(in, props);
            const TReadStatus st = t.GetReadStatus();
            if (st == rsEndOfFile) break;
            const int code = ok ? 0 : st == rsDoubtful ? 1 : 2;
            std::string entries;
            int charge = 0;
            if (code < 2) {
                PYX_cform::TFormulaRec r;
                if (t.CalcMolecularFormula(r))
                    for (int i = 0; i < r.NumAtoms; ++i) {
                        const auto k = static_cast<std::size_t>(i);
                        if (i > 0) entries += ' ';
                        entries += std::to_string(r.AtNum[k]) + ':' + std::to_string(r.AtWgt[k]) + ':' +
                                   std::to_string(r.AtCnt[k]);
                    }
                for (int a = 1; a <= t.GetNumAtoms(); ++a) charge += t.GetCharge(a);
            }
            std::printf("%lld\t%d\t%s\t%d\t%d\t%s\n", n, code, entries.c_str(), charge, t.GetNumAtoms(),
                        t.GetReadError().c_str());
            if (out && code == 0) {
                t.WriteToMDLMolStream(*out, "PYX", "", 0, "");
                PYX_streams::WriteLnStream(*out, "> <PYX_INDEX>");
                PYX_streams::WriteLnStream(*out, std::to_string(n));
                PYX_streams::WriteLnStream(*out, "");
                PYX_streams::WriteLnStream(*out, "$$$$");
            }
        }
        if (out) out->Flush();
    } catch (const vcl::Exception& e) {
        std::fprintf(stderr, "sdf_tool: %s\n", e.what());
        return 2;
    }
    return 0;
}
