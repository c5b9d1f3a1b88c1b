// Geographic database storage: the byte layouts of the records, creating,
// opening and closing, the header, the getters, saving indexes, damaged
// files and the lock against a second user.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "geodb_fixture.h"

using namespace PYX_GeoDB;
using namespace PYX_GeoDB::detail;
using namespace geodbtest;

namespace {

int32_t I32At(const Bytes& b, size_t off)
{
    int32_t v;
    std::memcpy(&v, b.data() + off, 4);
    return v;
}
float F32At(const Bytes& b, size_t off)
{
    float v;
    std::memcpy(&v, b.data() + off, 4);
    return v;
}

std::unique_ptr<TGeoDB> NewDB()
{
    auto db = std::make_unique<TGeoDB>(nullptr);
    db->SetName("Geo");
    return db;
}

// ---------------------------------------------------------------------------
// Record layouts

TEST(GeoDBLayout, SummaryRecordBytesAtTheirOffsets)
{
    TgdbData d;
    d.ItemID = 0x01020304;
    d.Name = "Graz";
    d.AttrFloat = 2.5f;
    d.AttrByte = 0xAB;
    d.AttrInt2 = -2;
    d.FilePos = 0x00112233;
    d.TimeStamp = 36526.25;
    d.AttrInt1 = 77;
    d.LatLow = 1.0f;
    d.LatHigh = 2.0f;
    d.LongLow = -3.0f;
    d.LongHigh = 4.0f;
    d.Kind = gitLake;
    d.DataSize = 9;
    d.Closed = true;
    Bytes b(120, 0xEE);
    EncodeGdbData(d, b.data());
    const Bytes head = {0x04, 0x03, 0x02, 0x01, 4, 'G', 'r', 'a', 'z'};
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 9), head);
    for (size_t i = 9; i < 64; ++i) EXPECT_EQ(b[i], ' ') << i;
    EXPECT_EQ(F32At(b, 64), 2.5f);
    EXPECT_EQ(b[68], 0xAB);
    EXPECT_EQ(Bytes(b.begin() + 69, b.begin() + 72), Bytes(3, 0));
    EXPECT_EQ(I32At(b, 72), -2);
    EXPECT_EQ(Bytes(b.begin() + 76, b.begin() + 80), (Bytes{0x33, 0x22, 0x11, 0x00}));
    double ts;
    std::memcpy(&ts, b.data() + 80, 8);
    EXPECT_EQ(ts, 36526.25);
    EXPECT_EQ(I32At(b, 88), 77);
    EXPECT_EQ(F32At(b, 92), 1.0f);
    EXPECT_EQ(F32At(b, 96), 2.0f);
    EXPECT_EQ(F32At(b, 100), -3.0f);
    EXPECT_EQ(F32At(b, 104), 4.0f);
    EXPECT_EQ(b[108], 3);
    EXPECT_EQ(Bytes(b.begin() + 109, b.begin() + 112), Bytes(3, 0));
    EXPECT_EQ(I32At(b, 112), 9);
    EXPECT_EQ(Bytes(b.begin() + 116, b.end()), (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(DecodeGdbData(b.data()), d);

    // Fields a kind does not use are written as 0.
    d.Kind = gitTown;
    EncodeGdbData(d, b.data());
    EXPECT_EQ(I32At(b, 112), 0);
    EXPECT_EQ(b[116], 0);
}

TEST(GeoDBLayout, NamesAreCutToTheirRoom)
{
    const std::string n59(59, 'x');
    for (const auto& [in, out] : {std::pair{n59, n59}, std::pair{n59 + "yz", n59}, std::pair{std::string(), std::string()}}) {
        TgdbData d;
        d.Name = in;
        Bytes b(120);
        EncodeGdbData(d, b.data());
        EXPECT_EQ(b[4], out.size());
        EXPECT_EQ(DecodeGdbData(b.data()).Name, out);
    }
    // A length byte beyond the room of a file's string is clamped.
    Bytes b(120);
    b[4] = 200;
    EXPECT_EQ(DecodeGdbData(b.data()).Name.size(), 59u);
}

TEST(GeoDBLayout, MetaBlockAndHeader)
{
    TMetaInfo m{"kw", std::string(130, 'c'), "/a/b", "desc", "x"};
    Bytes b(1024, 0xEE);
    EncodeMetaInfo(m, b.data());
    EXPECT_EQ(b[0], 2);
    EXPECT_EQ(b[1], 'k');
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(b[256], 127);
    EXPECT_EQ(b[384], 4);
    EXPECT_EQ(b[385], '/');
    EXPECT_EQ(b[512], 4);
    EXPECT_EQ(b[768], 1);
    EXPECT_EQ(b[769], 'x');
    TMetaInfo back = DecodeMetaInfo(b.data());
    EXPECT_EQ(back.Caption, std::string(127, 'c'));
    m.Caption.resize(127);
    EXPECT_EQ(back, m);
    ClearMetaInfo(back);
    EXPECT_EQ(back, TMetaInfo{});

    TgdbHeader h;
    h.LastItemID = 5;
    h.Description = "abc";
    h.Revision = 0x0A0B0C0D;
    h.Unused[183] = 0x5A;
    Bytes hb(260, 0xEE);
    EncodeHeader(h, hb.data());
    EXPECT_EQ(I32At(hb, 0), 5);
    EXPECT_EQ(I32At(hb, 4), 4);
    EXPECT_EQ(hb[8], 3);
    EXPECT_EQ(hb[9], 'a');
    EXPECT_EQ(hb[12], 0);
    EXPECT_EQ(Bytes(hb.begin() + 69, hb.begin() + 72), Bytes(3, 0));
    EXPECT_EQ(Bytes(hb.begin() + 72, hb.begin() + 76), (Bytes{0x0D, 0x0C, 0x0B, 0x0A}));
    EXPECT_EQ(hb[259], 0x5A);
    EXPECT_EQ(DecodeHeader(hb.data()), h);
}

TEST(GeoDBLayout, HelpersAndNames)
{
    vcl::SetClockOverride([] { return 40000.75; });
    TgdbData d;
    d.ItemID = 9;
    d.Name = "n";
    d.LatLow = 3;
    d.Kind = gitCity;
    ClearGdbData(d);
    vcl::SetClockOverride(nullptr);
    TgdbData want;
    want.TimeStamp = 40000.75;
    EXPECT_EQ(d, want);
    EXPECT_EQ(d.FilePos, -1);
    EXPECT_EQ(d.Kind, gitUndefined);
    d.LatLow = 48.25f;
    d.LongLow = 16.5f;
    EXPECT_EQ(ExtractLocation(d), (TSCoords{48.25f, 16.5f}));
    EXPECT_EQ(GDB_ITEMNAMES[gitBorder], "Border");
    EXPECT_EQ(GDB_ITEMNAMES[gitBLOB], "BLOB");
    EXPECT_EQ(GDB_ITEMNAMES[gitUndefined], "Undefined");
}

// ---------------------------------------------------------------------------
// Creating, opening, closing

TEST_F(GeoDBTest, OpeningAMissingDatabaseCreatesSevenFiles)
{
    auto db = NewDB();
    db->SetDBName(P("new.pyxgds"));
    EXPECT_EQ(db->GetDBName(), P("new"));
    EXPECT_EQ(db->GetNumEntries(), 0);
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(Exists(P("new" + Exts[i]))) << Exts[i];
        EXPECT_TRUE(ReadFile(P("new" + Exts[i])).empty()) << Exts[i];
    }
    Bytes data = ReadFile(P("new.pyxgdd"));
    ASSERT_EQ(data.size(), 260u);
    EXPECT_EQ(I32At(data, 4), 4);
    data[4] = 0;
    EXPECT_EQ(data, Bytes(260, 0));
    EXPECT_EQ(Snapshot().size(), 7u); // no temporary left behind

    // Getters of an empty database.
    TgdbData s = db->GetSumdata(1);
    EXPECT_EQ(s, TgdbData{});
    EXPECT_EQ(db->GetIxItemID(1), TIxItemIDRec{});
    EXPECT_EQ(db->GetIxLongHigh(-5), TIxLLRec{});

    // The same database with and without extension.
    db->SetDBName(P("new"));
    EXPECT_EQ(db->GetDBName(), P("new"));
    db->Close();
    EXPECT_EQ(db->GetDBName(), "");
    EXPECT_FALSE(db->IsOpen());
}

