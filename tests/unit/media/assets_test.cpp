#include <doctest/doctest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include "media/assets.h"

using namespace pelomar;

namespace {

uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

struct GifSize {
    int width, height;
};
GifSize gifSize(AssetView v) {
    REQUIRE(v.size > 10);
    REQUIRE(std::memcmp(v.data, "GIF87a", 6) == 0);
    return {le16(v.data + 6), le16(v.data + 8)};
}

}  // namespace

TEST_CASE("sound lookups follow the symbol numbers") {
    const AssetView first = soundFor(1);
    REQUIRE(first.size == 11902);
    CHECK(std::memcmp(first.data, "RIFF", 4) == 0);
    CHECK(std::memcmp(first.data + 8, "WAVE", 4) == 0);
    CHECK(le32(first.data + 24) == 11025);      // sample rate
    CHECK(le16(first.data + 34) == 8);          // bits per sample
    CHECK(le32(first.data + 40) == 11784);      // data chunk size
    CHECK(soundFor(48).size == 12926);
    CHECK(soundFor(2).size == 96116);
    CHECK(le32(soundFor(2).data + 24) == 22050);
    CHECK(le16(soundFor(2).data + 34) == 16);
    CHECK(le32(soundFor(20).data + 40) == 11309);
    CHECK(le32(soundFor(41).data + 40) == 11807);
    std::set<const unsigned char*> distinct;
    for (int n = 1; n <= 48; ++n) distinct.insert(soundFor(n).data);
    CHECK(distinct.size() == 48);
}

TEST_CASE("pictures have their sizes") {
    for (int n : {1, 24, 48}) {
        const GifSize s = gifSize(cardFor(n));
        CHECK(s.width == 300);
        CHECK(s.height == 304);
    }
    CHECK(gifSize(chartPicture()).width == 530);
    CHECK(gifSize(chartPicture()).height == 459);
    CHECK(gifSize(logoPicture()).width == 350);
    CHECK(gifSize(logoPicture()).height == 195);
    CHECK(gifSize(portraitPicture()).width == 150);
    CHECK(gifSize(portraitPicture()).height == 150);
    CHECK(cardFor(1).data != cardFor(2).data);
}

TEST_CASE("lookups outside 1..48 give nothing") {
    for (int n : {0, -1, 49, 1000, INT32_MIN, INT32_MAX}) {
        CHECK(soundFor(n).empty());
        CHECK(soundFor(n).data == nullptr);
        CHECK(cardFor(n).empty());
    }
}
