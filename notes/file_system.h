// The few file operations the notes store needs, behind an interface so that
// the same store runs natively (POSIX) and in the Windows program (Win32), and
// so that tests can make any single operation fail. Both follow Windows'
// rules where the store relies on them: a new name is never given over an
// existing file. The two platforms' file systems live in files/.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace scriblet {

// Why a file operation failed, in the terms the user is told.
enum class FileErrorCause {
    Generic,           // "An unknown error occurred while accessing %1."
    DiskFull,          // "Disk full while accessing %1."
    BadSeek,           // "Seek failed on %1"
    AccessDenied,      // no permission, or the file or folder is read-only
    SharingViolation,  // another program holds the file open
    NotFound,
    AlreadyExists,     // a file that must be new, or a new name, is taken
};

// A failed operation: its cause and the operating system's own error code
// (errno or GetLastError), kept for tests and diagnostics.
struct FileStatus {
    bool ok = true;
    FileErrorCause cause = FileErrorCause::Generic;
    int osError = 0;

    static FileStatus success() { return {}; }
    static FileStatus failure(FileErrorCause cause, int osError = 0) { return {false, cause, osError}; }
    explicit operator bool() const { return ok; }
};

// What tells a file's present state cheaply: its size, its last write, and
// which file it is (volume and file index on Windows, device and inode on
// POSIX). A zero volume and index mean the file system gives no identity.
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t lastWrite = 0;  // in the platform's own units
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
};

// A file that FileSystem::findFiles found.
struct FoundFile {
    std::string path;         // usable with the other calls
    std::int64_t ageMs = 0;   // since its last write
};

// An open file. Closing happens in close() or, without a report, in the destructor.
class File {
public:
    virtual ~File() = default;
    virtual FileStatus size(std::uint64_t& bytes) = 0;
    virtual FileStatus stamp(FileStamp& stamp) = 0;
    // Reads up to `count` bytes; `got` < `count` only at the end of the file.
    virtual FileStatus read(char* buffer, std::size_t count, std::size_t& got) = 0;
    virtual FileStatus write(const char* data, std::size_t count) = 0;
    // Back to the first byte, for reading or writing.
    virtual FileStatus rewind() = 0;
    // Ends the file where the last read or write stopped.
    virtual FileStatus truncate() = 0;
    // Forces what was written down to the disk.
    virtual FileStatus flush() = 0;
    virtual FileStatus close() = 0;
};

// A folder's lock, held until it is destroyed.
class FolderLock {
public:
    virtual ~FolderLock() = default;
};

// A lock that is a file of its own, held until it is destroyed, which also
// removes the file. The system drops it with its process (on Windows the
// file goes with it), so a lock that can be taken tells that its last holder
// is no longer running.
class FileLock {
public:
    virtual ~FileLock() = default;
};

// Names are relative to the current directory, as the program opens them,
// or paths that resolve() and findFiles() gave.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens an existing file for reading, shared with nobody.
    virtual FileStatus openRead(const std::string& name, std::unique_ptr<File>& file) = 0;
    // Creates an empty file if none exists and opens it for reading, shared with nobody.
    virtual FileStatus openReadCreate(const std::string& name, std::unique_ptr<File>& file) = 0;
    // Creates a file that must not exist yet (AlreadyExists when it does),
    // for writing, shared with nobody.
    virtual FileStatus createNew(const std::string& name, std::unique_ptr<File>& file) = 0;
    // Opens an existing file for reading and writing in place, shared with nobody.
    virtual FileStatus openUpdate(const std::string& name, std::unique_ptr<File>& file) = 0;
    // Whether a file exists and is marked read-only (readOnly false when it is missing).
    virtual FileStatus isReadOnly(const std::string& name, bool& readOnly) = 0;
    // Replaces `to` by `from` in one atomic step that reaches the disk. The
    // new file keeps what the system attached to the old one (permissions,
    // hidden and system attributes).
    virtual FileStatus replace(const std::string& from, const std::string& to) = 0;
    // Gives a file a new name, never over an existing file (AlreadyExists),
    // without waiting for the disk.
    virtual FileStatus rename(const std::string& from, const std::string& to) = 0;
    virtual FileStatus remove(const std::string& name) = 0;
    // The stamp of a file by its name; a missing file gives exists false.
    virtual FileStatus stamp(const std::string& name, FileStamp& stamp) = 0;
    // Where writing `name` must go: the file it finally stands for when it is
    // a symbolic link (also when that file is missing), else the file itself.
    // A missing file gives the name.
    virtual FileStatus resolve(const std::string& name, std::string& target) = 0;
    // The files whose path begins with `prefix`, in the folder it names,
    // compared as the file system compares names.
    virtual FileStatus findFiles(const std::string& prefix, std::vector<FoundFile>& found) = 0;
    // Whether two names (or parts of names) stand for the same file name
    // here: case-insensitively on Windows.
    virtual bool sameName(const std::string& a, const std::string& b) = 0;
    // Takes the lock of the folder that holds `pathInFolder`, which one
    // process at a time holds and the system drops with its process.
    // SharingViolation while another holds it; AccessDenied when no lock can
    // be made there (no file may be created in the folder).
    virtual FileStatus lockFolder(const std::string& pathInFolder, std::unique_ptr<FolderLock>& lock) = 0;
    // Takes the lock file `name`, created new when `create` (AlreadyExists
    // when the name is taken), else opened or created. SharingViolation while
    // another holder has it. Never waits.
    virtual FileStatus lockFile(const std::string& name, bool create, std::unique_ptr<FileLock>& lock) = 0;
    // Told apart from every other process running now.
    virtual unsigned long processId() = 0;
    // The full path of a name: the current directory joined with it.
    virtual std::string fullPath(const std::string& name) = 0;
    // Waits before an operation is tried again.
    virtual void pause(int milliseconds) = 0;
};

}  // namespace scriblet
