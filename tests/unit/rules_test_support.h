// A fake main window and an in-memory file system for the editing rules'
// tests, and a fixture that acts as the user does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/note_bytes.h"
#include "ui/main/notes_controller.h"

namespace scriblet::test {

using testing::fixedToday;
using testing::kToday;
using testing::record;

// Files live in a map. A fault flag makes the matching operation fail, as a
// full disk, an unreadable file or a folder where no file may be created
// would. Files have no identity, so a save
// tells a changed notes.txt by its size and bytes.
class MemoryFileSystem : public FileSystem {
public:
    std::map<std::string, std::string> files;
    bool failWrites = false;     // every write to a new file: disk full
    bool failReads = false;      // reading an existing file: unknown error
    bool failCreation = false;   // no file can be created (notes.txt stays writable)
    int writesStarted = 0;       // files created or rewritten
    std::set<std::string> heldLocks;

    bool has(const std::string& name) const { return files.count(name) != 0; }

    FileStatus openRead(const std::string& name, std::unique_ptr<File>& file) override {
        if (!has(name)) return FileStatus::failure(FileErrorCause::NotFound);
        file = std::make_unique<MemoryFile>(*this, name, false);
        return FileStatus::success();
    }
    FileStatus openReadCreate(const std::string& name, std::unique_ptr<File>& file) override {
        if (!has(name)) {
            if (failCreation) return FileStatus::failure(FileErrorCause::AccessDenied);
            files[name];
        }
        return openRead(name, file);
    }
    FileStatus createNew(const std::string& name, std::unique_ptr<File>& file) override {
        if (has(name)) return FileStatus::failure(FileErrorCause::AlreadyExists);
        if (failCreation) return FileStatus::failure(FileErrorCause::AccessDenied);
        ++writesStarted;
        files[name];
        file = std::make_unique<MemoryFile>(*this, name, true);
        return FileStatus::success();
    }
    FileStatus openUpdate(const std::string& name, std::unique_ptr<File>& file) override {
        if (!has(name)) return FileStatus::failure(FileErrorCause::NotFound);
        ++writesStarted;
        file = std::make_unique<MemoryFile>(*this, name, true);
        return FileStatus::success();
    }
    FileStatus isReadOnly(const std::string&, bool& readOnly) override {
        readOnly = false;
        return FileStatus::success();
    }
    FileStatus replace(const std::string& from, const std::string& to) override {
        if (!has(from)) return FileStatus::failure(FileErrorCause::NotFound);
        files[to] = files[from];
        files.erase(from);
        return FileStatus::success();
    }
    FileStatus rename(const std::string& from, const std::string& to) override {
        if (has(to)) return FileStatus::failure(FileErrorCause::AlreadyExists);
        return replace(from, to);
    }
    FileStatus remove(const std::string& name) override {
        files.erase(name);
        return FileStatus::success();
    }
    FileStatus stamp(const std::string& name, FileStamp& stamp) override {
        stamp = FileStamp();
        if (!has(name)) return FileStatus::success();
        stamp.exists = true;
        stamp.size = files[name].size();
        return FileStatus::success();
    }
    FileStatus resolve(const std::string& name, std::string& target) override {
        target = name;
        return FileStatus::success();
    }
    FileStatus findFiles(const std::string& prefix, std::vector<FoundFile>& found) override {
        found.clear();
        for (const auto& file : files) {
            if (file.first.compare(0, prefix.size(), prefix) == 0) found.push_back(FoundFile{file.first, 0});
        }
        return FileStatus::success();
    }
    bool sameName(const std::string& a, const std::string& b) override { return a == b; }
    FileStatus lockFolder(const std::string&, std::unique_ptr<FolderLock>& lock) override {
        if (failCreation) return FileStatus::failure(FileErrorCause::AccessDenied);
        lock = std::make_unique<FolderLock>();
        return FileStatus::success();
    }
    FileStatus lockFile(const std::string& name, bool create, std::unique_ptr<FileLock>& lock) override {
        if (heldLocks.count(name)) return FileStatus::failure(FileErrorCause::SharingViolation);
        if (create && has(name)) return FileStatus::failure(FileErrorCause::AlreadyExists);
        if (failCreation && !has(name)) return FileStatus::failure(FileErrorCause::AccessDenied);
        files[name];
        heldLocks.insert(name);
        lock = std::make_unique<MemoryLock>(*this, name);
        return FileStatus::success();
    }
    unsigned long processId() override { return 7; }
    std::string fullPath(const std::string& name) override { return "C:\\work\\" + name; }
    void pause(int) override {}

private:
    // Gone with its file when it is let go, as a lock of a process that ends.
    class MemoryLock : public FileLock {
    public:
        MemoryLock(MemoryFileSystem& fs, std::string name) : fs_(fs), name_(std::move(name)) {}
        ~MemoryLock() override {
            fs_.heldLocks.erase(name_);
            fs_.files.erase(name_);
        }

