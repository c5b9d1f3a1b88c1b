// Deleting, the trash, renaming case, directory tests, walks and drives.
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corekit/PYX_filesys.h"
#include "filesys_fixture.h"

using namespace PYX_filesys;

namespace {

class FileSysDirs : public TempDirTest {
protected:
    std::set<std::string> Names(const std::string& rel = "") const
    {
        std::set<std::string> r;
        for (const auto& e : std::filesystem::directory_iterator(P(rel))) r.insert(e.path().filename().string());
        return r;
    }
};

TEST_F(FileSysDirs, DeleteFilesSkipsDirectoriesAndHiddenNames)
{
    for (const char* n : {"a.txt", "B.TXT", "c.doc", ".hidden.txt"}) Write(n, "x");
    MkDir("sub.txt");
    ASSERT_EQ(::symlink(P("c.doc").c_str(), P("link.txt").c_str()), 0);
    EXPECT_EQ(DeleteFiles(P("*.txt")), 3); // a.txt, B.TXT and the link itself
    EXPECT_EQ(Names(), (std::set<std::string>{"c.doc", ".hidden.txt", "sub.txt"}));
    EXPECT_EQ(DeleteFiles(P("*.txt")), 0);
    EXPECT_EQ(DeleteFiles(P("nodir/*")), 0);
    EXPECT_EQ(DeleteFiles(P("c.doc")), 1);
}

TEST_F(FileSysDirs, MoveToRecycleBinWritesTheTrashLayout)
{
    EnvGuard env("XDG_DATA_HOME");
    ::setenv("XDG_DATA_HOME", P("xdg").c_str(), 1);
    Write("work/my file%.txt", "content one");
    Write("work/other.doc", "doc");
    EXPECT_EQ(MoveToRecycleBin(P("work/*.txt")), 1);
    EXPECT_FALSE(Exists("work/my file%.txt"));
    EXPECT_EQ(Read("xdg/Trash/files/my file%.txt"), "content one");
    const std::string info = Read("xdg/Trash/info/my file%.txt.trashinfo");
    // "[Trash Info]", "Path=" with the absolute percent-encoded path, and
    // "DeletionDate=" with a local time YYYY-MM-DDThh:mm:ss.
    const std::string head = "[Trash Info]\nPath=";
    ASSERT_TRUE(info.starts_with(head)) << info;
    const std::size_t dateAt = info.find("\nDeletionDate=");
    ASSERT_NE(dateAt, std::string::npos) << info;
    const std::string path = info.substr(head.size(), dateAt - head.size());
    EXPECT_EQ(path.front(), '/');
    EXPECT_TRUE(path.ends_with("/work/my%20file%25.txt")) << path;
    EXPECT_EQ(path.find(' '), std::string::npos);
    const std::string date = info.substr(dateAt + 14);
    ASSERT_EQ(date.size(), 20u) << date;
    for (std::size_t i = 0; i < 19; ++i) {
        const char want = i == 4 || i == 7 ? '-' : i == 10 ? 'T' : i == 13 || i == 16 ? ':' : '9';
        if (want == '9') {
            EXPECT_TRUE(date[i] >= '0' && date[i] <= '9') << date;
        } else {
            EXPECT_EQ(date[i], want) << date;
        }
    }
    EXPECT_EQ(date.back(), '\n');

    // The same name again gets a name of its own in the trash.
    Write("work/my file%.txt", "content two");
    EXPECT_EQ(MoveToRecycleBin(P("work/my file%.txt")), 1);
    EXPECT_EQ(Read("xdg/Trash/files/my file%.txt"), "content one");
    EXPECT_EQ(Read("xdg/Trash/files/my file%.txt.2"), "content two");
    EXPECT_TRUE(Exists("xdg/Trash/info/my file%.txt.2.trashinfo"));
    EXPECT_EQ(Names("work"), (std::set<std::string>{"other.doc"}));
}

TEST_F(FileSysDirs, MoveToRecycleBinHasNoLengthLimitAndNeverDeletes)
{
    EnvGuard env("XDG_DATA_HOME");
    ::setenv("XDG_DATA_HOME", P("xdg").c_str(), 1);
    std::string deep = "work";
    while (deep.size() < 400) deep += "/a-rather-long-folder-name";
    const std::string longName(240, 'n');
    Write(deep + "/" + longName, "long");
    Write(deep + "/short", "short");
    EXPECT_EQ(MoveToRecycleBin(P(deep + "/*")), 2);
    EXPECT_FALSE(Exists(deep + "/" + longName));
    EXPECT_EQ(Read("xdg/Trash/files/short"), "short");
    // A trash that cannot be made: the files stay where they are.
    Write("blocker", "a file where the trash folder should be");
    ::setenv("XDG_DATA_HOME", P("blocker").c_str(), 1);
    Write("work/keep.txt", "keep");
    EXPECT_EQ(MoveToRecycleBin(P("work/keep.txt")), 0);
    EXPECT_EQ(Read("work/keep.txt"), "keep");
}

TEST_F(FileSysDirs, SetAllFilenameCaseChangesNamesOnly)
{
    Write("Mixed.Txt", "m");
    Write("SubDir/Inner.TXT", "i");
    Write("SubDir/Deep/Leaf.txt", "l");
    SetAllFilenameCase(P("*"), true);
    EXPECT_EQ(Names(), (std::set<std::string>{"MIXED.TXT", "SUBDIR"}));
    EXPECT_EQ(Read("SUBDIR/INNER.TXT"), "i");
    EXPECT_EQ(Read("SUBDIR/DEEP/LEAF.TXT"), "l");
    SetAllFilenameCase(P("*.txt"), false);
    EXPECT_EQ(Names(), (std::set<std::string>{"mixed.txt", "SUBDIR"}));
    EXPECT_TRUE(Exists("SUBDIR/INNER.TXT")); // SUBDIR does not match *.txt
    SetAllFilenameCase(P("nodir/*"), false); // nothing to do
}

TEST_F(FileSysDirs, SetAllFilenameCaseNeverReplacesAnotherFile)
{
    Write("a.txt", "lower");
    Write("A.TXT", "upper");
    EXPECT_THROW(SetAllFilenameCase(P("a.txt"), true), vcl::EInOutError);
    EXPECT_EQ(Read("a.txt"), "lower");
    EXPECT_EQ(Read("A.TXT"), "upper");
}

TEST_F(FileSysDirs, DirExistsAndDirEmpty)
{
    Write("file", "x");
    MkDir("empty");
    MkDir("full/sub");
    EXPECT_TRUE(DirExists(P("empty")));
    EXPECT_TRUE(DirExists(P("empty/")));
    EXPECT_FALSE(DirExists(P("file")));
    EXPECT_FALSE(DirExists(P("missing")));
    EXPECT_FALSE(DirExists(""));
    EXPECT_TRUE(DirEmpty(P("empty")));
    EXPECT_FALSE(DirEmpty(P("full")));
    EXPECT_TRUE(DirEmpty(P("missing")));
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(P("full").c_str(), 0), 0);
        EXPECT_FALSE(DirEmpty(P("full"))); // unreadable is not empty
    }
}

