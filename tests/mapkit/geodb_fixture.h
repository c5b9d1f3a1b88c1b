// A temporary folder per test and a small database written byte by byte
// through the record codecs, for the geographic database tests.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mapkit/PYX_GeoDB.h"
#include "mapkit/internal/GeoDBFormat.h"

namespace geodbtest {

using Bytes = std::vector<uint8_t>;

inline const std::array<std::string, 7> Exts = {".pyxgi0", ".pyxgi1", ".pyxgi2", ".pyxgi3",
                                                ".pyxgi4", ".pyxgds", ".pyxgdd"};

class GeoDBTest : public ::testing::Test {
public:
    void SetUp() override
    {
        std::string t = (std::filesystem::temp_directory_path() / "pyx-geodb-XXXXXX").string();
        ASSERT_NE(::mkdtemp(t.data()), nullptr);
        dir_ = t + "/";
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::string P(const std::string& rel) const { return dir_ + rel; }
    static Bytes ReadFile(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }
    static void WriteFile(const std::string& path, const Bytes& b)
    {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    static bool Exists(const std::string& path)
    {
        struct stat st;
        return ::lstat(path.c_str(), &st) == 0;
    }
    // Every file in the folder with its bytes (directories as "<dir>").
    std::map<std::string, Bytes> Snapshot() const
    {
        std::map<std::string, Bytes> r;
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            r[e.path().filename().string()] =
                e.is_directory() ? Bytes{'<', 'd', 'i', 'r', '>'} : ReadFile(e.path().string());
        return r;
    }

    // The records of the small database: a town, a polygon and a BLOB.
    static std::vector<PYX_GeoDB::TgdbData> SampleRecords()
    {
        using namespace PYX_GeoDB;
        std::vector<TgdbData> v(3);
        v[0].ItemID = 1;
        v[0].Name = "Wien";
        v[0].Kind = gitTown;
        v[0].LatLow = v[0].LatHigh = 48.2f;
        v[0].LongLow = v[0].LongHigh = 16.4f;
        v[0].TimeStamp = 45000.5;
        v[0].AttrInt1 = 1700000;
        v[1].ItemID = 3;
        v[1].Name = "Donau";
        v[1].Kind = gitRiver;
        v[1].LatLow = 44.0f;
        v[1].LatHigh = 48.5f;
        v[1].LongLow = 8.0f;
        v[1].LongHigh = 29.7f;
        v[1].FilePos = 260;
        v[1].DataSize = 2;
        v[2].ItemID = 2;
        v[2].Name = "Karte";
        v[2].Kind = gitBLOB;
        v[2].LatLow = 44.0f;
        v[2].LatHigh = 49.0f;
        v[2].LongLow = 9.5f;
        v[2].LongHigh = 17.0f;
        v[2].FilePos = 276;
        v[2].DataSize = 5;
        v[2].AttrFloat = -1.5f;
        return v;
    }

    // Writes the sample database as "db" (summary, header and data blocks;
    // index files only when WithIndexes).
    void WriteSample(bool WithIndexes, int32_t LastItemID = 3)
    {
        using namespace PYX_GeoDB;
        using namespace PYX_GeoDB::detail;
        auto recs = SampleRecords();
        Bytes sum(recs.size() * SumRecSize);
        for (size_t i = 0; i < recs.size(); ++i) EncodeGdbData(recs[i], sum.data() + i * SumRecSize);
        WriteFile(P("db.pyxgds"), sum);
        TgdbHeader h;
        h.LastItemID = LastItemID;
        Bytes data(HeaderSize + 2 * PointSize + MetaSize + 5);
        EncodeHeader(h, data.data());
        EncodePoint({44.0f, 8.0f}, data.data() + 260);
        EncodePoint({48.5f, 29.7f}, data.data() + 268);
        TMetaInfo m;
        m.Caption = "map";
        EncodeMetaInfo(m, data.data() + 276);
        std::memcpy(data.data() + 276 + 1024, "ABCDE", 5);
        WriteFile(P("db.pyxgdd"), data);
        if (WithIndexes) {
            for (int i = 0; i < 5; ++i) WriteFile(P("db" + Exts[i]), ExpectedIndex(i));
        }
    }

    // The sorted index files of the sample: identifiers 1, 2, 3 are entries
    // 0, 2, 1; equal keys keep entry order.
    static Bytes ExpectedIndex(int i)
    {
        using namespace PYX_GeoDB;
        using namespace PYX_GeoDB::detail;
        Bytes b(24);
        if (i == 0) {
            const TIxItemIDRec r[3] = {{1, 0}, {2, 2}, {3, 1}};
            for (int k = 0; k < 3; ++k) EncodeIxItemID(r[k], b.data() + 8 * k);
            return b;
        }
        static const TIxLLRec r[4][3] = {
            {{44.0f, 1}, {44.0f, 2}, {48.2f, 0}},    // LatLow
            {{48.2f, 0}, {48.5f, 1}, {49.0f, 2}},    // LatHigh
            {{8.0f, 1}, {9.5f, 2}, {16.4f, 0}},      // LongLow
            {{16.4f, 0}, {17.0f, 2}, {29.7f, 1}}};   // LongHigh
        for (int k = 0; k < 3; ++k) EncodeIxLL(r[i - 1][k], b.data() + 8 * k);
        return b;
    }

    std::string dir_;
};

} // namespace geodbtest
