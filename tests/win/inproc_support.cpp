#include "tests/win/inproc_support.h"

#include <map>
#include <utility>

namespace scriblet::inproc {

namespace {

std::map<UINT_PTR, std::function<void()>>& pendingTasks() {
    static std::map<UINT_PTR, std::function<void()>> tasks;
    return tasks;
}

void CALLBACK runTask(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto& tasks = pendingTasks();
    auto found = tasks.find(id);
    if (found == tasks.end()) return;
    std::function<void()> task = std::move(found->second);
    tasks.erase(found);
    task();
}

}  // namespace

ColourAnswer colourAnswer(HWND window, UINT message, HWND from) {
    // Colours no window sets show which ones it left alone.
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    const LRESULT brush = SendMessageA(window, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(from));
    const ColourAnswer answer{brush, GetTextColor(dc), GetBkColor(dc)};
    DeleteDC(dc);
    return answer;
}

void runSoon(std::function<void()> task, UINT delayMs) {
    const UINT_PTR id = SetTimer(nullptr, 0, delayMs ? delayMs : USER_TIMER_MINIMUM, &runTask);
    pendingTasks()[id] = std::move(task);
}

void runModal(win::Dialog& dialog, const std::function<void(HWND)>& body) {
    runSoon([&] {
        if (dialog.handle()) {
            body(dialog.handle());
            dialog.EndDialog(IDCANCEL);
        }
    });
    dialog.DoModal();
}

namespace {

BOOL CALLBACK findMessageBox(HWND hwnd, LPARAM found) {
    char className[16] = {};
    GetClassNameA(hwnd, className, sizeof className);
    // Our own dialogs (the about box has a static -1 too) are not message boxes.
    if (std::string(className) != "#32770" || !IsWindowVisible(hwnd) || !GetDlgItem(hwnd, 0xFFFF) ||
        win::Window::fromHandle(hwnd)) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

}  // namespace

HWND threadMessageBox() {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &findMessageBox, reinterpret_cast<LPARAM>(&box));
    return box;
}

void answerNextMessageBox(const std::shared_ptr<SeenMessageBox>& seen, int triesLeft) {
    runSoon(
        [seen, triesLeft] {
            HWND box = threadMessageBox();
            if (!box) {
                const bool waiting = !seen->seen || seen->answerAll;
                if (waiting && triesLeft > 0) answerNextMessageBox(seen, triesLeft - 1);
                return;
            }
            seen->caption = e2e::windowText(box);
            seen->text = e2e::windowText(GetDlgItem(box, 0xFFFF));
            seen->owner = GetWindow(box, GW_OWNER);
            seen->seen = true;
            ++seen->count;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            if (seen->answerAll) answerNextMessageBox(seen);
        },
        20);
}

void MainWindowTest::SetUp() {
    loadRichEdit();
}

void MainWindowTest::run(const std::function<void(HWND, NotesDialog&)>& body, const char* notes) {
    if (notes) scratch_.write("notes.txt", notes);
    NoteTable table;
    UndoSlot undo;
    NotesDialog dialog(table, undo, *files_, brushes_, [] {});
    runModal(dialog, [&](HWND hwnd) { body(hwnd, dialog); });
}

void loadRichEdit() {
    static const HMODULE library = LoadLibraryA("RICHED32.DLL");
    (void)library;
}

}  // namespace scriblet::inproc
