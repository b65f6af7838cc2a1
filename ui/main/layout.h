// Where the main window's ten controls go for a given client size. Plain
// C++, so the geometry can be checked without a window.
#pragma once

#include <array>

namespace scriblet {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// How a control's formatting rectangle is set, if it has one.
enum class FormatRect { None, SetRect, SetRectNoRepaint };

struct ControlPlacement {
    int controlId = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    FormatRect formatKind = FormatRect::None;
    Rect format;  // in the control's own coordinates
};

// The placements for a client area width x height, in the order the
// controls are moved. Sizes that would be negative (a tiny or minimised
// window) are clamped at 0.
std::array<ControlPlacement, 10> mainWindowLayout(int width, int height);

// The smallest size the user can drag the window to, frame included.
inline constexpr int kMinimumTrackWidth = 282;
inline constexpr int kMinimumTrackHeight = 172;

}  // namespace scriblet
