// File-system utilities: file names, text files, file and tree copies,
// deletion and the desktop trash, directory walks, drives and special
// folders, and TUnivSaveDialog, which asks for a file name to save to and
// settles the overwrite question through events.
//
// Names. The pure name functions (StripExtension ... IsDOS83Path) keep the
// rules of drive-letter paths ("c:\dir\name.ext") and accept "/" wherever
// they accept a backslash. Functions that touch the file system accept both
// separators, turn "\" into "/" (a name that really contains a backslash is
// not supported), read "c:" as the root "/", keep the case of every name as
// it is on disk and compare wildcards without regard to ASCII case ("*" any
// run, "?" one character, "*.*" the same as "*"). Listings are sorted (case
// folded, then by bytes) so that every walk has a fixed order. Recursive
// walks never follow symbolic links.
//
// Lists of names are std::vector<std::string>.
//
// The copy routines share one process-wide abort flag (see
// AbortAnyFileCopying) and, for the tree copy, one set of progress values:
// one copy at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "corekit/PYX_pyxbase.h"
#include "vcl/Classes.h"
#include "vcl/Streams.h"
#include "vcl/TextFile.h"

namespace PYX_filesys {

class EPYXFileSysError : public PYX_pyxbase::EPYXError {
public:
    using PYX_pyxbase::EPYXError::EPYXError;
};

enum TTextfileType : uint8_t {
    tftUnicode_le, tftUnicode_be, tftUnicode4_le, tftUnicode4_be, tftRTF, tftUTF8, tftUnknown
};

// Events for applications; no routine of this module calls them.
using TNumericFeedback = std::function<void(vcl::TObject* Sender, double num)>;
using TStringFeedback = std::function<void(vcl::TObject* Sender, const std::string& msg)>;

// Progress of a file copy: bytes done and the file size (64-bit, so files of
// any size report correctly).
using TFileCopyFeedback = std::function<void(int64_t BytesDone, int64_t FileSize)>;
// Progress of a tree copy: bytes done and size of the current file, its
// destination name and the number of files begun so far.
using TTreeCopyFeedback =
    std::function<void(int64_t BytesDone, int64_t FileSize, const std::string& CurrentFile, int32_t FilesBegun)>;
// Called when a directory walk enters a directory: its path and the files
// counted so far.
using TDirScanFeedback = std::function<void(const std::string& Directory, int32_t FilesSoFar)>;

// ---------------------------------------------------------------------------
// File names (pure string functions).

// The name without everything from the first "." of its file-name part:
// 'c:\a.b\x.tar.gz' gives 'c:\a.b\x'.
std::string StripExtension(std::string_view FileName);
// The file-name part: what follows the last "\", "/" or ":".
std::string StripPath(std::string_view FileName);
// FileName unchanged when Ext is empty or the name has an extension already;
// else FileName + Ext, with a "." in between unless Ext starts with one.
std::string EnsureDefaultFileExt(std::string_view FileName, std::string_view Ext);
// True for a drive root: 'c:\' or 'c:/' after stripping blanks at both ends.
bool IsRootDir(std::string_view Path);
// For 'x:...' the distance of the upper-cased letter from 'A' (0 for a
// character that is no letter A..Z); -1 for anything else.
int32_t ExtractDrive(std::string_view Path);
// True when every character is allowed in a short name and each component
// between separators ("\", "/" and ".") has at most 8 characters.
bool IsDOS83Path(std::string_view Path);
// The path made absolute, each component spelt as it is on disk (an exact
// match first, else the first match without regard to case); from the first
// component that does not exist on, the rest is kept as given.
std::string DOSToWinPath(std::string_view Path);

// ---------------------------------------------------------------------------
// Files.

// The size of the first entry matching the name (wildcards allowed; 0 for a
// directory); -1 when nothing matches.
int64_t GetFileSize(const std::string& FileName);
// The regular file of that name (without regard to case) in the directory,
// else the first one found in its subdirectories, depth-first in listing
// order (hidden, read-only and linked folders are not searched); empty when
// there is none.
std::string FileDetect(const std::string& FileName);
// The type shown by the first bytes (byte-order marks, RTF); raises
// vcl::EInOutError when the file cannot be read.
TTextfileType CheckTextFileType(const std::string& FileName);
// Characters read until Text was found (line ends not counted, the 1-based
// position on the found line included), or 0 when it is not found within
// Limit characters. Raises vcl::EInOutError when the file cannot be read.
int32_t DetectStringInFile(const std::string& FileName, std::string_view Text, bool IgnoreCase, int32_t Limit);
// The number of lines; an open file is rewound before and after counting.
int32_t CountLinesInTextFile(vcl::TTextFile& F);
int32_t CountLinesInTextFile(const std::string& FileName);
// Skips bytes of code 0..32, then takes bytes above 32 up to the next byte
// of code 32 or less (consumed) or the end of the file. Empty at the end.
void ReadNextWordInTextFile(vcl::TTextFile& F, std::string& Word);
// Appends the line or every string of the list, each ended with CR LF; a
// missing file is created, an existing one is never truncated.
void AppendToTextFile(const std::string& FileName, std::string_view Line);
void AppendToTextFile(const std::string& FileName, const std::vector<std::string>& Lines);

// Reads the four header lines of a text data file: the title, two integers
// on lines of their own and a line of flags ("TRUE"/"FALSE" words). Result 0
// on success, -1 or -2 when the first or second integer line does not start
// with an integer, -3 for a malformed flags line, -4 for a title holding a
// line feed. The file form raises vcl::EInOutError when the file cannot be
// opened; it turns tabs in the flags line into blanks, the stream form does
// not.
int32_t ReadHeaderOfASC(const std::string& FileName, std::string& Title, int32_t& Int1, int32_t& Int2,
                        bool& Flag1, bool& Flag2, bool& Flag3, bool& Flag4);
int32_t ReadHeaderOfASC(vcl::TStream& Stream, std::string& Title, int32_t& Int1, int32_t& Int2, bool& Flag1,
                        bool& Flag2, bool& Flag3, bool& Flag4);

// Result codes of FileCopyFeedBk.
inline constexpr int32_t fcOK = 0;
inline constexpr int32_t fcSourceError = -1;  // the source is no regular file or cannot be opened
inline constexpr int32_t fcDestError = -2;    // the destination cannot be written, or is the source itself
inline constexpr int32_t fcWriteError = -3;
inline constexpr int32_t fcReadError = -4;
inline constexpr int32_t fcAborted = -5;      // AbortAnyFileCopying was called during the copy

// Copies Source to Dest (a file name, or a directory that receives the
// source's name). The copy goes to a temporary file beside the destination,
// which replaces the destination only when the copy is complete: on any
// failure or an abort an existing destination is left as it was and no
// partial file remains. The copy takes the source's modification time and,
// with KeepAttributes, its permissions with owner-write added. Feedback gets
// (0, size) first, (bytes before the block, size) before every block and
// (bytes copied, size) at the end. A source that cannot be opened raises
// vcl::EInOutError.
int32_t FileCopyFeedBk(const std::string& Source, const std::string& Dest, bool KeepAttributes,
                       const TFileCopyFeedback& Feedback = nullptr);
// Sets the abort flag; the running copy stops after its current block.
void AbortAnyFileCopying() noexcept;
// Copies the tree under SourceDir into DestDir (created with its parents).
// Directories are copied recursively, regular files with FileCopyFeedBk,
// symbolic links are recreated as links (never followed), other entries are
// skipped. Returns the number of entries that could not be copied (0 =
// success); -1 when SourceDir is no directory or DestDir lies inside it;
// fcAborted when AbortAnyFileCopying stopped it. The same directory twice
// does nothing and gives 0.
int32_t CopyFileTree(const std::string& SourceDir, const std::string& DestDir, bool KeepAttributes,
                     const TTreeCopyFeedback& Feedback = nullptr);
// Deletes the files matching the mask (not directories, not names starting
// with "."); returns the number deleted.
int32_t DeleteFiles(const std::string& Mask);
// Moves the files matching the mask (as DeleteFiles selects them) to the
// desktop trash, where file managers can restore them; returns the number
// moved. A file that cannot be moved stays where it is. The trash folder is
// $XDG_DATA_HOME/Trash (the desktop's own convention; the home directory's
// .local/share/Trash when the variable is unset), or the volume's own trash
// folder for files on another volume.
int32_t MoveToRecycleBin(const std::string& Mask);
// Changes the case of the ASCII letters of every matching name (the name
// part only) and walks into matching plain subdirectories with the same
// pattern. A rename that fails, or whose new name is taken by another entry,
// raises vcl::EInOutError.
void SetAllFilenameCase(const std::string& Mask, bool Upper);
// A pronounceable password of 4..14 characters: consonant-vowel pairs (a
// leading vowel for odd lengths) with two digits at position 7, or at the
// end of shorter ones. Drawn from the operating system's entropy.
std::string InventPassword(int32_t Length);

// ---------------------------------------------------------------------------
// Directories, drives and the system.

bool DirExists(const std::string& Dir);
// True when the directory holds no entry, or does not exist; false when it
// holds entries or cannot be read for lack of permission.
bool DirEmpty(const std::string& Dir);
// True when no file can be created in the directory (read-only mount, no
// write permission); false for a missing directory.
bool DirIsReadOnly(const std::string& Dir);
// Deletes the tree and the directory itself; symbolic links are deleted, not
// followed. Returns "" on success, else the first path that could not be
// deleted (directories with a trailing "/"). The empty path, "/" and drive
// roots are refused (the result is then the path with a trailing "/").
std::string DelDirTree(const std::string& Dir);
// Adds the full path of every matching file (not directories) to List, when
// given, and returns the number found; Recursive descends into real
// subdirectories with the same name pattern.
int32_t ScanFilesToStrList(const std::string& Mask, bool Recursive, std::vector<std::string>* List,
                           const TDirScanFeedback& OnDirectory = nullptr);
int32_t CountFiles(const std::string& Mask, bool Recursive, const TDirScanFeedback& OnDirectory = nullptr);

// Drives: drive 2 (C:) is the root "/"; the other letters are not mapped.
// The path forms work on the file system holding Path.
bool DiskIsReadOnly(int32_t Drive);
bool DiskIsReadOnly(const std::string& Path);
// 0 unknown, 1 no such root, 2 removable, 3 fixed, 4 remote, 5 CD-ROM,
// 6 RAM disk; 0 for a drive number above 25.
int32_t GetDiskDriveType(int32_t Drive);
int32_t GetDiskDriveType(const std::string& Path);
// Bytes available to the caller; -1 when it cannot be told.
int64_t DiskFreeExtended(int32_t Drive);
int64_t DiskFreeExtended(const std::string& Path);

std::string GetSystemDir();   // "/usr/lib"
std::string GetWindowsDir();  // "/usr"
// $TMPDIR when it names a directory, else the system's temporary directory;
// always with a trailing "/".
std::string GetTempDir();
// The value of the environment variable: an exact match first, else the
// first one equal without regard to ASCII case; empty when not set.
std::string GetEnviroVar(std::string_view Name);

// ---------------------------------------------------------------------------
// The save dialog.

using TModalResult = int32_t;  // 1 OK, 2 Cancel, 6 Yes, 7 No

using TOnFileSelectEvent = std::function<void(vcl::TObject* Sender, const std::string& Parameters,
                                              TModalResult& UserAction, std::string& SelectedFileName)>;
using TOnFileCheckEvent =
    std::function<void(vcl::TObject* Sender, const std::string& FileName, bool& FileDoesExist)>;
using TOnOverwriteEvent =
    std::function<void(vcl::TObject* Sender, const std::string& FileName, TModalResult& OverwriteReply)>;

class TUnivSaveDialog : public vcl::TComponent {
public:
    explicit TUnivSaveDialog(vcl::TComponent* AOwner);

