// The journal of unsaved typing as the editing rules keep it: written once
// the timer that the first change started runs out, naming the shown note by
// its place and title in notes.txt, gone with a save or a clean end; and the
// journals of stopped copies offered back at the start.
#include "tests/unit/rules_test_support.h"

#include "notes/digest.h"
#include "notes/journal_format.h"

namespace scriblet::test {
namespace {

const char* const kJournal = "notes.txt.7.journal";

class RulesJournal : public RulesTest {
protected:
    // The journal this session wrote.
    JournalNote journal() {
        JournalNote note;
        JournalBase base;
        EXPECT_TRUE(fs.has(kJournal));
        EXPECT_TRUE(parseJournal(fs.files[kJournal], note, base));
        return note;
    }
    void expectJournal(std::int16_t position, const std::string& savedTitle, const Note& fields) {
        const JournalNote note = journal();
        EXPECT_EQ(note.position, position);
        EXPECT_EQ(note.savedTitle, savedTitle);
        EXPECT_EQ(note.fields, fields);
    }
};

TEST_F(RulesJournal, KeepsTheShownNotesTypingUntilASaveOrACleanEnd) {
    startWithThree();
    // The first change starts the timer; the keystrokes after it cost nothing more.
    typeBody("!");
    typeBody("?");
    EXPECT_EQ(view.journalTimer, kJournalPauseMs);
    EXPECT_EQ(view.journalTimerStarts, 1);
    EXPECT_FALSE(fs.has(kJournal));
    rules.onJournalDue();
    EXPECT_EQ(view.journalTimer, 0);
    expectJournal(0, "A", {"A", "010101", "a!?"});

    // Renamed since the save, the note is still named by its title in notes.txt.
    typeTitle("2");
    rules.onJournalDue();
    expectJournal(0, "A", {"A2", "010101", "a!?"});

    // A journal that cannot be written is skipped without a word and tried again.
    fs.failWrites = true;
    typeBody("#");
    rules.onJournalDue();
    EXPECT_EQ(view.journalTimer, kJournalRetryMs);
    EXPECT_TRUE(view.warnings.empty() && view.fileErrors.empty());
    expectJournal(0, "A", {"A2", "010101", "a!?"});
    fs.failWrites = false;
    rules.onJournalDue();
    expectJournal(0, "A", {"A2", "010101", "a!?#"});

    // The save holds it all: the journal goes, and so does its timer.
    typeBody("$");
    clickList(0);
    EXPECT_FALSE(fs.has(kJournal));
    EXPECT_EQ(view.journalTimer, 0);

    // Deleting a note moves the next one up in the table, not in notes.txt;
    // undo puts the deleted one back where notes.txt has it.
    clickDelete(true);
    typeBody("b");
    rules.onJournalDue();
    expectJournal(1, "B", {"B", "020202", "bb"});
    clickUndo();
    rules.onJournalDue();
    expectJournal(0, "A2", {"A2", "010101", "a!?#$"});
    clickList(3);
    typeBody("new");
    rules.onJournalDue();
    expectJournal(-1, "", {"", "", "new"});

    // A clean end leaves nothing of it.
    EXPECT_TRUE(clickClose());
    EXPECT_EQ(fs.files.size(), 1u);
    EXPECT_EQ(notesFile(), record("010101", "A2", "a!?#$") + record("020202", "B", "bb") + record("030303", "C", "c") +
                               record(kToday, "Untitled", "new"));
}

// A journal that a stopped copy left beside the three notes: the second
// note, renamed and typed into.
struct LeftCase {
    const char* name;
    bool sameFile;        // notes.txt is still the file the journal names
    bool running;         // its copy still holds its lock
    std::deque<bool> answers;
    List list;            // after the start
    int shown;
};

void PrintTo(const LeftCase& c, std::ostream* out) { *out << c.name; }

class LeftJournals : public RulesJournal, public ::testing::WithParamInterface<LeftCase> {};

TEST_P(LeftJournals, AreOfferedOnceAndGoBackIntoTheirNoteOrANewOneOrAFile) {
    const LeftCase& c = GetParam();
    const std::string three = record("010101", "A", "a") + record("020202", "B", "b") + record("030303", "C", "c");
    const std::string named = c.sameFile ? three : record("010101", "A", "a");
    JournalBase base{true, named.size(), digestOf(named.data(), named.size())};
    const Note typed{"B2", "020202", "b typed"};
    formatJournal({1, "B", typed}, base, fs.files["notes.txt.3.journal"]);
    std::unique_ptr<FileLock> runningCopy;
    if (c.running) {
        ASSERT_TRUE(fs.lockFile("notes.txt.3.journal.lock", false, runningCopy));
    }
    // What notes.txt already holds as it stands is not offered.
    formatJournal({2, "C", {"C", "030303", "c"}}, {true, three.size(), digestOf(three.data(), three.size())},
                  fs.files["notes.txt.4.journal"]);
    view.answers = c.answers;
    start(three);

    EXPECT_EQ(view.questions, c.running ? List{} : List{restoreQuestion("B")});
    EXPECT_EQ(view.list, c.list);
    EXPECT_EQ(view.selection, c.shown);
    EXPECT_FALSE(fs.has("notes.txt.4.journal"));
    EXPECT_EQ(fs.has("notes.txt.3.journal"), c.running);
    const bool restored = !c.running && c.answers.front();
    if (restored) {
        expectShown("B2", "020202", "b typed");
        // This session's journal holds the restored note now.
        EXPECT_EQ(journal().fields, typed);
    }
    if (!c.running && !restored) {
        ASSERT_EQ(view.warnings.size(), 1u);
        const auto kept = std::find_if(fs.files.begin(), fs.files.end(), [](const auto& file) {
            return file.first.compare(0, 15, "notes (unsaved ") == 0;
        });
        ASSERT_NE(kept, fs.files.end());
        EXPECT_EQ(view.warnings[0], keptChangesMessage("B", "C:\\work\\" + kept->first));
        EXPECT_EQ(kept->second, record("020202", "B2", "b typed"));
    }

    // Shown as changed: the next way out saves it.
    EXPECT_TRUE(clickClose());
    std::string saved = three;
    if (restored && c.sameFile) saved = record("010101", "A", "a") + record("020202", "B2", "b typed") + record("030303", "C", "c");
    if (restored && !c.sameFile) saved = three + record("020202", "B2", "b typed");
    EXPECT_EQ(notesFile(), saved);
    EXPECT_FALSE(fs.has(kJournal));
}

INSTANTIATE_TEST_SUITE_P(
    Start, LeftJournals,
    ::testing::Values(LeftCase{"YesIntoItsNote", true, false, {true}, {"A", "B2", "C", "<New>"}, 1},
                      LeftCase{"YesIntoANewNoteOnceTheFileChanged", false, false, {true},
                               {"A", "B", "C", "B2", "<New>"}, 3},
                      LeftCase{"NoKeepsItInAFile", true, false, {false}, {"A", "B", "C", "<New>"}, 0},
                      LeftCase{"RunningCopysIsLeftAlone", true, true, {}, {"A", "B", "C", "<New>"}, 0}),
    [](const ::testing::TestParamInfo<LeftCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scriblet::test
