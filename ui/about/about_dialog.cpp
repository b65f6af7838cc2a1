#include "ui/about/about_dialog.h"

#include "res/product.h"
#include "res/resource.h"

namespace scriblet {

using win::onMessage;

namespace {

// The maker's web page, opened by both link halves.
const char kMakerAddress[] = SCRIBLET_MAKER_ADDRESS;

// The system's arrow (IDC_ARROW).
const WORD kArrowCursor = 32512;

}  // namespace

const win::MessageEntry<AboutDialog> AboutDialog::kMessageMap[] = {
    onMessage(WM_MOUSEMOVE, &AboutDialog::onMouseMove),
    onMessage(WM_CTLCOLORMSGBOX, &AboutDialog::onColour),
    onMessage(WM_CTLCOLOREDIT, &AboutDialog::onColour),
    onMessage(WM_CTLCOLORLISTBOX, &AboutDialog::onColour),
    onMessage(WM_CTLCOLORBTN, &AboutDialog::onColour),
    onMessage(WM_CTLCOLORDLG, &AboutDialog::onColour),
    onMessage(WM_CTLCOLORSCROLLBAR, &AboutDialog::onColour),
    onMessage(WM_CTLCOLORSTATIC, &AboutDialog::onColour),
};

AboutDialog::AboutDialog(const Brushes& brushes) : win::Dialog(IDD_ABOUT, nullptr), brushes_(brushes) {}

bool AboutDialog::routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return win::dispatchMessage(kMessageMap, *this, message, wParam, lParam, result) ||
           win::Dialog::routeMessage(message, wParam, lParam, result);
}

bool AboutDialog::OnInitDialog() {
    win::Dialog::OnInitDialog();
    firstLink_.subclassWindow(item(IDC_ABOUT_FIRST_LINK));
    secondLink_.subclassWindow(item(IDC_ABOUT_SECOND_LINK));
    for (HyperlinkLabel* link : {&firstLink_, &secondLink_}) {
        link->setAddress(kMakerAddress);
        link->setUnderlineMode(HyperlinkLabel::UnderlineAlways);
    }
    CenterWindow();
    // Mouse input over any of the program's windows comes to the box.
    SetCapture(handle());
    return true;
}

bool AboutDialog::PreTranslateMessage(MSG& message) {
    if (message.message == WM_LBUTTONDOWN || message.message == WM_NCLBUTTONDOWN) {
        if (overLink(win::messagePoint())) {
            firstLink_.openLink();
            // A browser start or an error message may have taken the capture.
            SetCapture(handle());
            // Without the capture the press was the label's: its click would
            // open the page a second time.
            return true;
        } else {
            EndDialog(IDOK);
        }
    } else if (message.message == WM_COMMAND) {
        EndDialog(IDOK);
    }
    return win::Dialog::PreTranslateMessage(message);
}

bool AboutDialog::overLink(POINT screenPoint) const {
    for (const HyperlinkLabel* link : {&firstLink_, &secondLink_}) {
        RECT rect{};
        if (link->handle() && GetWindowRect(link->handle(), &rect) && PtInRect(&rect, screenPoint)) return true;
    }
    return false;
}

win::Answer AboutDialog::onMouseMove(WPARAM, LPARAM) {
    const bool overALink = overLink(win::messagePoint());
    SetCursor(overALink ? LoadCursorA(GetModuleHandleA(nullptr), "HANDCUR")
                        : LoadCursorA(nullptr, MAKEINTRESOURCEA(kArrowCursor)));
    return win::kDeclined;
}

win::Answer AboutDialog::onColour(WPARAM dc, LPARAM control) {
    // The box answers for every control itself, so the labels' own hover and
    // visited colours never show here.
    HDC context = reinterpret_cast<HDC>(dc);
    HWND from = reinterpret_cast<HWND>(control);
    const int id = from && from != handle() ? GetDlgCtrlID(from) : 0;
    SetBkColor(context, kBackgroundColour);
    SetTextColor(context, id == IDC_ABOUT_FIRST_LINK || id == IDC_ABOUT_SECOND_LINK ? kLinkColour : kAccentColour);
    if (id == IDC_ABOUT_FRAME) SetBkColor(context, kAccentColour);
    return reinterpret_cast<LRESULT>(brushes_.background);
}

}  // namespace scriblet
