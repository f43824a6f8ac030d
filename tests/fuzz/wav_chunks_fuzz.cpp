// WAV images of any bytes: the chunk walk must never read outside them, and
// whatever it finds must lie inside them; the format block made from what it
// found must never send the device past its own end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "media/wav_chunks.h"

namespace {

bool inside(std::span<const unsigned char> part, const uint8_t* data, size_t size) {
    return part.data() >= data && part.data() + part.size() <= data + size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto wav = pelomar::walkWavChunks(data, size);
    if (!wav) return 0;
    if (size < 36 || wav->samples.empty()) std::abort();
    if (!inside(wav->samples, data, size) || !inside(wav->format, data, size)) std::abort();

    const std::vector<unsigned char> format = pelomar::deviceFormat(wav->format);
    if (format.empty()) {
        if (wav->format.size() >= 18) {
            const size_t extra = size_t(wav->format[16]) | size_t(wav->format[17]) << 8;
            if (18 + extra <= wav->format.size()) std::abort();  // refused a block that was whole
        } else if (wav->format.size() >= 16) {
            std::abort();
        }
        return 0;
    }
    const size_t extra = size_t(format[16]) | size_t(format[17]) << 8;
    if (format.size() < 18 || 18 + extra > format.size()) std::abort();
    return 0;
}
