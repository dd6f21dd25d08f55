#pragma once

#include <algorithm>

// A box of whole pixels with inclusive edges; empty until something is united into it.
struct PixelBox
{
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    bool isEmpty() const { return right < left; }
    void unite(const PixelBox &other)
    {
        if (isEmpty()) {
            *this = other;
            return;
        }
        left = std::min(left, other.left);
        top = std::min(top, other.top);
        right = std::max(right, other.right);
        bottom = std::max(bottom, other.bottom);
    }
};

// Empty columns between two boxes; negative when they overlap (minus the overlap's width).
inline int horizontalGap(const PixelBox &a, const PixelBox &b)
{
    return std::max(a.left, b.left) - std::min(a.right, b.right) - 1;
}

inline int verticalGap(const PixelBox &a, const PixelBox &b)
{
    return std::max(a.top, b.top) - std::min(a.bottom, b.bottom) - 1;
}
