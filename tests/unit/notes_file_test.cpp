// Reading and saving notes.txt through the platform's file system, in a
// scratch current directory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notes/notes_file.h"
#include "notes_test_support.h"

namespace scriblet {
namespace {

using testing::fixedToday;
using testing::makeTable;
using testing::notesOf;
using testing::readBytes;
using testing::ScratchDirectory;
using testing::visible;
using testing::writeBytes;

class NotesFileOnDisk : public ::testing::Test {
protected:
    ReadOutcome read(std::vector<std::string>* titles = nullptr) {
        return readNotes(table, *files, [titles](const std::string& title) {
            if (titles) titles->push_back(title);
        });
    }

    ScratchDirectory scratch;
    std::unique_ptr<FileSystem> files = makePlatformFileSystem();
    NoteTable table;
};

TEST_F(NotesFileOnDisk, MissingFileIsCreatedEmpty) {
    EXPECT_EQ(read().result, ReadResult::OpenedEmpty);
    EXPECT_EQ(table.noteCount(), 0);
    EXPECT_TRUE(std::filesystem::exists("notes.txt"));
    EXPECT_EQ(std::filesystem::file_size("notes.txt"), 0u);
}

TEST_F(NotesFileOnDisk, EmptyFileReadsEmpty) {
    writeBytes("notes.txt", "");
    EXPECT_EQ(read().result, ReadResult::OpenedEmpty);
    EXPECT_EQ(table.noteCount(), 0);
}

TEST_F(NotesFileOnDisk, FileWithoutRecordsStillHasData) {
    writeBytes("notes.txt", "\r\n\r\n");
    const ReadOutcome outcome = read();
    EXPECT_EQ(outcome.result, ReadResult::OpenedWithData);
    EXPECT_FALSE(outcome.error.has_value());
    EXPECT_EQ(table.noteCount(), 0);
}

TEST_F(NotesFileOnDisk, ShoppingReadAndWrittenBackByteForByte) {
    const std::string bytes = "120603\r\nShopping\r\nmilk\r\r\nbread\xB0\r\n";
    writeBytes("notes.txt", bytes);
    std::vector<std::string> titles;
    EXPECT_EQ(read(&titles).result, ReadResult::OpenedWithData);
    EXPECT_EQ(notesOf(table), (std::vector<Note>{{"Shopping", "120603", "milk\r\nbread"}}));
    EXPECT_EQ(titles, std::vector<std::string>{"Shopping"});

    EXPECT_FALSE(writeNotes(table, table.noteCount(), *files, fixedToday).has_value());
    EXPECT_EQ(visible(readBytes("notes.txt")), visible(bytes));
}

TEST_F(NotesFileOnDisk, SaveReplacesTheFileAndLeavesNoTemporary) {
    writeBytes("notes.txt", "old contents that are longer than the new ones\r\n");
    table = makeTable({{"A", "1", "a"}});
    EXPECT_FALSE(writeNotes(table, 1, *files, fixedToday).has_value());
    EXPECT_EQ(readBytes("notes.txt"), "1\r\nA\r\na\xB0\r\n");
    EXPECT_EQ(testing::directoryListing(), std::vector<std::string>{"notes.txt"});
}

TEST_F(NotesFileOnDisk, SavingNoNotesLeavesAnEmptyFile) {
    writeBytes("notes.txt", "1\r\nA\r\na\xB0\r\n");
    EXPECT_FALSE(writeNotes(table, 0, *files, fixedToday).has_value());
    EXPECT_EQ(readBytes("notes.txt"), "");
}

TEST_F(NotesFileOnDisk, StaleTemporaryFileRemovedOnRead) {
    writeBytes("notes.txt.tmp", "half a save");
    writeBytes("notes.txt", "1\r\nA\r\na\xB0\r\n");
    EXPECT_EQ(read().result, ReadResult::OpenedWithData);
    EXPECT_EQ(testing::directoryListing(), std::vector<std::string>{"notes.txt"});
}

TEST_F(NotesFileOnDisk, DegreeSignSurvivesSaveAndReload) {
    table = makeTable({{"20\xB0" "C", "12\xB0", "It was 20\xB0" "C\r\nand 0\xB0" "F at night"}});
    const std::vector<Note> before = notesOf(table);
    ASSERT_FALSE(writeNotes(table, 1, *files, fixedToday).has_value());
    NoteTable reloaded;
    readNotes(reloaded, *files, [](const std::string&) {});
    EXPECT_EQ(notesOf(reloaded), before);
}

TEST_F(NotesFileOnDisk, ReadingAgainReplacesTheTable) {
    writeBytes("notes.txt", "1\r\nA\r\na\xB0\r\n");
    table = makeTable({{"X", "9", "x"}, {"Y", "9", "y"}});
    read();
    EXPECT_EQ(notesOf(table), (std::vector<Note>{{"A", "1", "a"}}));
}

TEST_F(NotesFileOnDisk, ErrorNamesTheFullPathOfNotesFile) {
    const std::string path = files->fullPath("notes.txt");
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(path).parent_path(), scratch.path())) << path;
    EXPECT_EQ(std::filesystem::path(path).filename(), "notes.txt");
    EXPECT_EQ(fileErrorMessage({FileErrorCause::DiskFull, path, 0}), "Disk full while accessing " + path + ".");
}

#ifndef _WIN32
TEST_F(NotesFileOnDisk, SaveKeepsThePermissionsOfTheOldFile) {
    writeBytes("notes.txt", "1\r\nA\r\na\xB0\r\n");
    const auto privateMode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    std::filesystem::permissions("notes.txt", privateMode);
    table = makeTable({{"B", "2", "b"}});
    ASSERT_FALSE(writeNotes(table, 1, *files, fixedToday).has_value());
    EXPECT_EQ(std::filesystem::status("notes.txt").permissions(), privateMode);
}
#endif

TEST(NotesFileErrorMessage, TextForEachCause) {
    struct Case {
        FileErrorCause cause;
        const char* text;
    };
    const Case cases[] = {
        {FileErrorCause::Generic, "An unknown error occurred while accessing C:\\w\\notes.txt."},
        {FileErrorCause::DiskFull, "Disk full while accessing C:\\w\\notes.txt."},
        {FileErrorCause::BadSeek, "Seek failed on C:\\w\\notes.txt"},
        {FileErrorCause::AccessDenied, "Access to C:\\w\\notes.txt was denied."},
        {FileErrorCause::SharingViolation, "C:\\w\\notes.txt is in use by another program."},
        {FileErrorCause::NotFound, "C:\\w\\notes.txt was not found."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fileErrorMessage({c.cause, "C:\\w\\notes.txt", 0}), c.text);
    }
}

TEST(NotesTodayString, SixDigitsMonthDayYear) {
    const std::string today = todayString();
    ASSERT_EQ(today.size(), 6u) << today;
    for (char c : today) EXPECT_TRUE(c >= '0' && c <= '9') << today;
    const int month = std::stoi(today.substr(0, 2));
    const int day = std::stoi(today.substr(2, 2));
    EXPECT_TRUE(month >= 1 && month <= 12) << today;
    EXPECT_TRUE(day >= 1 && day <= 31) << today;
}

}  // namespace
}  // namespace scriblet
