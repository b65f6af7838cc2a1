// What the editing rules need of the main window. The Win32 dialog implements
// it over its controls; tests implement it with plain data.
#pragma once

#include <cstddef>
#include <string>

#include "notes/notes_store.h"

namespace scriblet {

// The three edit fields of the window, and a buffer for each one's text.
enum class Field { Title, Date, Body };

struct FieldBuffers {
    std::string title;
    std::string date;
    std::string body;
};

class NotesView {
public:
    virtual ~NotesView() = default;

    // The title list: one entry per table entry, in table order.
    virtual void listAppend(const std::string& text) = 0;
    virtual void listInsert(int index, const std::string& text) = 0;
    virtual void listDelete(int index) = 0;
    virtual void listSelect(int index) = 0;
    // The selected entry, or -1 when none is selected.
    virtual int listSelection() = 0;
    // Fills the empty list in one go, repainting it once: one entry per
    // table entry, each note's title, and the last entry, the pending note,
    // as "<New>".
    virtual void listFill(const NoteTable& table) = 0;

    // A field's text, into `text`. A field the user did not change since the
    // program showed a text in it gives back exactly that text, whatever the
    // control made of it (a rich edit turns a lone line feed into a break).
    virtual void readField(Field field, std::string& text) = 0;
    // Shows `text` in a field, leaving the field alone when it already shows
    // it. Only the user's typing runs the fields' change handlers: the
    // window's own notifications are dropped meanwhile.
    virtual void showField(Field field, const std::string& text) = 0;

    // The body field's modified flag and its text length.
    virtual bool bodyModified() = 0;
    virtual int bodyLength() = 0;

    virtual void enableUndoButton(bool enable) = 0;
    // Presses the date button once more, so the second click of a
    // double-click stamps the date again.
    virtual void pressDateButton() = 0;

    // Asks an OK/Cancel question without an icon; true for OK.
    virtual bool confirm(const std::string& text, const std::string& caption) = 0;
    // Asks a Yes/No question with an exclamation icon, captioned with the
    // application name, No the default; true for Yes.
    virtual bool ask(const std::string& text) = 0;
    // The file-error box: stop icon, OK, captioned with the application name.
    virtual void showFileError(const FileError& error) = 0;
    // A warning box for the user, captioned with the application name.
    virtual void showWarning(const std::string& text) = 0;
    // Asks a Yes/No question with a question icon, captioned with the
    // application name, Yes the default; true for Yes.
    virtual bool offer(const std::string& text) = 0;

    // The journal's timer: runs out once, `milliseconds` after it was
    // (re)started, unless it is stopped first.
    virtual void startJournalTimer(int milliseconds) = 0;
    virtual void stopJournalTimer() = 0;
};

}  // namespace scriblet
