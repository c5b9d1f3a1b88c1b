// File names, passwords, special folders and the environment.
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <string>

#include <gtest/gtest.h>

#include "corekit/PYX_filesys.h"
#include "filesys_fixture.h"
#include "vcl/System.h"

using namespace PYX_filesys;

namespace {

struct StrCase {
    const char* in;
    const char* out;
};

TEST(FileSysNames, StripExtensionCutsAtTheFirstDotOfTheNamePart)
{
    const StrCase cases[] = {
        {"c:\\dir.x\\name.tar.gz", "c:\\dir.x\\name"}, {"c:\\a.b\\x.tar.gz", "c:\\a.b\\x"},
        {"/a.b/x.tar.gz", "/a.b/x"},                   {"noext", "noext"},
        {"", ""},                                      {"c:x.y", "c:x"},
        {"dir.d/", "dir.d/"},
    };
    for (const auto& c : cases) EXPECT_EQ(StripExtension(c.in), c.out) << c.in;
}

TEST(FileSysNames, StripPathKeepsTheNamePart)
{
    const StrCase cases[] = {{"c:\\a\\b.txt", "b.txt"}, {"/a/b", "b"}, {"c:b", "b"}, {"dir/", ""}, {"x", "x"}};
    for (const auto& c : cases) EXPECT_EQ(StripPath(c.in), c.out) << c.in;
}

TEST(FileSysNames, EnsureDefaultFileExt)
{
    EXPECT_EQ(EnsureDefaultFileExt("a", ".txt"), "a.txt");
    EXPECT_EQ(EnsureDefaultFileExt("a", "txt"), "a.txt");
    EXPECT_EQ(EnsureDefaultFileExt("a.doc", "txt"), "a.doc");
    EXPECT_EQ(EnsureDefaultFileExt("a", ""), "a");
    // A dot in a directory name is no extension of the file.
    EXPECT_EQ(EnsureDefaultFileExt("dir.x/a", "txt"), "dir.x/a.txt");
    EXPECT_EQ(EnsureDefaultFileExt("dir.x\\a", "txt"), "dir.x\\a.txt");
}

TEST(FileSysNames, IsRootDirAndExtractDrive)
{
    EXPECT_TRUE(IsRootDir(" C:\\ "));
    EXPECT_TRUE(IsRootDir("c:/"));
    EXPECT_FALSE(IsRootDir("c:\\x"));
    EXPECT_FALSE(IsRootDir("c:"));
    EXPECT_FALSE(IsRootDir(""));
    EXPECT_FALSE(IsRootDir("   "));

    EXPECT_EQ(ExtractDrive("d:\\x"), 3);
    EXPECT_EQ(ExtractDrive("a:"), 0);
    EXPECT_EQ(ExtractDrive("Z:"), 25);
    EXPECT_EQ(ExtractDrive("1:"), 0);
    EXPECT_EQ(ExtractDrive("abc"), -1);
    EXPECT_EQ(ExtractDrive("a"), -1);
    EXPECT_EQ(ExtractDrive(""), -1);
}

TEST(FileSysNames, IsDOS83Path)
{
    struct Case {
        const char* path;
        bool ok;
    } const cases[] = {
        {"c:\\docs\\readme.txt", true},  {"c:/docs/readme.txt", true}, {"c:\\documents\\a.txt", false},
        {"a b.txt", false},              {"a.longext", true},          {"", true},
        {"a\"b", false},                 {"a+b", false},               {"a;b", false},
        {"a[1]", false},                 {"\x7f", false},              {"caf\xe9", false},
        {"12345678.123", true},          {"123456789", false},         {"~$#%&'()-@^_`{}!", false},
        {"~$#%&'(", true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsDOS83Path(c.path), c.ok) << c.path;
}

bool IsVowel(char c) { return std::string_view("aeiouy").find(c) != std::string_view::npos; }
bool IsConsonant(char c) { return std::string_view("bcdfghjklmnpqrstvwxz").find(c) != std::string_view::npos; }

// The documented shape: optional leading vowel, consonant-vowel pairs, two
// digits at position 7 (or at the end when there are fewer than 6 letters).
void CheckPasswordShape(const std::string& p, int requested)
{
    const int len = std::clamp(requested, 4, 14);
    ASSERT_EQ(static_cast<int>(p.size()), len) << p;
    const int letters = len - 2;
    const std::size_t digitsAt = letters < 6 ? static_cast<std::size_t>(letters) : 6;
    std::string word = p;
    ASSERT_TRUE(std::isdigit(static_cast<unsigned char>(p[digitsAt]))) << p;
    ASSERT_TRUE(std::isdigit(static_cast<unsigned char>(p[digitsAt + 1]))) << p;
    word.erase(digitsAt, 2);
    std::size_t i = 0;
    if (len % 2 == 1) {
        EXPECT_TRUE(IsVowel(word[i++])) << p;
    }
    for (; i < word.size(); i += 2) {
        EXPECT_TRUE(IsConsonant(word[i])) << p;
        EXPECT_TRUE(IsVowel(word[i + 1])) << p;
    }
}

TEST(FileSysNames, InventPasswordShape)
{
    for (int len = -1; len <= 20; ++len)
        for (int k = 0; k < 20; ++k) CheckPasswordShape(InventPassword(len), len);
    EXPECT_EQ(InventPassword(2).size(), 4u);
    const std::string p20 = InventPassword(20);
    EXPECT_EQ(p20.size(), 14u);
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(p20[6])) && std::isdigit(static_cast<unsigned char>(p20[7])));
    EXPECT_TRUE(IsVowel(InventPassword(5)[0]));
}

