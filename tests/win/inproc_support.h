// Runs the program's windows inside the test program itself, for what can't
// be seen from another process (menus, message answers, drawing states).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "files/platform_file_system.h"
#include "res/palette.h"
#include "tests/driver/scriblet_driver.h"
#include "ui/main/notes_dialog.h"
#include "ui/win/dialog.h"

namespace scriblet::inproc {

// The program's two brushes for the life of the object, as the application
// makes them for its windows.
struct TestBrushes : Brushes {
    TestBrushes() {
        background = CreateSolidBrush(kBackgroundColour);
        accent = CreateSolidBrush(kAccentColour);
    }
    ~TestBrushes() {
        DeleteObject(background);
        DeleteObject(accent);
    }
    TestBrushes(const TestBrushes&) = delete;
    TestBrushes& operator=(const TestBrushes&) = delete;
};

// A window's answer to a colour message (WM_CTLCOLOR...) from a control or
// itself: the brush it returns and the colours it sets in the device context.
struct ColourAnswer {
    LRESULT brush;
    COLORREF text;
    COLORREF background;
};
ColourAnswer colourAnswer(HWND window, UINT message, HWND from);

// Runs `task` on this thread from whichever message loop runs next (a
// dialog's modal loop, a message box's), after about `delayMs`.
void runSoon(std::function<void()> task, UINT delayMs = 0);

// Runs the dialog modally; once its window is up, `body` runs inside the
// modal loop, and then the dialog ends.
void runModal(win::Dialog& dialog, const std::function<void(HWND)>& body);

// What the message boxes answered by answerNextMessageBox said.
struct SeenMessageBox {
    bool seen = false;
    int count = 0;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    // While set, every further box is answered (and counted) as well.
    bool answerAll = false;
};

// A message box shown by this thread (not one of our own dialogs), if any.
HWND threadMessageBox();

// Waits, inside whichever loop runs, for a message box of this thread, notes
// what it says and answers it with OK.
void answerNextMessageBox(const std::shared_ptr<SeenMessageBox>& seen, int triesLeft = 200);

// Loads the rich edit library the main window's body field needs.
void loadRichEdit();

// Runs the main window in this process, on a scratch directory's notes.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Runs the main window on `notes` (none: no file) and `body` inside it.
    void run(const std::function<void(HWND, NotesDialog&)>& body, const char* notes = nullptr);

    // Where the window saves notes.txt.
    testing::CurrentScratchDir scratch_;
    std::unique_ptr<FileSystem> files_ = makePlatformFileSystem();
    TestBrushes brushes_;
};

}  // namespace scriblet::inproc
