// File and tree copies: progress, failures that leave the destination whole,
// aborts, links and nested trees.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "corekit/PYX_filesys.h"
#include "filesys_fixture.h"

using namespace PYX_filesys;

namespace {

std::string Pattern(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return s;
}

class FileSysCopy : public TempDirTest {
protected:
    // The names in the folder (temporary files included).
    std::set<std::string> Names(const std::string& rel = "") const
    {
        std::set<std::string> r;
        for (const auto& e : std::filesystem::directory_iterator(P(rel))) r.insert(e.path().filename().string());
        return r;
    }
    mode_t Mode(const std::string& rel) const
    {
        struct stat st;
        EXPECT_EQ(::lstat(P(rel).c_str(), &st), 0);
        return st.st_mode & 07777;
    }
};

TEST_F(FileSysCopy, CopiesContentDateAndReportsProgressPerLargeBlock)
{
    const std::string data = Pattern(3 * 1024 * 1024 + 123);
    Write("src.bin", data);
    const struct timespec times[2] = {{1000000000, 0}, {1234567890, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, P("src.bin").c_str(), times, 0), 0);
    std::vector<std::pair<int64_t, int64_t>> calls;
    EXPECT_EQ(FileCopyFeedBk(P("src.bin"), P("dst.bin"), false,
                             [&](int64_t done, int64_t size) { calls.emplace_back(done, size); }),
              fcOK);
    EXPECT_EQ(Read("dst.bin"), data);
    struct stat st;
    ASSERT_EQ(::stat(P("dst.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);

    const auto size = static_cast<int64_t>(data.size());
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front(), std::make_pair(int64_t{0}, size));
    EXPECT_EQ(calls.back(), std::make_pair(size, size));
    for (std::size_t i = 1; i < calls.size(); ++i) {
        EXPECT_GE(calls[i].first, calls[i - 1].first);
        EXPECT_EQ(calls[i].second, size);
        if (calls[i].first > calls[i - 1].first && calls[i].first < size) {
            EXPECT_GE(calls[i].first - calls[i - 1].first, 128 * 1024);
        }
    }
    EXPECT_EQ(Names(), (std::set<std::string>{"src.bin", "dst.bin"}));
}

TEST_F(FileSysCopy, EmptyFileAndDirectoryDestinationAndBackslashes)
{
    Write("empty", "");
    EXPECT_EQ(FileCopyFeedBk(P("empty"), P("empty2"), false), fcOK);
    EXPECT_TRUE(Exists("empty2"));
    Write("a.txt", "abc");
    MkDir("into");
    EXPECT_EQ(FileCopyFeedBk(P("a.txt"), P("into"), false), fcOK);
    EXPECT_EQ(Read("into/a.txt"), "abc");
    EXPECT_EQ(FileCopyFeedBk(P("a.txt"), P("into/"), false), fcOK);
    std::string back = P("into\\b.txt");
    EXPECT_EQ(FileCopyFeedBk(P("a.txt"), back, false), fcOK);
    EXPECT_EQ(Read("into/b.txt"), "abc");
}

TEST_F(FileSysCopy, NeverDestroysTheSourceOrAnExistingDestination)
{
    Write("a.txt", "precious");
    // Onto itself, by another spelling, by a hard link and into its own folder.
    EXPECT_EQ(FileCopyFeedBk(P("a.txt"), P("a.txt"), false), fcDestError);
    EXPECT_EQ(FileCopyFeedBk(P("a.txt"), P("./a.txt"), false), fcDestError);
    ASSERT_EQ(::link(P("a.txt").c_str(), P("hard.txt").c_str()), 0);
    EXPECT_EQ(FileCopyFeedBk(P("a.txt"), P("hard.txt"), false), fcDestError);
    EXPECT_EQ(FileCopyFeedBk(P("a.txt"), dir_, false), fcDestError);
    EXPECT_EQ(Read("a.txt"), "precious");

    // A source that cannot be opened raises and leaves the destination alone.
    Write("dst.txt", "keep me");
    EXPECT_THROW(FileCopyFeedBk(P("missing.txt"), P("dst.txt"), false), vcl::EInOutError);
    EXPECT_EQ(Read("dst.txt"), "keep me");
    // A source that is no file.
    MkDir("adir");
    EXPECT_EQ(FileCopyFeedBk(P("adir"), P("dst.txt"), false), fcSourceError);
    EXPECT_EQ(Read("dst.txt"), "keep me");
    // A destination folder that does not exist.
    EXPECT_EQ(FileCopyFeedBk(P("a.txt"), P("nodir/x.txt"), false), fcDestError);
    EXPECT_EQ(Names(), (std::set<std::string>{"a.txt", "hard.txt", "dst.txt", "adir"}));
}

TEST_F(FileSysCopy, WriteFailureKeepsTheOldDestination)
{
    Write("big.bin", Pattern(2 * 1024 * 1024));
    Write("dst.bin", "old content");
    // A file-size limit makes the writes fail part-way.
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 300 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int32_t r = FileCopyFeedBk(P("big.bin"), P("dst.bin"), false);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(r, fcWriteError);
    EXPECT_EQ(Read("dst.bin"), "old content");
    EXPECT_EQ(Names(), (std::set<std::string>{"big.bin", "dst.bin"}));
}

TEST_F(FileSysCopy, AbortReportsItselfAndLeavesNoPartialFile)
{
    const std::string data = Pattern(4 * 1024 * 1024);
    Write("src.bin", data);
    Write("dst.bin", "old");
    int calls = 0;
    auto abortSecond = [&](int64_t, int64_t) {
        if (++calls == 2) AbortAnyFileCopying();
    };
    EXPECT_EQ(FileCopyFeedBk(P("src.bin"), P("dst.bin"), false, abortSecond), fcAborted);
    EXPECT_EQ(Read("dst.bin"), "old");
    EXPECT_EQ(FileCopyFeedBk(P("src.bin"), P("new.bin"), false, abortSecond), fcOK); // calls is past 2
    calls = 0;
    EXPECT_EQ(FileCopyFeedBk(P("src.bin"), P("fresh.bin"), false, abortSecond), fcAborted);
    EXPECT_FALSE(Exists("fresh.bin"));
    EXPECT_EQ(Names(), (std::set<std::string>{"src.bin", "dst.bin", "new.bin"}));
    // An abort requested before a copy starts is cleared by it.
    AbortAnyFileCopying();
    EXPECT_EQ(FileCopyFeedBk(P("src.bin"), P("dst.bin"), false), fcOK);
    EXPECT_EQ(Read("dst.bin"), data);
}

TEST_F(FileSysCopy, SizesBeyond32BitsReachTheCallback)
{
    // A sparse file of 3 GiB; the copy is aborted after its first block.
    const int fd = ::open(P("sparse.bin").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    const int64_t size = int64_t{3} << 30;
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
    int64_t seen = 0;
    EXPECT_EQ(FileCopyFeedBk(P("sparse.bin"), P("copy.bin"), false,
                             [&](int64_t, int64_t s) {
                                 seen = s;
                                 AbortAnyFileCopying();
                             }),
              fcAborted);
    EXPECT_EQ(seen, size);
    EXPECT_FALSE(Exists("copy.bin"));
}

TEST_F(FileSysCopy, Permissions)
{
    Write("ro.txt", "x");
    ASSERT_EQ(::chmod(P("ro.txt").c_str(), 0444), 0);
    EXPECT_EQ(FileCopyFeedBk(P("ro.txt"), P("kept.txt"), true), fcOK);
    EXPECT_EQ(Mode("kept.txt"), 0644u); // the source's mode without read-only
    Write("old.txt", "y");
    ASSERT_EQ(::chmod(P("old.txt").c_str(), 0640), 0);
    EXPECT_EQ(FileCopyFeedBk(P("ro.txt"), P("old.txt"), false), fcOK);
    EXPECT_EQ(Mode("old.txt"), 0640u); // a replaced file keeps its mode
    EXPECT_EQ(Read("old.txt"), "x");
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(FileCopyFeedBk(P("ro.txt"), P("plain.txt"), false), fcOK);
    EXPECT_EQ(Mode("plain.txt"), 0666u & ~mask);
}

class FileSysTree : public FileSysCopy {
protected:
    void MakeTree()
    {
        Write("src/x.txt", "x");
        Write("src/sub/y.txt", "yy");
        Write("src/sub/deeper/z.txt", "zzz");
        MkDir("src/emptydir");
    }
};

TEST_F(FileSysTree, CopiesTheTreeWithProgress)
{
    MakeTree();
    std::vector<std::string> files;
    int32_t lastCount = 0;
    EXPECT_EQ(CopyFileTree(P("src"), P("dst/new"), false,
                           [&](int64_t, int64_t, const std::string& file, int32_t count) {
                               if (files.empty() || files.back() != file) files.push_back(file);
                               lastCount = count;
                           }),
              0);
    EXPECT_EQ(Read("dst/new/x.txt"), "x");
    EXPECT_EQ(Read("dst/new/sub/y.txt"), "yy");
    EXPECT_EQ(Read("dst/new/sub/deeper/z.txt"), "zzz");
    EXPECT_TRUE(std::filesystem::is_directory(P("dst/new/emptydir")));
    EXPECT_EQ(lastCount, 3);
    EXPECT_EQ(files, (std::vector<std::string>{P("dst/new/sub/deeper/z.txt"), P("dst/new/sub/y.txt"),
                                               P("dst/new/x.txt")}));
    // The same folder twice does nothing.
    EXPECT_EQ(CopyFileTree(P("src"), P("src/"), false), 0);
}

TEST_F(FileSysTree, RefusesADestinationInsideTheSource)
{
    MakeTree();
    EXPECT_EQ(CopyFileTree(P("src"), P("src/sub/inner"), false), -1);
    EXPECT_FALSE(Exists("src/sub/inner"));
    ASSERT_EQ(::symlink(P("src/sub").c_str(), P("alias").c_str()), 0);
    EXPECT_EQ(CopyFileTree(P("src"), P("alias/inner"), false), -1);
    EXPECT_FALSE(Exists("src/sub/inner"));
    EXPECT_EQ(CopyFileTree(P("missing"), P("dst"), false), -1);
    EXPECT_EQ(CopyFileTree(P("src/x.txt"), P("dst"), false), -1);
}

TEST_F(FileSysTree, LinksAreRecreatedNeverFollowed)
{
    MakeTree();
    Write("outside/secret.txt", "s");
    ASSERT_EQ(::symlink(P("outside").c_str(), P("src/out").c_str()), 0);
    ASSERT_EQ(::symlink("..", P("src/sub/up").c_str()), 0); // a loop
    ASSERT_EQ(::symlink("x.txt", P("src/rel.txt").c_str()), 0);
    EXPECT_EQ(CopyFileTree(P("src"), P("dst"), false), 0);
    struct stat st;
    ASSERT_EQ(::lstat(P("dst/out").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::lstat(P("dst/sub/up").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Read("dst/rel.txt"), "x"); // a relative link inside the tree still works
}

TEST_F(FileSysTree, CountsFailuresAndStopsOnAbort)
{
    MakeTree();
    MkDir("dst/x.txt"); // a folder where a file should go
    EXPECT_EQ(CopyFileTree(P("src"), P("dst"), false), 1);
    EXPECT_EQ(Read("dst/sub/y.txt"), "yy");

    int files = 0;
    EXPECT_EQ(CopyFileTree(P("src"), P("dst2"), false,
                           [&](int64_t, int64_t, const std::string&, int32_t count) {
                               files = count;
                               AbortAnyFileCopying();
                           }),
              fcAborted);
    EXPECT_EQ(files, 1);
    EXPECT_FALSE(Exists("dst2/sub/y.txt"));
    EXPECT_FALSE(Exists("dst2/x.txt"));
}

} // namespace
