// Reading the GIF pictures the program embeds (GIF87a, one image, a global
// colour table) into palette indices: the decoder the windows draw from.
// Written for any well-formed GIF87a or GIF89a file, and safe on any bytes:
// nothing outside the given buffer is read, and damaged data gives a picture
// with the pixels decoded so far, or nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace pelomar {

struct GifPicture {
    int width = 0;
    int height = 0;
    // 256 colours as 0x00RRGGBB: the image's own table if it has one, else
    // the file's global one, padded with black.
    std::vector<std::uint32_t> palette;
    // One palette index per pixel, rows from the top; an interlaced image is
    // put back in order.
    std::vector<std::uint8_t> indices;
};

// The first image of the file. Nothing when the bytes are not a GIF, hold no
// image, or give it a size of 0 or over 4096 pixels either way.
std::optional<GifPicture> decodeGif(const unsigned char* bytes, std::size_t size);

// The picture's colours (0x00RRGGBB) into the columns left..right-1 of rows
// top..bottom-1 of `out`, rows `outWidth` pixels apart, with the picture's
// top-left corner at (0, 0); white where the picture does not reach.
void copyColours(const GifPicture& picture, int left, int top, int right, int bottom, std::uint32_t* out,
                 int outWidth);

}  // namespace pelomar
