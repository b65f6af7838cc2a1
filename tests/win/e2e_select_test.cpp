// Clicking another title saves the shown note, then shows the clicked one.
#include <gtest/gtest.h>

#include <filesystem>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"
#include "tests/win/e2e_fixtures.h"

namespace scriblet::e2e {
namespace {

using SelectNote = TwoNotesWithSavesCounted;

// A save that would write the bytes already there writes nothing.
TEST_F(SelectNote, SavesTheShownNoteBeforeShowingTheClickedOneAndOnlyWhenItChanged) {
    app.typeAtEnd(IDC_BODY, " more");
    app.selectEntry(1);

    EXPECT_EQ(1, counter.saves());
    EXPECT_EQ(printable("010203\r\nAlpha\r\nfirst more\xB0\r\n"
                        "040506\r\nBeta\r\nsecond\xB0\r\n"),
              printable(app.notes().value_or("")));
    EXPECT_EQ(1, app.listSelection());
    EXPECT_EQ("Beta", app.text(IDC_TITLE));
    EXPECT_EQ("040506", app.text(IDC_DATE));
    EXPECT_EQ("second", app.text(IDC_BODY));

    const std::string saved = app.notes().value_or("");
    const auto written = std::filesystem::last_write_time(app.dir().file("notes.txt"));
    app.selectEntry(0);
    EXPECT_EQ(1, counter.saves());
    EXPECT_EQ(printable(saved), printable(app.notes().value_or("")));
    EXPECT_EQ(written, std::filesystem::last_write_time(app.dir().file("notes.txt")));
    EXPECT_EQ("first more", app.text(IDC_BODY));
}

TEST_F(SelectNote, SelectionChangeWithoutASelectionIsIgnored) {
    app.sendTo(IDC_TITLE_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    app.postCommand(IDC_TITLE_LIST, LBN_SELCHANGE);
    ASSERT_TRUE(app.waitIdle());

    EXPECT_TRUE(app.running());
    EXPECT_EQ(0, counter.saves());
    EXPECT_EQ("Alpha", app.text(IDC_TITLE));
    EXPECT_EQ("first", app.text(IDC_BODY));

    app.selectEntry(1);
    EXPECT_EQ("Beta", app.text(IDC_TITLE));
}

}  // namespace
}  // namespace scriblet::e2e
