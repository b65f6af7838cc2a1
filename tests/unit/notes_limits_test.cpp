// The 16-bit limit: a file with more notes than the table holds loses none of
// them at the next save.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/platform_file_system.h"
#include "notes/notes_store.h"
#include "notes_test_support.h"

namespace scriblet {
namespace {

using testing::CurrentScratchDir;
using testing::fixedToday;
using testing::parsed;
using testing::readBytes;
using testing::record;
using testing::writeBytes;

std::string recordsFile(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        bytes += record("1203" + std::to_string(i % 100), "Title " + n, "body " + n + "\r\nsecond line");
    }
    return bytes;
}

TEST(NotesLimits, NotesBeyondTheTableAreKeptAndWrittenBack) {
    // Bytes after a stop byte follow the text beyond the table.
    const std::string bytes = recordsFile(kMaxNotesRead + 3) + "\x1A" + recordsFile(1);
    NoteTable table = parsed(bytes);
    ASSERT_EQ(table.noteCount(), kMaxNotesRead);
    EXPECT_EQ(table.at(kMaxNotesRead - 1).title, "Title 32765");
    EXPECT_EQ(table.unreadText.substr(0, 12), "120366\nTitle");

    // The window's pending note still fits, and then the table is full.
    ASSERT_TRUE(table.appendNote());
    EXPECT_FALSE(table.appendNote());
    EXPECT_EQ(formatNotes(table, kMaxNotesRead, fixedToday), bytes);
}

TEST(NotesLimits, UnreadNotesComeBackAfterDeletions) {
    const std::string bytes = recordsFile(kMaxNotesRead + 2);
    NoteTable table = parsed(bytes);
    table.removeNoteAt(0);
    table.removeNoteAt(0);
    const NoteTable reread = parsed(formatNotes(table, table.noteCount(), fixedToday));
    ASSERT_EQ(reread.noteCount(), kMaxNotesRead);
    EXPECT_EQ(reread.at(0).title, "Title 2");
    EXPECT_EQ(reread.at(kMaxNotesRead - 1).title, "Title 32767");
    EXPECT_EQ(reread.unreadText, "");
}

TEST(NotesLimits, FullTableIsWrittenWhole) {
    NoteTable table;
    for (int i = 0; i < NoteTable::kMaxEntries; ++i) {
        table.appendNote();
        table.at(static_cast<std::int16_t>(i)).title = "T" + std::to_string(i);
    }
    const std::string bytes = formatNotes(table, table.noteCount(), fixedToday);
    const NoteTable reread = parsed(bytes);
    ASSERT_EQ(reread.noteCount(), kMaxNotesRead);
    EXPECT_EQ(reread.unreadText, "010203\nT32766\n<empty>\xB0\n");
    EXPECT_EQ(formatNotes(reread, reread.noteCount(), fixedToday), bytes);
}

TEST(NotesLimits, LongFileSurvivesReadAndSaveOnDisk) {
    CurrentScratchDir scratch;
    const std::unique_ptr<FileSystem> files = makePlatformFileSystem();
    const std::string bytes = recordsFile(kMaxNotesRead + 5);
    writeBytes("notes.txt", bytes);
    NoteTable table;
    NotesStore store(*files, fixedToday);
    ASSERT_EQ(store.read(table).result, ReadResult::OpenedWithData);
    ASSERT_EQ(table.noteCount(), kMaxNotesRead);
    // A save copies the notes before the first change from what it read.
    Note& last = table.at(kMaxNotesRead - 1);
    last.body += "!";
    ASSERT_EQ(store.save(table, table.noteCount()).result, SaveResult::Saved);
    EXPECT_TRUE(readBytes("notes.txt") == formatNotes(table, table.noteCount(), fixedToday));
    last.body.pop_back();
    ASSERT_EQ(store.save(table, table.noteCount()).result, SaveResult::Saved);
    EXPECT_TRUE(readBytes("notes.txt") == bytes);
}

}  // namespace
}  // namespace scriblet
