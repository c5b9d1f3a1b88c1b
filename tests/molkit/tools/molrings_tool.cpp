// Command-line helper for checking rings and substructure search against
// other chemistry software.
//
//   molrings_tool QUERY.mol... -- FILE.sdf
//
// Reads the queries (molfiles) and then every record of the SD file, and
// prints one line per record, tab-separated:
//   record number (from 1), read status (1 for a complete read, otherwise
//   the reason as a word), atoms, bonds, ring count,
//   the sizes of the smallest set of smallest rings (ascending, joined by
//   commas, "-" for none), 1 if the ring list was truncated,
//   then for every query the result with bond types compared and the result
//   with any bond type: "-" no match, "A" search stopped at its step limit,
//   otherwise the matched atom numbers joined by commas.
// A first line starting with "#" names the queries in order.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "molkit/PYX_cstruct.h"
#include "vcl/TextFile.h"

using namespace PYX_cstruct;

namespace {

int BondCount(const TCTab& t)
{
    int n = 0;
    for (int a = 1; a <= t.GetNumAtoms(); ++a) n += t.GetNBonds(a);
    return n / 2;
}

std::string Hit(TCTab& s, const TCTab& q, bool compareBonds)
{
    std::array<uint8_t, MaxAtoms> flags{};
    if (!s.SearchSubStruc(q, flags, compareBonds)) return s.GetSearchAborted() ? "A" : "-";
    std::string r;
    for (int a = 1; a <= s.GetNumAtoms(); ++a)
        if (flags[static_cast<std::size_t>(a - 1)]) {
            if (!r.empty()) r += ',';
            r += std::to_string(a);
        }
    return r;
}

const char* StatusWord(TReadStatus st)
{
    switch (st) {
    case rsOK: return "ok";
    case rsDoubtful: return "doubtful";
    case rsEndOfFile: return "end";
    case rsBadCounts: return "counts";
    case rsTooManyAtoms: return "too-many-atoms";
    case rsV3000: return "v3000";
    case rsTruncated: return "truncated";
    case rsMalformed: return "malformed";
    }
    return "?";
}

void Report(int record, bool ok, TCTab& s, std::vector<TCTab>& queries)
{
    if (!ok) {
        std::printf("%d\t%s\t0\t0\t0\t-\t0", record, StatusWord(s.GetReadStatus()));
        for (std::size_t k = 0; k < queries.size(); ++k) std::printf("\t-\t-");
        std::printf("\n");
        return;
    }
    RingListType rings;
    s.FindSSSR(rings);
    std::vector<int> sizes;
    for (int i = 0; i < rings.Count; ++i) sizes.push_back(rings.Rings[static_cast<std::size_t>(i)].Size);
    std::sort(sizes.begin(), sizes.end());
    std::string sz;
    for (int v : sizes) sz += (sz.empty() ? "" : ",") + std::to_string(v);
    std::printf("%d\t1\t%d\t%d\t%d\t%s\t%d", record, s.GetNumAtoms(), BondCount(s), s.RingsInMolecule(),
                sz.empty() ? "-" : sz.c_str(), rings.Truncated ? 1 : 0);
    // The search reads the attribute bits of the structure only where a
    // query atom demands some; the queries carry none.
    for (TCTab& q : queries)
        std::printf("\t%s\t%s", Hit(s, q, true).c_str(), Hit(s, q, false).c_str());
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> queryFiles;
    std::string sdFile;
    int i = 1;
    for (; i < argc && std::string(argv[i]) != "--"; ++i) queryFiles.push_back(argv[i]);
    if (i + 1 >= argc) {
        std::fprintf(stderr, "usage: molrings_tool QUERY.mol... -- FILE.sdf\n");
        return 2;
    }
    sdFile = argv[i + 1];
    try {
        std::vector<TCTab> queries(queryFiles.size());
        std::printf("#");
        for (std::size_t k = 0; k < queryFiles.size(); ++k) {
            vcl::TTextFile f(queryFiles[k]);
            f.Reset();
            if (!queries[k].ReadFromMDLMolFile(f)) {
                std::fprintf(stderr, "query not read: %s\n", queryFiles[k].c_str());
                return 2;
            }
            queries[k].ClearAttributes();
            std::printf("\t%s", queryFiles[k].c_str());
        }
        std::printf("\n");
        vcl::TTextFile f(sdFile);
        f.Reset();
        TCTab s;
        TPropArray props{};
        for (int record = 1;; ++record) {
            const bool ok = s.ReadFromMDLSDFile(f, props);
            if (!ok && s.GetReadStatus() == rsEndOfFile) break;
            Report(record, ok, s, queries);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "molrings_tool: %s\n", e.what());
        return 1;
    }
    return 0;
}
