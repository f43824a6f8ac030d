#include <doctest/doctest.h>

#include <cstring>

#include "media/assets.h"
#include "media/sound_test_support.h"
#include "media/wav_chunks.h"

using namespace pelomar;
using namespace pelomar::test;

namespace {

// What a walk found, copied out of the image.
struct Found {
    Bytes format, samples;
};

std::optional<Found> walk(const Bytes& image) {
    const auto wav = walkWavChunks(image.data(), image.size());
    if (!wav) return std::nullopt;
    return Found{Bytes(wav->format.begin(), wav->format.end()), Bytes(wav->samples.begin(), wav->samples.end())};
}

}  // namespace

TEST_CASE("every sound of the bank yields its format and exactly its samples") {
    for (int n = 1; n <= 48; ++n) {
        CAPTURE(n);
        const AssetView image = soundFor(n);
        const auto wav = walkWavChunks(image.data, image.size);
        REQUIRE(wav);
        CHECK(wav->format.size() == 16);
        CHECK(wav->format.data() == image.data + 20);
        CHECK(wav->samples.data() == image.data + 44);
        CHECK(wav->samples.size() == le32At(image.data + 40));
    }
    // Odd-sized data: the pad byte after it is no sample.
    CHECK(walkWavChunks(soundFor(20).data, soundFor(20).size)->samples.size() == 11309);
    CHECK(walkWavChunks(soundFor(41).data, soundFor(41).size)->samples.size() == 11807);
    CHECK(walkWavChunks(soundFor(2).data, soundFor(2).size)->samples.size() == 95998);
}

TEST_CASE("chunks count in any order, the later of two with the same id winning") {
    const Chunk format8 = fmtChunk(11025, 8), format16 = fmtChunk(22050, 16);
    const Chunk list{"LIST", Bytes(64, 'x')};

    SUBCASE("data before fmt") {
        const auto wav = walk(makeWav({dataChunk(300), list, format16}));
        REQUIRE(wav);
        CHECK(wav->samples == dataChunk(300).body);
        CHECK(wav->format == format16.body);
    }
    SUBCASE("two format chunks before the data") {
        const auto wav = walk(makeWav({format8, list, format16, dataChunk(10)}));
        REQUIRE(wav);
        CHECK(wav->format == format16.body);
    }
    SUBCASE("two data chunks before the format") {
        const auto wav = walk(makeWav({dataChunk(10, 1), dataChunk(20, 9), format8}));
        REQUIRE(wav);
        CHECK(wav->samples == dataChunk(20, 9).body);
    }
    SUBCASE("the walk stops once both are known") {
        const auto wav = walk(makeWav({format8, dataChunk(10, 1), dataChunk(20, 9)}));
        REQUIRE(wav);
        CHECK(wav->samples.size() == 10);
    }
}

TEST_CASE("an odd-sized chunk is followed by its pad byte") {
    // Stepping 8 + size without the pad would land one byte short of the next
    // chunk and lose it.
    const Chunk oddList{"LIST", Bytes(7, 'x')};
    auto wav = walk(makeWav({oddList, fmtChunk(), dataChunk(100)}));
    REQUIRE(wav);
    CHECK(wav->format.size() == 16);
    CHECK(wav->samples.size() == 100);

    wav = walk(makeWav({dataChunk(101), fmtChunk(22050, 16)}));
    REQUIRE(wav);
    CHECK(wav->samples.size() == 101);
    CHECK(wav->format == pcmFormat(22050, 16));

    // A writer that left the pad out: the next chunk is not found.
    CHECK_FALSE(walk(makeWav({Chunk{"LIST", Bytes(7, 'x'), 0xFFFFFFFF, false}, fmtChunk(), dataChunk(100)})));
}

