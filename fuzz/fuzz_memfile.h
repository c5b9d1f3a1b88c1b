// A fuzz input as a text file: a memory file reached by its descriptor path,
// so the file readers can be fed without touching the disk.
#pragma once

#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

struct MemFile {
    int fd = -1;
    explicit MemFile(std::string_view bytes)
    {
        fd = ::memfd_create("pyx_fuzz_input", MFD_CLOEXEC);
        if (fd < 0) std::abort();
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) std::abort();
            done += static_cast<size_t>(n);
        }
    }
    ~MemFile() { ::close(fd); }
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd); }
};
