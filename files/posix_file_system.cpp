// The notes file's file system natively: POSIX calls, every file taken with
// an exclusive lock, as the Windows program opens it without sharing.
#include <dirent.h>
#include <stdio.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "files/platform_file_system.h"

namespace scriblet {

namespace {

FileErrorCause causeOf(int error) {
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return FileErrorCause::DiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
            return FileErrorCause::AccessDenied;
        case ENOENT:
            return FileErrorCause::NotFound;
        case EEXIST:
            return FileErrorCause::AlreadyExists;
        case EWOULDBLOCK:
            return FileErrorCause::SharingViolation;
        default:
            return FileErrorCause::Generic;
    }
}

FileStatus lastError() { return FileStatus::failure(causeOf(errno), errno); }

void fillStamp(const struct stat& info, FileStamp& stamp) {
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.lastWrite = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.volume = static_cast<std::uint64_t>(info.st_dev);
    stamp.index = static_cast<std::uint64_t>(info.st_ino);
}

// Opens a file and takes an exclusive lock on it, as Windows opens it
// without sharing: a second opener is refused instead of waiting.
FileStatus openLocked(const std::string& name, int flags, int& fd) {
    do {
        fd = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return lastError();
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const FileStatus status = lastError();
        ::close(fd);
        fd = -1;
        return status;
    }
    return FileStatus::success();
}

class PosixFile : public File {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override {
        if (fd_ >= 0) ::close(fd_);
    }

    FileStatus size(std::uint64_t& bytes) override {
        struct stat info;
        if (::fstat(fd_, &info) != 0) return FileStatus::failure(FileErrorCause::BadSeek, errno);
        bytes = static_cast<std::uint64_t>(info.st_size);
        return FileStatus::success();
    }

    FileStatus stamp(FileStamp& stamp) override {
        struct stat info;
        if (::fstat(fd_, &info) != 0) return lastError();
        fillStamp(info, stamp);
        return FileStatus::success();
    }

    FileStatus read(char* buffer, std::size_t count, std::size_t& got) override {
        got = 0;
        while (got < count) {
            const std::size_t chunk = count - got < static_cast<std::size_t>(INT_MAX) ? count - got : INT_MAX;
            const ssize_t n = ::read(fd_, buffer + got, chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                return lastError();
            }
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        return FileStatus::success();
    }

    FileStatus write(const char* data, std::size_t count) override {
        std::size_t done = 0;
        while (done < count) {
            const std::size_t chunk = count - done < static_cast<std::size_t>(INT_MAX) ? count - done : INT_MAX;
            const ssize_t n = ::write(fd_, data + done, chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                return lastError();
            }
            done += static_cast<std::size_t>(n);
        }
        return FileStatus::success();
    }

    FileStatus rewind() override {
        if (::lseek(fd_, 0, SEEK_SET) != 0) return FileStatus::failure(FileErrorCause::BadSeek, errno);
        return FileStatus::success();
    }

    FileStatus truncate() override {
        const off_t at = ::lseek(fd_, 0, SEEK_CUR);
        if (at < 0) return FileStatus::failure(FileErrorCause::BadSeek, errno);
        if (::ftruncate(fd_, at) != 0) return lastError();
        return FileStatus::success();
    }

    FileStatus flush() override {
        if (::fsync(fd_) != 0) return lastError();
        return FileStatus::success();
    }

    FileStatus close() override {
        if (fd_ < 0) return FileStatus::success();
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR) return lastError();
        return FileStatus::success();
    }

private:
    int fd_;
};

// flock on the folder itself: nothing is left in it, and the kernel drops the
// lock with the process.
class PosixFolderLock : public FolderLock {
public:
    explicit PosixFolderLock(int fd) : fd_(fd) {}
    ~PosixFolderLock() override { ::close(fd_); }

private:
    int fd_;
};

// flock on a file of its own, which is removed when the lock is let go; the
// kernel drops the lock, not the file, with the process.
class PosixFileLock : public FileLock {
public:
    PosixFileLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixFileLock() override {
        if (namesHeldFile()) ::unlink(path_.c_str());
        ::close(fd_);
    }

