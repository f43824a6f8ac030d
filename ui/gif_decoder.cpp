#include "ui/gif_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pelomar {
namespace {

constexpr int kMaxSide = 4096;
constexpr int kMaxCodes = 4096;

class Reader {
public:
    Reader(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    bool has(std::size_t n) const { return size_ - at_ >= n; }
    std::uint8_t byte() { return has(1) ? bytes_[at_++] : 0; }
    int u16() {
        const int low = byte();
        return low | (byte() << 8);
    }
    const unsigned char* take(std::size_t n) {
        if (!has(n)) return nullptr;
        const unsigned char* p = bytes_ + at_;
        at_ += n;
        return p;
    }
    // Skips a run of data sub-blocks and its terminator.
    void skipSubBlocks() {
        while (has(1)) {
            const std::size_t n = byte();
            if (n == 0 || !has(n)) {
                if (n != 0) at_ = size_;
                return;
            }
            at_ += n;
        }
    }

private:
    const unsigned char* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
};

bool readColourTable(Reader& in, int packed, std::vector<std::uint32_t>& palette) {
    const int colours = 2 << (packed & 7);
    const unsigned char* rgb = in.take(static_cast<std::size_t>(colours) * 3);
    if (!rgb) return false;
    palette.assign(256, 0);
    for (int i = 0; i < colours; ++i)
        palette[i] = (std::uint32_t(rgb[3 * i]) << 16) | (std::uint32_t(rgb[3 * i + 1]) << 8) | rgb[3 * i + 2];
    return true;
}

// The LZW codes of the image's data sub-blocks, read bit by bit, lowest first.
class CodeReader {
public:
    explicit CodeReader(Reader& in) : in_(in) {}
    // The next code of `width` bits, or -1 when the data has ended.
    int next(int width) {
        while (bits_ < width) {
            if (left_ == 0) {
                if (ended_ || !in_.has(1)) return -1;
                left_ = in_.byte();
                if (left_ == 0) {
                    ended_ = true;
                    return -1;
                }
            }
            if (!in_.has(1)) return -1;
            acc_ |= std::uint32_t(in_.byte()) << bits_;
            bits_ += 8;
            --left_;
        }
        const int code = static_cast<int>(acc_ & ((1u << width) - 1));
        acc_ >>= width;
        bits_ -= width;
        return code;
    }

private:
    Reader& in_;
    std::uint32_t acc_ = 0;
    int bits_ = 0;
    int left_ = 0;  // bytes left in the current sub-block
    bool ended_ = false;
};

// Decodes the LZW stream into `out` (width * height indices, in stream
// order); stops at the end code, at the end of the data or when the image is
// full.
void decodeLzw(Reader& in, int minimumCodeSize, std::vector<std::uint8_t>& out) {
    const int clear = 1 << minimumCodeSize;
    const int end = clear + 1;
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint8_t, kMaxCodes> suffix{};
    std::array<std::uint8_t, kMaxCodes> first{};  // the first index of each entry's string
    std::array<std::uint8_t, kMaxCodes + 1> stack{};
    for (int i = 0; i < clear; ++i) {
        suffix[i] = static_cast<std::uint8_t>(i);
        first[i] = static_cast<std::uint8_t>(i);
    }
    CodeReader codes(in);
    int width = minimumCodeSize + 1;
    int next = clear + 2;
    int previous = -1;
    std::size_t filled = 0;
    while (filled < out.size()) {
        const int code = codes.next(width);
        if (code < 0 || code == end) break;
        if (code == clear) {
            width = minimumCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code >= clear) break;  // a stream must start with a plain index
            out[filled++] = static_cast<std::uint8_t>(code);
            previous = code;
            continue;
        }
        int current = code;
        std::size_t depth = 0;
        if (code >= next) {
            if (code > next) break;  // not a code the table can have yet: damaged
            stack[depth++] = first[previous];  // the KwKwK case: previous string plus its own first
            current = previous;
        }
        while (current >= clear) {
            stack[depth++] = suffix[current];
            current = prefix[current];
        }
        stack[depth++] = static_cast<std::uint8_t>(current);
        while (depth > 0 && filled < out.size()) out[filled++] = stack[--depth];
        if (next < kMaxCodes) {
            prefix[next] = static_cast<std::uint16_t>(previous);
            suffix[next] = static_cast<std::uint8_t>(current);
            first[next] = first[previous];
            ++next;
            if (next == (1 << width) && width < 12) ++width;
        }
        previous = code;
    }
}

// Row order of an interlaced image: every 8th from 0, every 8th from 4, every
// 4th from 2, every 2nd from 1.
std::vector<std::uint8_t> deinterlace(const std::vector<std::uint8_t>& rows, int width, int height) {
    std::vector<std::uint8_t> out(rows.size());
    int source = 0;
    constexpr int kStart[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass], ++source)
            std::memcpy(&out[static_cast<std::size_t>(y) * width], &rows[static_cast<std::size_t>(source) * width],
                        static_cast<std::size_t>(width));
    return out;
}

}  // namespace

std::optional<GifPicture> decodeGif(const unsigned char* bytes, std::size_t size) {
    if (!bytes) return std::nullopt;
    Reader in(bytes, size);
    const unsigned char* signature = in.take(6);
    if (!signature || (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0))
        return std::nullopt;
    if (!in.has(7)) return std::nullopt;
    in.u16();  // the logical screen's size: the image's own size is what is drawn
    in.u16();
    const int screenFlags = in.byte();
    in.byte();  // background colour
    in.byte();  // aspect ratio
    std::vector<std::uint32_t> global(256, 0);
    if ((screenFlags & 0x80) && !readColourTable(in, screenFlags, global)) return std::nullopt;

    while (in.has(1)) {
        const int introducer = in.byte();
        if (introducer == 0x21) {  // an extension: its label, then sub-blocks
            in.byte();
            in.skipSubBlocks();
            continue;
        }
        if (introducer != 0x2C) return std::nullopt;  // the trailer, or not a GIF block: no image
        if (!in.has(9)) return std::nullopt;
        in.u16();  // position on the logical screen
        in.u16();
        GifPicture picture;
        picture.width = in.u16();
        picture.height = in.u16();
        const int imageFlags = in.byte();
        if (picture.width <= 0 || picture.height <= 0 || picture.width > kMaxSide || picture.height > kMaxSide)
            return std::nullopt;
        picture.palette = global;
        if ((imageFlags & 0x80) && !readColourTable(in, imageFlags, picture.palette)) return std::nullopt;
        const int minimumCodeSize = in.byte();
        if (minimumCodeSize < 2 || minimumCodeSize > 8) return std::nullopt;
        picture.indices.assign(static_cast<std::size_t>(picture.width) * picture.height, 0);
        decodeLzw(in, minimumCodeSize, picture.indices);
        if (imageFlags & 0x40) picture.indices = deinterlace(picture.indices, picture.width, picture.height);
        return picture;
    }
    return std::nullopt;
}

void copyColours(const GifPicture& picture, int left, int top, int right, int bottom, std::uint32_t* out,
                 int outWidth) {
    constexpr std::uint32_t kWhite = 0xFFFFFF;
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = out + static_cast<std::size_t>(y) * outWidth;
        const int covered = y < picture.height ? std::min(right, picture.width) : left;
        const std::uint8_t* in = picture.indices.data() + static_cast<std::size_t>(y) * picture.width;
        int x = left;
        for (; x < covered; ++x) row[x] = picture.palette[in[x]];
        for (; x < right; ++x) row[x] = kWhite;
    }
}

}  // namespace pelomar
