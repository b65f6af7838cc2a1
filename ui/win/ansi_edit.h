// An edit control of an ANSI window whose paste inserts the clipboard's text
// in the ANSI code page, as Windows offers it to an ANSI window. Wine's edit
// control pastes the Unicode text as it is: it would show characters that the
// code page cannot hold and give them back as "?", so what the field showed
// would not be what is kept.
#pragma once

#include <windows.h>

#include "ui/win/window.h"

namespace scriblet::win {

class AnsiEdit : public Window {
public:
    bool routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // One undoable insertion over the selection, as the control's own paste
    // is: the caret after it, a change notification for it.
    Answer onPaste(WPARAM, LPARAM);

    static const MessageEntry<AnsiEdit> kMessageMap[];
};

}  // namespace scriblet::win
