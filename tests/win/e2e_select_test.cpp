// Clicking another title saves the shown note, then shows the clicked one.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/win/e2e_fixtures.h"
#include "tests/win/scriblet_driver.h"

namespace scriblet::e2e {
namespace {

using SelectNote = TwoNotesWithSavesCounted;

TEST_F(SelectNote, SavesTheShownNoteBeforeShowingTheClickedOne) {
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

    app.selectEntry(0);
    EXPECT_EQ(2, counter.saves());
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
