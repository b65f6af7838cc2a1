// The few file operations the notes file needs, behind an interface so that the
// same reader and writer run natively (POSIX) and in the Windows program
// (Win32), and so that tests can make any single operation fail.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace scriblet {

// Why a file operation failed, in the terms the user is told.
enum class FileErrorCause {
    Generic,           // "An unknown error occurred while accessing %1."
    DiskFull,          // "Disk full while accessing %1."
    BadSeek,           // "Seek failed on %1"
    AccessDenied,      // no permission, or the file or folder is read-only
    SharingViolation,  // another program holds the file open
    NotFound,
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

// An open file. Closing happens in close() or, without a report, in the destructor.
class File {
public:
    virtual ~File() = default;
    virtual FileStatus size(std::uint64_t& bytes) = 0;
    // Reads up to `count` bytes; `got` < `count` only at the end of the file.
    virtual FileStatus read(char* buffer, std::size_t count, std::size_t& got) = 0;
    virtual FileStatus write(const char* data, std::size_t count) = 0;
    // Forces what was written down to the disk.
    virtual FileStatus flush() = 0;
    virtual FileStatus close() = 0;
};

// Names are relative to the current directory, as the program opens them.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens an existing file for reading, shared with nobody.
    virtual FileStatus openRead(const std::string& name, std::unique_ptr<File>& file) = 0;
    // Creates an empty file if none exists and opens it for reading, shared with nobody.
    virtual FileStatus openReadCreate(const std::string& name, std::unique_ptr<File>& file) = 0;
    // Creates (or truncates) a file for writing, shared with nobody.
    virtual FileStatus createWrite(const std::string& name, std::unique_ptr<File>& file) = 0;
    // Whether a file exists and is marked read-only (readOnly false when it is missing).
    virtual FileStatus isReadOnly(const std::string& name, bool& readOnly) = 0;
    // Replaces `to` by `from` in one atomic step that reaches the disk.
    virtual FileStatus replace(const std::string& from, const std::string& to) = 0;
    virtual FileStatus remove(const std::string& name) = 0;
    // The full path of a name: the current directory joined with it.
    virtual std::string fullPath(const std::string& name) = 0;
    // Waits before an operation is tried again.
    virtual void pause(int milliseconds) = 0;
};

// The file system of the platform the code was built for (POSIX natively).
std::unique_ptr<FileSystem> makePlatformFileSystem();

}  // namespace scriblet
