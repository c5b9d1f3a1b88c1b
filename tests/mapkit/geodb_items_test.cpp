// Geographic database operations: items of every kind stored and read back,
// the exact files after adding, deleting and replacing, the indexes and their
// searches, retrieval errors, progress, compaction, damaged files found on
// reading, and the texts of positions.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>

#include "geodb_fixture.h"

using namespace PYX_GeoDB;
using namespace PYX_GeoDB::detail;
using namespace geodbtest;
using namespace vcl::literals;

namespace {

std::unique_ptr<TGeoDB> NewDB()
{
    auto db = std::make_unique<TGeoDB>(nullptr);
    db->SetName("Geo");
    return db;
}

const TgdbPolygon Square = {{10, 20}, {-5, 30}, {0, -170}};

// Every index lists every entry once, sorted, with the entry's key.
::testing::AssertionResult IndexesConsistent(const TGeoDB& db)
{
    const int32_t n = db.GetNumEntries();
    std::vector<int> seen(5 * size_t(n), 0);
    for (int32_t i = 1; i <= n; ++i) {
        TIxItemIDRec r = db.GetIxItemID(i);
        if (r.RecIndex < 1 || r.RecIndex > n) return ::testing::AssertionFailure() << "id index " << i;
        if (db.GetSumdata(r.RecIndex).ItemID != r.ItemID) return ::testing::AssertionFailure() << "id key " << i;
        if (i > 1 && db.GetIxItemID(i - 1).ItemID > r.ItemID) return ::testing::AssertionFailure() << "id order";
        ++seen[size_t(r.RecIndex - 1)];
        const TIxLLRec ll[4] = {db.GetIxLatLow(i), db.GetIxLatHigh(i), db.GetIxLongLow(i), db.GetIxLongHigh(i)};
        for (int w = 0; w < 4; ++w) {
            const TIxLLRec& x = ll[w];
            if (x.RecIndex < 1 || x.RecIndex > n) return ::testing::AssertionFailure() << "ll index " << w;
            TgdbData d = db.GetSumdata(x.RecIndex);
            float key = w == 0 ? d.LatLow : w == 1 ? d.LatHigh : w == 2 ? d.LongLow : d.LongHigh;
            if (key != x.Value) return ::testing::AssertionFailure() << "ll key " << w << " at " << i;
            ++seen[size_t(n) * size_t(w + 1) + size_t(x.RecIndex - 1)];
        }
        TIxLLRec p[4] = {db.GetIxLatLow(i - 1), db.GetIxLatHigh(i - 1), db.GetIxLongLow(i - 1),
                         db.GetIxLongHigh(i - 1)};
        for (int w = 0; w < 4 && i > 1; ++w)
            if (p[w].Value > ll[w].Value) return ::testing::AssertionFailure() << "ll order " << w;
    }
    for (int c : seen)
        if (c != 1) return ::testing::AssertionFailure() << "not a permutation";
    return ::testing::AssertionSuccess();
}

TMetaInfo Caption(const std::string& c)
{
    TMetaInfo m;
    m.Caption = c;
    return m;
}

int32_t AddPlace(TGeoDB& db, const std::string& name, float lat, float lon)
{
    return db.AddTown(name, 45000, 0, {lat, lon}, 0, 0, 0);
}

} // namespace

// ---------------------------------------------------------------------------
// Round trips

