// A dialog built from a template and run modally by a loop of our own, with
// data exchange between its controls and plain strings.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "ui/win/window.h"

namespace scriblet::win {

class Dialog;

// Moves text between a dialog's controls and strings, in the order the
// dialog's DoDataExchange names them.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool saveAndValidate) : dialog_(dialog), save_(saveAndValidate) {}

    bool saving() const { return save_; }

    // Control text <-> value, compared whole. Loading leaves a control alone
    // when it shows the value, or still shows what was last put there for
    // this same value; saving gives back that value while the control shows
    // it. So a field the user did not change returns exactly what was put in,
    // whatever the control made of it.
    void text(int controlId, std::string& value);
    // Ties a C++ control object to the dialog's control, once.
    void control(int controlId, Window& object);

private:
    Dialog& dialog_;
    bool save_;
};

class Dialog : public Window {
public:
    Dialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

    // Creates the window from the template and runs it until EndDialog.
    // Returns the EndDialog result, or -1 when the window could not be created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    // True from the window's creation until EndDialog.
    bool isRunning() const { return handle() && !ended_; }

    // Fields to values (true) or values to fields (false). The dialog's own
    // controls' notifications are dropped while it runs.
    bool UpdateData(bool saveAndValidate);

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
    virtual void DoDataExchange(DataExchange&) {}
    // Set-up once the window exists; true lets the system place the focus.
    virtual bool OnInitDialog();
    // The OK command: the fields are copied, then the dialog ends with IDOK.
    virtual void OnOK();
    // The Cancel command: the dialog ends with IDCANCEL, nothing copied.
    virtual void OnCancel();

private:
    friend class DataExchange;

    Answer onInitDialogMessage(WPARAM, LPARAM);
    static const MessageEntry<Dialog> kMessageMap[];

    // A field whose text read back differently from the value last set into
    // it: while it shows `shown`, its value is `value`.
    struct SetText {
        std::string value;
        std::string shown;
    };

    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool isOwnControlNotification(UINT message, WPARAM wParam, LPARAM lParam) const;
    // Offers a message to the PreTranslateMessage of the window it is for and
    // then of each parent, up to this dialog.
    bool preTranslateChain(MSG& message);

    int templateId_;
    HWND parent_;
    bool exchanging_ = false;
    int messageDepth_ = 0;
    std::map<int, SetText> setTexts_;
    mutable std::map<int, HWND> items_;
    bool ended_ = false;
    INT_PTR result_ = -1;
};

}  // namespace scriblet::win
