// A table at its limit of 32767 entries: no new note can be started, and an
// undo that would not fit is refused, each with a word to the user.
#include "tests/unit/rules_test_support.h"

namespace scriblet::test {
namespace {

class FullTableTest : public RulesTest {
protected:
    // Starts with one real note fewer than the limit allows, then types one
    // more: the table is full, its last entry the pending note.
    void SetUp() override {
        std::string bytes;
        for (int i = 0; i < NoteTable::kMaxEntries - 2; ++i) bytes += record("010101", "n", "x");
        start(bytes);
        clickList(NoteTable::kMaxEntries - 2);
        typeTitle("last");
        ASSERT_TRUE(table.isFull());
        moveFocus(Focus::List);
        clickList(NoteTable::kMaxEntries - 1);
        view.warnings.clear();
    }
    void expectPendingUnchanged() {
        EXPECT_EQ(table.noteCount(), NoteTable::kMaxEntries);
        EXPECT_EQ(view.list.back(), "<New>");
        EXPECT_EQ(view.list[NoteTable::kMaxEntries - 2], "last");
        EXPECT_EQ(table.at(NoteTable::kMaxEntries - 1).title, "");
        EXPECT_EQ(view.controls.title, "");
        ASSERT_EQ(view.warnings.size(), 1u);
        EXPECT_EQ(view.warnings[0], tableFullMessage());
    }
};

TEST_F(FullTableTest, TitleTypedIntoPendingIsRefused) {
    typeTitle("x");
    expectPendingUnchanged();
    EXPECT_NE(tableFullMessage().find("32766"), std::string::npos);
}

TEST_F(FullTableTest, BodyTypedIntoPendingIsRefused) {
    typeBody("x");
    moveFocus(Focus::List);
    expectPendingUnchanged();
}

TEST_F(FullTableTest, UndoThatWouldNotFitIsRefusedAndKept) {
    clickList(0);
    clickDelete(true);
    clickList(NoteTable::kMaxEntries - 2);
    typeTitle("again");
    ASSERT_TRUE(table.isFull());
    clickUndo();
    EXPECT_EQ(view.warnings, List{tableFullMessage()});
    EXPECT_TRUE(view.undoEnabled);
    EXPECT_EQ(undo.undoIndex, 0);
    EXPECT_EQ(view.list.size(), static_cast<std::size_t>(NoteTable::kMaxEntries));

    clickList(1);
    clickDelete(true);  // makes room, but this deletion now fills the slot
    clickUndo();
    EXPECT_EQ(view.list[1], "n");
    EXPECT_FALSE(view.undoEnabled);
}

}  // namespace
}  // namespace scriblet::test
