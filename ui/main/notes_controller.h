// The editing rules of the main window: how each user action changes the
// note table, the undo slot, the title list and the fields, and when the
// notes file is saved. No Windows header: the window is reached through NotesView.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "notes/file_system.h"
#include "notes/note_table.h"
#include "notes/notes_store.h"
#include "ui/main/notes_view.h"

namespace scriblet {

inline constexpr const char* kNewEntryText = "<New>";
inline constexpr const char* kDeleteQuestion =
    "Am I \nokay in \nunderstanding \nyour command to \nDELETE this Note?";
inline constexpr const char* kDeleteCaption = "Delete?";
// Asked before the window goes while saving is held back and the user changed something.
inline constexpr const char* kDiscardQuestion =
    "Scriblet cannot save your changes: saving to notes.txt is held back in this session.\n\n"
    "Discard your changes? Choose No to keep the window open and copy what you need.";

// Told once, at start, when notes.txt exists but could not be read (%1: its path).
std::string unreadableNotesMessage(const std::string& path);
// Told once, at start, when notes.txt is UTF-16 text.
std::string unicodeNotesMessage(const std::string& path);
// Told once, at start, when saves cut short were recovered: a complete save
// took the place of a missing notes.txt (`putInPlace`), and files now hold
// the notes of others (`kept`, full paths).
std::string recoveredNotesMessage(const std::string& path, bool putInPlace, const std::vector<std::string>& kept);
// Told once, before the first save that rewrites notes.txt in place.
inline constexpr const char* kInPlaceMessage =
    "Scriblet cannot create files in this folder, so it saves notes.txt in place; if Scriblet is stopped "
    "during a save, notes.txt can be damaged.";
// Asked before a save would replace a notes.txt that another program changed;
// No saves to `sidePath` instead.
std::string changedNotesQuestion(const std::string& sidePath);
// Told when the table is full and the user starts a new note.
std::string tableFullMessage();
// Told when a handler failed with an exception; saving is held back from then on.
std::string internalErrorMessage(bool outOfMemory);

class NotesController {
public:
    // `today` gives the date stamp ("%m%d%y"); tests pass a fixed one.
    NotesController(NotesView& view, NoteTable& table, UndoSlot& undo, FileSystem& files,
                    std::function<std::string()> today);

    // The user actions, one per window notification or way out.

    // The window is set up: fills the table and the list from the notes file,
    // appends the pending "<New>" note and shows the first note.
    void startNotes();
    void onSelectNote();               // title list: selection changed
    void commitTitle();                // title field: text changed by the user
    void onTitleLeft();                // title field: lost the focus
    void onDateTyped();                // date field: text changed by the user
    void onBodyLeft();                 // body field: lost the focus
    void stampDate();                  // date button: clicked
    void onDateButtonDoubleClicked();  // date button: double-clicked
    void onDeleteNote();               // delete button: clicked
    void onUndoDelete();               // undo button: clicked
    // Escape or the close box (Cancel), and the first step of every way out:
    // asks what must be asked before the window goes, while it is still
    // shown; false keeps the window open. The save that follows remembers
    // the answers.
    bool queryClose();
    // The OK command (Enter in the title or date field): queryClose, then
    // the fields are copied as the framework's OK copies them. False keeps
    // the window open.
    bool onOK();
    // Close button: true when the notes were saved and the process may end.
    bool onCloseButton();
    // The window is being destroyed: the last save (unless the end of the
    // session already made it).
    void onDestroy();
    // The session is ending (log-off, shut-down): the save of this way out,
    // after the same questions as every close. False refuses the end.
    bool onQueryEndSession();
    // The end of the session goes ahead (true) or was called off (false).
    void onEndSession(bool ending);
    // A handler let an exception escape: the user is told, and nothing is
    // saved over notes.txt from then on.
    void onInternalError(bool outOfMemory);

    // The window's state that the rules keep.
    std::int16_t currentIndex() const { return currentIndex_; }
    std::int16_t noteCount() const { return table_.noteCount(); }
    bool saveTrailingNote() const { return saveTrailingNote_; }

private:
    // Commits the shown note and rewrites the notes file. False when a file
    // error was reported (the caller's handler ends there).
    bool saveNotes();
    void showNote(std::int16_t p);
    bool appendPending();
    // The body was typed into and left: a pending note becomes "Untitled".
    void commitBody();
    void pullFields();
    void pushFields();

    // A note is shown only once the notes were started and while
    // currentIndex lies inside the table.
    bool hasShownNote() const;
    bool showsPendingNote() const;
    // Pulls the fields and puts the shown note's date and body into the table.
    void commitShownNote();
    // How many table entries a save writes.
    std::int16_t notesToWrite() const;
    // notes.txt was changed by another program: the user chooses between
    // saving over that change and saving to a side file from now on.
    void askAboutChangedFile();
    void holdBackSaving() { savingEnabled_ = false; }

    NotesView& view_;
    NoteTable& table_;
    UndoSlot& undo_;
    FileSystem& files_;
    std::function<std::string()> today_;
    NotesStore store_;

    FieldBuffers fields_;
    std::int16_t currentIndex_ = 0;
    bool saveTrailingNote_ = true;
    bool started_ = false;
    bool savingEnabled_ = true;
    // Something was changed since notes.txt was last read or saved.
    bool changed_ = false;
    // The end of the session saved; no other save follows it.
    bool sessionEnding_ = false;
    bool reportingInternalError_ = false;
};

}  // namespace scriblet
