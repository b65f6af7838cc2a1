#include "ui/main/layout.h"

#include "res/resource.h"

namespace scriblet {

namespace {

int atLeastZero(int value) {
    return value < 0 ? 0 : value;
}

ControlPlacement place(int id, int x, int y, int width, int height) {
    ControlPlacement p;
    p.controlId = id;
    p.x = x;
    p.y = y;
    p.width = atLeastZero(width);
    p.height = atLeastZero(height);
    return p;
}

ControlPlacement withFormat(ControlPlacement p, FormatRect kind, Rect format) {
    p.formatKind = kind;
    p.format = format;
    return p;
}

}  // namespace

std::array<ControlPlacement, 10> mainWindowLayout(int w, int h) {
    // The title list fills the right 125 pixels down to the bottom bar; a
    // 21-pixel strip across the top holds title, separator, date and date
    // button; the body fills the rest above the 34-pixel bottom bar.
    return {{
        place(IDC_TITLE_LIST, w - 125, 0, 125, h - 34),
        place(IDC_DATE_BUTTON, w - 147, 0, 22, 21),
        withFormat(place(IDC_TITLE, 0, 0, w - 199, 21), FormatRect::SetRectNoRepaint,
                   {4, 6, w - 195, 27}),
        place(IDC_TITLE_SEPARATOR, w - 199, 0, 2, 21),
        withFormat(place(IDC_DATE, w - 197, 0, 50, 21), FormatRect::SetRect, {4, 6, 50, 21}),
        withFormat(place(IDC_BODY, 0, 21, w - 125, h - 55), FormatRect::SetRect,
                   {4, 4, w - 121, h - 30}),
        place(IDC_BOTTOM_BAR, 0, h - 34, w, 34),
        place(IDC_CLOSE_BUTTON, 10, h - 28, 56, 23),
        place(IDC_DELETE_BUTTON, w - 85, h - 28, 23, 23),
        place(IDC_UNDO_BUTTON, w - 62, h - 28, 23, 23),
    }};
}

}  // namespace scriblet
