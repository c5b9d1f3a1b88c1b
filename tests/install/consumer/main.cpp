#include <cstdio>

#include "corekit/PYX_pyxbase.h"
#include "vcl/Cp1252.h"

int main()
{
    using namespace PYX_pyxbase;
    std::printf("%s\n", vcl::Cp1252ToUtf8(std::string(MonthLong[lgGerman][3])).c_str());
    return MonthLong[lgGerman][3].size() == 4 ? 0 : 1;
}
