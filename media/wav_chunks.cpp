#include "media/wav_chunks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pelomar {
namespace {

constexpr std::size_t kMinimumImage = 36;  // RIFF header and a 16-byte "fmt " chunk
constexpr std::uint64_t kFirstChunk = 12;
constexpr std::uint64_t kChunkHeader = 8;
constexpr std::size_t kPcmFormat = 16;
constexpr std::size_t kExtendedFormat = 18;

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

bool idIs(const unsigned char* p, const char (&id)[5]) { return std::memcmp(p, id, 4) == 0; }

}  // namespace

std::optional<WavChunks> walkWavChunks(const unsigned char* bytes, std::size_t size) {
    if (bytes == nullptr || size < kMinimumImage) return std::nullopt;
    if (!idIs(bytes, "RIFF") || !idIs(bytes + 8, "WAVE")) return std::nullopt;

    // The RIFF size limits where chunks may start; the bytes given limit
    // everything that is read. 64-bit positions cannot wrap around.
    const std::uint64_t chunksEnd = kFirstChunk + le32(bytes + 4);
    std::optional<std::span<const unsigned char>> format, samples;
    std::uint64_t pos = kFirstChunk;
    while (!(format && samples)) {
        if (pos >= chunksEnd || pos + kChunkHeader > size) break;
        const std::uint64_t chunkSize = le32(bytes + pos + 4);
        const std::uint64_t body = pos + kChunkHeader;
        const std::span<const unsigned char> present(bytes + body, std::min<std::uint64_t>(chunkSize, size - body));
        if (idIs(bytes + pos, "fmt "))
            format = present;
        else if (idIs(bytes + pos, "data"))
            samples = present;
        pos = body + chunkSize + (chunkSize & 1);  // an odd-sized chunk is followed by a pad byte
    }
    if (!format || !samples || samples->empty()) return std::nullopt;
    return WavChunks{*format, *samples};
}

std::vector<unsigned char> deviceFormat(std::span<const unsigned char> fmtBody) {
    if (fmtBody.size() < kPcmFormat) return {};
    std::vector<unsigned char> block(fmtBody.begin(), fmtBody.end());
    if (block.size() < kExtendedFormat) {
        block.resize(kPcmFormat);
        block.resize(kExtendedFormat, 0);
        return block;
    }
    const std::size_t extra = std::size_t(block[16]) | std::size_t(block[17]) << 8;
    if (kExtendedFormat + extra > block.size()) return {};
    return block;
}

}  // namespace pelomar
