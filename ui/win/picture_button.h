// An owner-drawn button that shows pictures instead of text. Its pictures are
// the bitmaps named after its text with "U" (normal), "D" (pressed),
// "F" (focused) or "X" (disabled) appended; only "U" is required.
#pragma once

#include <windows.h>

#include "ui/win/window.h"

namespace scriblet::win {

class PictureButton : public Window {
public:
    PictureButton() = default;
    ~PictureButton() override;

    // Ties the button to the dialog's control, loads its pictures and makes
    // the button as large as its normal picture. False when the control or
    // the normal picture is missing.
    bool autoLoad(int controlId, HWND dialog);

    bool routeMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // The picture a state shows: pressed, else focused, else disabled, else
    // normal, each only when the button has it.
    HBITMAP pictureFor(UINT drawState) const;
    // Draws the picture the state shows, reflected back from the parent.
    Answer onDrawItem(WPARAM, LPARAM);
    void freePictures();

    static const MessageEntry<PictureButton> kMessageMap[];

    HBITMAP normal_ = nullptr;
    HBITMAP pressed_ = nullptr;
    HBITMAP focused_ = nullptr;
    HBITMAP disabled_ = nullptr;
};

}  // namespace scriblet::win
