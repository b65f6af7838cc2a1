#include "ui/main/notes_messages.h"

#include "notes/note_table.h"

namespace scriblet {

namespace {

// The text with `path` in place of %1.
std::string withPath(std::string text, const std::string& path) {
    text.replace(text.find("%1"), 2, path);
    return text;
}

}  // namespace

std::string unreadableNotesMessage(const std::string& path) {
    return withPath(
        "Scriblet could not read its notes file\n%1\n\n"
        "So that nothing in it is lost, Scriblet will not save over it while it is open. "
        "Close Scriblet, make the file readable and start Scriblet again.",
        path);
}

std::string cannotCreateNotesMessage(const std::string& path) {
    return withPath(
        "Scriblet cannot create its notes file\n%1\n\n"
        "You may not create files in this folder. Start Scriblet from a folder you can write to, "
        "such as Documents.",
        path);
}

std::string unicodeNotesMessage(const std::string& path) {
    return withPath(
        "Scriblet's notes file is saved as Unicode text, which Scriblet cannot read:\n%1\n\n"
        "So that nothing in it is lost, Scriblet will not save over it while it is open. "
        "Open the file in your editor, save it as ANSI text and start Scriblet again.",
        path);
}

std::string recoveredNotesMessage(const std::string& path, bool putInPlace, const std::vector<std::string>& kept) {
    std::string text;
    if (putInPlace) {
        text = withPath(
            "Scriblet's notes file was missing:\n%1\n\n"
            "Its last save had been cut short after the notes were written but before they took the "
            "file's place. Scriblet has put that save in place as the notes file.",
            path);
    }
    if (!kept.empty()) {
        if (!text.empty()) text += "\n\n";
        text += "Saves cut short had left notes that are in no other file. Scriblet has kept them in:\n";
        for (const std::string& file : kept) text += file + "\n";
        text += "\nOpen them in a text editor and copy what you need into Scriblet; Scriblet does not change them.";
    }
    return text;
}

std::string changedNotesQuestion(const std::string& sidePath) {
    return withPath(
        "notes.txt was changed by another program after Scriblet read it.\n\n"
        "Do you want to save the notes in this window over it?\n\n"
        "Yes: save over it. What the other program wrote is lost.\n"
        "No: keep notes.txt as it is. The notes in this window are saved to\n%1\n"
        "instead, now and at every later save until Scriblet is closed.",
        sidePath);
}

std::string restoreQuestion(const std::string& title) {
    return withPath(
        "Scriblet was stopped before it saved your changes to \"%1\".\n\n"
        "Restore them? Choose No to keep them in a file beside notes.txt.",
        title);
}

std::string keptChangesMessage(const std::string& title, const std::string& path) {
    return "Scriblet has kept your changes to \"" + title + "\" in:\n" + path +
           "\n\nOpen it in a text editor and copy what you need into Scriblet; Scriblet does not change it.";
}

std::string tableFullMessage() {
    return "Scriblet can hold no more than " + std::to_string(NoteTable::kMaxEntries - 1) +
           " notes.\n\nDelete a note to make room for a new one.";
}

std::string internalErrorMessage(bool outOfMemory) {
    return std::string(outOfMemory ? "Scriblet ran out of memory." : "An internal error occurred in Scriblet.") +
           "\n\nnotes.txt was not changed by it. So that nothing in it is lost, Scriblet will not save "
           "over it any more in this session: copy what you need from the window, then close Scriblet "
           "and start it again.";
}

}  // namespace scriblet