TEST_F(FileSysDirs, ReadOnlyProbesTouchNoUserFile)
{
    Write("dir/$%$LO%$.$$$", "a user's file");
    EXPECT_FALSE(DirIsReadOnly(P("dir")));
    EXPECT_EQ(Read("dir/$%$LO%$.$$$"), "a user's file");
    EXPECT_EQ(Names("dir"), (std::set<std::string>{"$%$LO%$.$$$"}));
    EXPECT_FALSE(DirIsReadOnly(P("missing"))); // missing is not read-only
    EXPECT_TRUE(DirIsReadOnly("/proc"));       // nothing can be created there
    if (::geteuid() != 0) {
        MkDir("ro");
        ASSERT_EQ(::chmod(P("ro").c_str(), 0555), 0);
        EXPECT_TRUE(DirIsReadOnly(P("ro")));
    }
    EXPECT_FALSE(DiskIsReadOnly(0)); // not mapped: no such disk
    EXPECT_FALSE(DiskIsReadOnly(dir_));
}

TEST_F(FileSysDirs, DelDirTreeNeverLeavesTheTree)
{
    Write("outside/keep.txt", "keep");
    Write("tree/a.txt", "a");
    Write("tree/sub/b.txt", "b");
    MkDir("tree/sub/empty");
    ASSERT_EQ(::symlink(P("outside").c_str(), P("tree/sub/out").c_str()), 0);
    ASSERT_EQ(::symlink(P("tree").c_str(), P("tree/loop").c_str()), 0);
    EXPECT_EQ(DelDirTree(P("tree")), "");
    EXPECT_FALSE(Exists("tree"));
    EXPECT_EQ(Read("outside/keep.txt"), "keep");

    // A link given as the tree: the link goes, its target stays.
    ASSERT_EQ(::symlink(P("outside").c_str(), P("alias").c_str()), 0);
    EXPECT_EQ(DelDirTree(P("alias")), "");
    EXPECT_FALSE(Exists("alias"));
    EXPECT_EQ(Read("outside/keep.txt"), "keep");

    EXPECT_EQ(DelDirTree(P("missing")), P("missing") + "/");
    EXPECT_NE(DelDirTree(""), "");
}