TEST_F(GeoDBTest, EveryKindRoundTripsThroughReopening)
{
    const std::string src = P("source.bin");
    Bytes fileBytes(40000);
    for (size_t i = 0; i < fileBytes.size(); ++i) fileBytes[i] = uint8_t(i * 7 + 3);
    WriteFile(src, fileBytes);
    const Bytes memBytes = {1, 2, 3, 0, 255};
    vcl::TMemoryStream stream;
    stream.Write("stream!", 7);
    TMetaInfo meta;
    meta.Keywords = "k1 k2";
    meta.Caption = "Caption";
    meta.Descriptor = "desc";
    meta.Extra = "x";

    struct TWant {
        TgdbItem Kind;
        bool Closed;
        std::string Name;
    };
    std::vector<TWant> want;
    {
        auto db = NewDB();
        db->SetDBName(P("db"));
        EXPECT_EQ(db->AddBorder("Border", Square, true, 1, 11, 0, 0, 0, 0, 1.5f, 7, -3), 1);
        EXPECT_EQ(db->AddCity("City", Square, false, 2, 12, 0, 0, 0, 0, 0, 0, 0), 2);
        EXPECT_EQ(db->AddLake("Lake", Square, 3, 13, 0, 0, 0, 0, 0, 0, 0), 3);
        EXPECT_EQ(db->AddRiver("River", Square, 4, 0, 0, 0, 0, 0, 0, 0, 0), 4);
        EXPECT_EQ(db->AddRoad("Road", {}, 5, 0, 0, 0, 0, 0, 0, 0, 0), 5); // empty polygon
        EXPECT_EQ(db->AddRoute("Route", Square, 6, 0, 0, 0, 0, 0, 0, 0, 0), 6);
        EXPECT_EQ(db->AddTown("Wien", 7, 1700000, {48.2f, 16.4f}, 2.5f, 9, 4), 7);
        EXPECT_EQ(db->AddBLOB(src, 8, 0, 1, 2, 3, 4, 0, 0, 0, meta), 8);
        EXPECT_EQ(db->AddBLOB("Memory", 9, 0, 1, 2, 3, 4, 0, 0, 0, meta, memBytes.data(), int32_t(memBytes.size())), 9);
        EXPECT_EQ(db->AddBLOB("Stream", 10, 0, 1, 2, 3, 4, 0, 0, 0, meta, stream), 10);
        EXPECT_EQ(db->AddBLOB(src, "dir/Stored", "/elsewhere/s.bin", 11, 0, 1, 2, 3, 4, 0, 0, 0, meta), 11);
        EXPECT_EQ(db->AddData("Nothing", {}, true, gitUndefined, 0, 12, 0, 1, 2, 3, 4, 0, 0, meta, nullptr, 0, false),
                  12);
        db->SetDescription("items");
    }
    auto db = NewDB();
    db->SetDBName(P("db"));
    ASSERT_EQ(db->GetNumEntries(), 12);
    EXPECT_EQ(db->GetHeader().LastItemID, 12);
    EXPECT_TRUE(IndexesConsistent(*db));
    for (int32_t e = 1; e <= 12; ++e) EXPECT_EQ(db->GetSumdata(e).ItemID, e);

    // Polygons: the box comes from the points, whatever was passed.
    TgdbData b = db->GetSumdata(1);
    EXPECT_EQ(b.Kind, gitBorder);
    EXPECT_EQ(b.Name, "Border");
    EXPECT_EQ(std::tie(b.LatLow, b.LatHigh, b.LongLow, b.LongHigh), std::make_tuple(-5.f, 10.f, -170.f, 30.f));
    EXPECT_TRUE(b.Closed);
    EXPECT_EQ(b.DataSize, 3);
    EXPECT_EQ(b.AttrFloat, 1.5f);
    EXPECT_EQ(b.AttrByte, 7);
    EXPECT_EQ(b.AttrInt2, -3);
    EXPECT_EQ(b.AttrInt1, 11);
    EXPECT_EQ(b.TimeStamp, 1);
    const bool closed[6] = {true, false, true, false, false, false};
    for (int32_t e = 1; e <= 6; ++e) {
        TgdbPolygon poly;
        EXPECT_EQ(db->GetSumdata(e).Closed, closed[e - 1]) << e;
        ASSERT_TRUE(db->RetrievePolygon(e, poly)) << e;
        EXPECT_EQ(poly, e == 5 ? TgdbPolygon{} : Square) << e;
    }
    TgdbData road = db->GetSumdata(5);
    EXPECT_EQ(std::tie(road.LatLow, road.LatHigh, road.LongLow, road.LongHigh),
              std::make_tuple(90.f, -90.f, 180.f, -180.f));

    TgdbData town = db->GetSumdata(7);
    EXPECT_EQ(std::tie(town.LatLow, town.LatHigh, town.LongLow, town.LongHigh),
              std::make_tuple(48.2f, 48.2f, 16.4f, 16.4f));
    EXPECT_EQ(town.FilePos, -1);
    EXPECT_EQ(ExtractLocation(town), (TSCoords{48.2f, 16.4f}));
    TgdbPolygon poly;
    EXPECT_FALSE(db->RetrievePolygon(7, poly));
    EXPECT_FALSE(db->RetrievePolygon(12, poly));

    // BLOB from a file: the name part, the path and the file's bytes.
    TgdbData fb = db->GetSumdata(8);
    EXPECT_EQ(fb.Name, "source.bin");
    EXPECT_EQ(fb.DataSize, 40000);
    struct stat st;
    ASSERT_EQ(::stat(src.c_str(), &st), 0);
    EXPECT_EQ(fb.TimeStamp, vcl::UnixToDateTime(st.st_mtime));
    TMetaInfo m;
    vcl::TMemoryStream out;
    ASSERT_TRUE(db->RetrieveBLOB(8, m, out));
    EXPECT_EQ(out.Bytes(), fileBytes);
    EXPECT_EQ(out.GetPosition(), 0);
    EXPECT_EQ(m.FilePath, src);
    EXPECT_EQ(m.Caption, "Caption");
    EXPECT_EQ(m.Extra, "x");

    Bytes buf(5);
    ASSERT_TRUE(db->RetrieveBLOB(9, m, buf.data(), 5));
    EXPECT_EQ(buf, memBytes);
    EXPECT_EQ(m, meta);
    ASSERT_EQ(::mkdir(P("out").c_str(), 0777), 0);
    ASSERT_TRUE(db->RetrieveBLOB(10, P("out/"), m));
    EXPECT_EQ(ReadFile(P("out/Stream")), Bytes({'s', 't', 'r', 'e', 'a', 'm', '!'}));
    // The stored path of the third form.
    EXPECT_EQ(db->GetSumdata(11).Name, "Stored");
    ASSERT_TRUE(db->GetMetaInfo(11, m));
    EXPECT_EQ(m.FilePath, "/elsewhere/s.bin");
    EXPECT_EQ(m.Keywords, "k1 k2");
    EXPECT_FALSE(db->GetMetaInfo(7, m));
    EXPECT_EQ(m, TMetaInfo{});
    EXPECT_EQ(db->GetDescription(), "items");
}