TEST_CASE("images without both chunks, without samples or too short are refused") {
    const AssetView first = soundFor(1);
    for (std::size_t size = 0; size < 36; ++size) CHECK_FALSE(walkWavChunks(first.data, size));
    CHECK_FALSE(walkWavChunks(first.data, 36));  // the format, and not even a data header
    CHECK_FALSE(walkWavChunks(nullptr, 1000));

    CHECK_FALSE(walk(makeWav({fmtChunk(), Chunk{"LIST", Bytes(64, 'x')}})));
    CHECK_FALSE(walk(makeWav({dataChunk(100), Chunk{"LIST", Bytes(64, 'x')}})));
    CHECK_FALSE(walk(makeWav({fmtChunk(), dataChunk(0)})));
    CHECK_FALSE(walk(makeWav({fmtChunk(), Chunk{"DATA", Bytes(100, 1)}})));  // ids are case-sensitive

    Bytes notWave = makeWav({fmtChunk(), dataChunk(100)});
    notWave[8] = 'A';
    CHECK_FALSE(walk(notWave));
    Bytes notRiff = makeWav({fmtChunk(), dataChunk(100)});
    std::memcpy(notRiff.data(), "RIFX", 4);
    CHECK_FALSE(walk(notRiff));
}

TEST_CASE("size fields that lie never lead outside the bytes") {
    SUBCASE("every cut of a real image, each in a buffer of exactly its size") {
        const AssetView image = soundFor(20);
        for (std::size_t size = 0; size <= image.size; ++size) {
            const Bytes cut(image.data, image.data + size);
            const auto wav = walkWavChunks(cut.data(), cut.size());
            if (size <= 44) {
                CHECK_FALSE(wav);
            } else {
                REQUIRE(wav);
                CHECK(wav->samples.size() == std::min<std::size_t>(size - 44, 11309));
            }
        }
    }
    SUBCASE("a data chunk that claims more than there is gives what there is") {
        Chunk data = dataChunk(50);
        data.sizeField = 0xFFFFFFF0;
        const auto wav = walk(makeWav({fmtChunk(), data}));
        REQUIRE(wav);
        CHECK(wav->samples.size() == 50);
    }
    SUBCASE("a chunk whose size jumps past the end hides what follows") {
        Chunk list{"LIST", Bytes(8, 'x')};
        list.sizeField = 0xFFFFFFFE;
        CHECK_FALSE(walk(makeWav({fmtChunk(), list, dataChunk(100)})));
    }
    SUBCASE("the RIFF size bounds where chunks start") {
        CHECK(walk(makeWav({fmtChunk(), dataChunk(100)}, 0xFFFFFFF0)));
        CHECK(walk(makeWav({fmtChunk(), dataChunk(100)}, 33)));  // data starts 24 bytes after the first chunk
        CHECK_FALSE(walk(makeWav({fmtChunk(), dataChunk(100)}, 24)));
        CHECK_FALSE(walk(makeWav({fmtChunk(), dataChunk(100)}, 0)));
    }
    SUBCASE("a chunk header cut short ends the walk") {
        Bytes wav = makeWav({fmtChunk()});
        wav.insert(wav.end(), {'d', 'a', 't', 'a', 10, 0});
        CHECK_FALSE(walk(wav));
    }
}

TEST_CASE("the device gets a format block it cannot read beyond") {
    const Bytes pcm = pcmFormat(22050, 16);
    Bytes expected = pcm;
    expected.insert(expected.end(), {0, 0});
    CHECK(deviceFormat(pcm) == expected);

    Bytes seventeen = pcm;
    seventeen.push_back(0x55);
    CHECK(deviceFormat(seventeen) == expected);

    CHECK(deviceFormat(std::span(pcm).first(14)).empty());

    Bytes extended = expected;
    extended[16] = 2;
    extended.insert(extended.end(), {7, 7});
    CHECK(deviceFormat(extended) == extended);
    extended[16] = 3;  // claims one byte more than the chunk holds
    CHECK(deviceFormat(extended).empty());
}
