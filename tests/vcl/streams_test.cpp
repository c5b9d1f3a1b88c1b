#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vcl/Streams.h"
#include "vcl/TextFile.h"

namespace {

namespace fs = std::filesystem;
using namespace vcl;

// A temporary folder per test, removed afterwards.
class TempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "pyx-streams-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string Slurp(const std::string& path)
    {
        std::string bytes;
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            char buf[65536];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
            std::fclose(f);
        }
        return bytes;
    }
    static void Spit(const std::string& path, const std::string& bytes)
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    fs::path dir_;
};

using FileStreamTest = TempDir;
using TextFileTest = TempDir;

TEST_F(FileStreamTest, WritesReadsSeeksAndResizes)
{
    const std::string p = Path("a.bin");
    {
        TFileStream f(p, fmCreate);
        f.WriteBuffer("hello world");
        EXPECT_EQ(f.Position(), 11);
        EXPECT_EQ(f.Size(), 11); // pending bytes count before the flush
        f.Seek(6, soBeginning);
        f.WriteBuffer("WORLD");
        f.Seek(0, soBeginning);
        char buf[5];
        f.ReadBuffer(buf, 5);
        EXPECT_EQ(std::string(buf, 5), "hello");
        EXPECT_EQ(f.Seek(-3, soEnd), 8);
        EXPECT_EQ(f.ReadByte(), 'R');
        f.SetSize(4);
        EXPECT_EQ(f.Position(), 4);
        EXPECT_EQ(f.ReadByte(), -1);
    }
    EXPECT_EQ(Slurp(p), "hell");
}

TEST_F(FileStreamTest, WritingPastTheEndLeavesZeroBytes)
{
    const std::string p = Path("gap.bin");
    {
        TFileStream f(p, fmCreate);
        f.WriteBuffer("ab");
        f.Seek(5, soBeginning);
        f.WriteBuffer("z");
    }
    EXPECT_EQ(Slurp(p), std::string("ab\0\0\0z", 6));
}

TEST_F(FileStreamTest, PositionsBeyondFourGigabytes)
{
    const std::string p = Path("big.bin");
    const int64_t far = (int64_t{5} << 30) + 7;
    {
        TFileStream f(p, fmCreate);
        f.Seek(far, soBeginning);
        f.WriteBuffer("x");
        f.Flush();
        EXPECT_EQ(f.Size(), far + 1);
        f.Seek(-1, soEnd);
        EXPECT_EQ(f.Position(), far);
        EXPECT_EQ(f.ReadByte(), 'x');
    }
    EXPECT_EQ(static_cast<int64_t>(fs::file_size(p)), far + 1);
}

// The buffered stream must behave exactly like the memory stream under any
// mix of reads, writes and seeks, small and larger than the buffer.
TEST_F(FileStreamTest, MatchesMemoryStreamUnderRandomOperations)
{
    TFileStream f(Path("r.bin"), fmCreate);
    TMemoryStream m;
    SplitMix64 rng(42);
    std::vector<uint8_t> data(3 * TFileStream::BufferSize), got1(data.size()), got2(data.size());
    for (int step = 0; step < 3000; ++step) {
        const int op = rng.NextInt(4);
        const bool big = rng.NextInt(20) == 0;
        const int64_t n = big ? rng.NextInt(static_cast<int32_t>(data.size())) : rng.NextInt(300);
        if (op == 0) {
            for (int64_t i = 0; i < n; ++i) data[static_cast<size_t>(i)] = static_cast<uint8_t>(rng.Next());
            ASSERT_EQ(f.Write(data.data(), n), m.Write(data.data(), n));
        } else if (op == 1) {
            const int64_t r1 = f.Read(got1.data(), n);
            const int64_t r2 = m.Read(got2.data(), n);
            ASSERT_EQ(r1, r2) << "step " << step;
            ASSERT_TRUE(std::equal(got1.begin(), got1.begin() + r1, got2.begin())) << "step " << step;
        } else if (op == 2) {
            const int64_t to = rng.NextInt(static_cast<int32_t>(m.Size() + 100));
            ASSERT_EQ(f.Seek(to, soBeginning), m.Seek(to, soBeginning));
        } else {
            auto view = f.Peek();
            const int c = m.ReadByte();
            if (c < 0) {
                ASSERT_TRUE(view.empty());
            } else {
                ASSERT_FALSE(view.empty());
                ASSERT_EQ(view[0], c);
                f.Advance(1);
            }
        }
        ASSERT_EQ(f.Position(), m.Position());
        ASSERT_EQ(f.Size(), m.Size()) << "step " << step;
    }
    f.Flush();
    m.Seek(0, soBeginning);
    std::vector<uint8_t> whole(static_cast<size_t>(m.Size()));
    m.ReadBuffer(whole.data(), m.Size());
    const std::string onDisk = Slurp(f.GetFileName());
    ASSERT_EQ(onDisk.size(), whole.size());
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), reinterpret_cast<const uint8_t*>(onDisk.data())));
}