TEST_F(FileSysDirs, DelDirTreeRefusesTheRoot)
{
    // Tried inside a chroot to the temporary folder, so that a fault could
    // only ever reach the folder, whose canary file must survive.
    if (::geteuid() != 0) GTEST_SKIP() << "needs chroot";
    Write("canary", "c");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::chroot(dir_.c_str()) != 0 || ::chdir("/") != 0) ::_exit(2);
        bool refused = true;
        for (const char* p : {"/", "c:\\", "C:/", "//", "/.", "/tmp/.."}) refused = refused && !DelDirTree(p).empty();
        ::_exit(refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "chroot not permitted here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Read("canary"), "c");
}

TEST_F(FileSysDirs, DelDirTreeReportsTheFirstFailure)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root may delete in read-only folders";
    Write("tree/a/locked/x.txt", "x");
    ASSERT_EQ(::chmod(P("tree/a/locked").c_str(), 0555), 0);
    EXPECT_EQ(DelDirTree(P("tree")), P("tree/a/locked/x.txt"));
}

TEST_F(FileSysDirs, ScanFilesToStrListAndCountFiles)
{
    Write("a.txt", "");
    Write("B.TXT", "");
    Write("c.doc", "");
    Write("sub/d.txt", "");
    Write("sub/inner/e.Txt", "");
    Write(".hid/f.txt", "");
    MkDir("dir.txt");
    ASSERT_EQ(::symlink(dir_.c_str(), P("sub/loop").c_str()), 0);

    std::vector<std::string> list;
    EXPECT_EQ(ScanFilesToStrList(P("*.txt"), false, &list), 2);
    EXPECT_EQ(list, (std::vector<std::string>{P("a.txt"), P("B.TXT")}));

    list.clear();
    std::vector<std::pair<std::string, int32_t>> dirs;
    EXPECT_EQ(ScanFilesToStrList(P("*.TXT"), true, &list,
                                 [&](const std::string& d, int32_t n) { dirs.emplace_back(d, n); }),
              5);
    EXPECT_EQ(list, (std::vector<std::string>{P("a.txt"), P("B.TXT"), P(".hid/f.txt"), P("sub/d.txt"),
                                              P("sub/inner/e.Txt")}));
    EXPECT_EQ(dirs, (std::vector<std::pair<std::string, int32_t>>{
                        {P(""), 0}, {P(".hid/"), 2}, {P("dir.txt/"), 3}, {P("sub/"), 3}, {P("sub/inner/"), 4}}));
    EXPECT_EQ(CountFiles(P("*.*"), true), 6); // the link to a folder is neither a file nor walked
    EXPECT_EQ(CountFiles(P("*"), false), 3);
    EXPECT_EQ(ScanFilesToStrList(P("nodir/*"), true, nullptr), 0);
    EXPECT_EQ(CountFiles(P("?.doc"), false), 1);
}

TEST(FileSysDrives, DriveTypesAndFreeSpace)
{
    EXPECT_EQ(GetDiskDriveType(26), 0);
    EXPECT_EQ(GetDiskDriveType(0), 1); // not mapped
    const int32_t root = GetDiskDriveType(2);
    EXPECT_GE(root, 2);
    EXPECT_LE(root, 6);
    EXPECT_EQ(GetDiskDriveType("/no/such/path"), 1);
    struct statvfs shm;
    if (::statvfs("/dev/shm", &shm) == 0) {
        // tmpfs in the usual setup.
        const int32_t t = GetDiskDriveType("/dev/shm");
        EXPECT_TRUE(t == 6 || t == 3) << t;
    }
    EXPECT_EQ(GetDiskDriveType("/proc"), 3);

    EXPECT_EQ(DiskFreeExtended(0), -1);
    EXPECT_EQ(DiskFreeExtended("/no/such/path"), -1);
    struct statvfs v;
    ASSERT_EQ(::statvfs("/", &v), 0);
    const int64_t free = DiskFreeExtended(2);
    EXPECT_GT(free, 0);
    EXPECT_NEAR(static_cast<double>(free), static_cast<double>(v.f_bavail) * static_cast<double>(v.f_frsize),
                1e9);
}

} // namespace
