// Pixels copied off the screen, a window or a bitmap, for reading colours.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace scriblet::e2e {

inline std::string colourName(COLORREF c) {
    return "RGB(" + std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
           std::to_string(GetBValue(c)) + ")";
}

// A copy of width x height pixels, top-down, 32 bits each.
class Pixels {
public:
    Pixels(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Pixels() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    HDC dc() const { return dc_; }
    // Copies as many pixels as this holds from `source`, starting at x, y.
    void copyFrom(HDC source, int x, int y) {
        BitBlt(dc_, 0, 0, width_, height_, source, x, y, SRCCOPY);
        GdiFlush();
    }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF at(int x, int y) const {
        const DWORD p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // How many pixels of a rectangle have the colour.
    int count(const RECT& r, COLORREF colour) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) n += at(x, y) == colour ? 1 : 0;
        }
        return n;
    }

    // The smallest rectangle that holds every pixel of the colour in `r`.
    RECT bounds(const RECT& r, COLORREF colour) const {
        RECT b{r.right, r.bottom, r.left, r.top};
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                if (at(x, y) != colour) continue;
                b.left = x < b.left ? x : b.left;
                b.top = y < b.top ? y : b.top;
                b.right = x + 1 > b.right ? x + 1 : b.right;
                b.bottom = y + 1 > b.bottom ? y + 1 : b.bottom;
            }
        }
        return b;
    }

    // The first pixel where `other` differs, or "" where none does.
    std::string differenceFrom(const Pixels& other) const {
        if (width_ != other.width_ || height_ != other.height_) {
            return std::to_string(width_) + " x " + std::to_string(height_) + " pixels against " +
                   std::to_string(other.width_) + " x " + std::to_string(other.height_);
        }
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (at(x, y) != other.at(x, y)) {
                    return "at (" + std::to_string(x) + ", " + std::to_string(y) + ") " + colourName(at(x, y)) +
                           " against " + colourName(other.at(x, y));
                }
            }
        }
        return "";
    }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    DWORD* bits_ = nullptr;
};

// A bitmap's pixels, at its own size; none without a bitmap.
inline std::unique_ptr<Pixels> pixelsOf(HBITMAP bitmap) {
    if (!bitmap) return nullptr;
    BITMAP size{};
    GetObjectA(bitmap, sizeof size, &size);
    auto pixels = std::make_unique<Pixels>(size.bmWidth, size.bmHeight);
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, bitmap);
    pixels->copyFrom(source, 0, 0);
    SelectObject(source, old);
    DeleteDC(source);
    return pixels;
}

}  // namespace scriblet::e2e