TEST_F(FileStreamTest, OpenModes)
{
    const std::string p = Path("m.txt");
    Spit(p, "0123456789");
    {
        TFileStream f(p, fmOpenWrite | fmShareDenyNone);
        f.WriteBuffer("ab");
    }
    EXPECT_EQ(Slurp(p), "ab23456789"); // not truncated
    {
        TFileStream f(p, fmOpenRead);
        EXPECT_EQ(f.Size(), 10);
        EXPECT_THROW(f.WriteBuffer("x"), EInOutError);
    }
    {
        TFileStream f(p, fmAppend);
        f.WriteBuffer("!");
    }
    EXPECT_EQ(Slurp(p), "ab23456789!");
    {
        TFileStream f(Path("new.txt"), fmAppend);
        f.WriteBuffer("n");
    }
    EXPECT_EQ(Slurp(Path("new.txt")), "n");
    {
        TFileStream f(p, fmCreate);
    }
    EXPECT_EQ(Slurp(p), "");
}

TEST_F(FileStreamTest, ErrorsNameTheFileAndTheReason)
{
    struct Case { std::string name; TFileMode mode; const char* reason; } cases[] = {
        {Path("missing.txt"), fmOpenRead, "No such file or directory"},
        {Path("missing.txt"), fmOpenReadWrite, "No such file or directory"},
        {Path("nodir/x.txt"), fmCreate, "No such file or directory"},
        {dir_.string(), fmOpenRead, "Is a directory"},
    };
    for (const auto& c : cases) {
        try {
            TFileStream f(c.name, c.mode);
            ADD_FAILURE() << c.name << " opened";
        } catch (const EInOutError& e) {
            const std::string msg = e.what();
            EXPECT_NE(msg.find("\"" + c.name + "\""), std::string::npos) << msg;
            EXPECT_NE(msg.find(c.reason), std::string::npos) << msg;
        }
    }
}

TEST_F(FileStreamTest, ShortTransfersAndBadSeeksRaise)
{
    TFileStream f(Path("s.bin"), fmCreate);
    f.WriteBuffer("abc");
    f.Seek(0, soBeginning);
    char buf[8];
    EXPECT_THROW(f.ReadBuffer(buf, 4), EInOutError);
    EXPECT_THROW(f.Seek(-1, soBeginning), EInOutError);
    EXPECT_THROW(f.Seek(-10, soEnd), EInOutError);
    TMemoryStream m;
    EXPECT_THROW(m.ReadBuffer(buf, 1), EInOutError);
    EXPECT_THROW(m.Seek(-1, soCurrent), EInOutError);
}

TEST(MemoryStream, GrowsZeroFillsAndLoadsFromStreams)
{
    TMemoryStream m;
    m.Seek(3, soBeginning);
    m.WriteBuffer("x");
    ASSERT_EQ(m.Size(), 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Memory()), 4), std::string("\0\0\0x", 4));
    m.SetSize(2);
    EXPECT_EQ(m.Position(), 2);
    TStringStream s("line one");
    s.Seek(5, soBeginning);
    TMemoryStream copy;
    copy.LoadFromStream(s);
    EXPECT_EQ(copy.Position(), 0);
    EXPECT_EQ(std::string(copy.Bytes().begin(), copy.Bytes().end()), "one");
    TStringStream dest;
    s.Seek(0, soBeginning);
    EXPECT_EQ(dest.CopyFrom(s, 0), 8);
    EXPECT_EQ(dest.DataString(), "line one");
    s.Seek(0, soBeginning);
    EXPECT_THROW(dest.CopyFrom(s, 9), EInOutError);
}

TEST_F(FileStreamTest, MemoryStreamFilesRoundTrip)
{
    TStringStream s(std::string("a\0b\xff", 4));
    s.SaveToFile(Path("m.bin"));
    TMemoryStream m;
    m.LoadFromFile(Path("m.bin"));
    EXPECT_EQ(m.Size(), 4);
    EXPECT_EQ(m.Bytes()[3], 0xFF);
    EXPECT_THROW(m.LoadFromFile(Path("none")), EInOutError);
}

// ---------------------------------------------------------------------------
// Text files

TEST_F(TextFileTest, ReadsLinesWithEveryLineEnd)
{
    struct Case { std::string bytes; std::vector<std::string> lines; } cases[] = {
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}}, // LF then a lone CR: two line ends
        {"tab\there\n", {"tab\there"}},
        {"", {}},
        {"\n", {""}},
    };
    for (const auto& c : cases) {
        Spit(Path("t.txt"), c.bytes);
        TTextFile f(Path("t.txt"));
        f.Reset();
        std::vector<std::string> got;
        while (!f.Eof()) got.push_back(f.ReadLn());
        EXPECT_EQ(got, c.lines) << c.bytes;
        EXPECT_EQ(f.ReadLn(), ""); // at the end: empty, no error
        f.Close();
    }
}

