// The program: the objects that live as long as the process, and the one
// modal run of the main window.
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "files/platform_file_system.h"
#include "notes/note_table.h"
#include "res/palette.h"
#include "ui/main/notes_dialog.h"
#include "ui/win/message_box.h"

namespace {

const char kNoRichEditMessage[] =
    "Scriblet could not open its window: the rich edit control (RICHED32.DLL) could not be loaded.";
const char kNoWindowMessage[] = "Scriblet could not open its window.";

// The close button ends the process from inside its handler, with status 3.
void endFromCloseButton() {
    std::exit(3);
}

}  // namespace

// 0 once the window has ended, 1 when it could not open; the close button
// ends the process with 3 before this returns.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace scriblet;

    // The body field's window class lives in this library. Without it the
    // body cannot exist, and some systems (Wine) would open the window all
    // the same, without it.
    if (!LoadLibraryA("RICHED32.DLL")) {
        win::messageBox(kNoRichEditMessage, MB_ICONSTOP | MB_OK);
        return 1;
    }

    // The brushes are never deleted: the window uses them to its last paint.
    const Brushes brushes{CreateSolidBrush(kBackgroundColour), CreateSolidBrush(kAccentColour)};
    NoteTable table;
    UndoSlot undo;
    const std::unique_ptr<FileSystem> files = makePlatformFileSystem();
    NotesDialog window(table, undo, *files, brushes, endFromCloseButton);
    if (window.DoModal() == -1) {
        // The window never existed, so nothing was loaded and nothing is saved.
        win::messageBox(kNoWindowMessage, MB_ICONSTOP | MB_OK);
        return 1;
    }
    return 0;
}
