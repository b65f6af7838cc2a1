// The main window created in the test's own process.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "notes/file_system.h"
#include "res/resource.h"
#include "tests/unit/notes_test_support.h"
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

// A control whose handler runs out of memory at the first character typed.
class ExhaustedControl : public win::Window {
public:
    bool routeMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == WM_CHAR && !thrown_) {
            thrown_ = true;
            throw std::bad_alloc();
        }
        return false;
    }

private:
    bool thrown_ = false;
};

// Where the exception comes from: the window's own set-up (the file system
// runs out of memory while the notes are read) or a control's handler.
enum class Failing { SetUp, ControlHandler };

class FailedHandler : public MainWindowTest, public ::testing::WithParamInterface<Failing> {};

TEST_P(FailedHandler, IsToldTheProcessLivesOnAndNothingIsSavedAfter) {
    const std::string notes = "010203\r\nAlpha\r\nfirst\xB0\r\n040506\r\nBeta\r\nsecond\xB0\r\n";
    std::unique_ptr<FileSystem> real = std::move(files_);
    auto failing = std::make_unique<testing::FailingFileSystem>(
        *real, GetParam() == Failing::SetUp ? testing::FailingFileSystem::firstCalls("openRead", 1)
                                            : testing::FailingFileSystem::never());
    failing->throws = true;
    files_ = std::move(failing);
    auto seen = std::make_shared<SeenMessageBox>();
    answerNextMessageBox(seen);
    ExhaustedControl exhausted;

    run(
        [&](HWND hwnd, NotesDialog&) {
            HWND title = GetDlgItem(hwnd, IDC_TITLE);
            if (GetParam() == Failing::ControlHandler) {
                HWND body = GetDlgItem(hwnd, IDC_BODY);
                ASSERT_TRUE(exhausted.subclassWindow(body));
                // The failure box is answered inside the handler's own loop.
                SendMessageA(body, WM_CHAR, 'X', 1);
                ASSERT_TRUE(seen->seen);
            }
            // Typed and another note chosen: a save, were saving not held back.
            SendMessageA(title, WM_CHAR, 'Y', 1);
            HWND list = GetDlgItem(hwnd, IDC_TITLE_LIST);
            SendMessageA(list, LB_SETCURSEL, 1, 0);
            SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_TITLE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        },
        notes.c_str());
    files_.reset();

    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(internalErrorMessage(true), seen->text);
    EXPECT_EQ(1, seen->count);
    EXPECT_EQ(testing::printable(notes), testing::printable(scratch_.read("notes.txt").value_or("")));
    EXPECT_EQ(std::vector<std::string>{"notes.txt"}, scratch_.list());
}

// The about box shares nothing with the notes: a failure inside it is told
// in a plain box, and saving the notes goes on.
TEST_F(MainWindowInProcess, FailureInsideTheAboutBoxStaysThere) {
    const std::string notes = "010203\r\nAlpha\r\nfirst\xB0\r\n040506\r\nBeta\r\nsecond\xB0\r\n";
    auto seen = std::make_shared<SeenMessageBox>();
    ExhaustedControl exhausted;
    run(
        [&](HWND hwnd, NotesDialog&) {
            runSoon([&] {
                HWND about = GetLastActivePopup(hwnd);
                HWND logo = GetDlgItem(about, IDC_ABOUT_LOGO);
                ASSERT_TRUE(logo && exhausted.subclassWindow(logo));
                answerNextMessageBox(seen);
                SendMessageA(logo, WM_CHAR, 'X', 1);
                PostMessageA(about, WM_COMMAND, IDOK, 0);
            });
            SendMessageA(hwnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            ASSERT_TRUE(seen->seen);

            SendMessageA(GetDlgItem(hwnd, IDC_TITLE), WM_CHAR, 'Y', 1);
            HWND list = GetDlgItem(hwnd, IDC_TITLE_LIST);
            SendMessageA(list, LB_SETCURSEL, 1, 0);
            SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_TITLE_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        },
        notes.c_str());

    EXPECT_EQ("The program ran out of memory.", seen->text);
    EXPECT_EQ(1, seen->count);
    EXPECT_EQ(testing::printable("010203\r\nYAlpha\r\nfirst\xB0\r\n040506\r\nBeta\r\nsecond\xB0\r\n"),
              testing::printable(scratch_.read("notes.txt").value_or("")));
}

INSTANTIATE_TEST_SUITE_P(Where, FailedHandler, ::testing::Values(Failing::SetUp, Failing::ControlHandler),
                         [](const ::testing::TestParamInfo<Failing>& info) {
                             return info.param == Failing::SetUp ? "SetUp" : "ControlHandler";
                         });

}  // namespace
}  // namespace scriblet::inproc