TEST_F(GeoDBTest, OpenReadsRecordsIndexesAndHeader)
{
    WriteSample(true);
    auto before = Snapshot();
    auto db = NewDB();
    db->SetDBName(P("db"));
    ASSERT_EQ(db->GetNumEntries(), 3);
    auto recs = SampleRecords();
    for (int e = 1; e <= 3; ++e) EXPECT_EQ(db->GetSumdata(e), recs[size_t(e - 1)]) << e;
    EXPECT_EQ(db->GetSumdata(0), recs[0]);  // clamped
    EXPECT_EQ(db->GetSumdata(99), recs[2]);
    EXPECT_EQ(db->GetIxItemID(2), (TIxItemIDRec{2, 3}));
    EXPECT_EQ(db->GetIxLatLow(1), (TIxLLRec{44.0f, 2}));
    EXPECT_EQ(db->GetIxLatLow(2), (TIxLLRec{44.0f, 3}));
    EXPECT_EQ(db->GetIxLatHigh(3), (TIxLLRec{49.0f, 3}));
    EXPECT_EQ(db->GetIxLongLow(1), (TIxLLRec{8.0f, 2}));
    EXPECT_EQ(db->GetIxLongHigh(9), (TIxLLRec{29.7f, 2}));
    EXPECT_EQ(db->GetHeader().LastItemID, 3);
    std::string info;
    db->ReadSystemInformation(info);
    EXPECT_NE(info.find("entries: 3"), std::string::npos);
    EXPECT_NE(info.find("River: 1"), std::string::npos);
    db.reset();
    EXPECT_EQ(Snapshot(), before); // valid files are only read
}

