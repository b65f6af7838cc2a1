// The note table and the undo slot: growth, removal and re-insertion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notes/note_table.h"
#include "notes_test_support.h"

namespace scriblet {
namespace {

using testing::makeTable;
using testing::notesOf;

const Note kA{"A", "1", "a"};
const Note kB{"B", "2", "b"};
const Note kC{"C", "3", "c"};
const Note kPending{};

TEST(NotesTable, AppendPutsAnEmptyNoteAtTheEnd) {
    NoteTable table = makeTable({kA});
    ASSERT_TRUE(table.appendNote());
    EXPECT_EQ(table.noteCount(), 2);
    EXPECT_EQ(table.at(1), Note());
    EXPECT_EQ(table.at(0), kA);
}

TEST(NotesTable, RemovingMovesTheLaterNotesDown) {
    NoteTable table = makeTable({kA, kB, kC, kPending});
    table.removeNoteAt(1);
    EXPECT_EQ(notesOf(table), (std::vector<Note>{kA, kC, kPending}));
    table.removeNoteAt(2);
    EXPECT_EQ(notesOf(table), (std::vector<Note>{kA, kC}));
    table.removeNoteAt(0);
    EXPECT_EQ(notesOf(table), (std::vector<Note>{kC}));
}

TEST(NotesTable, RemovingOutsideTheTableChangesNothing) {
    NoteTable table = makeTable({kA, kB});
    table.removeNoteAt(2);
    table.removeNoteAt(-1);
    EXPECT_EQ(notesOf(table), (std::vector<Note>{kA, kB}));
}

struct ReinsertCase {
    const char* name;
    std::int32_t undoIndex;
    std::vector<Note> before;
    std::vector<Note> after;
};

void PrintTo(const ReinsertCase& c, std::ostream* out) { *out << c.name; }

class Reinserting : public ::testing::TestWithParam<ReinsertCase> {};

TEST_P(Reinserting, PutsTheNoteBackAtItsPlace) {
    const ReinsertCase& c = GetParam();
    NoteTable table = makeTable(c.before);
    UndoSlot slot;
    slot.note = kB;
    slot.undoIndex = c.undoIndex;
    ASSERT_TRUE(table.reinsertFromUndo(slot));
    EXPECT_EQ(notesOf(table), c.after);
    EXPECT_EQ(slot.note, kB);
}

INSTANTIATE_TEST_SUITE_P(
    NotesTable, Reinserting,
    ::testing::Values(
        ReinsertCase{"Middle", 1, {kA, kC, kPending}, {kA, kB, kC, kPending}},
        ReinsertCase{"First", 0, {kA, kC, kPending}, {kB, kA, kC, kPending}},
        // The pending entry is overwritten and the appended one takes its role.
        ReinsertCase{"AtThePendingNote", 2, {kA, kC, {"", "9", "typed"}}, {kA, kC, kB, kPending}},
        ReinsertCase{"PastTheEnd", 2, {kA, kC}, {kA, kC, kB}},
        ReinsertCase{"IntoAnEmptyTable", 0, {}, {kB}}),
    [](const ::testing::TestParamInfo<ReinsertCase>& info) { return std::string(info.param.name); });

TEST(NotesTable, ReinsertRefusedWhenItCannotFit) {
    NoteTable table = makeTable({kA, kPending});
    UndoSlot slot;
    slot.note = kB;
    EXPECT_FALSE(table.reinsertFromUndo(slot)) << "empty slot";
    slot.undoIndex = 3;
    EXPECT_FALSE(table.reinsertFromUndo(slot)) << "index past the end";
    EXPECT_EQ(notesOf(table), (std::vector<Note>{kA, kPending}));
}

TEST(NotesTable, FullTableRefusesAdditionsWithoutOverflow) {
    NoteTable table;
    for (int i = 0; i < NoteTable::kMaxEntries; ++i) ASSERT_TRUE(table.appendNote());
    EXPECT_EQ(table.noteCount(), 32767);
    EXPECT_TRUE(table.isFull());
    EXPECT_FALSE(table.appendNote());
    UndoSlot slot;
    slot.note = kB;
    slot.undoIndex = 5;
    EXPECT_FALSE(table.reinsertFromUndo(slot));
    EXPECT_EQ(table.noteCount(), 32767);
    EXPECT_EQ(table.at(5), Note());

    table.removeNoteAt(0);
    EXPECT_EQ(table.noteCount(), 32766);
    EXPECT_TRUE(table.reinsertFromUndo(slot));
    EXPECT_EQ(table.noteCount(), 32767);
    EXPECT_EQ(table.at(5), kB);
}

TEST(NotesTable, ClearDropsNotesAndUnreadText) {
    NoteTable table = makeTable({kA});
    table.unreadText = "1\nX\nx\xB0\n";
    table.clear();
    EXPECT_EQ(table.noteCount(), 0);
    EXPECT_EQ(table.unreadText, "");
}

}  // namespace
}  // namespace scriblet
