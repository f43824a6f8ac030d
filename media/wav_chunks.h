// Finding the format and the samples in a RIFF WAVE image held in memory.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace pelomar {

// Views into the caller's bytes; valid as long as those bytes are.
struct WavChunks {
    std::span<const unsigned char> format;   // body of the "fmt " chunk
    std::span<const unsigned char> samples;  // body of the "data" chunk, never empty
};

// Walks the chunks of a WAV image for its "fmt " and "data" chunks, in either
// order; when a chunk id occurs twice before both are found, the later chunk
// counts. Odd-sized chunks are followed by a pad byte, as RIFF requires.
// Nothing outside [bytes, bytes + size) is ever read, whatever the size fields
// say: a data chunk that claims more bytes than there are gives the bytes that
// are there. Empty when the image is shorter than 36 bytes, is not RIFF WAVE,
// lacks either chunk or has no samples.
std::optional<WavChunks> walkWavChunks(const unsigned char* bytes, std::size_t size);

// The format block a wave-output stream is opened with: the "fmt " body as it
// is, extended to the 18 bytes of the extended format with a zero extra size
// when it holds only the 16 bytes of plain PCM. Empty when the body is shorter
// than 16 bytes or its extra size claims more bytes than the body has, so the
// device never reads beyond the block.
std::vector<unsigned char> deviceFormat(std::span<const unsigned char> fmtBody);

}  // namespace pelomar
