#pragma once
// A memory device context over a 32-bit top-down bitmap whose pixels the test reads directly.
#include <windows.h>

#include <functional>

class Canvas {
public:
    Canvas(int width, int height, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF At(int x, int y) const;

    // Bounds of the pixels that satisfy `match`; empty (0,0,0,0) when none does.
    RECT BoundsOf(const std::function<bool(COLORREF)>& match) const;
    int Count(const std::function<bool(COLORREF)>& match) const;

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    const DWORD* bits_ = nullptr;
};
