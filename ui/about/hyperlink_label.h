// A static text control of a dialog that acts as a web link: link, hover and
// visited colours, underlining always, never or on hover, a hand cursor, a
// tooltip with the address, and a click that hands the address to the shell
// (or to the program registered for ".htm" files). It is never created as a
// window of its own: its dialog attaches it to a static control (subclassWindow).
// The about box uses the attachment, the address, the underlined font and
// openLink with its error box. It answers its controls' colours and holds the
// mouse capture itself, so the label's own colours, hover underline and its
// timer, hand cursor, tooltip and click never run there. They are kept because
// they are the label's design, whole for a dialog that leaves them to it; the
// in-process tests run them in a host dialog of their own.
#pragma once

#include <windows.h>

#include <string>

#include "ui/win/window.h"

namespace scriblet {

class HyperlinkLabel : public win::Window {
public:
    enum UnderlineMode : int {
        UnderlineOnHover = -1,
        UnderlineNever = 0,
        UnderlineAlways = 1,
    };

    HyperlinkLabel() = default;
    // Releases the fonts, the cursor copy and the tooltip.
    ~HyperlinkLabel() override;

    // Each setter only stores its value until the label is attached; from
    // then on it also updates the tooltip or repaints.
    void setAddress(std::string address);
    void setVisited(bool visited);
    void setUnderlineMode(int mode);
    // Does what a click does: opens the address, or reports why it could not.
    void openLink();

    bool routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Relays every message for the label to its tooltip, the tooltip's only
    // source of mouse activity.
    bool PreTranslateMessage(MSG& message) override;
    // Attachment to the dialog's static control.
    void PreSubclassWindow() override;
    bool DestroyWindow() override;

private:
    // Opens the address with the shell, else with the registered ".htm"
    // handler. A result above 32 is success; otherwise the shell's code, or
    // WinExec's when the handler was found.
    static int launchAddress(const std::string& address, int showCommand);
    // Beeps and explains a failed launch in a message box.
    static void showLaunchError(int code);
    // The default value of a registry key; 0 on success, else a Win32 error
    // code and `output` untouched. A value that is not a string or is longer
    // than the limit counts as a failure.
    static LONG readRegistryDefault(HKEY root, const std::string& subKey, std::string& output);

    void loadLinkCursor();
    void setFont(HFONT font);
    void repaint();
    void updateToolTipText();

    win::Answer onColour(WPARAM, LPARAM);
    win::Answer onSetCursor(WPARAM, LPARAM);
    win::Answer onMouseMove(WPARAM, LPARAM);
    win::Answer onTimer(WPARAM, LPARAM);
    win::Answer onEraseBackground(WPARAM, LPARAM);
    win::Answer onReflectedCommand(WPARAM, LPARAM);

    static const win::MessageEntry<HyperlinkLabel> kMessageMap[];

    COLORREF linkColour_ = RGB(0, 0, 238);
    COLORREF visitedColour_ = RGB(85, 26, 139);
    COLORREF hoverColour_ = RGB(255, 0, 0);
    bool hovering_ = false;
    bool visited_ = false;
    int underlineMode_ = UnderlineOnHover;
    std::string address_;
    HFONT underlinedFont_ = nullptr;
    HFONT normalFont_ = nullptr;
    HCURSOR linkCursor_ = nullptr;
    HWND toolTip_ = nullptr;
    UINT_PTR hoverTimerId_ = 100;
};

}  // namespace scriblet
