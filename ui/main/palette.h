// The program's colours, shared by the main window and the about box.
#pragma once

#include <windows.h>

namespace scriblet {

constexpr COLORREF kBackgroundColour = RGB(255, 255, 255);
constexpr COLORREF kEditTextColour = RGB(255, 255, 255);
constexpr COLORREF kAccentColour = RGB(102, 102, 255);
constexpr COLORREF kLinkColour = RGB(255, 102, 0);

// Solid brushes of the background and accent colours, made once before any
// window and never deleted.
struct Brushes {
    HBRUSH background = nullptr;
    HBRUSH accent = nullptr;
};

}  // namespace scriblet
