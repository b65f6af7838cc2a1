// Drives the real scriblet.exe from a test program: starts it in a scratch
// directory, works its window through window messages, reads back what it
// shows and what it wrote. Every wait is bounded; a program that does not
// answer in time is killed, so a broken build fails instead of hanging. Its
// readers of window text and places serve the in-process tests as well.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/note_bytes.h"
#include "tests/support/test_files.h"

namespace scriblet::e2e {

using testing::FileHold;
using testing::printable;
using testing::ScratchDir;

// The scriblet.exe built beside the test program.
std::string programPath();

// Polls `done` every few milliseconds until it holds or `timeoutMs` passes.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Today's date as the program stamps it: "%m%d%y" of the local time.
std::string todayStamp();

// A window's text, asked for with WM_GETTEXT: a window of another process
// answers it (GetWindowText would not ask), and so does one of this process.
std::string windowText(HWND window);

// Puts text on the clipboard, as another program's copy does.
bool putOnClipboard(const std::wstring& text);

// A window's rectangle on the screen, and the middle of a rectangle.
RECT windowRect(HWND window);
POINT centreOf(const RECT& rect);

// Counts the saves of notes.txt in a directory from outside the program:
// each save ends by renaming its complete file to notes.txt, which the
// directory reports.
class SaveCounter {
public:
    explicit SaveCounter(const std::string& directory);
    ~SaveCounter();
    SaveCounter(const SaveCounter&) = delete;
    SaveCounter& operator=(const SaveCounter&) = delete;

    bool watching() const { return pending_; }
    // The saves reported so far, after `settleMs` more for late reports; -1
    // when the reports were lost (the directory's buffer overflowed).
    int saves(int settleMs = 300);

private:
    void issue();
    bool collect(DWORD waitMs);

    HANDLE directory_ = INVALID_HANDLE_VALUE;
    HANDLE event_ = nullptr;
    OVERLAPPED overlapped_{};
    DWORD buffer_[4096] = {};
    bool pending_ = false;
    bool overflowed_ = false;
    int saves_ = 0;
};

// The icons a message box can show.
enum class BoxIcon { None, Stop, Warning, Question, Other };

// A message box the program shows.
struct MessageBoxInfo {
    HWND handle = nullptr;
    std::string caption;
    std::string text;
    BoxIcon icon = BoxIcon::None;
    bool hasCancel = false;
    // The button Enter presses (IDOK, IDYES...), 0 when none is.
    int defaultButton = 0;
};

class Scriblet {
public:
    struct Options {
        // The bytes of notes.txt to start with; none: no file.
        std::optional<std::string> notes;
        std::string arguments;
        // Extra environment entries, "NAME=value".
        std::vector<std::string> environment;
        // Wait for the main window (false when the program is expected not to show it).
        bool waitForWindow = true;
        // Non-empty: a copy of the program under this file name, in the scratch
        // directory, is run instead (Wine picks per-program settings by name).
        std::string programName;
        // Runs once the scratch directory holds notes.txt, before the program starts.
        std::function<void(const ScratchDir&)> beforeStart;
        // Non-null: runs in that program's directory, as a second copy would.
        const Scriblet* sameDirectoryAs = nullptr;
    };

    Scriblet();
    explicit Scriblet(const Options& options);
    ~Scriblet();
    Scriblet(const Scriblet&) = delete;
    Scriblet& operator=(const Scriblet&) = delete;

    // True once the process runs and, if asked, its main window is ready. A
    // program that does not reach its window says why on the standard error:
    // CreateProcess's error, or its exit status and how long it lived, or that
    // no window came, with what it and Wine printed for it.
    bool started() const { return started_; }
    // Finds the main window of a program started without waiting for it.
    bool attachWindow(int timeoutMs = 15000);
    // The main window exists and is shown.
    bool windowShown() const;
    const ScratchDir& dir() const { return *directory_; }
    DWORD processId() const { return info_.dwProcessId; }
    HWND window() const { return window_; }
    HWND control(int id) const;

    // Waits until the program has handled everything sent to it so far.
    bool waitIdle(int timeoutMs = 5000) const;

