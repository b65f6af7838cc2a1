// The notes file's file system in the Windows program: plain Win32 calls,
// every file opened without sharing.
#include <windows.h>

#include <string>
#include <vector>

#include "notes/file_system.h"

namespace scriblet {

namespace {

FileErrorCause causeOf(DWORD error) {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileErrorCause::DiskFull;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return FileErrorCause::AccessDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return FileErrorCause::SharingViolation;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return FileErrorCause::NotFound;
        default:
            return FileErrorCause::Generic;
    }
}

FileStatus lastError() {
    const DWORD error = GetLastError();
    return FileStatus::failure(causeOf(error), static_cast<int>(error));
}

// Large requests go in pieces that one ReadFile or WriteFile call can take.
const std::size_t kChunk = 1u << 24;

class Win32File : public File {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) {}
    ~Win32File() override {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }

    FileStatus size(std::uint64_t& bytes) override {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(handle_, &size)) {
            return FileStatus::failure(FileErrorCause::BadSeek, static_cast<int>(GetLastError()));
        }
        bytes = static_cast<std::uint64_t>(size.QuadPart);
        return FileStatus::success();
    }

    FileStatus read(char* buffer, std::size_t count, std::size_t& got) override {
        got = 0;
        while (got < count) {
            const DWORD want = static_cast<DWORD>(count - got < kChunk ? count - got : kChunk);
            DWORD done = 0;
            if (!ReadFile(handle_, buffer + got, want, &done, NULL)) return lastError();
            if (done == 0) break;
            got += done;
        }
        return FileStatus::success();
    }

    FileStatus write(const char* data, std::size_t count) override {
        std::size_t written = 0;
        while (written < count) {
            const DWORD want = static_cast<DWORD>(count - written < kChunk ? count - written : kChunk);
            DWORD done = 0;
            if (!WriteFile(handle_, data + written, want, &done, NULL)) return lastError();
            if (done == 0) return FileStatus::failure(FileErrorCause::DiskFull, ERROR_DISK_FULL);
            written += done;
        }
        return FileStatus::success();
    }

    FileStatus flush() override {
        if (!FlushFileBuffers(handle_)) return lastError();
        return FileStatus::success();
    }

    FileStatus close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return FileStatus::success();
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        if (!CloseHandle(handle)) return lastError();
        return FileStatus::success();
    }

private:
    HANDLE handle_;
};

class Win32FileSystem : public FileSystem {
public:
    FileStatus openRead(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, GENERIC_READ, OPEN_EXISTING, file);
    }

    FileStatus openReadCreate(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, GENERIC_READ, OPEN_ALWAYS, file);
    }

    FileStatus createWrite(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, GENERIC_WRITE, CREATE_ALWAYS, file);
    }

    FileStatus isReadOnly(const std::string& name, bool& readOnly) override {
        readOnly = false;
        const DWORD attributes = GetFileAttributesA(name.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return FileStatus::success();
            return FileStatus::failure(causeOf(error), static_cast<int>(error));
        }
        readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        return FileStatus::success();
    }

    FileStatus replace(const std::string& from, const std::string& to) override {
        // MoveFileEx renames over the target in one step; ReplaceFile is not
        // atomic everywhere (Wine deletes the target first).
        if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return lastError();
        }
        return FileStatus::success();
    }

    FileStatus remove(const std::string& name) override {
        if (!DeleteFileA(name.c_str())) return lastError();
        return FileStatus::success();
    }

    std::string fullPath(const std::string& name) override {
        std::vector<char> buffer(MAX_PATH + 1);
        for (;;) {
            const DWORD length = GetFullPathNameA(name.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), NULL);
            if (length == 0) return name;
            if (length < buffer.size()) return std::string(buffer.data(), length);
            buffer.resize(length + 1);
        }
    }

    void pause(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }

private:
    static FileStatus open(const std::string& name, DWORD access, DWORD disposition, std::unique_ptr<File>& file) {
        const HANDLE handle =
            CreateFileA(name.c_str(), access, 0, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
        if (handle == INVALID_HANDLE_VALUE) return lastError();
        file.reset(new Win32File(handle));
        return FileStatus::success();
    }
};

}  // namespace

std::unique_ptr<FileSystem> makePlatformFileSystem() { return std::unique_ptr<FileSystem>(new Win32FileSystem()); }

}  // namespace scriblet