// A database built through the operations equals, byte for byte, the files
// encoded field by field.
TEST_F(GeoDBTest, FilesAfterAddingAreExact)
{
    {
        auto db = NewDB();
        db->SetDBName(P("db"));
        AddPlace(*db, "Wien", 48.2f, 16.4f);
        db->AddBLOB("Karte", 45000.5, 0, 44, 49, 9.5f, 17, -1.5f, 0, 0, Caption("map"), "ABCDE", 5);
        db->AddRiver("Donau", {{44, 8}, {48.5f, 29.7f}}, 45000.5, 0, 0, 0, 0, 0, 0, 0, 0);
        AddPlace(*db, "Graz", 44.0f, 15.4f); // a LatLow equal to two others
    }
    TgdbData rec[4];
    rec[0].ItemID = 1, rec[0].Name = "Wien", rec[0].Kind = gitTown, rec[0].TimeStamp = 45000;
    rec[0].LatLow = rec[0].LatHigh = 48.2f, rec[0].LongLow = rec[0].LongHigh = 16.4f;
    rec[1].ItemID = 2, rec[1].Name = "Karte", rec[1].Kind = gitBLOB, rec[1].TimeStamp = 45000.5;
    rec[1].LatLow = 44, rec[1].LatHigh = 49, rec[1].LongLow = 9.5f, rec[1].LongHigh = 17, rec[1].AttrFloat = -1.5f;
    rec[1].FilePos = 260, rec[1].DataSize = 5;
    rec[2].ItemID = 3, rec[2].Name = "Donau", rec[2].Kind = gitRiver, rec[2].TimeStamp = 45000.5;
    rec[2].LatLow = 44, rec[2].LatHigh = 48.5f, rec[2].LongLow = 8, rec[2].LongHigh = 29.7f;
    rec[2].FilePos = 260 + 1024 + 5, rec[2].DataSize = 2;
    rec[3].ItemID = 4, rec[3].Name = "Graz", rec[3].Kind = gitTown, rec[3].TimeStamp = 45000;
    rec[3].LatLow = rec[3].LatHigh = 44, rec[3].LongLow = rec[3].LongHigh = 15.4f;
    Bytes sum(4 * 120);
    for (int i = 0; i < 4; ++i) EncodeGdbData(rec[i], sum.data() + 120 * i);
    EXPECT_EQ(ReadFile(P("db.pyxgds")), sum);

    Bytes data(260 + 1024 + 5 + 16);
    TgdbHeader h;
    h.LastItemID = 4;
    EncodeHeader(h, data.data());
    EncodeMetaInfo(Caption("map"), data.data() + 260);
    std::memcpy(data.data() + 1284, "ABCDE", 5);
    EncodePoint({44, 8}, data.data() + 1289);
    EncodePoint({48.5f, 29.7f}, data.data() + 1297);
    EXPECT_EQ(ReadFile(P("db.pyxgdd")), data);

    auto ix = [](std::vector<std::pair<float, int32_t>> v) {
        Bytes b(v.size() * 8);
        for (size_t k = 0; k < v.size(); ++k) EncodeIxLL({v[k].first, v[k].second}, b.data() + 8 * k);
        return b;
    };
    Bytes id(32);
    for (int k = 0; k < 4; ++k) EncodeIxItemID({k + 1, k}, id.data() + 8 * k);
    EXPECT_EQ(ReadFile(P("db.pyxgi0")), id);
    // Equal keys in the order of insertion.
    EXPECT_EQ(ReadFile(P("db.pyxgi1")), ix({{44, 1}, {44, 2}, {44, 3}, {48.2f, 0}}));
    EXPECT_EQ(ReadFile(P("db.pyxgi2")), ix({{44, 3}, {48.2f, 0}, {48.5f, 2}, {49, 1}}));
    EXPECT_EQ(ReadFile(P("db.pyxgi3")), ix({{8, 2}, {9.5f, 1}, {15.4f, 3}, {16.4f, 0}}));
    EXPECT_EQ(ReadFile(P("db.pyxgi4")), ix({{15.4f, 3}, {16.4f, 0}, {17, 1}, {29.7f, 2}}));
    EXPECT_EQ(Snapshot().size(), 7u);
}

TEST_F(GeoDBTest, DeletingMovesTheLastEntryAndNeverReusesIdentifiers)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    EXPECT_EQ(AddPlace(*db, "A", 1, 1), 1);
    db->DeleteData(1);
    EXPECT_EQ(db->GetNumEntries(), 0);
    EXPECT_EQ(AddPlace(*db, "B", 2, 2), 1);
    EXPECT_EQ(db->GetSumdata(1).ItemID, 2);
    for (int i = 0; i < 4; ++i) AddPlace(*db, "C" + std::to_string(i), float(i), float(-i));
    ASSERT_EQ(db->GetNumEntries(), 5); // item identifiers 2..6
    db->DeleteData(2);
    EXPECT_EQ(db->GetNumEntries(), 4);
    EXPECT_EQ(db->GetSumdata(2).ItemID, 6);
    EXPECT_EQ(db->SearchForItemID(6), 2);
    EXPECT_EQ(db->SearchForItemID(3), 0);
    EXPECT_TRUE(IndexesConsistent(*db));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadFile(P("db" + Exts[i])).size(), 32u) << i;
    EXPECT_EQ(ReadFile(P("db.pyxgds")).size(), 480u);
    // Out of range: nothing happens.
    db->DeleteData(0);
    db->DeleteData(5);
    EXPECT_EQ(db->GetNumEntries(), 4);
    db->DeleteData(4); // the last one: nothing moves
    EXPECT_EQ(db->SearchForItemID(6), 2);
    db.reset();
    auto again = NewDB();
    again->SetDBName(P("db"));
    EXPECT_EQ(again->GetNumEntries(), 3);
    EXPECT_EQ(again->GetHeader().LastItemID, 6);
    EXPECT_EQ(AddPlace(*again, "D", 0, 0), 4);
    EXPECT_EQ(again->GetSumdata(4).ItemID, 7);
}

