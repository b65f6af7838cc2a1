// The pending "<New>" entry turns into a note when a title or a body is typed
// into it, and a pending note nobody touched is never written.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"
#include "tests/win/e2e_fixtures.h"

namespace scriblet::e2e {
namespace {

using Entries = std::vector<std::string>;

TEST(NewNote, TypedTitleBecomesANoteStampedWithToday) {
    Scriblet app(withNotes(""));
    ASSERT_TRUE(app.started());
    ASSERT_EQ(Entries{"<New>"}, app.listEntries());
    EXPECT_EQ(0, app.listSelection());

    app.type(IDC_TITLE, "A");
    EXPECT_EQ((Entries{"A", "<New>"}), app.listEntries());
    EXPECT_EQ(0, app.listSelection());
    EXPECT_EQ(todayStamp(), app.text(IDC_DATE));

    // Further keystrokes change the same note: no second "<New>".
    app.typeChars(IDC_TITLE, "b");
    EXPECT_EQ((Entries{"Ab", "<New>"}), app.listEntries());
    EXPECT_EQ(0, app.listSelection());

    // The new pending note behind it is blank and is not written.
    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(printable(todayStamp() + "\r\nAb\r\n<empty>\xB0\r\n"), printable(app.notes().value_or("")));
}

TEST(NewNote, TypedBodyBecomesAnUntitledNoteWhenATitleIsClicked) {
    Scriblet app(withNotes(kAlpha));
    ASSERT_TRUE(app.started());
    app.selectEntry(1);
    ASSERT_EQ(1, app.listSelection());

    app.type(IDC_BODY, "hello");
    app.selectEntry(0);

    EXPECT_EQ((Entries{"Alpha", "Untitled", "<New>"}), app.listEntries());
    EXPECT_EQ(0, app.listSelection());
    EXPECT_EQ("Alpha", app.text(IDC_TITLE));
    // Saved before Alpha was shown.
    EXPECT_EQ(printable(kAlpha + todayStamp() + "\r\nUntitled\r\nhello\xB0\r\n"),
              printable(app.notes().value_or("")));

    app.selectEntry(1);
    EXPECT_EQ("Untitled", app.text(IDC_TITLE));
    EXPECT_EQ(todayStamp(), app.text(IDC_DATE));
    EXPECT_EQ("hello", app.text(IDC_BODY));
}

TEST(NewNote, DateTypedIntoTheShownNoteAddsNoUntitledRecord) {
    Scriblet app(withNotes(kAlpha));
    ASSERT_TRUE(app.started());

    app.replaceText(IDC_DATE, "0909");
    app.postButton(IDC_CLOSE_BUTTON);

    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(printable("0909\r\nAlpha\r\nfirst\xB0\r\n"), printable(app.notes().value_or("")));
}

TEST(NewNote, PendingNoteVisitedAndLeftUntouchedIsNotWritten) {
    Scriblet app(withNotes(kAlpha));
    ASSERT_TRUE(app.started());

    app.selectEntry(1);
    app.focus(IDC_TITLE);
    app.focus(IDC_BODY);
    app.selectEntry(0);
    EXPECT_EQ((Entries{"Alpha", "<New>"}), app.listEntries());
    app.postSysCommand(SC_CLOSE);

    EXPECT_EQ(0u, app.waitForExit());
    EXPECT_EQ(printable(kAlpha), printable(app.notes().value_or("")));
}

TEST(NewNote, DateTypedIntoThePendingNoteIsWrittenAsUntitled) {
    Scriblet app(withNotes(kAlpha));
    ASSERT_TRUE(app.started());

    app.selectEntry(1);
    app.type(IDC_DATE, "1111");
    app.selectEntry(0);

    // The entry stays "<New>" while the program runs; the file already has the record.
    EXPECT_EQ((Entries{"Alpha", "<New>"}), app.listEntries());
    EXPECT_EQ(printable(kAlpha + "1111\r\nUntitled\r\n<empty>\xB0\r\n"), printable(app.notes().value_or("")));
}

}  // namespace
}  // namespace scriblet::e2e