    private:
        MemoryFileSystem& fs_;
        std::string name_;
    };

    class MemoryFile : public File {
    public:
        MemoryFile(MemoryFileSystem& fs, std::string name, bool writing)
            : fs_(fs), name_(std::move(name)), writing_(writing) {}
        FileStatus size(std::uint64_t& bytes) override {
            bytes = fs_.files[name_].size();
            return FileStatus::success();
        }
        FileStatus stamp(FileStamp& stamp) override { return fs_.stamp(name_, stamp); }
        FileStatus read(char* buffer, std::size_t count, std::size_t& got) override {
            got = 0;
            if (fs_.failReads) return FileStatus::failure(FileErrorCause::Generic, 5);
            const std::string& data = fs_.files[name_];
            while (got < count && position_ < data.size()) buffer[got++] = data[position_++];
            return FileStatus::success();
        }
        FileStatus write(const char* data, std::size_t count) override {
            if (!writing_) return FileStatus::failure(FileErrorCause::AccessDenied);
            if (fs_.failWrites) return FileStatus::failure(FileErrorCause::DiskFull, 112);
            std::string& bytes = fs_.files[name_];
            bytes.replace(std::min(position_, bytes.size()), count, data, count);
            position_ += count;
            return FileStatus::success();
        }
        FileStatus rewind() override {
            position_ = 0;
            return FileStatus::success();
        }
        FileStatus truncate() override {
            fs_.files[name_].resize(position_);
            return FileStatus::success();
        }
        FileStatus flush() override { return FileStatus::success(); }
        FileStatus close() override { return FileStatus::success(); }

    private:
        MemoryFileSystem& fs_;
        std::string name_;
        bool writing_;
        std::size_t position_ = 0;
    };
};

// The window as plain data. Selection and list edits behave as a
// single-selection list box's; a text set into the body clears its modified
// flag, as the rich edit control does.
class FakeView : public NotesView {
public:
    std::vector<std::string> list;
    int selection = -1;
    FieldBuffers controls;
    // Every field the rules read or showed, in order: "read title", "show body"...
    std::vector<std::string> trips;
    bool modified = false;
    bool undoEnabled = false;
    std::deque<bool> answers;  // the user's answers, OK and Yes = true; none left: Cancel or No
    std::vector<std::string> questions;
    std::vector<std::string> warnings;
    std::vector<FileError> fileErrors;
    std::function<void()> whileFileErrorShown;  // what happens while the file-error box is up
    int fills = 0;
    std::function<void()> dateButtonClicked;  // what a press of the date button sends
    int journalTimer = 0;  // the journal timer's milliseconds while it runs, else 0
    int journalTimerStarts = 0;

    void listAppend(const std::string& text) override { list.push_back(text); }
    void listInsert(int index, const std::string& text) override {
        ASSERT_TRUE(index >= 0 && index <= static_cast<int>(list.size())) << index;
        list.insert(list.begin() + index, text);
        if (selection >= index) ++selection;
    }
    void listDelete(int index) override {
        ASSERT_TRUE(index >= 0 && index < static_cast<int>(list.size())) << index;
        list.erase(list.begin() + index);
        if (selection == index) selection = -1;
        else if (selection > index) --selection;
    }
    void listSelect(int index) override {
        ASSERT_TRUE(index >= 0 && index < static_cast<int>(list.size())) << index;
        selection = index;
    }
    int listSelection() override { return selection; }
    void listFill(const NoteTable& table) override {
        ++fills;
        for (std::int16_t i = 0; i + 1 < table.noteCount(); ++i) list.push_back(table.at(i).title);
        if (table.noteCount() > 0) list.push_back(kNewEntryText);
    }

