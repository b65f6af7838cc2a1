// Deleting a note after the confirmation, and bringing it back with undo.
#include "tests/unit/rules_test_support.h"

namespace scriblet::test {
namespace {

TEST_F(RulesTest, DeleteAsksThenRemovesAndUndoPutsBack) {
    startWithThree();
    clickList(1);
    clickDelete(true);
    EXPECT_EQ(view.questions,
              List{"Delete?|Am I \nokay in \nunderstanding \nyour command to \nDELETE this Note?"});
    EXPECT_EQ(view.list, (List{"A", "C", "<New>"}));
    EXPECT_EQ(view.selection, 1);
    expectShown("C", "030303", "c");
    EXPECT_TRUE(view.undoEnabled);
    EXPECT_EQ(undo.undoIndex, 1);
    EXPECT_EQ(undo.note, (Note{"B", "020202", "b"}));

    clickUndo();
    EXPECT_EQ(view.list, (List{"A", "B", "C", "<New>"}));
    EXPECT_EQ(view.selection, 1);
    expectShown("B", "020202", "b");
    EXPECT_FALSE(view.undoEnabled);
    EXPECT_EQ(undo.undoIndex, -1);
    EXPECT_EQ(table.at(3), Note{});
}

TEST_F(RulesTest, DeleteSavesNothingUntilTheNextSave) {
    startWithThree();
    const std::string before = notesFile();
    clickDelete(true);
    EXPECT_EQ(notesFile(), before);
    EXPECT_TRUE(clickClose());
    EXPECT_EQ(notesFile(), record("020202", "B", "b") + record("030303", "C", "c"));
}

TEST_F(RulesTest, CancelledDeleteChangesNothing) {
    startWithThree();
    typeBody("!");
    clickDelete(false);
    EXPECT_EQ(view.list, (List{"A", "B", "C", "<New>"}));
    EXPECT_EQ(table.noteCount(), 4);
    EXPECT_FALSE(view.undoEnabled);
    EXPECT_TRUE(undo.isEmpty());
    expectShown("A", "010101", "a!");
}

TEST_F(RulesTest, PendingNoteCannotBeDeleted) {
    startWithThree();
    clickList(3);
    clickDelete(true);
    EXPECT_EQ(view.list, (List{"A", "B", "C", "<New>"}));
    EXPECT_FALSE(view.undoEnabled);
    EXPECT_TRUE(undo.isEmpty());
    EXPECT_EQ(view.selection, 3);
}

TEST_F(RulesTest, DeletingTheLastRealNoteShowsThePendingNote) {
    startWithThree();
    clickList(2);
    clickDelete(true);
    EXPECT_EQ(view.list, (List{"A", "B", "<New>"}));
    EXPECT_EQ(view.selection, 2);
    expectShown("", "", "");
    typeTitle("D");  // the shown entry is still the pending note
    EXPECT_EQ(view.list, (List{"A", "B", "D", "<New>"}));
}

TEST_F(RulesTest, UndoRestoresOnlyTheSecondOfTwoDeletions) {
    startWithThree();
    clickDelete(true);
    clickDelete(true);
    EXPECT_EQ(view.list, (List{"C", "<New>"}));
    clickUndo();
    EXPECT_EQ(view.list, (List{"B", "C", "<New>"}));
    clickUndo();
    EXPECT_EQ(view.list, (List{"B", "C", "<New>"}));
    expectShown("B", "020202", "b");
}

// Unsaved date and body edits are what the user saw: delete keeps them for
// undo, and undo does not overwrite them.
TEST_F(RulesTest, DeleteKeepsUnsavedEditsForUndo) {
    startWithThree();
    typeDate("9");
    typeBody("!");
    clickDelete(true);
    EXPECT_EQ(undo.note, (Note{"A", "0101019", "a!"}));
    clickUndo();
    expectShown("A", "0101019", "a!");
}

TEST_F(RulesTest, UndoKeepsUnsavedEditsOfTheShownNote) {
    startWithThree();
    clickList(1);
    clickDelete(true);
    typeDate("9");
    typeBody("!");
    clickUndo();
    EXPECT_EQ(table.at(2), (Note{"C", "0303039", "c!"}));
    clickList(2);
    expectShown("C", "0303039", "c!");
}

TEST_F(RulesTest, BodyTypedIntoPendingSurvivesDeleteAndUndo) {
    start(record("010101", "A", "a"));
    clickList(1);
    typeBody("body");
    clickDelete(true);  // leaving the body made it an "Untitled" note first
    EXPECT_EQ(view.list, (List{"A", "<New>"}));
    EXPECT_EQ(undo.note, (Note{"Untitled", kToday, "body"}));
    clickUndo();
    EXPECT_EQ(view.list, (List{"A", "Untitled", "<New>"}));
    expectShown("Untitled", kToday, "body");
    EXPECT_TRUE(clickClose());
    EXPECT_EQ(notesFile(), record("010101", "A", "a") + record(kToday, "Untitled", "body"));
}

}  // namespace
}  // namespace scriblet::test
