// GIF files of any bytes: the decoder must never read outside them, and a
// picture it returns must be whole: as many indices as pixels, 256 colours.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ui/gif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto gif = pelomar::decodeGif(data, size);
    if (!gif) return 0;
    if (gif->width <= 0 || gif->height <= 0 || gif->width > 4096 || gif->height > 4096) std::abort();
    if (gif->indices.size() != static_cast<size_t>(gif->width) * static_cast<size_t>(gif->height)) std::abort();
    if (gif->palette.size() != 256) std::abort();
    return 0;
}
