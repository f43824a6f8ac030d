#include <doctest/doctest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "media/assets.h"
#include "ui/gif_decoder.h"

using namespace pelomar;

namespace {

using Bytes = std::vector<unsigned char>;

// A plain LZW encoder, written from the format's description, that makes
// the choices an encoder may make: how often the table is cleared (or, with
// `clearWhenFull` off, going on with a full table), and how the codes are cut
// into sub-blocks.
struct Encoder {
    int minimumCodeSize = 8;
    int tableLimit = 4096;
    bool clearWhenFull = true;
    int subBlock = 255;

    Bytes codes(const std::vector<std::uint8_t>& pixels) const {
        const int clear = 1 << minimumCodeSize;
        Bytes out;
        std::uint32_t acc = 0;
        int bits = 0;
        int width = minimumCodeSize + 1;
        auto put = [&](int code) {
            acc |= std::uint32_t(code) << bits;
            bits += width;
            while (bits >= 8) {
                out.push_back(static_cast<unsigned char>(acc));
                acc >>= 8;
                bits -= 8;
            }
        };
        // [prefix code][index] -> code, -1 when absent; a clear empties only
        // the rows in use, since small tables are cleared every few codes.
        std::vector<std::vector<int>> table(4096);
        std::vector<int> rowsInUse;
        auto reset = [&] {
            for (int row : rowsInUse) table[row].clear();
            rowsInUse.clear();
            width = minimumCodeSize + 1;
        };
        int next = clear + 2;
        put(clear);
        int prefix = pixels[0];
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            const int c = pixels[i];
            std::vector<int>& row = table[prefix];
            if (row.empty()) {
                row.assign(256, -1);
                rowsInUse.push_back(prefix);
            }
            if (row[c] >= 0) {
                prefix = row[c];
                continue;
            }
            put(prefix);
            if (next < 4096) {
                row[c] = next;
                if (next == (1 << width) && width < 12) ++width;
                ++next;
            }
            if (next >= tableLimit && (clearWhenFull || tableLimit < 4096)) {
                put(clear);
                reset();
                next = clear + 2;
            }
            prefix = c;
        }
        put(prefix);
        put(clear + 1);
        if (bits > 0) out.push_back(static_cast<unsigned char>(acc));
        return out;
    }

    Bytes file(int w, int h, const std::vector<std::uint8_t>& pixels, bool interlaced = false,
               bool withExtension = false, bool localTable = false) const {
        const int tableBits = minimumCodeSize - 1;  // a table of 2^minimumCodeSize colours
        Bytes f = {'G', 'I', 'F', '8', static_cast<unsigned char>(withExtension ? '9' : '7'), 'a'};
        auto u16 = [&](int v) {
            f.push_back(static_cast<unsigned char>(v));
            f.push_back(static_cast<unsigned char>(v >> 8));
        };
        u16(w);
        u16(h);
        f.push_back(static_cast<unsigned char>(localTable ? 0 : 0x80 | tableBits));
        f.push_back(0);
        f.push_back(0);
        auto table = [&](int shift) {
            for (int i = 0; i < (1 << minimumCodeSize); ++i) {
                f.push_back(static_cast<unsigned char>(i + shift));
                f.push_back(static_cast<unsigned char>(2 * i));
                f.push_back(static_cast<unsigned char>(255 - i));
            }
        };
        if (!localTable) table(0);
        if (withExtension) f.insert(f.end(), {0x21, 0xF9, 4, 0, 0, 0, 0, 0, 0x21, 0xFE, 2, 'h', 'i', 0});
        f.push_back(0x2C);
        u16(0);
        u16(0);
        u16(w);
        u16(h);
        f.push_back(static_cast<unsigned char>((localTable ? 0x80 | tableBits : 0) | (interlaced ? 0x40 : 0)));
        if (localTable) table(7);
        f.push_back(static_cast<unsigned char>(minimumCodeSize));
        const Bytes data = codes(pixels);
        for (std::size_t at = 0; at < data.size(); at += subBlock) {
            const std::size_t n = std::min<std::size_t>(subBlock, data.size() - at);
            f.push_back(static_cast<unsigned char>(n));
            f.insert(f.end(), data.begin() + at, data.begin() + at + n);
        }
        f.push_back(0);
        f.push_back(0x3B);
        return f;
    }
};

// Pixels with long runs and repeats (so that strings grow long and the
// table fills) or plain noise.
std::vector<std::uint8_t> pixels(int count, int colours, bool runs, std::mt19937& random) {
    std::vector<std::uint8_t> out(count);
    for (int i = 0; i < count;) {
        const int value = static_cast<int>(random() % colours);
        const int length = runs ? 1 + static_cast<int>(random() % 40) : 1;
        for (int k = 0; k < length && i < count; ++k) out[i++] = static_cast<std::uint8_t>(value);
    }
    return out;
}

std::vector<std::uint8_t> interlace(const std::vector<std::uint8_t>& rows, int w, int h) {
    std::vector<std::uint8_t> out;
    for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = start; y < h; y += step) out.insert(out.end(), rows.begin() + y * w, rows.begin() + (y + 1) * w);
    return out;
}

}  // namespace

