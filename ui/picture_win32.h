// Pictures for display: an embedded GIF, decoded by the program's own GIF
// reader, as a top-down 8-bit DIB section with the picture's colour table (a
// quarter of the memory of 32-bit pixels). Needs no COM and no DLL beyond
// GDI.
#pragma once

#include <windows.h>

#include <cstddef>

#include "media/assets.h"

namespace pelomar {

class Picture {
public:
    Picture() = default;
    ~Picture();
    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return bitmap_ == nullptr; }
    // Pixel (x, y) as 0x00RRGGBB; 0 outside the picture. For the tests.
    unsigned pixel(int x, int y) const;

    // Draws the picture unscaled with its top-left corner at (x, y).
    void draw(HDC dc, int x, int y) const;

private:
    friend Picture decodePicture(AssetView bytes);
    HBITMAP bitmap_ = nullptr;
    const unsigned char* bits_ = nullptr;  // palette indices, rows padded to `stride_`
    int stride_ = 0;
    unsigned palette_[256] = {};  // 0x00RRGGBB
    int width_ = 0;
    int height_ = 0;
};

// Empty when the bytes are not a GIF picture.
Picture decodePicture(AssetView bytes);

}  // namespace pelomar
