// The program's colours, written down once: the windows take them from the
// constants below, and res/make_images.py reads the numbers for the pictures.
#pragma once

// Red, green and blue of each colour, as plain numbers the image generator
// reads too.
#define SCRIBLET_BACKGROUND_COLOUR 255, 255, 255
#define SCRIBLET_EDIT_TEXT_COLOUR 255, 255, 255
#define SCRIBLET_ACCENT_COLOUR 102, 102, 255
#define SCRIBLET_LINK_COLOUR 255, 102, 0
// The disabled undo button's picture shows this in place of the accent.
#define SCRIBLET_DISABLED_COLOUR 192, 192, 192

#include <windows.h>

namespace scriblet {

constexpr COLORREF colourOf(int red, int green, int blue) {
    return RGB(red, green, blue);
}

constexpr COLORREF kBackgroundColour = colourOf(SCRIBLET_BACKGROUND_COLOUR);
constexpr COLORREF kEditTextColour = colourOf(SCRIBLET_EDIT_TEXT_COLOUR);
constexpr COLORREF kAccentColour = colourOf(SCRIBLET_ACCENT_COLOUR);
constexpr COLORREF kLinkColour = colourOf(SCRIBLET_LINK_COLOUR);

// Solid brushes of the background and accent colours, made once before any
// window and never deleted.
struct Brushes {
    HBRUSH background = nullptr;
    HBRUSH accent = nullptr;
};

}  // namespace scriblet
