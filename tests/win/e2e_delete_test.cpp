// Deleting the shown note after a confirmation, and undoing the last deletion.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"

namespace scriblet::e2e {
namespace {

using Entries = std::vector<std::string>;

const std::string kThreeNotes =
    "010101\r\nA\r\na\xB0\r\n"
    "020202\r\nB\r\nb\xB0\r\n"
    "030303\r\nC\r\nc\xB0\r\n";

// Clicks the delete button and answers its question.
void deleteShownNote(const Scriblet& app, int answer) {
    app.postButton(IDC_DELETE_BUTTON);
    const std::optional<MessageBoxInfo> box = app.waitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ("Delete?", box->caption);
    EXPECT_EQ("Am I \nokay in \nunderstanding \nyour command to \nDELETE this Note?", box->text);
    EXPECT_EQ(BoxIcon::None, box->icon);
    EXPECT_TRUE(box->hasCancel);
    app.answer(*box, answer);
    ASSERT_TRUE(app.waitIdle());
}

TEST(Delete, OkRemovesTheShownNoteAndUndoBringsBackWhatWasShown) {
    Scriblet app(withNotes(kThreeNotes));
    ASSERT_TRUE(app.started());
    EXPECT_FALSE(app.enabled(IDC_UNDO_BUTTON));
    app.selectEntry(1);
    // Shown but not yet saved: the deletion keeps it for the undo.
    app.typeAtEnd(IDC_BODY, " edited");

    deleteShownNote(app, IDOK);
    EXPECT_EQ((Entries{"A", "C", "<New>"}), app.listEntries());
    EXPECT_EQ(1, app.listSelection());
    EXPECT_EQ("C", app.text(IDC_TITLE));
    EXPECT_EQ("c", app.text(IDC_BODY));
    EXPECT_TRUE(app.enabled(IDC_UNDO_BUTTON));

    app.pressButton(IDC_UNDO_BUTTON);
    EXPECT_EQ((Entries{"A", "B", "C", "<New>"}), app.listEntries());
    EXPECT_EQ(1, app.listSelection());
    EXPECT_EQ("B", app.text(IDC_TITLE));
    EXPECT_EQ("020202", app.text(IDC_DATE));
    EXPECT_EQ("b edited", app.text(IDC_BODY));
    EXPECT_FALSE(app.enabled(IDC_UNDO_BUTTON));
}

TEST(Delete, CancelChangesNothing) {
    Scriblet app(withNotes(kThreeNotes));
    ASSERT_TRUE(app.started());

    deleteShownNote(app, IDCANCEL);
    EXPECT_EQ((Entries{"A", "B", "C", "<New>"}), app.listEntries());
    EXPECT_EQ(0, app.listSelection());
    EXPECT_EQ("A", app.text(IDC_TITLE));
    EXPECT_FALSE(app.enabled(IDC_UNDO_BUTTON));
}

TEST(Delete, PendingNoteCannotBeDeleted) {
    Scriblet app(withNotes(kThreeNotes));
    ASSERT_TRUE(app.started());
    app.selectEntry(3);

    deleteShownNote(app, IDOK);
    EXPECT_EQ((Entries{"A", "B", "C", "<New>"}), app.listEntries());
    EXPECT_EQ(3, app.listSelection());
    EXPECT_FALSE(app.enabled(IDC_UNDO_BUTTON));
}

TEST(Delete, UndoAfterTwoDeletionsRestoresOnlyTheSecond) {
    Scriblet app(withNotes(kThreeNotes));
    ASSERT_TRUE(app.started());

    deleteShownNote(app, IDOK);
    deleteShownNote(app, IDOK);
    EXPECT_EQ((Entries{"C", "<New>"}), app.listEntries());

    app.pressButton(IDC_UNDO_BUTTON);
    EXPECT_EQ((Entries{"B", "C", "<New>"}), app.listEntries());
    EXPECT_EQ(0, app.listSelection());
    EXPECT_EQ("B", app.text(IDC_TITLE));
    EXPECT_FALSE(app.enabled(IDC_UNDO_BUTTON));

    // Neither deleting nor undoing saved; the next save writes what is listed.
    EXPECT_EQ(printable(kThreeNotes), printable(app.notes().value_or("")));
    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(printable("020202\r\nB\r\nb\xB0\r\n"
                        "030303\r\nC\r\nc\xB0\r\n"),
              printable(app.notes().value_or("")));
}

}  // namespace
}  // namespace scriblet::e2e
