// The main window: template 102 wired to the editing rules, placed by the
// portable geometry of layout.h, with the colours of res/palette.h, picture
// buttons and icon. It only turns window messages into calls of
// NotesController and implements NotesView over its controls.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "notes/file_system.h"
#include "notes/note_table.h"
#include "res/palette.h"
#include "ui/main/notes_controller.h"
#include "ui/main/notes_view.h"
#include "ui/win/ansi_edit.h"
#include "ui/win/dialog.h"
#include "ui/win/picture_button.h"

namespace scriblet {

class NotesDialog : public win::Dialog, private NotesView {
public:
    // The table, the undo slot, the file system and the brushes are the
    // process's and outlive the window. `endProcess` ends the process from
    // the close button (the program passes one that calls exit(3)).
    NotesDialog(NoteTable& table, UndoSlot& undo, FileSystem& files, const Brushes& brushes,
                std::function<void()> endProcess);

    bool routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool PreTranslateMessage(MSG& message) override;
    bool OnHandlerFailed(bool outOfMemory) override;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    // Window messages.
    win::Answer onSize(WPARAM, LPARAM);
    win::Answer onGetMinMaxInfo(WPARAM, LPARAM);
    win::Answer onEditColour(WPARAM, LPARAM);
    win::Answer onOtherColour(WPARAM, LPARAM);
    win::Answer onEraseBackground(WPARAM, LPARAM);
    win::Answer onPaint(WPARAM, LPARAM);
    win::Answer onQueryDragIcon(WPARAM, LPARAM);
    win::Answer onSysCommand(WPARAM, LPARAM);
    win::Answer onDestroy(WPARAM, LPARAM);
    win::Answer onQueryEndSession(WPARAM, LPARAM);
    win::Answer onEndSession(WPARAM, LPARAM);
    win::Answer onTimer(WPARAM, LPARAM);

    // The close button: the process ends once the notes are saved.
    void onCloseButton();
    // Takes a way out of the editing rules. The field with the focus is left
    // first, as a click on the close button leaves it, so that what leaving
    // it commits (a body typed into "<New>" becomes a note) is saved; it gets
    // the focus back when the window stays.
    bool takeWayOut(bool (NotesController::*wayOut)());
    // Leaves the field with the focus; the control that had it, if it was one of ours.
    HWND leaveFocusedField();

    void addAboutEntryToSystemMenu();
    void setUpBody();
    // Places the controls for a client area of this size, once set-up has
    // made the window ready for it.
    void layout(int width, int height);

    // NotesView
    void listAppend(const std::string& text) override;
    void listInsert(int index, const std::string& text) override;
    void listDelete(int index) override;
    void listSelect(int index) override;
    int listSelection() override;
    void listFill(const NoteTable& table) override;
    void readField(Field field, std::string& text) override;
    void showField(Field field, const std::string& text) override;
    bool bodyModified() override;
    int bodyLength() override;
    void enableUndoButton(bool enable) override;
    void pressDateButton() override;
    bool confirm(const std::string& text, const std::string& caption) override;
    bool ask(const std::string& text) override;
    void showFileError(const FileError& error) override;
    void showWarning(const std::string& text) override;
    bool offer(const std::string& text) override;
    void startJournalTimer(int milliseconds) override;
    void stopJournalTimer() override;

    static const win::MessageEntry<NotesDialog> kMessageMap[];
    static const win::MessageEntry<NotesController> kUserActions[];

    // A text the program showed in a field that the control shows otherwise:
    // while the field still shows `shown`, its text is `text`.
    struct ShownText {
        bool differs = false;
        std::string text;
        std::string shown;
    };

    win::AnsiEdit titleField_;
    win::AnsiEdit dateField_;
    ShownText shownTexts_[3];
    win::PictureButton deleteButton_;
    win::PictureButton undoButton_;
    win::PictureButton dateButton_;
    win::PictureButton closeButton_;
    HICON icon_;
    Brushes brushes_;
    std::function<void()> endProcess_;
    NotesController controller_;
    bool layoutReady_ = false;
};

}  // namespace scriblet