TEST_F(GeoDBTest, HeaderWritesRoundTrip)
{
    WriteSample(true);
    {
        // Bytes the component does not use are carried unchanged.
        Bytes d = ReadFile(P("db.pyxgdd"));
        d[200] = 0x77;
        WriteFile(P("db.pyxgdd"), d);
    }
    auto db = NewDB();
    db->SetDBName(P("db.x"));
    const std::string longText(70, 'D');
    db->SetDescription(longText);
    db->SetRevision(-12);
    EXPECT_EQ(db->GetDescription(), longText.substr(0, 60));
    Bytes d = ReadFile(P("db.pyxgdd"));
    EXPECT_EQ(d[8], 60);
    EXPECT_EQ(d[68], 'D');
    EXPECT_EQ(I32At(d, 72), -12);
    EXPECT_EQ(d[200], 0x77);
    EXPECT_EQ(d.size(), 260u + 16 + 1024 + 5); // the data blocks are untouched
    db->SetDBName("");
    EXPECT_EQ(db->GetRevision(), 0);
    EXPECT_EQ(db->GetDescription(), "");
    db->SetRevision(5); // closed: nothing happens
    EXPECT_EQ(db->GetRevision(), 0);
    db->SetDBName(P("db"));
    EXPECT_EQ(db->GetDescription(), longText.substr(0, 60));
    EXPECT_EQ(db->GetRevision(), -12);
    EXPECT_EQ(db->GetHeader().Unused[200 - 76], 0x77);
}

TEST_F(GeoDBTest, FailedHeaderWriteKeepsTheOldValue)
{
    auto db = NewDB();
    db->SetDBName(P("db"));
    db->SetRevision(3);
    ASSERT_EQ(::unlink(P("db.pyxgdd").c_str()), 0);
    try {
        db->SetRevision(4);
        FAIL() << "no error";
    } catch (const EPYXGeoDBError& e) {
        EXPECT_STREQ(e.what(), "Component \"Geo\": SetRevision: cannot open database.");
    }
    EXPECT_EQ(db->GetRevision(), 3);
    EXPECT_THROW(db->SetDescription("x"), EPYXGeoDBError);
    EXPECT_EQ(db->GetDescription(), "");
    EXPECT_FALSE(Exists(P("db.pyxgdd"))); // not created by a header write
}