    void readField(Field field, std::string& text) override {
        trips.push_back("read " + name(field));
        text = control(field);
    }
    void showField(Field field, const std::string& text) override {
        trips.push_back("show " + name(field));
        if (field == Field::Body && controls.body != text) modified = false;
        control(field) = text;
    }
    bool bodyModified() override { return modified; }
    int bodyLength() override { return static_cast<int>(controls.body.size()); }
    void enableUndoButton(bool enable) override { undoEnabled = enable; }
    void pressDateButton() override {
        if (dateButtonClicked) dateButtonClicked();
    }
    bool confirm(const std::string& text, const std::string& caption) override {
        questions.push_back(caption + "|" + text);
        return nextAnswer();
    }
    bool ask(const std::string& text) override {
        questions.push_back(text);
        return nextAnswer();
    }
    void showFileError(const FileError& error) override {
        fileErrors.push_back(error);
        if (whileFileErrorShown) whileFileErrorShown();
    }
    void showWarning(const std::string& text) override { warnings.push_back(text); }
    bool offer(const std::string& text) override {
        questions.push_back(text);
        return nextAnswer();
    }
    void startJournalTimer(int milliseconds) override {
        journalTimer = milliseconds;
        ++journalTimerStarts;
    }
    void stopJournalTimer() override { journalTimer = 0; }

private:
    static std::string name(Field field) {
        return field == Field::Title ? "title" : field == Field::Date ? "date" : "body";
    }
    std::string& control(Field field) {
        return field == Field::Title ? controls.title : field == Field::Date ? controls.date : controls.body;
    }
    bool nextAnswer() {
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

using List = std::vector<std::string>;

class RulesTest : public ::testing::Test {
protected:
    enum class Focus { List, Title, Date, Body, Button };

    FakeView view;
    NoteTable table;
    UndoSlot undo;
    MemoryFileSystem fs;
    NotesController rules{view, table, undo, fs, fixedToday};
    Focus focus = Focus::List;

    RulesTest() {
        view.dateButtonClicked = [this] { rules.stampDate(); };
    }

    void start(const std::string& diskBytes) {
        fs.files[kNotesFileName] = diskBytes;
        rules.startNotes();
    }
    // [A, B, C, pending], A shown.
    void startWithThree() {
        start(record("010101", "A", "a") + record("020202", "B", "b") + record("030303", "C", "c"));
    }
    std::string notesFile() { return fs.files[kNotesFileName]; }

    // Moving the focus runs the handler of the field that loses it, as the
    // window reports the loss before the click lands elsewhere.
    void moveFocus(Focus to) {
        if (focus == to) return;
        const Focus from = focus;
        focus = to;
        if (from == Focus::Title) rules.onTitleLeft();
        if (from == Focus::Body) rules.onBodyLeft();
    }
    void typeTitle(const std::string& text) {
        moveFocus(Focus::Title);
        for (char c : text) {
            view.controls.title += c;
            rules.commitTitle();
        }
    }
    void eraseTitle() {
        moveFocus(Focus::Title);
        while (!view.controls.title.empty()) {
            view.controls.title.pop_back();
            rules.commitTitle();
        }
    }
    void typeDate(const std::string& text) {
        moveFocus(Focus::Date);
        for (char c : text) {
            view.controls.date += c;
            rules.onDateTyped();
        }
    }
    void typeBody(const std::string& text) {
        moveFocus(Focus::Body);
        view.controls.body += text;
        view.modified = true;
        rules.onBodyTyped();
    }
    void clickList(int entry) {
        moveFocus(Focus::List);
        view.selection = entry;
        rules.onSelectNote();
    }
    void clickDelete(bool answerOk) {
        moveFocus(Focus::Button);
        view.answers.push_back(answerOk);
        rules.onDeleteNote();
    }
    void clickUndo() {
        moveFocus(Focus::Button);
        rules.onUndoDelete();
    }
    bool clickClose() {
        moveFocus(Focus::Button);
        return rules.onCloseButton();
    }
    // Escape (the close box, Alt+F4...): the window goes once the way out lets it.
    bool pressEscape() {
        if (!rules.onCancel()) return false;
        rules.onDestroy();
        return true;
    }

    void expectShown(const std::string& title, const std::string& date, const std::string& body) {
        EXPECT_EQ(view.controls.title, title);
        EXPECT_EQ(view.controls.date, date);
        EXPECT_EQ(view.controls.body, body);
    }
};

}  // namespace scriblet::test