TEST_CASE("whatever choices an encoder makes, the pixels come back as they went in") {
    std::mt19937 random(20261209);
    for (int round = 0; round < 200; ++round) {
        CAPTURE(round);
        Encoder e;
        e.minimumCodeSize = 2 + round % 7;
        e.tableLimit = round % 3 == 0 ? 4096 : (1 << (e.minimumCodeSize + 1)) + 2 + static_cast<int>(random() % 3000);
        e.tableLimit = std::min(e.tableLimit, 4096);
        e.clearWhenFull = round % 4 != 1;
        e.subBlock = 1 + static_cast<int>(random() % 255);
        const int w = 1 + static_cast<int>(random() % 120);
        const int h = 1 + static_cast<int>(random() % 90);
        const bool interlaced = round % 5 == 2;
        const std::vector<std::uint8_t> image = pixels(w * h, 1 << e.minimumCodeSize, round % 2 == 0, random);
        const Bytes file = e.file(w, h, interlaced ? interlace(image, w, h) : image, interlaced, round % 6 == 3,
                                  round % 7 == 4);
        const auto gif = decodeGif(file.data(), file.size());
        REQUIRE(gif);
        CHECK(gif->width == w);
        CHECK(gif->height == h);
        CHECK(gif->indices == image);
        REQUIRE(gif->palette.size() == 256);
        const int shift = round % 7 == 4 ? 7 : 0;  // the image's own table wins over the global one
        CHECK(gif->palette[1] == ((std::uint32_t(1 + shift) << 16) | (2u << 8) | 254u));
    }
}

TEST_CASE("every embedded picture decodes at its size") {
    struct Want {
        AssetView bytes;
        int w, h;
    };
    std::vector<Want> wanted = {{chartPicture(), 530, 459}, {logoPicture(), 350, 195}, {portraitPicture(), 150, 150}};
    for (int n = 1; n <= 48; ++n) wanted.push_back({cardFor(n), 300, 304});
    for (const Want& want : wanted) {
        const auto gif = decodeGif(want.bytes.data, want.bytes.size);
        REQUIRE(gif);
        CHECK(gif->width == want.w);
        CHECK(gif->height == want.h);
        CHECK(gif->indices.size() == static_cast<std::size_t>(want.w) * want.h);
    }
}

TEST_CASE("damaged or foreign bytes give nothing, or the pixels decoded so far") {
    std::mt19937 random(7);
    Encoder e;
    const std::vector<std::uint8_t> image = pixels(40 * 30, 256, true, random);
    const Bytes file = e.file(40, 30, image);
    CHECK_FALSE(decodeGif(nullptr, 0));
    CHECK_FALSE(decodeGif(file.data(), 5));
    Bytes png = file;
    png[0] = 0x89;
    CHECK_FALSE(decodeGif(png.data(), png.size()));
    // A header and colour table but no image.
    Bytes noImage(file.begin(), file.begin() + 13 + 768);
    noImage.push_back(0x3B);
    CHECK_FALSE(decodeGif(noImage.data(), noImage.size()));
    // Sizes of 0 or over 4096 pixels are refused.
    for (int side : {0, 4097}) {
        Bytes odd = file;
        odd[13 + 768 + 5] = static_cast<unsigned char>(side);
        odd[13 + 768 + 6] = static_cast<unsigned char>(side >> 8);
        CHECK_FALSE(decodeGif(odd.data(), odd.size()));
    }
    // Cut short in the middle of its data: what was decoded, then zeros.
    const std::size_t dataStart = 13 + 768 + 10 + 1;
    const auto cut = decodeGif(file.data(), dataStart + (file.size() - dataStart) / 2);
    REQUIRE(cut);
    std::size_t same = 0;
    while (same < image.size() && cut->indices[same] == image[same]) ++same;
    CHECK(same > 0);
    CHECK(same < image.size());
    // Every cut and every flipped byte stays inside the buffer (the sanitizers watch).
    for (std::size_t n = 0; n <= file.size(); n += 7) decodeGif(file.data(), n);
    for (std::size_t at = 0; at < file.size(); at += 3) {
        Bytes flipped = file;
        flipped[at] ^= 0xA5;
        decodeGif(flipped.data(), flipped.size());
    }
}

TEST_CASE("colours copied over an area: the picture where it reaches, white beyond, nothing outside the area") {
    GifPicture picture;
    picture.width = 3;
    picture.height = 2;
    picture.palette.assign(256, 0);
    picture.palette[1] = 0x112233;
    picture.palette[2] = 0x445566;
    picture.indices = {1, 2, 1, 2, 1, 2};
    constexpr std::uint32_t kUntouched = 0xDEAD;
    std::vector<std::uint32_t> out(5 * 3, kUntouched);
    copyColours(picture, 1, 1, 5, 3, out.data(), 5);
    const std::vector<std::uint32_t> want = {
        kUntouched, kUntouched, kUntouched, kUntouched, kUntouched,  // above the area
        kUntouched, 0x112233,   0x445566,   0xFFFFFF,   0xFFFFFF,    // row 1: columns 1, 2, then past the width
        kUntouched, 0xFFFFFF,   0xFFFFFF,   0xFFFFFF,   0xFFFFFF,    // row 2: below the picture
    };
    CHECK(out == want);
}
