// Helpers for the note store's tests: tables written out in one line, links,
// aged files and small disks, and a file system whose N-th operation fails.
// The scratch directory, file bytes and held files are the shared ones.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include "notes/file_system.h"
#include "notes/note_table.h"
#include "notes/notes_store.h"
#include "tests/support/note_bytes.h"
#include "tests/support/test_files.h"

namespace scriblet::testing {

// A symbolic link for the life of the object, removed before its target.
// Wine can neither make nor remove one (its DeleteFile removes the target),
// but it starts Linux programs, so there the Linux ln and rm do it.
class SymbolicLink {
public:
    // `target` exists and is a relative path with slashes.
    SymbolicLink(const std::string& target, const std::string& link) : link_(link) {
#ifdef _WIN32
        made_ = runLinux("/bin/ln -s \"" + target + "\" \"" + link + "\"", true);
#else
        std::error_code error;
        std::filesystem::create_symlink(target, link, error);
        made_ = !error;
#endif
    }
    ~SymbolicLink() {
        if (!made_) return;
#ifdef _WIN32
        runLinux("/bin/rm -f \"" + link_ + "\"", false);
#else
        std::error_code ignored;
        std::filesystem::remove(link_, ignored);
#endif
    }
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;

    bool made() const { return made_; }

private:
#ifdef _WIN32
    // Wine gives no handle to wait on for a Linux program: the link is
    // watched until it is there (or gone).
    bool runLinux(std::string command, bool linkWanted) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            return false;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        for (int waited = 0; waited < 5000; waited += 10) {
            if ((GetFileAttributesA(link_.c_str()) != INVALID_FILE_ATTRIBUTES) == linkWanted) return true;
            Sleep(10);
        }
        return false;
    }
#endif

    std::string link_;
    bool made_ = false;
};

// Sets a file's last write back by some minutes.
inline void ageFile(const std::filesystem::path& name, int minutes) {
    std::filesystem::last_write_time(name, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(minutes));
}

inline NoteTable makeTable(const std::vector<Note>& notes) {
    NoteTable table;
    for (const Note& note : notes) {
        table.appendNote();
        table.at(static_cast<std::int16_t>(table.noteCount() - 1)) = note;
    }
    return table;
}

inline std::vector<Note> notesOf(const NoteTable& table) {
    std::vector<Note> notes;
    for (std::int16_t i = 0; i < table.noteCount(); ++i) notes.push_back(table.at(i));
    return notes;
}

inline NoteTable parsed(const std::string& diskBytes) {
    NoteTable table;
    parseNotes(diskBytes, table);
    return table;
}

// A save by a session that read nothing: it writes whatever is there.
inline std::optional<FileError> saveFresh(const NoteTable& table, std::int16_t n, FileSystem& files,
                                          const std::function<std::string()>& today = fixedToday) {
    return NotesStore(files, today).save(table, n).error;
}

// Wraps a real file system and makes chosen operations fail. Every call that
// can fail counts as one operation, the open files' calls included; pauses
// only count and never sleep.
class FailingFileSystem : public FileSystem {
public:
    // Decides from the operation's name and number (from 1) whether it fails.
    using Rule = std::function<bool(const std::string& operation, int number)>;

    FailingFileSystem(FileSystem& real, Rule rule, FileErrorCause cause = FileErrorCause::Generic)
        : real_(real), rule_(std::move(rule)), cause_(cause) {}

    static Rule nth(int n) {
        return [n](const std::string&, int number) { return number == n; };
    }
    // The first `times` calls of one operation.
    static Rule firstCalls(const std::string& operation, int times) {
        auto seen = std::make_shared<int>(0);
        return [operation, times, seen](const std::string& name, int) {
            return name == operation && ++*seen <= times;
        };
    }
    static Rule never() {
        return [](const std::string&, int) { return false; };
    }

    int operations() const { return count_; }
    int pauses() const { return pauses_; }
    // Runs at each pause, as another program would do something meanwhile.
    std::function<void()> onPause;
    // A failing operation throws std::bad_alloc (memory ran out) instead of
    // returning its failure.
    bool throws = false;