TEST_F(TextFileTest, CrLfSplitAcrossTheBufferIsOneLineEnd)
{
    std::string bytes(TFileStream::BufferSize - 1, 'x');
    bytes += "\r\nnext\r\n";
    Spit(Path("b.txt"), bytes);
    TTextFile f(Path("b.txt"));
    f.Reset();
    EXPECT_EQ(f.ReadLn().size(), static_cast<size_t>(TFileStream::BufferSize - 1));
    EXPECT_EQ(f.ReadLn(), "next");
    EXPECT_TRUE(f.Eof());
}

TEST_F(TextFileTest, ReadsNumbersAndWordsAcrossLines)
{
    Spit(Path("n.txt"), "  12\t-7\r\n\r\n 3.5e2 +4 word\rnext  \n-0.25");
    TTextFile f(Path("n.txt"));
    f.Reset();
    EXPECT_EQ(f.ReadInteger(), 12);
    EXPECT_FALSE(f.Eoln());
    EXPECT_EQ(f.ReadInt64(), -7);
    EXPECT_TRUE(f.Eoln());
    EXPECT_DOUBLE_EQ(f.ReadReal(), 350.0);
    EXPECT_EQ(f.ReadInteger(), 4);
    EXPECT_EQ(f.ReadWord(), "word");
    EXPECT_EQ(f.ReadWord(), "next");
    EXPECT_EQ(f.ReadExtended(), -0.25L);
    EXPECT_TRUE(f.Eof());
    EXPECT_THROW(f.ReadInteger(), EInOutError);
    EXPECT_EQ(f.ReadWord(), "");
}

TEST_F(TextFileTest, MalformedNumbersRaise)
{
    const char* bad[] = {"abc", "1.5", "12x", "--1", "1e5", "99999999999"};
    for (const char* text : bad) {
        Spit(Path("bad.txt"), text);
        TTextFile f(Path("bad.txt"));
        f.Reset();
        EXPECT_THROW(f.ReadInteger(), EInOutError) << text;
    }
    struct RealCase { const char* text; double value; } reals[] = {
        {"1e-400", 0.0}, {"-1e-99999", -0.0}, {"4.9e-324", 4.9e-324}, {"1e-310", 1e-310}, {"+2.5", 2.5}, {"5.", 5.0},
    };
    for (const auto& c : reals) {
        Spit(Path("r.txt"), c.text);
        TTextFile f(Path("r.txt"));
        f.Reset();
        EXPECT_EQ(f.ReadReal(), c.value) << c.text;
    }
    const char* badReal[] = {"1.2.3", "e5", "1e", "inf", "nan", "0x1p3", "1,5", ".", "1e400", "1e99999"};
    for (const char* text : badReal) {
        Spit(Path("bad.txt"), text);
        TTextFile f(Path("bad.txt"));
        f.Reset();
        EXPECT_THROW(f.ReadReal(), EInOutError) << text;
    }
}

TEST_F(TextFileTest, CharactersComeRawAndMixWithLines)
{
    Spit(Path("c.txt"), "ab\r\ncd\n");
    TTextFile f(Path("c.txt"));
    f.Reset();
    EXPECT_EQ(f.ReadChar(), 'a');
    EXPECT_EQ(f.ReadLn(), "b");
    EXPECT_EQ(f.ReadChar(), 'c');
    EXPECT_EQ(f.ReadChar(), 'd');
    EXPECT_TRUE(f.Eoln());
    EXPECT_EQ(f.ReadChar(), '\n');
    EXPECT_EQ(f.ReadByte(), -1);
    EXPECT_THROW(f.ReadChar(), EInOutError);
}

TEST_F(TextFileTest, WritesCrLfAppendsAndNeverTruncatesOnAppend)
{
    const std::string p = Path("w.txt");
    TTextFile f(p);
    f.Rewrite();
    f.Write("one");
    f.WriteLn(" two");
    f.WriteLn();
    f.Close();
    EXPECT_EQ(Slurp(p), "one two\r\n\r\n");
    f.Append();
    f.WriteLn("three");
    f.Close();
    EXPECT_EQ(Slurp(p), "one two\r\n\r\nthree\r\n");
    TTextFile g(Path("fresh.txt"));
    g.Append();
    g.Write('x');
    g.Close();
    EXPECT_EQ(Slurp(Path("fresh.txt")), "x");
}

TEST_F(TextFileTest, MisuseAndMissingFilesRaise)
{
    TTextFile f(Path("none.txt"));
    try {
        f.Reset();
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find("none.txt"), std::string::npos);
    }
    EXPECT_FALSE(f.IsOpen());
    EXPECT_THROW(f.ReadLn(), EInOutError);
    f.Rewrite();
    EXPECT_THROW(f.ReadLn(), EInOutError);
    f.Close();
    f.Reset();
    EXPECT_THROW(f.WriteLn("x"), EInOutError);
    f.Close();
    f.Close(); // closing twice is harmless
}

} // namespace