TEST_F(GeoDBTest, ReplacingKeepsTheIdentifierAndAppendsTheBlock)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    db->AddRiver("R", Square, 1, 0, 0, 0, 0, 0, 0, 0, 0);
    AddPlace(*db, "T", 5, 5);
    const int64_t size = int64_t(ReadFile(P("db.pyxgdd")).size());
    db->ReplaceLake(1, "Lake", {{1, 2}, {3, 4}}, 2, 0, 0, 0, 0, 0, 0, 0, 0);
    TgdbData d = db->GetSumdata(1);
    EXPECT_EQ(d.ItemID, 1);
    EXPECT_EQ(d.Kind, gitLake);
    EXPECT_TRUE(d.Closed);
    EXPECT_EQ(d.FilePos, size);
    EXPECT_EQ(db->GetHeader().LastItemID, 2);
    db->ReplaceTown(2, "Town", 3, 0, {7, 8}, 0, 0, 0);
    db->ReplaceTown(3, "None", 3, 0, {7, 8}, 0, 0, 0); // out of range
    EXPECT_EQ(db->GetNumEntries(), 2);
    TgdbData u = db->GetSumdata(2);
    u.Name = std::string(70, 'n');
    u.LatLow = -1;
    u.ItemID = 99;
    u.Kind = gitRiver;
    db->UpdateBasicData(2, u);
    TgdbData got = db->GetSumdata(2);
    EXPECT_EQ(got.Name, std::string(59, 'n'));
    EXPECT_EQ(got.LatLow, -1);
    EXPECT_EQ(got.ItemID, 2);
    EXPECT_EQ(got.Kind, gitTown);
    EXPECT_EQ(db->GetClosestLatLowIx(-1), 1);
    EXPECT_TRUE(IndexesConsistent(*db));
    TgdbPolygon p;
    ASSERT_TRUE(db->RetrievePolygon(1, p));
    EXPECT_EQ(p, (TgdbPolygon{{1, 2}, {3, 4}}));

    // Compaction drops the old block and keeps everything readable.
    const int64_t freed = db->GarbageCollection();
    EXPECT_EQ(freed, 3 * 8);
    EXPECT_EQ(int64_t(ReadFile(P("db.pyxgdd")).size()), 260 + 16);
    ASSERT_TRUE(db->RetrievePolygon(1, p));
    EXPECT_EQ(p, (TgdbPolygon{{1, 2}, {3, 4}}));
    EXPECT_EQ(Snapshot().size(), 7u);
    // The lock moved to the new summary file.
    auto other = NewDB();
    EXPECT_THROW(other->SetDBName(P("db")), EPYXGeoDBError);
    db.reset();
    other->SetDBName(P("db"));
    ASSERT_TRUE(other->RetrievePolygon(1, p));
    EXPECT_EQ(p, (TgdbPolygon{{1, 2}, {3, 4}}));
}

// Adding under LazyWrite collects the index records and merges them once;
// the files must be the same as those of adding one at a time, also with
// many equal keys, deletions and replacements in between.
TEST_F(GeoDBTest, LazyAndImmediateSavingWriteTheSameFiles)
{
    auto run = [&](const std::string& name, bool lazy) {
        std::mt19937 rng(7);
        auto db = NewDB();
        db->SetDBName(P(name));
        db->SetLazyWrite(lazy);
        for (int i = 0; i < 120; ++i) {
            const float lat = float(int(rng() % 4)), lon = float(int(rng() % 5)) - 2;
            int op = int(rng() % 10);
            if (op == 0 && db->GetNumEntries() > 0) {
                db->DeleteData(int32_t(rng() % uint32_t(db->GetNumEntries())) + 1);
            } else if (op == 1 && db->GetNumEntries() > 0) {
                db->ReplaceRoad(int32_t(rng() % uint32_t(db->GetNumEntries())) + 1, "r", {{lat, lon}, {lat + 1, lon}},
                                0, 0, 0, 0, 0, 0, 0, 0, 0);
            } else if (op == 2) {
                db->AddRiver("w", {{lat, lon}, {lat, lon + 2}}, 0, 0, 0, 0, 0, 0, 0, 0, 0);
            } else {
                AddPlace(*db, "p", lat, lon);
            }
            if (i % 17 == 0) {
                EXPECT_TRUE(IndexesConsistent(*db)) << i;
            }
        }
        EXPECT_TRUE(IndexesConsistent(*db));
    };
    run("eager", false);
    run("lazy", true);
    for (const auto& ext : Exts) {
        if (ext == ".pyxgdd") continue;
        EXPECT_EQ(ReadFile(P("eager" + ext)), ReadFile(P("lazy" + ext))) << ext;
    }
}

