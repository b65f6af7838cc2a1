// Typing into the fields: titles committed per keystroke, the pending note
// turning into a real one, the date button and the flag that decides whether
// the pending note is written.
#include "tests/unit/rules_test_support.h"

namespace scriblet::test {
namespace {

TEST_F(RulesTest, TitleTypedIntoPendingMakesANewNoteAndStampsTheDate) {
    start("");
    typeTitle("A");
    EXPECT_EQ(view.list, (List{"A", "<New>"}));
    EXPECT_EQ(view.selection, 0);
    expectShown("A", kToday, "");
    EXPECT_EQ(table.at(0), (Note{"A", kToday, ""}));
    EXPECT_EQ(table.at(1), Note{});

    typeTitle("b");
    EXPECT_EQ(view.list, (List{"Ab", "<New>"}));
    EXPECT_EQ(table.noteCount(), 2);
    EXPECT_EQ(view.selection, 0);
}

TEST_F(RulesTest, TitleTypedIntoPendingKeepsADateAlreadyTyped) {
    start("");
    typeDate("31");
    typeTitle("T");
    expectShown("T", "31", "");
    EXPECT_EQ(table.at(0).date, "");  // typed dates reach the table only by a save
}

TEST_F(RulesTest, TitleEditsOfARealNoteReplaceItsEntryOnly) {
    startWithThree();
    clickList(1);
    typeTitle("2");
    EXPECT_EQ(view.list, (List{"A", "B2", "C", "<New>"}));
    EXPECT_EQ(view.selection, 1);
    EXPECT_EQ(table.at(1).title, "B2");
    eraseTitle();
    EXPECT_EQ(view.list, (List{"A", "", "C", "<New>"}));
    EXPECT_EQ(table.at(1).date, "020202");
    clickList(0);
    EXPECT_EQ(notesFile(), record("010101", "A", "a") + record("020202", "Untitled", "b") +
                               record("030303", "C", "c"));
}

TEST_F(RulesTest, BodyTypedIntoPendingBecomesAnUntitledNoteWhenLeft) {
    start(record("010101", "A", "a"));
    clickList(1);
    typeBody("milk\r\nbread");
    clickList(0);
    EXPECT_EQ(view.list, (List{"A", "Untitled", "<New>"}));
    EXPECT_EQ(table.at(1), (Note{"Untitled", kToday, "milk\r\nbread"}));
    EXPECT_EQ(notesFile(), record("010101", "A", "a") + record(kToday, "Untitled", "milk\r\nbread"));
    EXPECT_EQ(view.selection, 0);
    expectShown("A", "010101", "a");
}

TEST_F(RulesTest, LeavingTheBodyWithoutTextOrModificationMakesNoNote) {
    start("");
    typeBody("");  // typed and erased: modified, but empty
    moveFocus(Focus::List);
    moveFocus(Focus::Body);
    view.modified = false;
    view.controls.body = "x";
    moveFocus(Focus::List);
    EXPECT_EQ(view.list, List{"<New>"});
    EXPECT_EQ(view.controls.title, "");
}

TEST_F(RulesTest, LeavingTheBodyOfARealNoteKeepsItsTitle) {
    startWithThree();
    typeBody("!");
    moveFocus(Focus::List);
    EXPECT_EQ(view.list, (List{"A", "B", "C", "<New>"}));
    expectShown("A", "010101", "a!");
    EXPECT_EQ(table.at(0).body, "a");  // the body reaches the table only by a save
}

TEST_F(RulesTest, DateButtonStampsFieldAndTableAtOnce) {
    startWithThree();
    rules.stampDate();
    expectShown("A", kToday, "a");
    EXPECT_EQ(table.at(0).date, kToday);

    // A double-click presses the button a second time: the same stamp again.
    view.controls.date = "typed";
    rules.onDateButtonDoubleClicked();
    EXPECT_EQ(view.controls.date, kToday);
    EXPECT_EQ(view.list, (List{"A", "B", "C", "<New>"}));
}

// Whether a save writes the pending note follows the user's last steps: a
// date typed into it raises the flag; leaving the title or the body lowers it.
enum class FlagStep { TypeDate, FocusTitle, FocusBody, FocusDate };

struct FlagCase {
    const char* name;
    std::vector<FlagStep> steps;
    bool written;
};

class TrailingNote : public RulesTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(TrailingNote, IsWrittenWhenTheLastStepsSaySo) {
    start(record("010101", "A", "a"));
    clickList(1);
    for (FlagStep step : GetParam().steps) {
        if (step == FlagStep::TypeDate) typeDate("7");
        if (step == FlagStep::FocusTitle) moveFocus(Focus::Title);
        if (step == FlagStep::FocusBody) moveFocus(Focus::Body);
        if (step == FlagStep::FocusDate) moveFocus(Focus::Date);
    }
    // A save while the pending note stays shown, as a click on its entry makes.
    rules.onSelectNote();
    EXPECT_EQ(notesFile(), record("010101", "A", "a") + (GetParam().written ? record("7", "Untitled", "<empty>") : ""));
    EXPECT_EQ(view.list, (List{"A", "<New>"}));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, TrailingNote,
    ::testing::Values(
        FlagCase{"DateTyped", {FlagStep::TypeDate}, true},
        FlagCase{"DateTypedThenTitleLeft", {FlagStep::TypeDate, FlagStep::FocusTitle, FlagStep::FocusDate}, false},
        FlagCase{"TitleLeftThenDateTyped", {FlagStep::FocusTitle, FlagStep::TypeDate}, true},
        FlagCase{"DateTypedThenBodyLeft", {FlagStep::TypeDate, FlagStep::FocusBody, FlagStep::FocusDate}, false}),
    [](const ::testing::TestParamInfo<FlagCase>& info) { return std::string(info.param.name); });

// One trip per datum: each action reads the fields it needs, once, and shows
// only the fields it changed. Showing a field it did not read would put back
// a stale text over what the user typed there.
TEST_F(RulesTest, EachActionReadsWhatItNeedsOnceAndShowsOnlyWhatItChanged) {
    startWithThree();
    struct Step {
        const char* what;
        std::function<void()> act;
        List trips;
    };
    const Step steps[] = {
        {"a title keystroke", [&] { typeTitle("!"); }, {"read title"}},
        {"a date keystroke", [&] { typeDate("1"); }, {}},
        {"the body typed into and left", [&] { typeBody("x"); moveFocus(Focus::List); }, {}},
        {"the date button", [&] { typeBody("y"); rules.stampDate(); }, {"show date"}},
        {"another note chosen",
         [&] { clickList(3); },
         {"read date", "read body", "show body", "show date", "show title"}},
        {"a title typed into the pending note", [&] { typeTitle("N"); }, {"read title", "read date", "show date"}},
        {"a body typed into the pending note and left",
         [&] {
             clickList(4);
             view.trips.clear();
             typeBody("z");
             moveFocus(Focus::List);
         },
         {"show title", "read date", "show date"}},
        {"a deletion", [&] { clickDelete(true); }, {"read date", "read body", "show body", "show date", "show title"}},
    };
    for (const Step& step : steps) {
        view.trips.clear();
        step.act();
        EXPECT_EQ(view.trips, step.trips) << step.what;
    }
    EXPECT_EQ(view.list, (List{"A!", "B", "C", "N", "<New>"}));
    EXPECT_EQ(table.at(0), (Note{"A!", kToday, "axy"}));
    EXPECT_EQ(undo.note, (Note{"Untitled", kToday, "z"}));
}

}  // namespace
}  // namespace scriblet::test
