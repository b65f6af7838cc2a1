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
    EXPECT_TRUE(rules.saveTrailingNote());

    typeTitle("b");
    EXPECT_EQ(view.list, (List{"Ab", "<New>"}));
    EXPECT_EQ(rules.noteCount(), 2);
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
    EXPECT_EQ(rules.currentIndex(), 0);
    EXPECT_EQ(view.selection, 0);
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

TEST_F(RulesTest, TrailingNoteFlagFollowsTheUsersSteps) {
    start("");
    EXPECT_FALSE(rules.saveTrailingNote());
    struct Step {
        const char* what;
        std::function<void()> act;
        bool flag;
    };
    const Step steps[] = {
        {"date typed", [&] { typeDate("1"); }, true},
        {"title focused and left", [&] { moveFocus(Focus::Title); moveFocus(Focus::List); }, false},
        {"date typed again", [&] { typeDate("2"); }, true},
        {"body left", [&] { moveFocus(Focus::Body); moveFocus(Focus::List); }, false},
        {"title typed", [&] { typeTitle("T"); }, true},
        {"title left", [&] { moveFocus(Focus::List); }, false},
        {"body typed into the new pending note and left", [&] { clickList(1); typeBody("x"); moveFocus(Focus::List); }, false},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(rules.saveTrailingNote(), step.flag) << step.what;
    }
}

}  // namespace
}  // namespace scriblet::test
