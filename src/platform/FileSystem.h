// Files and folders by drive path. Nothing above the platform layer opens, scans or stats a file
// by a host path; everything goes through this interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DriveMap.h"

namespace kelvantori {

// Operating-system errors translated once (posix/FileSystemPosix.cpp); each has one meaning.
enum class FsError {
    None,
    NotMapped,      // the drive letter stands for no host folder
    NotFound,       // the file or a folder on its path does not exist
    Exists,         // the target exists and may not be replaced
    AccessDenied,   // no permission, read-only file system or a locked file
    NoSpace,        // disk or quota full
    InvalidName,    // a name the host cannot hold
    NotADirectory,  // a folder was expected
    IsADirectory,   // a file was expected
    NotEmpty,       // a folder that still holds entries
    Other,
};

// The user's words for an error ("ディスクの空き容量が不足しています。" ...).
std::string FsErrorMessage(FsError error);

struct DosAttributes {
    bool readOnly = false;
    bool hidden = false;
    bool archive = false;
    bool system = false;
    bool operator==(const DosAttributes&) const = default;
};

struct FileStat {
    bool isDirectory = false;
    std::uint64_t size = 0;     // bytes, 64-bit everywhere
    std::int64_t modified = 0;  // last write, seconds since 1970-01-01 UTC; 0 when unknown
    DosAttributes attributes;
    // A file the host would run as a program (POSIX: an execute permission bit on a file).
    bool executable = false;
};

struct DirEntry {
    std::string name;
    bool isDirectory = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // seconds since 1970-01-01 UTC; 0 when unknown
    // The 8.3 form of the name (the host's own, or derived as FAT does); empty when the host
    // gives none. The file list shows it in its short-name mode.
    std::string shortName;
};

// A file read in pieces (large NC files are split and doubled without loading them whole).
class InputFile {
  public:
    virtual ~InputFile() = default;
    // Up to size bytes; 0 at the end of the file; -1 on a read error.
    virtual std::ptrdiff_t Read(char* buffer, std::size_t size) = 0;
};

// A file written in pieces. Replace mode writes beside the target and renames over it at
// Commit(), so a crash or a full disk never leaves a half-written file under the target's name;
// without Commit() the target is left as it was. Append mode writes at the end of the file itself.
class OutputFile {
  public:
    virtual ~OutputFile() = default;
    virtual FsError Write(std::string_view bytes) = 0;
    virtual FsError Commit() = 0;
};

enum class WriteMode { Replace, Append };

// Files written one after the other and put in place together (a split writes thousands of
// small files): each is written beside its target as in Replace mode, and the flush to the disk
// is made once for all of them instead of once per file. Targets change no later than Commit(),
// in the order the files were begun (a later file of the same name wins); a batch destroyed
// before that removes whatever it has not put in place.
class OutputBatch {
  public:
    virtual ~OutputBatch() = default;
    // Starts the next file; a file still open is ended first.
    virtual FsError Begin(std::string_view path) = 0;
    virtual FsError Write(std::string_view bytes) = 0;
    // The file begun last is complete.
    virtual FsError End() = 0;
    virtual FsError Commit() = 0;
    // Files whose target has been replaced so far (every file after a successful Commit()).
    virtual std::size_t Placed() const = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    virtual std::optional<FileStat> Stat(std::string_view path) = 0;
    bool Exists(std::string_view path) { return Stat(path).has_value(); }
    bool IsDirectory(std::string_view path);

    // Every entry of a folder except "." and "..", in the order the host gives them. An
    // unreadable or missing folder gives nullopt.
    virtual std::optional<std::vector<DirEntry>> Scan(std::string_view folder) = 0;

    virtual std::optional<std::string> ReadAll(std::string_view path) = 0;
    // A safe save of the whole file (Replace mode, committed).
    virtual FsError WriteAll(std::string_view path, std::string_view bytes) = 0;
    virtual FsError Append(std::string_view path, std::string_view bytes) = 0;

    virtual std::unique_ptr<InputFile> OpenRead(std::string_view path, FsError* error) = 0;
    virtual std::unique_ptr<OutputFile> OpenWrite(std::string_view path, WriteMode mode,
                                                  FsError* error) = 0;
    // A batch of safe saves. This default saves each file on its own when it ends (Placed()
    // grows with End()); the system file system flushes them together and puts them in place
    // at Commit().
    virtual std::unique_ptr<OutputBatch> OpenBatch();

    // One folder (its parent must exist).
    virtual FsError CreateDirectory(std::string_view path) = 0;
    // Copies a file (overwrite false: Exists when the target is there). Folders are copied whole.
    virtual FsError Copy(std::string_view from, std::string_view to, bool overwrite) = 0;
    // Moves a file or folder, across file systems too.
    virtual FsError Move(std::string_view from, std::string_view to, bool overwrite) = 0;
    virtual FsError Rename(std::string_view from, std::string_view to) = 0;
    // Into the desktop's trash (freedesktop.org layout), never deleted outright.
    virtual FsError MoveToTrash(std::string_view path) = 0;

    virtual FsError SetModified(std::string_view path, std::int64_t secondsSinceEpoch) = 0;
    virtual FsError SetAttributes(std::string_view path, const DosAttributes& attributes) = 0;

    // The 8.3 form of the name of path: the name itself in upper case when it fits 8.3, else the
    // first six usable characters, "~1" and the first three of the extension. nullopt when the
    // entry does not exist.
    virtual std::optional<std::string> ShortName(std::string_view path) = 0;

    // True when the volume of the drive ("A:") can be read (a floppy with a disk in it).
    virtual bool VolumeReadable(char letter) = 0;

    virtual const DriveMap& Drives() const = 0;
};

// The short form FAT would give a long name (see FileSystem::ShortName), as a system whose code
// page is CP932 stores it: the name upper-cased when it fits 8.3; else up to six bytes of usable
// characters of the base (blanks and extra dots dropped, characters FAT does not allow and
// characters CP932 cannot hold as "_"), "~1", and a dot with up to three such bytes of the
// extension when there is one ("long name.nc" -> "LONGNA~1.NC"). Sizes count CP932 bytes: a kanji
// or kana takes two, a half-width katakana one ("加工A.NC" stays, "プログラム日本語名.NC" ->
// "プログ~1.NC"); ASCII letters are the only ones upper-cased.
std::string FatShortName(std::string_view longName);

// The file system of this operating system over (a copy of) the given drive table.
std::unique_ptr<FileSystem> CreateSystemFileSystem(DriveMap drives);

}  // namespace kelvantori