    FileStatus openRead(const std::string& name, std::unique_ptr<File>& file) override {
        if (fails("openRead")) return failure();
        return wrap(real_.openRead(name, file), file);
    }
    FileStatus openReadCreate(const std::string& name, std::unique_ptr<File>& file) override {
        if (fails("openReadCreate")) return failure();
        return wrap(real_.openReadCreate(name, file), file);
    }
    FileStatus createNew(const std::string& name, std::unique_ptr<File>& file) override {
        if (fails("createNew")) return failure();
        return wrap(real_.createNew(name, file), file);
    }
    FileStatus openUpdate(const std::string& name, std::unique_ptr<File>& file) override {
        if (fails("openUpdate")) return failure();
        return wrap(real_.openUpdate(name, file), file);
    }
    FileStatus isReadOnly(const std::string& name, bool& readOnly) override {
        if (fails("isReadOnly")) return failure();
        return real_.isReadOnly(name, readOnly);
    }
    FileStatus replace(const std::string& from, const std::string& to) override {
        if (fails("replace")) return failure();
        return real_.replace(from, to);
    }
    FileStatus rename(const std::string& from, const std::string& to) override {
        if (fails("rename")) return failure();
        return real_.rename(from, to);
    }
    FileStatus remove(const std::string& name) override {
        if (fails("remove")) return failure();
        return real_.remove(name);
    }
    FileStatus stamp(const std::string& name, FileStamp& stamp) override {
        if (fails("stamp")) return failure();
        return real_.stamp(name, stamp);
    }
    FileStatus resolve(const std::string& name, std::string& target) override {
        if (fails("resolve")) return failure();
        return real_.resolve(name, target);
    }
    FileStatus findFiles(const std::string& prefix, std::vector<FoundFile>& found) override {
        if (fails("findFiles")) return failure();
        return real_.findFiles(prefix, found);
    }
    bool sameName(const std::string& a, const std::string& b) override { return real_.sameName(a, b); }
    FileStatus lockFolder(const std::string& pathInFolder, std::unique_ptr<FolderLock>& lock) override {
        if (fails("lockFolder")) return failure();
        return real_.lockFolder(pathInFolder, lock);
    }
    FileStatus lockFile(const std::string& name, bool create, std::unique_ptr<FileLock>& lock) override {
        if (fails("lockFile")) return failure();
        return real_.lockFile(name, create, lock);
    }
    unsigned long processId() override { return real_.processId(); }
    std::string fullPath(const std::string& name) override { return real_.fullPath(name); }
    void pause(int) override {
        ++pauses_;
        if (onPause) onPause();
    }

private:
    class FailingFile : public File {
    public:
        FailingFile(FailingFileSystem& owner, std::unique_ptr<File> real) : owner_(owner), real_(std::move(real)) {}
        FileStatus size(std::uint64_t& bytes) override {
            if (owner_.fails("size")) return owner_.failure();
            return real_->size(bytes);
        }
        FileStatus stamp(FileStamp& stamp) override {
            if (owner_.fails("fileStamp")) return owner_.failure();
            return real_->stamp(stamp);
        }
        FileStatus read(char* buffer, std::size_t count, std::size_t& got) override {
            if (owner_.fails("read")) {
                real_->read(buffer, count / 2, got);
                return owner_.failure();
            }
            return real_->read(buffer, count, got);
        }
        FileStatus write(const char* data, std::size_t count) override {
            if (owner_.fails("write")) {
                // A write cut short still leaves part of its bytes behind.
                real_->write(data, count / 2);
                return owner_.failure();
            }
            return real_->write(data, count);
        }
        FileStatus rewind() override {
            if (owner_.fails("rewind")) return owner_.failure();
            return real_->rewind();
        }
        FileStatus truncate() override {
            if (owner_.fails("truncate")) return owner_.failure();
            return real_->truncate();
        }
        FileStatus flush() override {
            if (owner_.fails("flush")) return owner_.failure();
            return real_->flush();
        }
        FileStatus close() override {
            if (owner_.fails("close")) {
                real_->close();
                return owner_.failure();
            }
            return real_->close();
        }

    private:
        FailingFileSystem& owner_;
        std::unique_ptr<File> real_;
    };

    bool fails(const std::string& operation) { return rule_(operation, ++count_); }
    FileStatus failure() const {
        if (throws) throw std::bad_alloc();
        return FileStatus::failure(cause_, 0);
    }
    FileStatus wrap(FileStatus status, std::unique_ptr<File>& file) {
        if (status) file.reset(new FailingFile(*this, std::move(file)));
        return status;
    }

    FileSystem& real_;
    Rule rule_;
    FileErrorCause cause_;
    int count_ = 0;
    int pauses_ = 0;
};

#ifndef _WIN32
// A small tmpfs mounted on a new directory for the life of the object (root only).
class TmpfsMount {
public:
    TmpfsMount(const std::filesystem::path& where, const std::string& options) : where_(where) {
        if (::geteuid() != 0) {
            problem_ = "mounting a tmpfs needs root";
            return;
        }
        std::filesystem::create_directories(where_);
        if (::mount("tmpfs", where_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            problem_ = std::string("mount failed: ") + std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~TmpfsMount() {
        if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& problem() const { return problem_; }
    bool remountReadOnly() {
        return ::mount("tmpfs", where_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::filesystem::path where_;
    bool mounted_ = false;
    std::string problem_;
};
#endif

}  // namespace scriblet::testing

namespace scriblet {

// How GoogleTest shows a note in a failed comparison.
inline void PrintTo(const Note& note, std::ostream* out) {
    *out << "{title \"" << testing::printable(note.title) << "\", date \"" << testing::printable(note.date)
         << "\", body \"" << testing::printable(note.body) << "\"}";
}

}  // namespace scriblet
