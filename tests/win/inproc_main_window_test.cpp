// The main window created in the test's own process.
#include <gtest/gtest.h>

#include <memory>

#include "notes/file_system.h"
#include "res/resource.h"
#include "tests/win/inproc_support.h"
#include "ui/main/notes_dialog.h"

namespace scriblet::inproc {
namespace {

using MainWindowInProcess = MainWindowTest;

TEST_F(MainWindowInProcess, SystemMenuEndsWithSeparatorAndAboutEntry) {
    run([](HWND hwnd, NotesDialog&) {
        HMENU menu = GetSystemMenu(hwnd, FALSE);
        ASSERT_NE(nullptr, menu);
        const int count = GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        EXPECT_EQ(MF_SEPARATOR, GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
        char text[64] = {};
        GetMenuStringA(menu, static_cast<UINT>(count - 1), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ("&About Scriblet ...", text);
        EXPECT_EQ(static_cast<UINT>(IDM_ABOUTBOX), GetMenuItemID(menu, count - 1));
    });
}

TEST_F(MainWindowInProcess, MinimumTrackingSizeIs282By172) {
    run([](HWND hwnd, NotesDialog&) {
        MINMAXINFO limits{};
        SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        EXPECT_EQ(282, limits.ptMinTrackSize.x);
        EXPECT_EQ(172, limits.ptMinTrackSize.y);
    });
}

}  // namespace
}  // namespace scriblet::inproc
