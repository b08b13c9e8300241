// Integer points and rectangles in client pixels, with the host's edge rule:
// the left and top edges lie inside a rectangle, the right and bottom outside.
// Client pixels are logical ones: a high-density screen shows each as a
// square of device pixels, WholeScale of them a side.
#pragma once

#include <algorithm>
#include <cmath>

struct CPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const CPoint&, const CPoint&) = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool PtInRect(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool PtInRect(CPoint p) const { return PtInRect(p.x, p.y); }
    friend bool operator==(const CRect&, const CRect&) = default;
};

// Device pixels per logical pixel on a screen whose toolkit reports the
// scale factor factor: the nearest whole number, at least 1. Everything the
// game draws at device resolution rounds the factor here, so that the table,
// its pictures, the celebration and the card-back preview agree.
inline int WholeScale(double factor)
{
    return std::max(1, static_cast<int>(std::lround(factor)));
}
