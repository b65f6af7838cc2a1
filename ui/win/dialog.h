// A dialog built from a template and run modally by a loop of our own.
#pragma once

#include <windows.h>

#include <map>

#include "ui/win/window.h"

namespace scriblet::win {

class Dialog : public Window {
public:
    // Without a parent, the dialog is owned by the main window (message_box.h).
    Dialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

    // Creates the window from the template and runs it until EndDialog.
    // Returns the EndDialog result, or -1 when the window could not be created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    // How many of this dialog's messages are being handled at this moment,
    // the current one included. More than one means that a handler is running
    // a modal loop (a message box, a menu, another dialog) or sent the dialog
    // a message of its own.
    int messageDepth() const { return messageDepth_; }

    // The control with this identifier. Remembered once found: Wine's
    // GetDlgItem asks its server for the list of children on every call,
    // which made filling a list of thousands of entries take seconds.
    HWND item(int controlId) const;

    bool routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool PreTranslateMessage(MSG& message) override;

protected:
    // Set-up once the window exists; true lets the system place the focus.
    virtual bool OnInitDialog();
    // The OK command: the dialog ends with IDOK.
    virtual void OnOK();
    // The Cancel command: the dialog ends with IDCANCEL.
    virtual void OnCancel();

    // Runs `change` with the notifications of the dialog's own controls
    // dropped: text the program puts into a field must not look like the
    // user's typing.
    template <class Change>
    void quietly(Change&& change) {
        struct Restore {
            bool& flag;
            const bool was;
            ~Restore() { flag = was; }
        } restore{quiet_, quiet_};
        quiet_ = true;
        change();
    }

private:
    Answer onInitDialogMessage(WPARAM, LPARAM);
    static const MessageEntry<Dialog> kMessageMap[];

    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool isOwnControlNotification(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Offers a message to the PreTranslateMessage of the window it is for and
    // then of each parent, up to this dialog.
    bool preTranslateChain(MSG& message);

    int templateId_;
    HWND parent_;
    bool quiet_ = false;
    int messageDepth_ = 0;
    mutable std::map<int, HWND> items_;
    bool ended_ = false;
    INT_PTR result_ = -1;
};

}  // namespace scriblet::win
