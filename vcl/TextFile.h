// The line-oriented text file: assign a name, open it for reading (Reset),
// for writing (Rewrite, which creates or empties it) or for appending
// (Append, which creates a missing file and never truncates), read lines,
// characters, words and numbers, write text and lines, close.
//
// Input lines may end in LF, CR LF or a lone CR; WriteLn ends lines with CR LF.
// Number and word reads skip blanks, tabs and line ends first, so a read may
// cross lines. Every failure raises EInOutError naming the file and the reason.
// Line and character reads share one buffer, so they can be mixed freely.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "vcl/Streams.h"
#include "vcl/System.h"

namespace vcl {

class TTextFile {
public:
    TTextFile() = default;
    explicit TTextFile(std::string FileName) : fileName_(std::move(FileName)) {}
    TTextFile(const TTextFile&) = delete;
    TTextFile& operator=(const TTextFile&) = delete;
    // Closes an open file; a failure to write the last bytes is then lost,
    // so call Close where it matters.
    ~TTextFile();

    void Assign(const std::string& FileName);
    const std::string& GetFileName() const noexcept { return fileName_; }

    void Reset();   // open for reading, at the start
    void Rewrite(); // create or empty, open for writing
    void Append();  // open for writing at the end, created when missing
    void Close();   // writes what is buffered and closes; nothing when closed
    bool IsOpen() const noexcept { return stream_ != nullptr; }
    bool IsInput() const noexcept { return stream_ != nullptr && input_; }

    // --- Reading (the file must be open with Reset) ---
    // True when no byte is left.
    bool Eof();
    // True at the end of the file or when the next byte is CR or LF.
    bool Eoln();
    // Like Eof/Eoln after skipping blanks, tabs (and, for SeekEof, line ends).
    bool SeekEof();
    bool SeekEoln();
    // The rest of the current line without its line end, which is consumed
    // (LF, CR LF or a lone CR). At the end of the file the empty string.
    std::string ReadLn();
    void ReadLn(std::string& Line) { Line = ReadLn(); }
    // The next raw byte (CR and LF included), or -1 at the end of the file.
    int ReadByte();
    // The next raw byte; raises EInOutError at the end of the file.
    char ReadChar();
    // The next byte without consuming it, or -1 at the end.
    int PeekByte();
    // For scanners: the buffered bytes at the read position (empty at the
    // end), valid until the next call on the file, and a move forward within
    // them.
    std::span<const uint8_t> PeekBuffer() { return In().Peek(); }
    void Advance(int64_t Count) { In().Advance(Count); }
    // A word: skips blanks, tabs and line ends, then takes bytes up to the next
    // blank, tab or line end. The empty string at the end of the file.
    std::string ReadWord();
    // Numbers: skip blanks, tabs and line ends and take one word, which must be
    // a complete decimal number (sign, digits, for reals one "." and an
    // exponent). A malformed number or a read at the end raises EInOutError.
    int32_t ReadInteger();
    int64_t ReadInt64();
    double ReadReal();
    Extended ReadExtended();

    // --- Writing (the file must be open with Rewrite or Append) ---
    void Write(std::string_view Text);
    void Write(char C) { Write(std::string_view(&C, 1)); }
    void WriteLn(std::string_view Text = {});
    void Flush();

private:
    [[noreturn]] void Fail(const std::string& reason) const;
    void Open(TFileMode mode, bool input);
    TFileStream& In();
    TFileStream& Out();
    void SkipBlanks(bool lineEnds);
    std::string NumberWord();

    std::string fileName_;
    std::unique_ptr<TFileStream> stream_;
    bool input_ = false;
};

} // namespace vcl
