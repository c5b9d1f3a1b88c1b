// Byte cursors over streams and text files for the scanners of PYX_streams:
// View() shows the bytes available at the read position (empty at the end)
// and Advance(n) consumes n of them. Buffered streams are scanned in place;
// other streams are read one byte at a time, and a byte looked at but not
// consumed is given back when the cursor goes away.
#pragma once

#include <cstdint>
#include <span>

#include "vcl/Streams.h"
#include "vcl/TextFile.h"

namespace PYX_streams::detail {

class StreamCursor {
public:
    explicit StreamCursor(vcl::TStream& s) : s_(s), peek_(s.CanPeek()) {}
    StreamCursor(const StreamCursor&) = delete;
    StreamCursor& operator=(const StreamCursor&) = delete;
    ~StreamCursor()
    {
        if (!peek_ && have_) {
            try {
                s_.Seek(-1, vcl::soCurrent);
            } catch (...) {
                // The byte stays consumed; nothing better can be done here.
            }
        }
    }

    std::span<const uint8_t> View()
    {
        if (peek_) return s_.Peek();
        if (!have_) {
            const int c = s_.ReadByte();
            if (c < 0) return {};
            one_ = static_cast<uint8_t>(c);
            have_ = true;
        }
        return {&one_, 1};
    }
    void Advance(size_t n)
    {
        if (n == 0) return;
        if (peek_) s_.Advance(static_cast<int64_t>(n));
        else have_ = false;
    }
    // The next byte without consuming it, or -1 at the end.
    int Peek()
    {
        auto v = View();
        return v.empty() ? -1 : v[0];
    }
    int Get()
    {
        auto v = View();
        if (v.empty()) return -1;
        const int c = v[0];
        Advance(1);
        return c;
    }

private:
    vcl::TStream& s_;
    bool peek_;
    bool have_ = false;
    uint8_t one_ = 0;
};

class TextFileCursor {
public:
    explicit TextFileCursor(vcl::TTextFile& f) : f_(f) {}
    std::span<const uint8_t> View() { return f_.PeekBuffer(); }
    void Advance(size_t n)
    {
        if (n) f_.Advance(static_cast<int64_t>(n));
    }
    int Peek() { return f_.PeekByte(); }
    int Get() { return f_.ReadByte(); }

private:
    vcl::TTextFile& f_;
};

} // namespace PYX_streams::detail
