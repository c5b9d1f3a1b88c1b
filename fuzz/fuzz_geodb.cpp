// Geographic database from fuzzed files: the input holds the seven files of a
// database (a 4-byte little-endian length for each, the summary, the data
// file and the five indexes, then their bytes; a length with the top bit set
// leaves the file out), followed by bytes that choose the searches. The
// files are written into a scratch folder, the database is opened, searched,
// read back, changed and compacted. Errors must be exceptions of the library.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mapkit/PYX_GeoDB.h"

namespace {

const char* const Exts[7] = {".pyxgds", ".pyxgdd", ".pyxgi0", ".pyxgi1", ".pyxgi2", ".pyxgi3", ".pyxgi4"};

// The scratch folder, removed when the program ends.
struct TFolder {
    std::string Path;
    TFolder()
    {
        std::string base =
            std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
        std::string t = base + "/pyx-fuzz-geodb-XXXXXX";
        if (!::mkdtemp(t.data())) std::abort();
        Path = t + "/";
    }
    ~TFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
};

const std::string& Folder()
{
    static const TFolder folder;
    return folder.Path;
}

struct TReader {
    const uint8_t* p;
    size_t n;
    uint32_t U32()
    {
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) v |= uint32_t(Byte()) << (8 * k);
        return v;
    }
    uint8_t Byte()
    {
        if (n == 0) return 0;
        --n;
        return *p++;
    }
    float Coord(float Range) { return (float(int8_t(Byte())) / 127.0f) * Range; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    using namespace PYX_GeoDB;
    const std::string& dir = Folder();
    for (const auto& e : std::filesystem::directory_iterator(dir)) std::filesystem::remove_all(e.path());
    TReader in{Data, Size};
    uint32_t len[7];
    for (auto& l : len) l = in.U32();
    for (int f = 0; f < 7; ++f) {
        if (len[f] & 0x80000000u) continue;
        const size_t take = std::min<size_t>(len[f], in.n);
        std::ofstream(dir + "db" + Exts[f], std::ios::binary).write(reinterpret_cast<const char*>(in.p), std::streamsize(take));
        in.p += take;
        in.n -= take;
    }

    TGeoDB db(nullptr);
    db.SetName("Fuzz");
    try {
        db.SetDBName(dir + "db");
    } catch (const vcl::Exception&) {
        return 0;
    }
    try {
        const int32_t n = db.GetNumEntries();
        std::vector<int32_t> found;
        for (int q = 0; q < 4; ++q) {
            const float s = in.Coord(90), w = in.Coord(180);
            const float size = float(in.Byte()) / 8.0f;
            db.SearchArea(s, s + size, w, w + size, found, TgdbItem(in.Byte() % 9));
            db.GetClosestLatLowIx(s);
            db.GetClosestLongHighIx(w);
            db.SearchForItemID(int32_t(in.Byte()));
        }
        db.SearchData("a", gitUndefined, 1, in.Byte() % 3);
        for (int32_t e = 0; e <= n + 1 && e < 64; ++e) {
            TgdbPolygon poly;
            TMetaInfo meta;
            vcl::TMemoryStream stream;
            db.GetSumdata(e);
            db.RetrievePolygon(e, poly);
            db.RetrieveBLOB(e, meta, stream);
        }
        if (in.Byte() & 1) {
            db.AddTown("t", 0, 0, {in.Coord(90), in.Coord(180)}, 0, 0, 0);
            db.AddRiver("r", {{in.Coord(90), in.Coord(180)}, {in.Coord(90), in.Coord(180)}}, 0, 0, 0, 0, 0, 0, 0, 0,
                        0);
            db.DeleteData(int32_t(in.Byte()) % (db.GetNumEntries() + 1) + 1);
            db.ReplaceTown(int32_t(in.Byte()) % (db.GetNumEntries() + 1) + 1, "x", 0, 0, {1, 2}, 0, 0, 0);
            db.GarbageCollection();
            db.SearchArea(-90, 90, -180, 180, found);
            if (found.size() != size_t(db.GetNumEntries())) {
                // Every item lies in the whole world unless its box is inverted.
                for (int32_t e = 1; e <= db.GetNumEntries(); ++e) {
                    TgdbData d = db.GetSumdata(e);
                    bool in_world = d.LatLow <= 90 && d.LatHigh >= -90 && d.LongLow <= 180 && d.LongHigh >= -180;
                    if (in_world != std::binary_search(found.begin(), found.end(), e)) std::abort();
                }
            }
            db.Close();
        } else {
            return 0;
        }
    } catch (const vcl::Exception&) {
        return 0;
    }
    // What the component wrote itself must open again.
    try {
        db.SetDBName(dir + "db");
    } catch (const EPYXGeoDBError&) {
        std::abort();
    } catch (const vcl::Exception&) {
    }
    return 0;
}
