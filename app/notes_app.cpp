#include "app/notes_app.h"

#include <cstdlib>
#include <memory>

#include "files/platform_file_system.h"
#include "notes/note_table.h"
#include "res/palette.h"
#include "ui/main/notes_dialog.h"

namespace scriblet {

namespace {

// Made by static initialisation in this order, before any window: the
// application object, the undo slot, then the two brushes (never deleted).
NotesApp theApp;
UndoSlot undoSlot;
NoteTable noteTable;
const Brushes brushes{CreateSolidBrush(kBackgroundColour), CreateSolidBrush(kAccentColour)};

const char* const kNoRichEditMessage =
    "Scriblet could not open its window: the rich edit control (RICHED32.DLL) could not be loaded.";

// The close button ends the process from inside its handler, with status 3.
void endFromCloseButton() {
    std::exit(3);
}

}  // namespace

bool NotesApp::InitInstance() {
    // The body field's window class lives in this library; once per process.
    static const HMODULE richEdit = LoadLibraryA("RICHED32.DLL");
    if (!richEdit) {
        // Without it the body field cannot exist, and some systems (Wine)
        // would open the window all the same, without it.
        win::messageBox(kNoRichEditMessage, MB_ICONSTOP | MB_OK);
        setExitCode(1);
        return false;
    }

    std::unique_ptr<FileSystem> files = makePlatformFileSystem();
    {
        NotesDialog dialog(noteTable, undoSlot, *files, brushes, endFromCloseButton);
        const INT_PTR result = dialog.DoModal();
        if (result == -1) {
            // The window never existed, so nothing was loaded and nothing is saved.
            win::messageBox("Scriblet could not open its window.", MB_ICONSTOP | MB_OK);
            setExitCode(1);
        }
    }
    return false;
}

}  // namespace scriblet