    // Whether the name still leads to the file held: a holder that let it go
    // may have removed it between another's open and lock.
    bool namesHeldFile() const {
        struct stat held;
        struct stat named;
        return ::fstat(fd_, &held) == 0 && ::stat(path_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
               held.st_ino == named.st_ino;
    }

private:
    int fd_;
    std::string path_;
};

class PosixFileSystem : public FileSystem {
public:
    FileStatus openRead(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, O_RDONLY, file);
    }

    FileStatus openReadCreate(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, O_RDONLY | O_CREAT, file);
    }

    FileStatus createNew(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, O_WRONLY | O_CREAT | O_EXCL, file);
    }

    FileStatus openUpdate(const std::string& name, std::unique_ptr<File>& file) override {
        return open(name, O_RDWR, file);
    }

    FileStatus isReadOnly(const std::string& name, bool& readOnly) override {
        readOnly = false;
        struct stat info;
        if (::stat(name.c_str(), &info) != 0) {
            if (errno == ENOENT) return FileStatus::success();
            return lastError();
        }
        // Marked read-only as Windows marks it: nobody may write (root included).
        readOnly = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
        return FileStatus::success();
    }

    FileStatus replace(const std::string& from, const std::string& to) override {
        // A target that another program holds is left alone, as on Windows.
        int held = -1;
        const FileStatus locked = openLocked(to, O_RDONLY, held);
        if (!locked && locked.cause == FileErrorCause::SharingViolation) return locked;
        // The new file keeps the permissions the user gave the old one.
        struct stat info;
        if (::stat(to.c_str(), &info) == 0) ::chmod(from.c_str(), info.st_mode & 07777);
        FileStatus status = FileStatus::success();
        if (::rename(from.c_str(), to.c_str()) != 0) status = lastError();
        if (held >= 0) ::close(held);
        if (!status) return status;
        return syncDirectoryOf(to);
    }

    FileStatus rename(const std::string& from, const std::string& to) override {
        // A file that another program holds keeps its name, as on Windows.
        int held = -1;
        const FileStatus locked = openLocked(from, O_RDONLY, held);
        if (!locked && (locked.cause == FileErrorCause::SharingViolation || locked.cause == FileErrorCause::NotFound)) {
            return locked;
        }
        const FileStatus status = renameNoReplace(from, to);
        if (held >= 0) ::close(held);
        return status;
    }

    FileStatus stamp(const std::string& name, FileStamp& stamp) override {
        stamp = FileStamp();
        struct stat info;
        if (::stat(name.c_str(), &info) != 0) return errno == ENOENT ? FileStatus::success() : lastError();
        fillStamp(info, stamp);
        return FileStatus::success();
    }

    FileStatus resolve(const std::string& name, std::string& target) override {
        target = name;
        std::string path = name;
        // A link whose target is missing leads to that target all the same:
        // the links are followed by hand to the first missing name, whose
        // folder must exist.
        for (int links = 0; links < 40; ++links) {
            if (char* real = ::realpath(path.c_str(), nullptr)) {
                target = real;
                ::free(real);
                return FileStatus::success();
            }
            if (errno != ENOENT) return lastError();
            std::vector<char> link(4096);
            const ssize_t length = ::readlink(path.c_str(), link.data(), link.size() - 1);
            if (length < 0) {
                if (errno != EINVAL && errno != ENOENT) return lastError();
                if (path == name) return FileStatus::success();
                // The missing target: its folder exists, so the name is whole there.
                const std::size_t slash = path.rfind('/');
                const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
                char* real = ::realpath(folder.c_str(), nullptr);
                if (!real) return lastError();
                std::string resolved = real;
                ::free(real);
                if (resolved.back() != '/') resolved += '/';
                target = resolved + path.substr(slash == std::string::npos ? 0 : slash + 1);
                return FileStatus::success();
            }
            const std::string next(link.data(), static_cast<std::size_t>(length));
            const std::size_t slash = path.rfind('/');
            path = next[0] == '/' || slash == std::string::npos ? next : path.substr(0, slash + 1) + next;
        }
        return FileStatus::failure(FileErrorCause::Generic, ELOOP);
    }

    FileStatus findFiles(const std::string& prefix, std::vector<FoundFile>& found) override {
        found.clear();
        const std::size_t slash = prefix.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : prefix.substr(0, slash + 1);
        const std::string start = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
        DIR* directory = ::opendir(folder.empty() ? "." : folder.c_str());
        if (!directory) return lastError();
        struct timespec now;
        ::clock_gettime(CLOCK_REALTIME, &now);
        while (const struct dirent* entry = ::readdir(directory)) {
            const std::string name = entry->d_name;
            if (name.compare(0, start.size(), start) != 0) continue;
            struct stat info;
            if (::stat((folder + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
            const std::int64_t ageMs = (static_cast<std::int64_t>(now.tv_sec) - info.st_mtim.tv_sec) * 1000 +
                                       (now.tv_nsec - info.st_mtim.tv_nsec) / 1000000;
            found.push_back(FoundFile{folder + name, ageMs});
        }
        ::closedir(directory);
        return FileStatus::success();
    }

    bool sameName(const std::string& a, const std::string& b) override { return a == b; }

    FileStatus lockFolder(const std::string& pathInFolder, std::unique_ptr<FolderLock>& lock) override {
        const std::size_t slash = pathInFolder.rfind('/');
        const std::string folder =
            slash == std::string::npos ? "." : (slash == 0 ? "/" : pathInFolder.substr(0, slash));
        int fd = -1;
        const FileStatus status = openLocked(folder, O_RDONLY | O_DIRECTORY, fd);
        if (!status) return status;
        lock.reset(new PosixFolderLock(fd));
        return FileStatus::success();
    }

    FileStatus lockFile(const std::string& name, bool create, std::unique_ptr<FileLock>& lock) override {
        int fd = -1;
        const FileStatus status = openLocked(name, O_RDWR | O_CREAT | (create ? O_EXCL : 0), fd);
        if (!status) return status;
        std::unique_ptr<PosixFileLock> held(new PosixFileLock(fd, fullPath(name)));
        // Taken on a file its holder removed as it let go: the name is in use.
        if (!held->namesHeldFile()) return FileStatus::failure(FileErrorCause::SharingViolation, EWOULDBLOCK);
        lock = std::move(held);
        return FileStatus::success();
    }

    unsigned long processId() override { return static_cast<unsigned long>(::getpid()); }

    FileStatus remove(const std::string& name) override {
        int held = -1;
        const FileStatus locked = openLocked(name, O_RDONLY, held);
        if (!locked && (locked.cause == FileErrorCause::SharingViolation || locked.cause == FileErrorCause::NotFound)) {
            return locked;
        }
        FileStatus status = FileStatus::success();
        if (::unlink(name.c_str()) != 0) status = lastError();
        if (held >= 0) ::close(held);
        return status;
    }

    std::string fullPath(const std::string& name) override {
        if (!name.empty() && name[0] == '/') return name;
        std::vector<char> buffer(4096);
        while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
            if (errno != ERANGE) return name;
            buffer.resize(buffer.size() * 2);
        }
        std::string path(buffer.data());
        if (path.empty() || path.back() != '/') path += '/';
        return path + name;
    }

    void pause(int milliseconds) override {
        struct timespec wait;
        wait.tv_sec = milliseconds / 1000;
        wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
        while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
        }
    }

private:
    static FileStatus open(const std::string& name, int flags, std::unique_ptr<File>& file) {
        int fd = -1;
        const FileStatus status = openLocked(name, flags, fd);
        if (!status) return status;
        file.reset(new PosixFile(fd));
        return FileStatus::success();
    }

    // Never over an existing file, as Windows renames.
    static FileStatus renameNoReplace(const std::string& from, const std::string& to) {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
            return FileStatus::success();
        }
        if (errno != EINVAL && errno != ENOSYS) return lastError();
        // A file system without that rename: a second name, then the first goes.
        if (::link(from.c_str(), to.c_str()) != 0) return lastError();
        if (::unlink(from.c_str()) != 0) {
            const FileStatus status = lastError();
            ::unlink(to.c_str());
            return status;
        }
        return FileStatus::success();
    }

    // The rename itself reaches the disk only with its directory.
    static FileStatus syncDirectoryOf(const std::string& name) {
        const std::size_t slash = name.rfind('/');
        const std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : name.substr(0, slash));
        const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return lastError();
        FileStatus status = FileStatus::success();
        if (::fsync(fd) != 0 && errno != EINVAL) status = lastError();
        ::close(fd);
        return status;
    }
};

}  // namespace

std::unique_ptr<FileSystem> makePlatformFileSystem() { return std::unique_ptr<FileSystem>(new PosixFileSystem()); }

}  // namespace scriblet
