// Formula text of any bytes: parsing never crashes, keeps at most 20 entries
// with valid atomic numbers and bounded counts, and the text written back
// reads back to the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "molkit/PYX_CData.h"
#include "molkit/PYX_cform.h"
#include "vcl/Cp1252.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    PYX_cform::TMolFormModel f;
    f.SetMolFormula(text);
    const int n = f.GetNumAtoms();
    if (n < 0 || n > PYX_cform::MaxFormEntries) std::abort();
    for (int i = 1; i <= n; ++i) {
        if (f.GetAtNum(i) < 1 || f.GetAtNum(i) > PYX_CData::MaxAtomicNumber) std::abort();
        if (f.GetAtCnt(i) < 1 || f.GetAtCnt(i) > PYX_cform::MaxFormNumber) std::abort();
        if (f.GetAtWgt(i) < 1 || f.GetAtWgt(i) > PYX_cform::MaxFormNumber) std::abort();
    }
    (void)f.ChemMolWgt();
    (void)f.ExactMolWgt();
    (void)f.NominalMolWgt();

    // The mass-number form reads back to the same entries.
    PYX_cform::TMolFormModel g;
    g.SetMolFormula(f.GetMolFormula());
    if (n > 0 && (!g.GetLastParseOK() || g.GetNumAtoms() != n)) std::abort();
    for (int i = 1; i <= n; ++i)
        if (g.GetAtNum(i) != f.GetAtNum(i) || g.GetAtWgt(i) != f.GetAtWgt(i) || g.GetAtCnt(i) != f.GetAtCnt(i))
            std::abort();
    if (n > 0 && f.CompareTo(g) != 0) std::abort();

    // The plain reader and the part scanner on the same bytes.
    PYX_cform::TMolFormModel h;
    h.ReadFromString(text);
    if (h.GetNumAtoms() > PYX_cform::MaxFormEntries) std::abort();
    int pos = 1, z = 0, m = 0, c = 0;
    int steps = 0;
    while (pos <= static_cast<int>(text.size()) && steps++ < 1000) {
        const int before = pos;
        PYX_cform::TMolFormModel::ScanNextFormPart(text, pos, z, m, c);
        if (pos <= before) ++pos; // a stop character: step over it
    }

    // Name code and CAS text on the same bytes.
    const std::string plain = PYX_CData::DeCompressChemName(PYX_CData::CompressChemName(text));
    bool ascii = true;
    for (unsigned char ch : text) ascii = ascii && ch < 0x80;
    if (ascii ? plain != vcl::AsciiLowerCase(text) : plain.size() < text.size()) std::abort();
    int64_t cas = 0;
    if (PYX_CData::ConvertStrToCASNr(text, cas) && !PYX_CData::CheckCASNr(cas)) std::abort();
    return 0;
}