// An interruption of a lazy bulk load leaves files that open as a database
// holding a prefix of the items.
TEST_F(GeoDBTest, LazyFilesOnDiskStayOpenable)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    db->SetLazyWrite(true);
    db->AddRiver("w", Square, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    for (int i = 0; i < 20000; ++i) AddPlace(*db, "p" + std::to_string(i), float(i % 90), float(i % 180));
    ASSERT_EQ(::mkdir(P("copy").c_str(), 0777), 0);
    for (const auto& ext : Exts) WriteFile(P("copy/db" + ext), ReadFile(P("db" + ext)));
    auto copy = NewDB();
    copy->SetDBName(P("copy/db"));
    EXPECT_GT(copy->GetNumEntries(), 0);
    EXPECT_LE(copy->GetNumEntries(), 20001);
    EXPECT_TRUE(IndexesConsistent(*copy));
    for (int32_t e = 2; e <= copy->GetNumEntries(); e += 997) EXPECT_EQ(copy->GetSumdata(e), db->GetSumdata(e));
    db->Close();
    auto full = NewDB();
    full->SetDBName(P("db"));
    EXPECT_EQ(full->GetNumEntries(), 20001);
}

// ---------------------------------------------------------------------------
// Searches

TEST_F(GeoDBTest, ClosestPositionsAndIdentifierSearch)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    EXPECT_EQ(db->GetClosestLatLowIx(5), 1);
    EXPECT_EQ(db->GetClosestItemIDIx(5), 1);
    EXPECT_EQ(db->SearchForItemID(1), 0);
    for (float lat : {10.f, 20.f, 20.f, 20.f, 30.f}) AddPlace(*db, "x", lat, -lat);
    struct {
        double Value;
        int32_t Want;
    } const cases[] = {{-100, 1}, {10, 1}, {15, 2}, {20, 2}, {20.0000001, 2}, {25, 5}, {30, 5}, {31, 6}};
    for (const auto& c : cases) EXPECT_EQ(db->GetClosestLatLowIx(c.Value), c.Want) << c.Value;
    EXPECT_EQ(db->GetClosestLatHighIx(20), 2);
    EXPECT_EQ(db->GetClosestLongLowIx(-20), 2);
    EXPECT_EQ(db->GetClosestLongHighIx(0), 6);
    EXPECT_EQ(db->GetClosestItemIDIx(3), 3);
    EXPECT_EQ(db->GetClosestItemIDIx(9), 6);
    EXPECT_EQ(db->SearchForItemID(4), 4);
    EXPECT_EQ(db->SearchForItemID(0), 0);
    // A value given in double finds the single stored from it, from both sides.
    AddPlace(*db, "y", 48.2f, 0);
    EXPECT_EQ(db->GetIxLatLow(db->GetClosestLatLowIx(48.2)).Value, 48.2f);
}