TEST(FileSysNames, InventPasswordDoesNotRepeatWithTheSharedSeedNorDisturbIt)
{
    // Passwords must not follow the shared generator, which every run starts
    // from the same seed.
    vcl::SetRandSeed(1234);
    const std::string a = InventPassword(14);
    EXPECT_EQ(vcl::GetRandSeed(), 1234u);
    vcl::SetRandSeed(1234);
    const std::string b = InventPassword(14);
    const std::string c = InventPassword(14);
    EXPECT_FALSE(a == b && b == c);
}

TEST(FileSysSystem, GetEnviroVarPrefersTheExactCase)
{
    EnvGuard g1("PYX_FS_TEST_Var"), g2("PYX_FS_TEST_VAR");
    ::unsetenv("PYX_FS_TEST_VAR");
    ::setenv("PYX_FS_TEST_Var", "mixed", 1);
    EXPECT_EQ(GetEnviroVar("pyx_fs_test_var"), "mixed");
    ::setenv("PYX_FS_TEST_VAR", "upper", 1);
    EXPECT_EQ(GetEnviroVar("PYX_FS_TEST_VAR"), "upper");
    EXPECT_EQ(GetEnviroVar("PYX_FS_TEST_Var"), "mixed");
    EXPECT_EQ(GetEnviroVar("PYX_FS_TEST_NOT_SET_AT_ALL"), "");
    EXPECT_EQ(GetEnviroVar(""), "");
    EXPECT_EQ(GetEnviroVar("PYX_FS_TEST_"), ""); // a prefix is no match
}

TEST(FileSysSystem, TempDirFollowsTmpdirOnlyWhenItIsADirectory)
{
    EnvGuard g("TMPDIR");
    ::setenv("TMPDIR", "/", 1);
    EXPECT_EQ(GetTempDir(), "/");
    ::setenv("TMPDIR", "/usr", 1);
    EXPECT_EQ(GetTempDir(), "/usr/");
    ::setenv("TMPDIR", "/no/such/dir/at/all", 1);
    EXPECT_EQ(GetTempDir(), std::string(P_tmpdir) + (std::string(P_tmpdir).back() == '/' ? "" : "/"));
    EXPECT_EQ(GetSystemDir(), "/usr/lib");
    EXPECT_EQ(GetWindowsDir(), "/usr");
}

} // namespace