    // Input, sent and handled before the call returns (bounded).
    void click(int id) const;            // a left click in the middle of a control
    void clickAt(int id, int x, int y) const;
    void focus(int id) const;            // moves the keyboard focus there by a click
    void type(int id, const std::string& text) const;  // click into it, then characters
    void typeChars(int id, const std::string& text) const;  // characters only
    void pressEnter(int id) const;       // key down, character, key up, as a keyboard does
    // Real keyboard input: a click gives the control the focus, the window
    // comes to the front, and the keys are pressed in order and released in
    // reverse (VK_CONTROL, VK_RETURN: Ctrl+Enter).
    void pressKeys(int id, std::initializer_list<BYTE> keys) const;
    void pressButton(int id) const;      // BM_CLICK
    void doubleClickButton(int id) const;
    void selectEntry(int index) const;   // a click on a title list entry
    void replaceText(int id, const std::string& text) const;  // click into it, select all, type
    void typeAtEnd(int id, const std::string& text) const;    // click into it, caret to the end, type
    // A raw message to a control (0: the main window), sent and handled; its
    // result, or none when the program did not answer within `timeoutMs`.
    std::optional<LRESULT> sendTo(int id, UINT message, WPARAM wParam, LPARAM lParam,
                                  int timeoutMs = 5000) const;

    // Input posted, for what opens a message box or ends the program.
    void postButton(int id) const;
    void postChars(int id, const std::string& text) const;
    void postSelectEntry(int index) const;
    void postKey(int id, UINT virtualKey) const;
    void postSysCommand(WPARAM command) const;
    void postCommand(int id, WORD notification) const;  // WM_COMMAND from a control

    // What the window shows.
    std::vector<std::string> listEntries() const;
    int listCount() const;
    std::string listEntry(int index) const;
    int listSelection() const;
    std::string text(int id) const;
    // The text as the control holds it, not converted to the ANSI code page.
    std::wstring shownText(int id) const;
    bool enabled(int id) const;
    RECT controlRect(int id) const;  // in the window's client coordinates
    RECT clientRect() const;
    HWND focusedWindow() const;
    HWND captureWindow() const;

    // Message boxes of the program other than its main window.
    std::optional<MessageBoxInfo> waitForMessageBox(int timeoutMs = 5000) const;
    // Answers a box with the command of one of its buttons (IDOK, IDCANCEL).
    void answer(const MessageBoxInfo& box, int command) const;

    // notes.txt as it is now, if it exists.
    std::optional<std::string> notes() const { return dir().read("notes.txt"); }

    // The exit status, or none when the program did not end in time (it is then killed).
    std::optional<DWORD> waitForExit(int timeoutMs = 10000);
    bool running() const;
    // Ends the program at once, as the system does at the end of a session.
    void kill();

private:
    void start(const Options& options);
    // Gives the program a file of its own for its standard output and error.
    void openOutput(STARTUPINFOA& startup);
    // Tells, once, why the program did not reach its window, with what it and
    // Wine printed for it.
    void reportFailedStart(const std::string& what) const;
    void reportEnded() const;
    // What the program (and Wine for it) wrote to its standard output and error.
    std::string output() const;
    bool send(HWND target, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr,
              int timeoutMs = 5000) const;
    // The middle of a title list entry, with the real pointer moved there.
    POINT entryCentre(int index) const;
    // A left click: the pointer moved there, the press and the release handled.
    void pressAndRelease(HWND target, int x, int y) const;
    // Waits until the program has handled the messages posted to it so far
    // (or, while it shows a message box, has taken them into that box's loop).
    bool waitForPosted(int timeoutMs = 5000) const;

    ScratchDir dir_;
    const ScratchDir* directory_ = &dir_;
    std::string programName_;
    // The program's standard output and error, a file of its own, so that a
    // failed start can show Wine's messages for exactly this process.
    std::string outputPath_;
    HANDLE outputFile_ = INVALID_HANDLE_VALUE;
    PROCESS_INFORMATION info_{};
    HWND window_ = nullptr;
    bool started_ = false;
    mutable bool reported_ = false;
    mutable unsigned postMarker_ = 0;
};

// Options that start the program on a notes.txt of these bytes.
Scriblet::Options withNotes(const std::string& bytes);

}  // namespace scriblet::e2e
