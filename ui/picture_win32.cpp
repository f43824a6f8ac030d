// The embedded GIFs as DIB sections. Only the first image of a file is
// read; ours are single-image GIF87a without transparency.
#include "ui/picture_win32.h"

#include <cstring>
#include <optional>
#include <utility>

#include "ui/gif_decoder.h"

namespace pelomar {

Picture::~Picture() {
    if (bitmap_) DeleteObject(bitmap_);
}

Picture::Picture(Picture&& other) noexcept { *this = std::move(other); }

Picture& Picture::operator=(Picture&& other) noexcept {
    std::swap(bitmap_, other.bitmap_);
    std::swap(bits_, other.bits_);
    std::swap(stride_, other.stride_);
    std::swap(palette_, other.palette_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    return *this;
}

unsigned Picture::pixel(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return palette_[bits_[static_cast<size_t>(y) * stride_ + x]];
}

void Picture::draw(HDC dc, int x, int y) const {
    if (!bitmap_) return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bitmap_);
    BitBlt(dc, x, y, width_, height_, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

namespace {

// A top-down 8-bit DIB section with this colour table.
HBITMAP createSection(UINT w, UINT h, const std::vector<std::uint32_t>& palette, void** bits) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = static_cast<LONG>(w);
    info.header.biHeight = -static_cast<LONG>(h);
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 256;
    for (std::size_t i = 0; i < palette.size() && i < 256; ++i) {
        info.colours[i].rgbRed = static_cast<BYTE>(palette[i] >> 16);
        info.colours[i].rgbGreen = static_cast<BYTE>(palette[i] >> 8);
        info.colours[i].rgbBlue = static_cast<BYTE>(palette[i]);
    }
    return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

Picture decodePicture(AssetView bytes) {
    Picture picture;
    const std::optional<GifPicture> gif = decodeGif(bytes.data, bytes.size);
    if (!gif) return picture;
    const UINT w = static_cast<UINT>(gif->width);
    const UINT h = static_cast<UINT>(gif->height);
    const UINT stride = (w + 3) & ~3u;  // DIB rows are padded to four bytes
    void* bits = nullptr;
    HBITMAP bitmap = createSection(w, h, gif->palette, &bits);
    if (!bitmap) return picture;
    auto* rows = static_cast<unsigned char*>(bits);
    for (UINT y = 0; y < h; ++y) std::memcpy(rows + y * stride, &gif->indices[y * w], w);
    picture.bitmap_ = bitmap;
    picture.bits_ = rows;
    picture.stride_ = static_cast<int>(stride);
    for (int i = 0; i < 256; ++i) picture.palette_[i] = gif->palette[i] & 0xFFFFFF;
    picture.width_ = gif->width;
    picture.height_ = gif->height;
    return picture;
}

}  // namespace pelomar
