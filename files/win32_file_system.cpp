// The notes file's file system in the Windows program: plain Win32 calls,
// every file opened without sharing. Names travel as UTF-8 and reach the
// system through its wide calls, so that a path that resolve() found behind
// a link survives whatever the ANSI code page cannot show.
#include <windows.h>

#include <string>
#include <vector>

#include "files/platform_file_system.h"

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
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return FileErrorCause::AlreadyExists;
        default:
            return FileErrorCause::Generic;
    }
}

FileStatus lastError() {
    const DWORD error = GetLastError();
    return FileStatus::failure(causeOf(error), static_cast<int>(error));
}

bool isMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

std::wstring wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length);
    return out;
}

std::string utf8(const wchar_t* text, std::size_t size) {
    if (size == 0) return std::string();
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), &out[0], length, nullptr, nullptr);
    return out;
}

std::int64_t ticks(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FileStatus stampOf(HANDLE handle, FileStamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return lastError();
    stamp.exists = true;
    stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.lastWrite = ticks(info.ftLastWriteTime);
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return FileStatus::success();
}

// Opened for no access at all: only its information is read, which works
// while another program holds the file without sharing. Links are followed.
HANDLE openForInformation(const std::string& name) {
    return CreateFileW(wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
}

// What a saved notes file takes over from the one it replaces; read-only
// is refused before any replace.
const DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

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

    FileStatus stamp(FileStamp& stamp) override { return stampOf(handle_, stamp); }

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

    FileStatus rewind() override {
        LARGE_INTEGER start{};
        if (!SetFilePointerEx(handle_, start, NULL, FILE_BEGIN)) {
            return FileStatus::failure(FileErrorCause::BadSeek, static_cast<int>(GetLastError()));
        }
        return FileStatus::success();
    }

    FileStatus truncate() override {
        if (!SetEndOfFile(handle_)) return lastError();
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

// The lock of a folder: a file of this name in it, held open.
const char* const kLockFileName = "scriblet.lock";

// A lock file held open; closing it removes it.
template <class Lock>
class HeldLockFile : public Lock {
public:
    explicit HeldLockFile(HANDLE handle) : handle_(handle) {}
    ~HeldLockFile() override { CloseHandle(handle_); }

private:
    HANDLE handle_;
};

// Opens a lock file shared with nobody, gone with the last handle, which the
// system closes when the process dies.
FileStatus openLockFile(const std::wstring& name, DWORD disposition, HANDLE& handle) {
    handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, disposition,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (handle != INVALID_HANDLE_VALUE) return FileStatus::success();
    const DWORD error = GetLastError();
    // Access is denied to a lock whose delete is pending, as its holder just
    // let it go: in use, briefly. Without a lock file no file may be created here.
    if (error == ERROR_ACCESS_DENIED && GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return FileStatus::failure(FileErrorCause::SharingViolation, static_cast<int>(error));
    }
    return FileStatus::failure(causeOf(error), static_cast<int>(error));
}

class Win32FileSystem : public FileSystem {
public:
    FileStatus openRead(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, GENERIC_READ, OPEN_EXISTING, file);
    }

    FileStatus openReadCreate(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, GENERIC_READ, OPEN_ALWAYS, file);
    }

    FileStatus createNew(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, GENERIC_WRITE, CREATE_NEW, file);
    }

    FileStatus openUpdate(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, file);
    }

    FileStatus isReadOnly(const std::string& name, bool& readOnly) override {
        readOnly = false;
        const DWORD attributes = GetFileAttributesW(wide(name).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = GetLastError();
            if (isMissing(error)) return FileStatus::success();
            return FileStatus::failure(causeOf(error), static_cast<int>(error));
        }
        readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        return FileStatus::success();
    }

    FileStatus replace(const std::string& from, const std::string& to) override {
        const std::wstring source = wide(from);
        const std::wstring target = wide(to);
        // Hidden and system go over to the new file before it takes the old
        // one's place; the move itself would drop them.
        const DWORD old = GetFileAttributesW(target.c_str());
        if (old != INVALID_FILE_ATTRIBUTES && (old & kKeptAttributes)) {
            const DWORD current = GetFileAttributesW(source.c_str());
            if (current == INVALID_FILE_ATTRIBUTES || !SetFileAttributesW(source.c_str(), current | (old & kKeptAttributes))) {
                return lastError();
            }
        }
        // MoveFileEx renames over the target in one step; ReplaceFile is not
        // atomic everywhere (Wine deletes the target first).
        if (!MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return lastError();
        }
        return FileStatus::success();
    }

    FileStatus rename(const std::string& from, const std::string& to) override {
        if (!MoveFileExW(wide(from).c_str(), wide(to).c_str(), 0)) return lastError();
        return FileStatus::success();
    }

    FileStatus remove(const std::string& name) override {
        if (!DeleteFileW(wide(name).c_str())) return lastError();
        return FileStatus::success();
    }

    FileStatus stamp(const std::string& name, FileStamp& stamp) override {
        stamp = FileStamp();
        const HANDLE handle = openForInformation(name);
        if (handle == INVALID_HANDLE_VALUE) {
            if (isMissing(GetLastError())) return FileStatus::success();
            return lastError();
        }
        const FileStatus status = stampOf(handle, stamp);
        CloseHandle(handle);
        return status;
    }

    FileStatus resolve(const std::string& name, std::string& target) override {
        target = name;
        const HANDLE handle = openForInformation(name);
        if (handle == INVALID_HANDLE_VALUE) {
            if (isMissing(GetLastError())) return FileStatus::success();
            return lastError();
        }
        std::vector<wchar_t> path(MAX_PATH + 1);
        DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length >= path.size()) {
            path.resize(length + 1);
            length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        }
        const FileStatus status = length == 0 || length >= path.size() ? lastError() : FileStatus::success();
        CloseHandle(handle);
        if (status) target = utf8(path.data(), length);
        return status;
    }

    FileStatus findFiles(const std::string& prefix, std::vector<FoundFile>& found) override {
        found.clear();
        const std::size_t slash = prefix.find_last_of("\\/");
        const std::string folder = slash == std::string::npos ? std::string() : prefix.substr(0, slash + 1);
        const std::string start = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
        WIN32_FIND_DATAW entry;
        const HANDLE search = FindFirstFileW(wide(prefix + "*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) {
            if (isMissing(GetLastError())) return FileStatus::success();
            return lastError();
        }
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        do {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::string name = utf8(entry.cFileName, wcslen(entry.cFileName));
            // The system also matches short 8.3 names; only the long one counts.
            if (name.size() < start.size() || !sameName(name.substr(0, start.size()), start)) continue;
            found.push_back(FoundFile{folder + name, (ticks(now) - ticks(entry.ftLastWriteTime)) / 10000});
        } while (FindNextFileW(search, &entry));
        FindClose(search);
        return FileStatus::success();
    }

    bool sameName(const std::string& a, const std::string& b) override {
        const std::wstring left = wide(a);
        const std::wstring right = wide(b);
        return CompareStringOrdinal(left.data(), static_cast<int>(left.size()), right.data(),
                                    static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
    }

    FileStatus lockFolder(const std::string& pathInFolder, std::unique_ptr<FolderLock>& lock) override {
        const std::size_t slash = pathInFolder.find_last_of("\\/");
        const std::wstring name =
            wide((slash == std::string::npos ? std::string() : pathInFolder.substr(0, slash + 1)) + kLockFileName);
        HANDLE handle = INVALID_HANDLE_VALUE;
        const FileStatus status = openLockFile(name, OPEN_ALWAYS, handle);
        if (!status) return status;
        lock.reset(new HeldLockFile<FolderLock>(handle));
        return FileStatus::success();
    }

    FileStatus lockFile(const std::string& name, bool create, std::unique_ptr<FileLock>& lock) override {
        HANDLE handle = INVALID_HANDLE_VALUE;
        const FileStatus status = openLockFile(wide(name), create ? CREATE_NEW : OPEN_ALWAYS, handle);
        if (!status) return status;
        lock.reset(new HeldLockFile<FileLock>(handle));
        return FileStatus::success();
    }

    unsigned long processId() override { return GetCurrentProcessId(); }

    std::string fullPath(const std::string& name) override {
        // A path that resolve() found is told as the user knows it, without
        // the prefix that lifts the length limit.
        if (name.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\" + name.substr(7);
        if (name.compare(0, 4, "\\\\?\\") == 0) return name.substr(4);
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
            CreateFileW(wide(name).c_str(), access, 0, NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
        if (handle == INVALID_HANDLE_VALUE) return lastError();
        file.reset(new Win32File(handle));
        return FileStatus::success();
    }
};

}  // namespace

std::unique_ptr<FileSystem> makePlatformFileSystem() { return std::unique_ptr<FileSystem>(new Win32FileSystem()); }

}  // namespace scriblet