TEST_F(GeoDBTest, NameSearch)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    AddPlace(*db, "  Wien ", 0, 0);
    db->AddRiver("Wienfluss", Square, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    AddPlace(*db, "Linz an der Donau", 0, 0);
    AddPlace(*db, std::string("Österreich"_cp), 0, 0);
    struct {
        std::string Name;
        TgdbItem Kind;
        int32_t Start;
        uint8_t Mode;
        int32_t Want;
    } const cases[] = {
        {"wien", gitUndefined, 1, 0, 1},  {"WIEN", gitRiver, 1, 0, 0},     {"wien", gitUndefined, 1, 1, 1},
        {"wien", gitUndefined, 2, 1, 2},  {"wien", gitTown, 2, 1, 0},      {"donau", gitUndefined, -4, 2, 3},
        {"donau", gitUndefined, 1, 1, 0}, {std::string("ÖSTERREICH"_cp), gitTown, 1, 0, 4}, {"nix", gitUndefined, 1, 2, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(db->SearchData(c.Name, c.Kind, c.Start, c.Mode), c.Want) << c.Name;
    EXPECT_EQ(db->SearchData("linz an der donau"), 3);
}

// The area search against a plain scan, with the tree fresh and out of date.
TEST_F(GeoDBTest, AreaSearchFindsWhatAScanFinds)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    db->SetLazyWrite(true);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> la(-90, 90), lo(-180, 180), ext(0, 5);
    for (int i = 0; i < 3000; ++i) {
        float a = float(int(la(rng))), b = float(int(lo(rng))); // many equal coordinates
        if (i % 5 == 0) db->AddLake("l", {{a, b}, {a + ext(rng), b + ext(rng)}}, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        else AddPlace(*db, "t", a, b);
    }
    auto scan = [&](double s, double n, double w, double e, TgdbItem kind) {
        std::vector<int32_t> r;
        for (int32_t k = 1; k <= db->GetNumEntries(); ++k) {
            TgdbData d = db->GetSumdata(k);
            if (d.LatLow <= float(n) && d.LatHigh >= float(s) && d.LongLow <= float(e) && d.LongHigh >= float(w) &&
                (kind == gitUndefined || d.Kind == kind))
                r.push_back(k);
        }
        return r;
    };
    std::vector<int32_t> got;
    for (int round = 0; round < 3; ++round) {
        for (int q = 0; q < 200; ++q) {
            double s = la(rng), w = lo(rng), size = q % 3 == 0 ? 0.5 : q % 3 == 1 ? 4 : 40;
            TgdbItem kind = q % 4 == 0 ? gitLake : gitUndefined;
            db->SearchArea(s, s + size, w, w + size, got, kind);
            ASSERT_EQ(got, scan(s, s + size, w, w + size, kind)) << round << " " << q;
        }
        // Edges count; an empty or NaN area finds nothing.
        AddPlace(*db, "edge", 12.5f, 33.25f);
        db->SearchArea(12.5, 12.5, 33.25, 40, got);
        EXPECT_EQ(got, scan(12.5, 12.5, 33.25, 40, gitUndefined));
        EXPECT_FALSE(got.empty());
        db->SearchArea(10, 5, 0, 1, got);
        EXPECT_TRUE(got.empty());
        db->SearchArea(std::nan(""), 5, 0, 1, got);
        EXPECT_TRUE(got.empty());
        db->DeleteData(7);
        db->ReplaceTown(9, "moved", 0, 0, {-1, -1}, 0, 0, 0);
    }
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(GeoDBTest, ClosedDatabaseAndOutOfRangeEntries)
{
    auto db = NewDB();
    TgdbPolygon p;
    TMetaInfo m;
    vcl::TMemoryStream s;
    EXPECT_EQ(AddPlace(*db, "x", 0, 0), -1);
    EXPECT_FALSE(db->RetrievePolygon(1, p));
    EXPECT_EQ(db->GarbageCollection(), 0);
    db->SetDBName(P("db"));
    db->AddRiver("r", Square, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    // Entry 0 (a failed identifier search) is not entry 1.
    EXPECT_FALSE(db->RetrievePolygon(0, p));
    EXPECT_FALSE(db->RetrievePolygon(db->SearchForItemID(42), p));
    EXPECT_FALSE(db->RetrievePolygon(2, p));
    // A stream given for a polygon stays as it was.
    s.Write("keep", 4);
    EXPECT_FALSE(db->RetrieveBLOB(1, m, s));
    EXPECT_EQ(s.GetSize(), 4);
    EXPECT_EQ(s.GetPosition(), 4);
}

TEST_F(GeoDBTest, BlobRetrievalErrors)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
    db->AddBLOB("a b/c", 0, 0, 0, 0, 0, 0, 0, 0, 0, Caption("cap"), bytes, 6);
    db->AddBLOB("..", 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, bytes, 6);
    TMetaInfo m;
    uint8_t small[5];
    try {
        db->RetrieveBLOB(1, m, small, 5);
        FAIL() << "no error";
    } catch (const EPYXGeoDBError& e) {
        EXPECT_STREQ(e.what(), "Component \"Geo\": RetrieveBLOB: BLOB to be retrieved is larger than SizeOfBlobData.");
    }
    EXPECT_EQ(m.Caption, "cap"); // filled before the error
    ASSERT_TRUE(db->RetrieveBLOB(1, P(""), m));
    EXPECT_EQ(ReadFile(P("a_b_c")), Bytes(bytes, bytes + 6));
    for (const std::string& bad : {P("x/."), P("x/..")}) {
        try {
            db->RetrieveBLOB(1, bad, m);
            FAIL() << bad;
        } catch (const EPYXGeoDBError& e) {
            EXPECT_STREQ(e.what(), "Component \"Geo\": RetrieveBLOB: invalid filename.");
        }
    }
    EXPECT_THROW(db->RetrieveBLOB(2, P(""), m), EPYXGeoDBError); // the name reduces to ".."
    // An existing target is replaced only by a complete copy.
    WriteFile(P("t"), {9});
    ASSERT_TRUE(db->RetrieveBLOB(1, P("t"), m));
    EXPECT_EQ(ReadFile(P("t")).size(), 6u);
    EXPECT_THROW(db->RetrieveBLOB(1, P("missing/t"), m), vcl::EInOutError);
}

TEST_F(GeoDBTest, BadValuesAreRefusedBeforeWriting)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    AddPlace(*db, "ok", 1, 1);
    const auto before = Snapshot();
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    EXPECT_THROW(AddPlace(*db, "nan", nan, 0), EPYXGeoDBError);
    EXPECT_THROW(db->AddRiver("inf", {{0, 0}, {inf, 1}}, 0, 0, 0, 0, 0, 0, 0, 0, 0), EPYXGeoDBError);
    EXPECT_THROW(db->AddBLOB("neg", 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, "x", -1), EPYXGeoDBError);
    EXPECT_THROW(db->ReplaceTown(1, "nan", 0, 0, {0, nan}, 0, 0, 0), EPYXGeoDBError);
    TgdbData d = db->GetSumdata(1);
    d.LongHigh = -inf;
    EXPECT_THROW(db->UpdateBasicData(1, d), EPYXGeoDBError);
    EXPECT_THROW(db->AddBLOB(P("no-such-file"), 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}), vcl::EInOutError);
    EXPECT_EQ(db->GetNumEntries(), 1);
    EXPECT_EQ(db->GetHeader().LastItemID, 1);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(GeoDBTest, LongSourcePathIsReadWholeAndStoredCut)
{
    std::string dir = P("");
    while (dir.size() < 150) {
        dir += "long-directory-name/";
        ASSERT_EQ(::mkdir(dir.c_str(), 0777), 0);
    }
    const std::string src = dir + "file.dat";
    WriteFile(src, Bytes(100, 0x5A));
    auto db = NewDB();
    db->SetDBName(P("db"));
    ASSERT_EQ(db->AddBLOB(src, 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}), 1);
    EXPECT_EQ(db->GetSumdata(1).DataSize, 100);
    TMetaInfo m;
    ASSERT_TRUE(db->GetMetaInfo(1, m));
    EXPECT_EQ(m.FilePath, src.substr(0, 127));
}

TEST_F(GeoDBTest, ProgressReports)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    std::vector<int32_t> seen;
    db->OnPercentDone = [&](vcl::TObject* Sender, int32_t p) {
        EXPECT_EQ(Sender, db.get());
        seen.push_back(p);
    };
    auto check = [&](const char* what) {
        ASSERT_GE(seen.size(), 2u) << what;
        EXPECT_EQ(seen.front(), 0) << what;
        EXPECT_EQ(seen.back(), 100) << what;
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << what;
        seen.clear();
    };
    Bytes big(100000, 1);
    db->AddBLOB("big", 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, big.data(), int32_t(big.size()));
    EXPECT_GT(seen.size(), 4u);
    check("blob");
    db->AddBLOB("empty", 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, nullptr, 0);
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 100}));
    seen.clear();
    TgdbPolygon poly(5000, TSCoords{1, 2});
    db->AddRoad("road", poly, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    check("polygon");
    TgdbPolygon back;
    db->RetrievePolygon(3, back);
    check("retrieve");
    vcl::TMemoryStream s;
    TMetaInfo m;
    db->RetrieveBLOB(1, m, s);
    check("stream");
}

