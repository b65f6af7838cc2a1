#include "ui/win/picture_button.h"

#include <string>

namespace scriblet::win {

namespace {

HBITMAP loadPicture(const std::string& name) {
    return static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name.c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

}  // namespace

const MessageEntry<PictureButton> PictureButton::kMessageMap[] = {
    onMessage(kReflectBase + WM_DRAWITEM, &PictureButton::onDrawItem),
};

PictureButton::~PictureButton() {
    freePictures();
}

void PictureButton::freePictures() {
    for (HBITMAP* picture : {&normal_, &pressed_, &focused_, &disabled_}) {
        if (*picture) DeleteObject(*picture);
        *picture = nullptr;
    }
}

bool PictureButton::autoLoad(int controlId, HWND dialog) {
    HWND control = GetDlgItem(dialog, controlId);
    if (!control || !subclassWindow(control)) return false;

    const std::string base = windowText(control);
    freePictures();
    normal_ = loadPicture(base + "U");
    pressed_ = loadPicture(base + "D");
    focused_ = loadPicture(base + "F");
    disabled_ = loadPicture(base + "X");
    if (!normal_) return false;

    BITMAP size{};
    GetObjectA(normal_, sizeof size, &size);
    SetWindowPos(control, nullptr, 0, 0, size.bmWidth, size.bmHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

bool PictureButton::routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return dispatchMessage(kMessageMap, *this, message, wParam, lParam, result);
}

HBITMAP PictureButton::pictureFor(UINT drawState) const {
    if ((drawState & ODS_SELECTED) && pressed_) return pressed_;
    if ((drawState & ODS_FOCUS) && focused_) return focused_;
    if ((drawState & ODS_DISABLED) && disabled_) return disabled_;
    return normal_;
}

Answer PictureButton::onDrawItem(WPARAM, LPARAM lParam) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    // Without its normal picture a button draws nothing at all.
    HBITMAP picture = normal_ ? pictureFor(item.itemState) : nullptr;
    if (!picture) return TRUE;
    BITMAP size{};
    GetObjectA(picture, sizeof size, &size);
    HDC memory = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(memory, picture);
    // Unscaled, from the top left corner, clipped to the button.
    const int width = item.rcItem.right - item.rcItem.left;
    const int height = item.rcItem.bottom - item.rcItem.top;
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, size.bmWidth < width ? size.bmWidth : width,
           size.bmHeight < height ? size.bmHeight : height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    return TRUE;
}

}  // namespace scriblet::win
