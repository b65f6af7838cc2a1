// The date button stamps today's date into the shown note; a double-click
// presses it a second time.
#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/driver/scriblet_driver.h"
#include "tests/win/e2e_fixtures.h"

namespace scriblet::e2e {
namespace {

TEST(DateButton, StampsTodayIntoTheShownNote) {
    Scriblet app(withNotes(kAlpha));
    ASSERT_TRUE(app.started());

    app.click(IDC_DATE_BUTTON);
    EXPECT_EQ(todayStamp(), app.text(IDC_DATE));

    app.postButton(IDC_CLOSE_BUTTON);
    EXPECT_EQ(3u, app.waitForExit());
    EXPECT_EQ(printable(todayStamp() + "\r\nAlpha\r\nfirst\xB0\r\n"), printable(app.notes().value_or("")));
}

TEST(DateButton, DoubleClickPressesTheButtonAgainAndStampsTwice) {
    Scriblet app(withNotes(kAlpha));
    ASSERT_TRUE(app.started());
    HWND button = app.control(IDC_DATE_BUTTON);

    app.click(IDC_DATE_BUTTON);
    ASSERT_EQ(todayStamp(), app.text(IDC_DATE));
    // Something else in the field, so that the second stamp shows.
    const char* other = "other";
    SendMessageTimeoutA(app.control(IDC_DATE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(other), SMTO_NORMAL,
                        5000, nullptr);
    ASSERT_EQ("other", app.text(IDC_DATE));

    app.sendTo(IDC_DATE_BUTTON, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_TRUE(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    EXPECT_EQ(button, app.captureWindow());
    EXPECT_EQ("other", app.text(IDC_DATE));

    app.sendTo(IDC_DATE_BUTTON, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(todayStamp(), app.text(IDC_DATE));
    EXPECT_FALSE(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    EXPECT_EQ(nullptr, app.captureWindow());
}

}  // namespace
}  // namespace scriblet::e2e
