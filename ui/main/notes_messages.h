// What the main window tells and asks the user, as the editing rules show it:
// the texts of its questions and messages, with the notes file's path put in
// where a text names it. No Windows header.
#pragma once

#include <string>
#include <vector>

namespace scriblet {

inline constexpr const char* kDeleteQuestion =
    "Am I \nokay in \nunderstanding \nyour command to \nDELETE this Note?";
inline constexpr const char* kDeleteCaption = "Delete?";
// Asked before the window goes while saving is held back and the user changed something.
inline constexpr const char* kDiscardQuestion =
    "Scriblet cannot save your changes: saving to notes.txt is held back in this session.\n\n"
    "Discard your changes? Choose No to keep the window open and copy what you need.";

// Asked after a way out of the window could not save; Yes ends the window all the same.
inline constexpr const char* kCloseAnywayQuestion =
    "Scriblet could not save your notes.\n\n"
    "Close Scriblet anyway? What you changed since the last save will be lost.";

// Told once, at start, when notes.txt exists but could not be read (%1: its path).
std::string unreadableNotesMessage(const std::string& path);
// Told once, at start, when notes.txt is missing and the folder takes no new file (%1: its path).
std::string cannotCreateNotesMessage(const std::string& path);
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
// Asked at start for each journal of unsaved typing that a stopped copy left
// (%1: the note's title).
std::string restoreQuestion(const std::string& title);
// Told when such a journal's note was kept in a file of its own (its full path).
std::string keptChangesMessage(const std::string& title, const std::string& path);
// Told when the table is full and the user starts a new note.
std::string tableFullMessage();
// Told when a handler failed with an exception; saving is held back from then on.
std::string internalErrorMessage(bool outOfMemory);

}  // namespace scriblet
