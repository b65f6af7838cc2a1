// Files for the tests of every level, natively and under Wine: a scratch
// directory, a file's bytes, the names in a folder, and a file held open as
// another program would hold it.
#pragma once

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace scriblet::testing {

inline void writeBytes(const std::filesystem::path& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's bytes; none when it cannot be opened.
inline std::optional<std::string> fileBytes(const std::filesystem::path& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string readBytes(const std::filesystem::path& name) {
    return fileBytes(name).value_or(std::string());
}

// The names in a folder (the current directory by default), sorted.
inline std::vector<std::string> directoryListing(
    const std::filesystem::path& folder = std::filesystem::current_path()) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh directory under the temporary folder, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        static std::atomic<int> counter{0};
        const std::filesystem::path temp = std::filesystem::temp_directory_path();
        for (;;) {
            const std::string name = "scriblet-test-" + std::to_string(processId()) + "-" + std::to_string(++counter);
            path_ = (temp / name).string();
            std::error_code error;
            if (std::filesystem::create_directory(path_, error) || error) break;
        }
    }
    ~ScratchDir() {
        // What a test left read-only goes as well.
        std::error_code ignored;
        makeRemovable(path_);
        for (std::filesystem::recursive_directory_iterator entry(path_, ignored), end; entry != end;
             entry.increment(ignored)) {
            makeRemovable(entry->path());
        }
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }
    void write(const std::string& name, const std::string& bytes) const { writeBytes(file(name), bytes); }
    std::optional<std::string> read(const std::string& name) const { return fileBytes(file(name)); }
    bool exists(const std::string& name) const {
        std::error_code ignored;
        return std::filesystem::exists(file(name), ignored);
    }
    std::vector<std::string> list() const { return directoryListing(path_); }

private:
    static unsigned long processId() {
#ifdef _WIN32
        return GetCurrentProcessId();
#else
        return static_cast<unsigned long>(::getpid());
#endif
    }
    static void makeRemovable(const std::filesystem::path& path) {
#ifdef _WIN32
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
#else
        // A folder without write permission keeps its files; links are not followed.
        std::error_code ignored;
        if (std::filesystem::is_directory(std::filesystem::symlink_status(path, ignored))) {
            std::filesystem::permissions(path, std::filesystem::perms::owner_all, ignored);
        }
#endif
    }

    std::string path_;
};

// A scratch directory that is the current one for the life of the object, as
// the program finds notes.txt in its current directory.
class CurrentScratchDir : public ScratchDir {
public:
    CurrentScratchDir() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(path()); }
    ~CurrentScratchDir() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }

private:
    std::filesystem::path previous_;
};

// Holds a file open without sharing, as another program (an editor, a virus
// scanner) would, until released.
class FileHold {
public:
    explicit FileHold(const std::string& name) {
#ifdef _WIN32
        handle_ = CreateFileA(name.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        held_ = handle_ != INVALID_HANDLE_VALUE;
#else
        fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
#endif
    }
    ~FileHold() { release(); }
    FileHold(const FileHold&) = delete;
    FileHold& operator=(const FileHold&) = delete;

    bool held() const { return held_; }
    void release() {
#ifdef _WIN32
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
#else
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
#endif
        held_ = false;
    }

private:
#ifdef _WIN32
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
    int fd_ = -1;
#endif
    bool held_ = false;
};

}  // namespace scriblet::testing
