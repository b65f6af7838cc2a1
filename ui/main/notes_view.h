// What the editing rules need of the main window. The Win32 dialog implements
// it over its controls; tests implement it with plain data.
#pragma once

#include <cstddef>
#include <string>

#include "notes/notes_store.h"

namespace scriblet {

// The three field buffers. Data exchange moves them in the order body, date, title.
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
    // Brackets a long run of list changes, so the list repaints once; begin
    // takes the storage for `entries` entries holding `textBytes` bytes of
    // text (terminating zeros included) at once.
    virtual void listFillBegin(int entries, std::size_t textBytes) = 0;
    virtual void listFillEnd() = 0;

    // Data exchange between the fields and the buffers: pull copies the
    // fields' texts into the buffers; push sets the fields from the buffers,
    // leaving a field alone when its text already equals its buffer. The
    // window's own notifications are dropped while it runs.
    virtual void exchangeFields(FieldBuffers& buffers, bool pull) = 0;

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
};

}  // namespace scriblet