// ---------------------------------------------------------------------------
// Indexes

TEST_F(GeoDBTest, MissingIndexesAreRebuiltAndSaved)
{
    WriteSample(false);
    auto db = NewDB();
    db->SetDBName(P("db"));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadFile(P("db" + Exts[i])), ExpectedIndex(i)) << i;
    EXPECT_EQ(db->GetIxItemID(3), (TIxItemIDRec{3, 2}));
}

TEST_F(GeoDBTest, BadIndexesAreRepairedFromTheSummary)
{
    const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> cases = {
        {"size not a multiple of 8", [](Bytes& b) { b.pop_back(); }},
        {"one record short", [](Bytes& b) { b.resize(16); }},
        {"one record too many", [](Bytes& b) { b.insert(b.end(), b.begin(), b.begin() + 8); }},
        {"entry past the end", [](Bytes& b) { b[4] = 3; }},
        {"negative entry", [](Bytes& b) { b[7] = 0xFF; }},
        {"entry twice", [](Bytes& b) { std::memcpy(b.data() + 12, b.data() + 4, 4); }},
        {"unsorted", [](Bytes& b) { std::swap_ranges(b.begin(), b.begin() + 8, b.begin() + 16); }},
        {"wrong key", [](Bytes& b) { b[0] ^= 1; }},
    };
    for (int i = 0; i < 5; ++i)
        for (const auto& [what, damage] : cases) {
            SCOPED_TRACE(std::string(what) + " in index " + std::to_string(i));
            WriteSample(true);
            Bytes ix = ExpectedIndex(i);
            damage(ix);
            WriteFile(P("db" + Exts[i]), ix);
            auto db = NewDB();
            db->SetDBName(P("db"));
            EXPECT_EQ(db->GetNumEntries(), 3);
            EXPECT_EQ(ReadFile(P("db" + Exts[i])), ExpectedIndex(i));
            EXPECT_EQ(db->GetIxItemID(1), (TIxItemIDRec{1, 1}));
        }
}

TEST_F(GeoDBTest, SaveIndexAndLazyWrite)
{
    WriteSample(true);
    auto db = NewDB();
    db->SetDBName(P("db"));
    db->SetLazyWrite(true);
    ASSERT_EQ(::unlink(P("db.pyxgi3").c_str()), 0);
    db->SaveIndex(7); // outside 0..4: nothing
    EXPECT_FALSE(Exists(P("db.pyxgi3")));
    db->SaveIndex(3);
    EXPECT_EQ(ReadFile(P("db.pyxgi3")), ExpectedIndex(3));
    EXPECT_TRUE(db->GetLazyWrite());
    db->SetLazyWrite(false); // nothing unsaved: no write
    EXPECT_FALSE(db->GetLazyWrite());
    db->SetLazyWrite(true);
    db->Close();
    EXPECT_FALSE(db->GetLazyWrite()); // closing turns it off
    db->SaveIndex(0);                 // closed: nothing
    EXPECT_EQ(Snapshot().size(), 7u);
}

// ---------------------------------------------------------------------------
// Damaged databases: a clear error, the component closed, no file changed.

