// The about box: template 100 with a logo, an identification text and the
// maker's web address as two link halves. It holds the mouse capture while it
// is open: a press on a link opens the address, any other press ends the box.
#pragma once

#include <windows.h>

#include "res/palette.h"
#include "ui/about/hyperlink_label.h"
#include "ui/win/dialog.h"

namespace scriblet {

class AboutDialog : public win::Dialog {
public:
    // Template 100 without a parent: the application's main window owns it.
    // The brushes are the process's and outlive the box.
    explicit AboutDialog(const Brushes& brushes);

    bool routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool PreTranslateMessage(MSG& message) override;

protected:
    bool OnInitDialog() override;

private:
    bool overLink(POINT screenPoint) const;
    // Switches the cursor on every move; the default handling follows.
    win::Answer onMouseMove(WPARAM, LPARAM);
    win::Answer onColour(WPARAM, LPARAM);

    static const win::MessageEntry<AboutDialog> kMessageMap[];

    HyperlinkLabel firstLink_;
    HyperlinkLabel secondLink_;
    Brushes brushes_;
};

}  // namespace scriblet
