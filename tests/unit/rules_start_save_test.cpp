// Start of the window and the saves: what is shown first, what reaches the
// file, and what happens when the file cannot be read or written.
#include "tests/unit/rules_test_support.h"

namespace scriblet::test {
namespace {

struct StartCase {
    const char* name;
    bool fileExists;
    std::string bytes;
    List list;
    FieldBuffers shown;
};

class StartTest : public RulesTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartTest, ListsTheNotesThenPendingAndShowsTheFirst) {
    const StartCase& c = GetParam();
    if (c.fileExists) fs.files[kNotesFileName] = c.bytes;
    rules.startNotes();

    EXPECT_TRUE(fs.has(kNotesFileName));
    EXPECT_EQ(view.list, c.list);
    EXPECT_EQ(view.selection, 0);
    expectShown(c.shown.title, c.shown.date, c.shown.body);
    // Titles and "<New>" come in one fill.
    EXPECT_EQ(view.fills, 1);
    EXPECT_TRUE(view.warnings.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, StartTest,
    ::testing::Values(
        StartCase{"Missing", false, "", {"<New>"}, {"", "", ""}},
        StartCase{"Empty", true, "", {"<New>"}, {"", "", ""}},
        StartCase{"BytesButNoRecord", true, "\r\n\r\n", {"<New>"}, {"", "", ""}},
        StartCase{"TwoNotes", true, record("010101", "A", "a\nb") + record("020202", "B", ""),
                  {"A", "B", "<New>"}, {"A", "010101", "a\nb"}}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST_F(RulesTest, ClosingWritesTheShownNotesEditsAndNothingElse) {
    startWithThree();
    typeBody("\nmore");
    EXPECT_TRUE(clickClose());
    EXPECT_EQ(notesFile(), record("010101", "A", "a\nmore") + record("020202", "B", "b") +
                               record("030303", "C", "c"));
}

// A date typed into a real note leaves the flag up, but the untouched pending
// note must not come back as an "Untitled" note at the next start.
class PhantomTest : public RulesTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PhantomTest, DateTypedIntoARealNoteWritesNoPhantomNote) {
    start(record("010101", "A", "a"));
    typeDate("9");
    if (GetParam()) EXPECT_TRUE(clickClose());
    else pressEscape();
    EXPECT_EQ(notesFile(), record("0101019", "A", "a"));
}

INSTANTIATE_TEST_SUITE_P(CloseOrEscape, PhantomTest, ::testing::Bool());

TEST_F(RulesTest, DateTypedIntoPendingIsWrittenAsUntitledWhenAnotherNoteIsChosen) {
    start(record("010101", "A", "a"));
    clickList(1);
    typeDate("0707");
    clickList(0);
    EXPECT_EQ(notesFile(), record("010101", "A", "a") + record("0707", "Untitled", "<empty>"));
    EXPECT_EQ(view.list, (List{"A", "<New>"}));
}

TEST_F(RulesTest, ChoosingANoteSavesTheShownOneFirst) {
    startWithThree();
    typeBody("!");
    clickList(2);
    EXPECT_EQ(notesFile(), record("010101", "A", "a!") + record("020202", "B", "b") +
                               record("030303", "C", "c"));
    EXPECT_EQ(view.selection, 2);
    expectShown("C", "030303", "c");
}

TEST_F(RulesTest, AFailedSaveKeepsTheWindowAndTheListOnTheShownNote) {
    startWithThree();
    const std::string before = notesFile();
    typeBody("!");
    fs.failWrites = true;

    clickList(2);
    ASSERT_EQ(view.fileErrors.size(), 1u);
    EXPECT_EQ(view.fileErrors[0].cause, FileErrorCause::DiskFull);
    EXPECT_EQ(view.selection, 0);
    expectShown("A", "010101", "a!");

    EXPECT_FALSE(clickClose());
    EXPECT_EQ(view.fileErrors.size(), 2u);
    EXPECT_EQ(notesFile(), before);

    fs.failWrites = false;
    EXPECT_TRUE(clickClose());
    EXPECT_EQ(notesFile(), record("010101", "A", "a!") + record("020202", "B", "b") +
                               record("030303", "C", "c"));
}

// Every way out saves once while the window is still shown; after a failed
// save, reported, the window stays with what was typed unless the user closes
// all the same. The window's destruction saves nothing after either.
struct WayOut {
    const char* name;
    bool (NotesController::*take)();
};

class WaysOut : public RulesTest, public ::testing::WithParamInterface<WayOut> {
protected:
    bool leave() {
        moveFocus(Focus::Button);
        return (rules.*GetParam().take)();
    }
    const std::string saved = record("010101", "A", "a!") + record("020202", "B", "b") + record("030303", "C", "c");
};

TEST_P(WaysOut, SaveWhileShownAndAFailureKeepsTheWindowUnlessClosedAnyway) {
    startWithThree();
    const std::string before = notesFile();
    typeBody("!");
    fs.failWrites = true;

    EXPECT_FALSE(leave());
    EXPECT_EQ(view.fileErrors.size(), 1u);
    EXPECT_EQ(view.questions, List{kCloseAnywayQuestion});
    expectShown("A", "010101", "a!");
    EXPECT_EQ(notesFile(), before);

    view.answers = {true};
    EXPECT_TRUE(leave());
    EXPECT_EQ(view.fileErrors.size(), 2u);
    EXPECT_EQ(view.questions.size(), 2u);
    fs.failWrites = false;
    rules.onDestroy();
    EXPECT_EQ(notesFile(), before);
}

TEST_P(WaysOut, SavedOnceAndTheDestructionAddsNothing) {
    startWithThree();
    typeBody("!");
    EXPECT_TRUE(leave());
    EXPECT_EQ(notesFile(), saved);
    EXPECT_EQ(fs.writesStarted, 1);
    typeBody("?");
    rules.onDestroy();
    EXPECT_EQ(notesFile(), saved);
    EXPECT_TRUE(view.questions.empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, WaysOut,
                         ::testing::Values(WayOut{"CloseButton", &NotesController::onCloseButton},
                                           WayOut{"Cancel", &NotesController::onCancel},
                                           WayOut{"OK", &NotesController::onOK}),
                         [](const ::testing::TestParamInfo<WayOut>& info) { return std::string(info.param.name); });

// The modal loop can end without a way out (a quit request): the destruction
// saves, and reports a failure.
TEST_F(RulesTest, WithoutAWayOutTheDestructionSaves) {
    startWithThree();
    typeBody("!");
    fs.failWrites = true;
    rules.onDestroy();
    EXPECT_EQ(view.fileErrors.size(), 1u);
    fs.failWrites = false;
    rules.onDestroy();
    EXPECT_EQ(notesFile(), record("010101", "A", "a!") + record("020202", "B", "b") + record("030303", "C", "c"));
}

// Log-off and shut-down. The query saves as every way out does; what is typed
// after it, or was not saved because the query was refused, is saved when the
// session ends, without a question or a box: the user is being logged off.
TEST_F(RulesTest, EndOfTheSessionSavesWhatChangedSinceTheQueryWithoutAWord) {
    start(record("010101", "A", "a"));
    typeBody("!");
    EXPECT_TRUE(rules.onQueryEndSession());
    EXPECT_EQ(notesFile(), record("010101", "A", "a!"));

    typeBody("?");
    const std::string theirs = record("090909", "Theirs", "t");
    fs.files[kNotesFileName] = theirs;
    rules.onEndSession(true);
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(notesFile(), theirs);
    ASSERT_EQ(fs.files.size(), 2u);
    const auto side = fs.files.begin();
    EXPECT_EQ(side->first.substr(0, 16), "notes (Scriblet ");
    EXPECT_EQ(side->second, record("010101", "A", "a!?"));
    const int writes = fs.writesStarted;
    rules.onDestroy();
    EXPECT_EQ(fs.writesStarted, writes);
}

TEST_F(RulesTest, EndOfTheSessionAfterARefusedQueryTriesAgainSilentlyOnceNoSaveRuns) {
    startWithThree();
    const std::string before = notesFile();
    typeBody("!");
    fs.failWrites = true;
    // The session is told to end while the failed save's box is up.
    int writesWhileShown = -1;
    view.whileFileErrorShown = [&] {
        rules.onEndSession(true);
        writesWhileShown = fs.writesStarted;
    };
    EXPECT_FALSE(rules.onQueryEndSession());
    EXPECT_EQ(writesWhileShown, 1);
    view.whileFileErrorShown = nullptr;

    // The save fails silently, and so does the journal of what it could not save (the disk is full).
    rules.onEndSession(true);
    EXPECT_EQ(fs.writesStarted, 3);
    EXPECT_EQ(view.fileErrors.size(), 1u);
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(notesFile(), before);
    fs.failWrites = false;
    rules.onEndSession(true);
    rules.onDestroy();
    EXPECT_EQ(notesFile(), before);
}

// A handler that failed may have left the rules half way: nothing is saved
// from then on, and every way out asks before the changes are discarded.
TEST_F(RulesTest, AfterAFailedHandlerNothingIsSavedAndWaysOutAskBeforeDiscarding) {
    startWithThree();
    const std::string before = notesFile();
    typeBody("!");
    rules.onInternalError(false);
    EXPECT_EQ(view.warnings, List{internalErrorMessage(false)});
    clickList(1);
    EXPECT_EQ(view.selection, 1);
    view.answers = {false, true};
    EXPECT_FALSE(pressEscape());
    EXPECT_TRUE(clickClose());
    EXPECT_EQ(view.questions, (List{kDiscardQuestion, kDiscardQuestion}));
    rules.onEndSession(true);
    rules.onDestroy();
    EXPECT_EQ(fs.writesStarted, 0);
    EXPECT_EQ(notesFile(), before);
}

// A file that cannot be read, or only as the wrong encoding, must never be
// replaced by the empty table.
class UnreadableStart : public RulesTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UnreadableStart, IsToldOnceAndNeverSavedOver) {
    const bool utf16 = GetParam();
    const std::string bytes = utf16 ? std::string("\xFF\xFE" "A\0\r\0\n\0", 8) : record("010101", "A", "a");
    fs.files[kNotesFileName] = bytes;
    fs.failReads = !utf16;
    rules.startNotes();
    fs.failReads = false;

    ASSERT_EQ(view.warnings.size(), 1u);
    EXPECT_EQ(view.warnings[0], utf16 ? unicodeNotesMessage("C:\\work\\notes.txt")
                                      : unreadableNotesMessage("C:\\work\\notes.txt"));
    EXPECT_NE(view.warnings[0].find("C:\\work\\notes.txt"), std::string::npos);
    EXPECT_EQ(view.list, List{"<New>"});
    EXPECT_EQ(view.selection, 0);
    // Nothing changed yet: Enter would close without a question.
    EXPECT_TRUE(rules.onOK());
    EXPECT_TRUE(view.questions.empty());

    typeTitle("X");
    typeBody("x");
    clickList(1);
    // Every close first asks before the changes are discarded; No keeps the window.
    view.answers = {false, true};
    EXPECT_FALSE(pressEscape());
    EXPECT_TRUE(clickClose());
    rules.onDestroy();
    const std::string asked = kDiscardQuestion;
    EXPECT_EQ(view.questions, (List{asked, asked}));
    EXPECT_EQ(notesFile(), bytes);
    EXPECT_EQ(fs.writesStarted, 0);
    EXPECT_EQ(view.list, (List{"X", "<New>"}));
    EXPECT_EQ(table.at(0).body, "x");
    EXPECT_EQ(view.warnings.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(ReadFailsOrUtf16, UnreadableStart, ::testing::Bool());

TEST_F(RulesTest, SaveCutShortIsPutInPlaceAndToldOnce) {
    fs.files["notes.txt.3.saved"] = record("010101", "A", "a");
    rules.startNotes();
    EXPECT_EQ(view.list, (List{"A", "<New>"}));
    EXPECT_EQ(view.warnings, List{recoveredNotesMessage("C:\\work\\notes.txt", true, {})});
    EXPECT_EQ(notesFile(), record("010101", "A", "a"));
    EXPECT_FALSE(fs.has("notes.txt.3.saved"));
}

// Another copy saved notes.txt after this window read it.
class ChangedByAnotherProgram : public RulesTest, public ::testing::WithParamInterface<bool> {
protected:
    const std::string theirs = record("010101", "A", "a") + record("090909", "Theirs", "t");

    void startThenLetAnotherCopySave() {
        start(record("010101", "A", "a"));
        fs.files[kNotesFileName] = theirs;
    }
    // The file the question offers for No.
    std::string offeredSideFile() const {
        const std::string& question = view.questions.at(0);
        const std::size_t from = question.find("C:\\work\\") + 8;
        return question.substr(from, question.find('\n', from) - from);
    }
};

TEST_P(ChangedByAnotherProgram, EscapeAsksOnceWhileTheWindowIsShownAndSavesAsAnswered) {
    const bool saveOver = GetParam();
    startThenLetAnotherCopySave();
    typeBody("!");
    view.answers = {saveOver};

    ASSERT_TRUE(pressEscape());
    ASSERT_EQ(view.questions.size(), 1u);
    const std::string side = offeredSideFile();
    EXPECT_EQ(view.questions[0], changedNotesQuestion("C:\\work\\" + side));
    EXPECT_EQ(side.substr(0, 16), "notes (Scriblet ");
    // One save, and the side file the question reserved as it asked.
    EXPECT_EQ(fs.writesStarted, 2);
    rules.onDestroy();
    EXPECT_EQ(view.questions.size(), 1u);
    EXPECT_TRUE(view.fileErrors.empty());
    if (saveOver) {
        EXPECT_EQ(notesFile(), record("010101", "A", "a!"));
        EXPECT_FALSE(fs.has(side));
    } else {
        EXPECT_EQ(notesFile(), theirs);
        EXPECT_EQ(fs.files[side], record("010101", "A", "a!"));
    }
}

TEST_P(ChangedByAnotherProgram, ChoosingANoteAsksAndNoKeepsSavingBesideIt) {
    const bool saveOver = GetParam();
    startThenLetAnotherCopySave();
    typeBody("!");
    view.answers = {saveOver};
    clickList(1);
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(view.selection, 1);

    // The other program saves again: a Yes covered only its first change.
    const std::string again = theirs + record("101010", "Again", "x");
    fs.files[kNotesFileName] = again;
    typeTitle("B");
    view.answers = {true};
    EXPECT_TRUE(clickClose());
    EXPECT_EQ(view.questions.size(), saveOver ? 2u : 1u);
    const std::string mine = record("010101", "A", "a!") + record(kToday, "B", "<empty>");
    if (saveOver) {
        EXPECT_EQ(notesFile(), mine);
        EXPECT_FALSE(fs.has(offeredSideFile()));
    } else {
        EXPECT_EQ(notesFile(), again);
        EXPECT_EQ(fs.files[offeredSideFile()], mine);
    }
}

// Without edits the window has nothing of its own to put there: no question, nothing written.
TEST_P(ChangedByAnotherProgram, ClosingWithoutEditsAsksNothingAndLeavesTheirFile) {
    startThenLetAnotherCopySave();
    if (GetParam()) EXPECT_TRUE(clickClose());
    else EXPECT_TRUE(pressEscape());
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(fs.writesStarted, 0);
    EXPECT_EQ(notesFile(), theirs);
}

INSTANTIATE_TEST_SUITE_P(SaveOverOrKeepBoth, ChangedByAnotherProgram, ::testing::Bool());

TEST_F(RulesTest, FolderWhereNoFileMayBeCreatedIsToldOnceAndSavedInPlace) {
    startWithThree();
    fs.failCreation = true;
    typeBody("!");
    clickList(1);
    EXPECT_EQ(view.warnings, List{kInPlaceMessage});
    EXPECT_TRUE(view.fileErrors.empty());
    typeBody("?");
    clickList(2);
    EXPECT_EQ(view.warnings.size(), 1u);
    EXPECT_EQ(notesFile(), record("010101", "A", "a!") + record("020202", "B", "b?") + record("030303", "C", "c"));
    EXPECT_EQ(fs.files.size(), 1u);
}

TEST_F(RulesTest, FileThatCanNeitherBeOpenedNorCreatedStartsWithPendingOnly) {
    fs.failCreation = true;
    rules.startNotes();
    EXPECT_EQ(view.warnings, List{cannotCreateNotesMessage("C:\\work\\notes.txt")});
    EXPECT_EQ(view.list, List{"<New>"});
    typeTitle("X");
    view.answers = {true};
    EXPECT_TRUE(clickClose());
    EXPECT_EQ(view.questions.size(), 1u);
    EXPECT_EQ(fs.writesStarted, 0);
}

// The window may be torn down before its start ran: no handler may touch the
// empty table, and nothing is written.
TEST_F(RulesTest, HandlersBeforeStartChangeNothing) {
    view.controls = {"t", "d", "b"};
    view.modified = true;
    view.selection = 0;
    view.answers = {true};
    undo.undoIndex = 0;
    rules.onSelectNote();
    rules.commitTitle();
    rules.onBodyLeft();
    rules.stampDate();
    rules.onDateButtonDoubleClicked();
    rules.onDeleteNote();
    rules.onUndoDelete();
    EXPECT_TRUE(rules.onOK());
    EXPECT_TRUE(rules.onCloseButton());
    rules.onDestroy();
    EXPECT_EQ(table.noteCount(), 0);
    EXPECT_TRUE(view.list.empty());
    EXPECT_EQ(fs.writesStarted, 0);
    EXPECT_EQ(undo.undoIndex, 0);
}

TEST_F(RulesTest, SelectionChangeWithoutAValidEntryIsIgnored) {
    startWithThree();
    typeBody("!");
    for (int entry : {-1, 4, 100}) {
        clickList(entry);
        EXPECT_EQ(fs.writesStarted, 0) << entry;
    }
    expectShown("A", "010101", "a!");
    // Still the shown note: the next save writes the edit into it.
    EXPECT_TRUE(clickClose());
    EXPECT_EQ(notesFile(), record("010101", "A", "a!") + record("020202", "B", "b") + record("030303", "C", "c"));
}

}  // namespace
}  // namespace scriblet::test