// ---------------------------------------------------------------------------
// Damaged files

TEST_F(GeoDBTest, DamageFoundOnReadingIsReportedNotTrusted)
{
    {
        auto db = NewDB();
        db->SetDBName(P("db"));
        db->AddRiver("r", Square, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        db->AddBLOB("b", 0, 0, 0, 0, 0, 0, 0, 0, 0, TMetaInfo{}, "12345", 5);
    }
    auto db = NewDB();
    db->SetDBName(P("db"));
    // Another program cuts the data file while it is open.
    ASSERT_EQ(::truncate(P("db.pyxgdd").c_str(), 270), 0);
    TgdbPolygon p;
    vcl::TMemoryStream s;
    TMetaInfo m;
    EXPECT_THROW(db->RetrievePolygon(1, p), vcl::EInOutError);
    EXPECT_THROW(db->RetrieveBLOB(2, m, s), vcl::EInOutError);
    db.reset();
    // Reopened, the entries pointing past the end make it a corrupt database.
    auto again = NewDB();
    try {
        again->SetDBName(P("db"));
        FAIL() << "opened";
    } catch (const EPYXGeoDBError& e) {
        EXPECT_NE(std::string(e.what()).find("corrupt database"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(again->IsOpen());
}

// Indexes that disagree with the summary (stale after a crash, cut, pointing
// past the end) are rebuilt on opening, and RecalcIndexes rebuilds them on
// request; no entry is lost.
TEST_F(GeoDBTest, IndexesThatDisagreeAreRebuilt)
{
    {
        auto db = NewDB();
        db->SetDBName(P("db"));
        for (int i = 0; i < 10; ++i) AddPlace(*db, "p" + std::to_string(i), float(10 - i), float(i));
    }
    const auto good = Snapshot();
    struct {
        const char* What;
        std::function<void()> Damage;
    } const cases[] = {
        {"cut", [&] { ASSERT_EQ(::truncate(P("db.pyxgi1").c_str(), 40), 0); }},
        {"past the end",
         [&] {
             Bytes b = ReadFile(P("db.pyxgi2"));
             b[4] = 200;
             WriteFile(P("db.pyxgi2"), b);
         }},
        {"wrong key",
         [&] {
             Bytes b = ReadFile(P("db.pyxgi0"));
             b[0] = 77;
             WriteFile(P("db.pyxgi0"), b);
         }},
        {"stale",
         [&] {
             Bytes b = ReadFile(P("db.pyxgi3"));
             std::swap_ranges(b.begin(), b.begin() + 8, b.begin() + 8);
             WriteFile(P("db.pyxgi3"), b);
         }},
        {"one record too many",
         [&] {
             Bytes b = ReadFile(P("db.pyxgi4"));
             b.resize(b.size() + 8);
             WriteFile(P("db.pyxgi4"), b);
         }},
    };
    for (const auto& c : cases) {
        c.Damage();
        auto db = NewDB();
        db->SetDBName(P("db"));
        EXPECT_EQ(db->GetNumEntries(), 10) << c.What;
        EXPECT_TRUE(IndexesConsistent(*db)) << c.What;
        db.reset();
        EXPECT_EQ(Snapshot(), good) << c.What;
    }
    auto db = NewDB();
    db->SetDBName(P("db"));
    db->SetLazyWrite(true);
    WriteFile(P("db.pyxgi1"), {});
    db->RecalcIndexes();
    EXPECT_TRUE(ReadFile(P("db.pyxgi1")).empty()); // lazy: saved later
    db->SetLazyWrite(false);
    db.reset();
    EXPECT_EQ(Snapshot(), good);
}

// A compaction interrupted between switching the data file and the summary
// is finished on the next opening; one interrupted earlier is undone.
TEST_F(GeoDBTest, InterruptedCompactionIsFinishedOrUndone)
{
    {
        auto db = NewDB();
        db->SetDBName(P("db"));
        db->AddRiver("r", Square, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        db->ReplaceRiver(1, "r", {{1, 1}, {2, 2}}, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        AddPlace(*db, "t", 3, 3);
        db->AddRoad("road", {{5, 5}}, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    }
    const Bytes oldSum = ReadFile(P("db.pyxgds")), oldData = ReadFile(P("db.pyxgdd"));
    {
        auto db = NewDB();
        db->SetDBName(P("db"));
        EXPECT_GT(db->GarbageCollection(), 0);
    }
    const Bytes newSum = ReadFile(P("db.pyxgds")), newData = ReadFile(P("db.pyxgdd"));
    ASSERT_NE(newData, oldData);
    auto check = [&](const char* what) {
        auto db = NewDB();
        db->SetDBName(P("db"));
        TgdbPolygon p;
        ASSERT_TRUE(db->RetrievePolygon(1, p)) << what;
        EXPECT_EQ(p, (TgdbPolygon{{1, 1}, {2, 2}})) << what;
        ASSERT_TRUE(db->RetrievePolygon(3, p)) << what;
        EXPECT_EQ(p, (TgdbPolygon{{5, 5}})) << what;
        db.reset();
        EXPECT_EQ(Snapshot().size(), 7u) << what;
    };
    // Data switched, summary not yet.
    WriteFile(P("db.pyxgds"), oldSum);
    WriteFile(P("db.pyxgdd"), newData);
    WriteFile(P("db.pyxgds.new"), newSum);
    check("finished");
    EXPECT_EQ(ReadFile(P("db.pyxgds")), newSum);
    // Nothing switched yet.
    WriteFile(P("db.pyxgds"), oldSum);
    WriteFile(P("db.pyxgdd"), oldData);
    WriteFile(P("db.pyxgds.new"), newSum);
    WriteFile(P("db.pyxgdd.new"), newData);
    check("undone");
    EXPECT_EQ(ReadFile(P("db.pyxgds")), oldSum);
}

TEST_F(GeoDBTest, ListingNamesEveryEntry)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    AddPlace(*db, "Wien", 48.25f, 16.5f);
    db->AddLake("See", Square, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    db->ExportDataDebug(P("list.txt"));
    Bytes b = ReadFile(P("list.txt"));
    std::string text(b.begin(), b.end());
    EXPECT_NE(text.find("1\t1\tTown\tWien\t48.25\t48.25\t16.5\t16.5\t-1\t0\t0\t45000"), std::string::npos) << text;
    EXPECT_NE(text.find("2\t2\tLake\tSee\t-5\t10\t-170\t30\t260\t3\t1"), std::string::npos) << text;
}

TEST_F(GeoDBTest, ReadOnlyDatabaseOpensForReading)
{
    if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not bind this user";
    {
        auto db = NewDB();
        db->SetDBName(P("db"));
        AddPlace(*db, "x", 1, 2);
    }
    for (const auto& ext : Exts) ASSERT_EQ(::chmod(P("db" + ext).c_str(), 0444), 0);
    auto db = NewDB();
    db->SetDBName(P("db"));
    EXPECT_EQ(db->SearchData("x"), 1);
    EXPECT_THROW(AddPlace(*db, "y", 0, 0), EPYXGeoDBError);
    EXPECT_THROW(db->DeleteData(1), EPYXGeoDBError);
}

TEST(GeoDBTexts, LatitudeAndLongitude)
{
    using PYX_pyxbase::dfNumeric;
    struct {
        double Value;
        bool Lat;
        std::string Want;
    } const cases[] = {
        {48.2, true, "48.20 N"},  {-95, true, "90.00 S"},    {0, true, "0.00 N"},
        {0, false, "0.00 E"},     {-16.5, false, "16.50 W"}, {200, false, "180.00 E"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Lat ? GeoLatitude(c.Value, dfNumeric, 2) : GeoLongitude(c.Value, dfNumeric, 2), c.Want) << c.Value;
    EXPECT_EQ(GeoLatitude(48.5, PYX_pyxbase::dfDegMin, 0), "48\xB0" "30' N");
}

// A deletion interrupted between moving the last record into the gap and
// cutting the file leaves that record twice; opening drops the copy.
TEST_F(GeoDBTest, InterruptedDeletionIsFinished)
{
    {
        auto db = NewDB();
        db->SetDBName(P("db"));
        for (int i = 0; i < 4; ++i) AddPlace(*db, "p" + std::to_string(i), float(i), 0);
    }
    Bytes sum = ReadFile(P("db.pyxgds"));
    std::copy(sum.begin() + 360, sum.end(), sum.begin() + 120); // entry 4 written over entry 2
    WriteFile(P("db.pyxgds"), sum);
    auto db = NewDB();
    db->SetDBName(P("db"));
    EXPECT_EQ(db->GetNumEntries(), 3);
    EXPECT_EQ(db->GetSumdata(2).ItemID, 4);
    EXPECT_TRUE(IndexesConsistent(*db));
    EXPECT_EQ(ReadFile(P("db.pyxgds")).size(), 360u);
    // Two different records with one identifier are still refused.
    db.reset();
    sum = ReadFile(P("db.pyxgds"));
    sum.resize(480);
    std::copy(sum.begin(), sum.begin() + 120, sum.begin() + 360);
    sum[360 + 5] = 'X';
    WriteFile(P("db.pyxgds"), sum);
    auto again = NewDB();
    EXPECT_THROW(again->SetDBName(P("db")), EPYXGeoDBError);
}
