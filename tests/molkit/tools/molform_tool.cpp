// Command-line helper for checks against other chemistry software.
//
//   molform_tool            reads one formula per line from stdin and prints, tab-separated:
//                           parse status (1/0), the entries as "Z:mass:count" joined by blanks,
//                           chemical weight, exact weight, nominal weight
//   molform_tool --elements prints the element table: Z, symbol, mass number, exact mass,
//                           chemical weight
#include <cstdio>
#include <iostream>
#include <string>

#include "molkit/PYX_CData.h"
#include "molkit/PYX_cform.h"

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--elements") {
        for (int z = 1; z <= PYX_CData::MaxAtomicNumber; ++z)
            std::printf("%d\t%s\t%d\t%.10Lf\t%.6f\n", z, PYX_CData::CElemSymb(z).c_str(), PYX_CData::IntAtWeight(z),
                        PYX_CData::ExactAtWeight(z), PYX_CData::ChemAtWeight(z));
        return 0;
    }
    PYX_cform::TMolFormModel f;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        f.SetMolFormula(line);
        std::string entries;
        for (int i = 1; i <= f.GetNumAtoms(); ++i) {
            if (i > 1) entries += ' ';
            entries += std::to_string(f.GetAtNum(i)) + ':' + std::to_string(f.GetAtWgt(i)) + ':' +
                       std::to_string(f.GetAtCnt(i));
        }
        std::printf("%d\t%s\t%.8Lf\t%.8Lf\t%lld\n", f.GetLastParseOK() ? 1 : 0, entries.c_str(), f.ChemMolWgt(),
                    f.ExactMolWgt(), static_cast<long long>(f.NominalMolWgt()));
    }
    return 0;
}
