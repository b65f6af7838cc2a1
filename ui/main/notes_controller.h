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
#include "ui/main/notes_messages.h"
#include "ui/main/notes_view.h"
#include "ui/main/saved_places.h"

namespace scriblet {

inline constexpr const char* kNewEntryText = "<New>";
// The journal is written this long after the first change that is not in it,
// so a stop loses at most what was typed in this time; and tried again this
// long after a write failed, should nothing be typed meanwhile.
inline constexpr int kJournalPauseMs = 2000;
inline constexpr int kJournalRetryMs = 30000;

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
    void onBodyTyped();                // body field: text changed by the user
    void onBodyLeft();                 // body field: lost the focus
    void stampDate();                  // date button: clicked
    void onDateButtonDoubleClicked();  // date button: double-clicked
    void onDeleteNote();               // delete button: clicked
    void onUndoDelete();               // undo button: clicked
    // The ways out of the window: each asks what must be asked, then saves
    // once while the window is still shown. A failed save is reported and
    // the user is asked whether to close all the same. True: the window may
    // end (the close button ends the process with status 3); false keeps it
    // open with the fields as typed.
    bool onCloseButton();  // close button: clicked
    bool onCancel();       // Escape, the close box, Alt+F4, the system menu's Close
    bool onOK();           // the OK command: Enter in the title or date field
    // The window is being destroyed: the last save, unless a way out saved
    // or was told to close anyway, or the session ended.
    void onDestroy();
    // The session is ending (log-off, shut-down): the save of this way out,
    // after the same questions as every close. False refuses the end.
    bool onQueryEndSession();
    // The end of the session goes ahead (true) or was called off (false).
    // Going ahead, what changed since the last save is saved without a word
    // (unless a save is running and still asking or telling): a notes.txt
    // changed elsewhere sends it to a side file, and a failure can only be
    // left unsaid.
    void onEndSession(bool ending);
    // A handler let an exception escape: the user is told, and nothing is
    // saved over notes.txt from then on.
    void onInternalError(bool outOfMemory);
    // The journal's timer ran out: the shown note's fields go to the journal.
    void onJournalDue();

private:
    // Who a save is for. The user's asks about a changed notes.txt and
    // reports a failure; the end of the session's saves only what changed
    // since the last save, and says nothing: a changed notes.txt sends it to
    // a side file.
    enum class SaveFor { User, SessionEnd };

    // Commits the shown note and rewrites the notes file. False when it failed.
    bool saveNotes(SaveFor saveFor = SaveFor::User);
    // What every way out asks before the window goes, while it is still
    // shown; false keeps the window open. The save that follows remembers
    // the answers.
    bool queryClose();
    // Every way out: queryClose, the save, and on a failed save the question
    // whether to close all the same.
    bool leave();
    void showNote(std::int16_t p);
    bool appendPending();
    // The shown note takes the title buffer as its title.
    void retitle();
    // The body was typed into and left: a pending note becomes "Untitled".
    void commitBody();

    // A note is shown only once the notes were started and while
    // currentIndex lies inside the table.
    bool hasShownNote() const;
    bool showsPendingNote() const;
    // Reads the date and body fields and puts them into the shown note.
    void commitShownNote();
    // How many table entries a save writes.
    std::int16_t notesToWrite() const;
    // notes.txt was changed by another program: the user chooses between
    // saving over that change and saving to a side file from now on.
    void askAboutChangedFile();
    void holdBackSaving() { savingEnabled_ = false; }

    // The shown note was changed: the journal's timer runs, if it does not
    // yet, so a keystroke costs no more than this test.
    void noteTyped();
    // The shown note's unsaved typing is kept in a journal while saving is on.
    bool journaling() const { return hasShownNote() && savingEnabled_; }
    bool writeJournal();
    // Offers back what copies that were stopped left in journals, once each.
    void offerLeftJournals();
    // Puts a left journal's fields into its note, or into a new one; false
    // when there is no room for it.
    bool restore(const LeftJournal& left, std::int16_t fileNotes);

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
    bool saving_ = false;
    // A way out saved, or the user chose to close without saving: the window
    // goes and no other save follows.
    bool leaving_ = false;
    // The session ended and its last save ran: no other save follows.
    bool sessionEnded_ = false;
    bool reportingInternalError_ = false;
    SavedPlaces places_;
    // The journal's timer runs for a change not yet in the journal.
    bool journalDue_ = false;
};

}  // namespace scriblet
