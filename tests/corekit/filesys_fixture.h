// A temporary folder per test (made with mkdtemp, removed afterwards) and
// small file helpers for the file-system tests.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string t = (std::filesystem::temp_directory_path() / "pyx-filesys-XXXXXX").string();
        ASSERT_NE(::mkdtemp(t.data()), nullptr);
        dir_ = t + "/";
    }
    void TearDown() override
    {
        // Folders a test made read-only must be writable again to go.
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(dir_, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
        std::filesystem::remove_all(dir_, ec);
    }

    std::string P(const std::string& rel) const { return dir_ + rel; }

    void Write(const std::string& rel, const std::string& content) const
    {
        std::filesystem::create_directories(std::filesystem::path(P(rel)).parent_path());
        std::ofstream f(P(rel), std::ios::binary | std::ios::trunc);
        f << content;
    }
    std::string Read(const std::string& rel) const
    {
        std::string r;
        if (FILE* f = std::fopen(P(rel).c_str(), "rb")) {
            char buf[65536];
            std::size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) r.append(buf, n);
            std::fclose(f);
        }
        return r;
    }
    bool Exists(const std::string& rel) const
    {
        struct stat st;
        return ::lstat(P(rel).c_str(), &st) == 0;
    }
    void MkDir(const std::string& rel) const { std::filesystem::create_directories(P(rel)); }

    std::string dir_;
};

// Restores an environment variable as it was when the guard was made.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name)
    {
        if (const char* v = ::getenv(name)) {
            had_ = true;
            old_ = v;
        }
    }
    ~EnvGuard()
    {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};
