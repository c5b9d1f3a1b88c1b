// The gallery: shows what every package offers so far.
#include <cstdio>
#include <string>

#include "corekit/PYX_pyxbase.h"
#include "corekit/PYX_univconst.h"
#include "vcl/Cp1252.h"

using namespace PYX_pyxbase;

namespace {

void Print(const std::string& cp1252) { std::fputs(vcl::Cp1252ToUtf8(cp1252).c_str(), stdout); }

void ShowLanguageTables()
{
    Print("Language tables\n");
    for (int lg = lgEnglish; lg <= lgSpanish; ++lg) {
        std::string line = "  " + std::string(LanguageID[lg][lg]) + ":";
        for (int m = 1; m <= 12; ++m) line += " " + std::string(MonthLong[lg][m]);
        line += "\n   ";
        for (int d = 1; d <= 7; ++d) line += " " + std::string(WeekDayShort[lg][d]);
        Print(line + "\n");
    }
}

} // namespace

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    Print("PYX gallery\n\n");
    ShowLanguageTables();
    return 0;
}