TEST_F(GeoDBTest, DamagedDatabasesAreRefusedUntouched)
{
    auto patchSum = [](size_t entry, size_t off, std::function<void(uint8_t*)> f) {
        return [=](GeoDBTest& t) {
            Bytes b = ReadFile(t.P("db.pyxgds"));
            f(b.data() + entry * 120 + off);
            WriteFile(t.P("db.pyxgds"), b);
        };
    };
    auto putI32 = [](int32_t v) { return [v](uint8_t* p) { std::memcpy(p, &v, 4); }; };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<std::pair<const char*, std::function<void(GeoDBTest&)>>> cases = {
        {"summary truncated", [](GeoDBTest& t) {
             Bytes b = ReadFile(t.P("db.pyxgds"));
             b.resize(b.size() - 7);
             WriteFile(t.P("db.pyxgds"), b);
         }},
        {"data file shorter than the header", [](GeoDBTest& t) { WriteFile(t.P("db.pyxgdd"), Bytes(100, 0)); }},
        {"header version", [](GeoDBTest& t) {
             Bytes b = ReadFile(t.P("db.pyxgdd"));
             b[4] = 3;
             WriteFile(t.P("db.pyxgdd"), b);
         }},
        {"identifier above the last one", [](GeoDBTest& t) { t.WriteSample(true, 2); }},
        {"unknown kind", patchSum(0, 108, [](uint8_t* p) { *p = 9; })},
        {"identifier 0", patchSum(0, 0, putI32(0))},
        {"identifier twice", patchSum(1, 0, putI32(1))},
        {"polygon past the end", patchSum(1, 112, putI32(200))},
        {"polygon before the data", patchSum(1, 76, putI32(100))},
        {"polygon with a huge size", patchSum(1, 112, putI32(0x7FFFFFFF))},
        {"negative polygon size", patchSum(1, 112, putI32(-1))},
        {"blob past the end", patchSum(2, 112, putI32(6))},
        {"blob without data", patchSum(2, 76, putI32(-1))},
        {"blob with negative size", patchSum(2, 112, putI32(-5))},
        {"NaN latitude", patchSum(0, 92, [nan](uint8_t* p) { std::memcpy(p, &nan, 4); })},
        {"summary missing", [](GeoDBTest& t) { ::unlink(t.P("db.pyxgds").c_str()); }},
        {"data file missing", [](GeoDBTest& t) { ::unlink(t.P("db.pyxgdd").c_str()); }},
        {"only an index left", [](GeoDBTest& t) {
             ::unlink(t.P("db.pyxgds").c_str());
             ::unlink(t.P("db.pyxgdd").c_str());
         }},
    };
    for (const auto& [what, damage] : cases) {
        SCOPED_TRACE(what);
        for (const auto& e : std::filesystem::directory_iterator(dir_)) std::filesystem::remove(e.path());
        WriteSample(true);
        damage(*this);
        auto before = Snapshot();
        auto db = NewDB();
        try {
            db->SetDBName(P("db"));
            ADD_FAILURE() << "opened";
        } catch (const EPYXGeoDBError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("Component \"Geo\": corrupt database \"" + P("db") + "\": ", 0), 0u)
                << e.what();
        }
        EXPECT_FALSE(db->IsOpen());
        EXPECT_EQ(db->GetNumEntries(), 0);
        db.reset();
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(GeoDBTest, ReadErrorsOtherThanMissingCreateNothing)
{
    // A file that exists but cannot be read as a file: the platform's
    // input/output error, and nothing is created or truncated.
    for (const std::string& blocked : {std::string("db.pyxgds"), std::string("db.pyxgdd"), std::string("db.pyxgi2")}) {
        SCOPED_TRACE(blocked);
        for (const auto& e : std::filesystem::directory_iterator(dir_)) std::filesystem::remove_all(e.path());
        WriteSample(true);
        std::filesystem::remove(P(blocked));
        std::filesystem::create_directory(P(blocked));
        auto before = Snapshot();
        auto db = NewDB();
        EXPECT_THROW(db->SetDBName(P("db")), vcl::EInOutError);
        EXPECT_FALSE(db->IsOpen());
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(GeoDBTest, ASecondUserIsLockedOut)
{
    auto a = NewDB();
    auto b = NewDB();
    a->SetDBName(P("db"));
    try {
        b->SetDBName(P("db.pyxgds"));
        FAIL() << "opened twice";
    } catch (const EPYXGeoDBError& e) {
        EXPECT_STREQ(e.what(), ("Component \"Geo\": database \"" + P("db") + "\" is in use.").c_str());
    }
    EXPECT_FALSE(b->IsOpen());

    // Another process is locked out as well.
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int code = 3;
        try {
            TGeoDB c(nullptr);
            c.SetDBName(P("db"));
            code = 1;
        } catch (const EPYXGeoDBError&) {
            code = 0;
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // Opening another database releases the first.
    a->SetDBName(P("other"));
    b->SetDBName(P("db"));
    EXPECT_TRUE(b->IsOpen());
    b.reset(); // destruction releases too
    auto c = NewDB();
    c->SetDBName(P("db"));
    EXPECT_TRUE(c->IsOpen());
}

} // namespace