    // Attributes as in an XML start tag: filter="Text|*.txt" ext="txt"; the
    // standard dialog reads filter, ext, caption and initialdir.
    const std::string& GetParameters() const noexcept { return parameters_; }
    void SetParameters(const std::string& Value) { parameters_ = Value; }
    bool GetUseStandardDialog() const noexcept { return useStandardDialog_; }
    void SetUseStandardDialog(bool Value) noexcept { useStandardDialog_ = Value; }
    // The name offered first and, after Execute, the chosen one.
    const std::string& GetFileName() const noexcept { return fileName_; }
    void SetFileName(const std::string& Value) { fileName_ = Value; }

    // Asks for a name and settles overwriting; true when FileName holds a
    // name to save to. With the standard dialog a non-empty "ext" parameter
    // replaces the last extension of the chosen name.
    bool Execute();

    std::string ExtractParamAsString(std::string_view Name) const;
    // Raise EPYXFileSysError when the attribute is absent or empty.
    int32_t ExtractParamAsInt(std::string_view Name) const;
    double ExtractParamAsDouble(std::string_view Name) const;

    TOnFileSelectEvent OnFileSelect;
    TOnFileCheckEvent OnFileCheck;
    TOnOverwriteEvent OnOverwrite;

private:
    [[noreturn]] void Fail(const std::string& What) const;
    TModalResult RunStandardDialog();

    std::string parameters_;
    bool useStandardDialog_ = true;
    std::string fileName_;
};

} // namespace PYX_filesys
