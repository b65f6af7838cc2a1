// Helpers for the note store's tests: a scratch current directory, raw file
// bytes, tables written out in one line, and a file system whose N-th
// operation fails.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "notes/file_system.h"
#include "notes/note_table.h"
#include "notes/notes_file.h"

namespace scriblet::testing {

inline const char* const kToday = "010203";
inline std::string fixedToday() { return kToday; }

// Makes a fresh directory the current one for the life of the object, as the
// program finds notes.txt in its current directory.
class ScratchDirectory {
public:
    ScratchDirectory() : previous_(std::filesystem::current_path()) {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "scriblet_notes_";
        if (info) name += std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
        }
        name += "_" + std::to_string(counter++);
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

inline void writeBytes(const std::filesystem::path& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The files in the current directory, by name.
inline std::vector<std::string> directoryListing() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::current_path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A string literal with every byte, NULs included.
template <std::size_t N>
std::string raw(const char (&bytes)[N]) {
    return std::string(bytes, N - 1);
}

inline NoteTable makeTable(std::initializer_list<Note> notes) {
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

// Shows control bytes, so that a failed comparison says where the bytes differ.
inline std::string visible(const std::string& bytes) {
    std::string out;
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            out += "\\x";
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

inline NoteTable parsed(const std::string& diskBytes, std::vector<std::string>* titles = nullptr) {
    NoteTable table;
    parseNotes(diskBytes, table, [titles](const std::string& title) {
        if (titles) titles->push_back(title);
    });
    return table;
}

// Wraps a real file system and makes its N-th operation (counted from 1 over
// every call that can fail, open files' calls included) fail with `cause`.
class FailingFileSystem : public FileSystem {
public:
    FailingFileSystem(FileSystem& real, int failAt, FileErrorCause cause = FileErrorCause::Generic)
        : real_(real), failAt_(failAt), cause_(cause) {}

    int operations() const { return count_; }
    int pauses() const { return pauses_; }

    FileStatus openRead(const std::string& name, std::unique_ptr<File>& file) override {
        if (fails()) return failure();
        return wrap(real_.openRead(name, file), file);
    }
    FileStatus openReadCreate(const std::string& name, std::unique_ptr<File>& file) override {
        if (fails()) return failure();
        return wrap(real_.openReadCreate(name, file), file);
    }
    FileStatus createWrite(const std::string& name, std::unique_ptr<File>& file) override {
        if (fails()) return failure();
        return wrap(real_.createWrite(name, file), file);
    }
    FileStatus isReadOnly(const std::string& name, bool& readOnly) override {
        if (fails()) return failure();
        return real_.isReadOnly(name, readOnly);
    }
    FileStatus replace(const std::string& from, const std::string& to) override {
        if (fails()) return failure();
        return real_.replace(from, to);
    }
    FileStatus remove(const std::string& name) override {
        if (fails()) return failure();
        return real_.remove(name);
    }
    std::string fullPath(const std::string& name) override { return real_.fullPath(name); }
    void pause(int) override { ++pauses_; }

private:
    class FailingFile : public File {
    public:
        FailingFile(FailingFileSystem& owner, std::unique_ptr<File> real) : owner_(owner), real_(std::move(real)) {}
        FileStatus size(std::uint64_t& bytes) override {
            if (owner_.fails()) return owner_.failure();
            return real_->size(bytes);
        }
        FileStatus read(char* buffer, std::size_t count, std::size_t& got) override {
            if (owner_.fails()) return owner_.failure();
            return real_->read(buffer, count, got);
        }
        FileStatus write(const char* data, std::size_t count) override {
            if (owner_.fails()) {
                // A write cut short still leaves part of its bytes behind.
                real_->write(data, count / 2);
                return owner_.failure();
            }
            return real_->write(data, count);
        }
        FileStatus flush() override {
            if (owner_.fails()) return owner_.failure();
            return real_->flush();
        }
        FileStatus close() override {
            if (owner_.fails()) {
                real_->close();
                return owner_.failure();
            }
            return real_->close();
        }

    private:
        FailingFileSystem& owner_;
        std::unique_ptr<File> real_;
    };

    bool fails() { return ++count_ == failAt_; }
    FileStatus failure() const { return FileStatus::failure(cause_, 0); }
    FileStatus wrap(FileStatus status, std::unique_ptr<File>& file) {
        if (status) file.reset(new FailingFile(*this, std::move(file)));
        return status;
    }

    FileSystem& real_;
    int failAt_;
    FileErrorCause cause_;
    int count_ = 0;
    int pauses_ = 0;
};

}  // namespace scriblet::testing

namespace scriblet {

// How GoogleTest shows a note in a failed comparison.
inline void PrintTo(const Note& note, std::ostream* out) {
    *out << "{title \"" << testing::visible(note.title) << "\", date \"" << testing::visible(note.date)
         << "\", body \"" << testing::visible(note.body) << "\"}";
}

}  // namespace scriblet
