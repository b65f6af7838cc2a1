// A full table: no new note can be started, and nothing is lost.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"

namespace scriblet::e2e {
namespace {

using testing::record;

TEST(Limits, FullTableRefusesANewNoteWithAWarning) {
    // 32766 notes and the pending one fill the 32767 places of the table.
    const int kNotes = 32766;
    std::string bytes;
    for (int i = 0; i < kNotes; ++i) bytes += record("010203", "Note " + std::to_string(i), "body");
    Scriblet app(withNotes(bytes));
    ASSERT_TRUE(app.started());

    app.sendTo(IDC_TITLE_LIST, LB_SETCURSEL, kNotes, 0);
    app.postCommand(IDC_TITLE_LIST, LBN_SELCHANGE);
    ASSERT_TRUE(app.waitIdle());
    ASSERT_EQ("", app.text(IDC_TITLE));

    app.focus(IDC_TITLE);
    app.postChars(IDC_TITLE, "x");
    const std::optional<MessageBoxInfo> box = app.waitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ("scriblet", box->caption);
    EXPECT_NE(std::string::npos, box->text.find("32766")) << box->text;
    EXPECT_EQ(BoxIcon::Warning, box->icon);
    app.answer(*box, IDOK);
    ASSERT_TRUE(app.waitIdle());

    ASSERT_EQ(kNotes + 1, app.listCount());
    EXPECT_EQ("<New>", app.listEntry(kNotes));
    EXPECT_EQ("Note 32765", app.listEntry(kNotes - 1));
    EXPECT_EQ("", app.text(IDC_TITLE));

    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(bytes.size(), app.notes().value_or("").size());
    EXPECT_TRUE(app.notes() == bytes);
}

}  // namespace
}  // namespace scriblet::e2e
