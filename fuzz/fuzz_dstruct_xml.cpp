// The XML readers of the string array (text file) and the associative array
// (stream) on arbitrary input. A table that was read must survive writing and
// reading back unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "corekit/PYX_dstruct.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

namespace {

std::string TempName(const char* tag)
{
    return "/tmp/pyx_fuzz_dstruct_" + std::to_string(getpid()) + "_" + tag + ".xml";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        vcl::TStringStream s(text);
        PYX_dstruct::TAssocArray a(nullptr);
        a.ReadFromXMLStream(s, "");
        vcl::TMemoryStream out;
        a.WriteToXMLStream(out, true, "x");
        out.SetPosition(0);
        PYX_dstruct::TAssocArray b(nullptr);
        if (!b.ReadFromXMLStream(out, "x") || b.Count() != a.Count()) std::abort();
    }
    {
        const std::string in = TempName("in"), out = TempName("out");
        {
            vcl::TFileStream f(in, vcl::fmCreate);
            f.WriteBuffer(text);
        }
        PYX_dstruct::TStringArray a(nullptr);
        if (a.LoadFromXMLFile(in, "")) {
            a.SaveAsXMLFile(out, "y");
            PYX_dstruct::TStringArray b(nullptr);
            if (!b.LoadFromXMLFile(out, "y")) std::abort();
            if (b.GetNrOfRows() != a.GetNrOfRows() || b.GetNrOfColumns() != a.GetNrOfColumns()) std::abort();
            for (int32_t r = 1; r <= a.GetNrOfRows(); ++r)
                for (int32_t c = 0; c <= a.GetNrOfColumns(); ++c)
                    if (a.GetString(c, r) != b.GetString(c, r)) std::abort();
            std::remove(out.c_str());
        }
        std::remove(in.c_str());
    }
    return 0;
}
