#include <doctest/doctest.h>

#include "media/kept_streams.h"

using namespace pelomar;
using namespace std::chrono_literals;

namespace {

struct Stream {
    int id;
};

const unsigned char k8bit[] = {1, 0, 1, 0, 0x11, 0x2B};
const unsigned char k16bit[] = {1, 0, 1, 0, 0x22, 0x56};

std::unique_ptr<Stream> stream(int id) { return std::make_unique<Stream>(Stream{id}); }

int idOf(const std::unique_ptr<Stream>& s) { return s ? s->id : 0; }

}  // namespace

TEST_CASE("kept streams: the newest of the format first, a limit per format and in all") {
    KeptStreams<Stream> kept(2, 3, 30s);
    const auto t = std::chrono::steady_clock::time_point{} + 1h;
    std::vector<std::unique_ptr<Stream>> expired;
    CHECK(kept.take(k8bit, t, expired) == nullptr);

    CHECK(kept.keep(stream(1), k8bit, t) == nullptr);
    CHECK(kept.keep(stream(2), k8bit, t + 1s) == nullptr);
    CHECK(idOf(kept.keep(stream(3), k8bit, t + 2s)) == 3);  // two of that format are kept already
    CHECK(kept.keep(stream(4), k16bit, t + 3s) == nullptr);
    CHECK(idOf(kept.keep(stream(5), k16bit, t + 4s)) == 1);  // full: the oldest goes
    CHECK(kept.size() == 3);

    CHECK(idOf(kept.take(k8bit, t + 5s, expired)) == 2);
    CHECK(kept.take(k8bit, t + 5s, expired) == nullptr);
    CHECK(idOf(kept.take(k16bit, t + 5s, expired)) == 5);
    CHECK(expired.empty());
    CHECK(kept.size() == 1);
}

TEST_CASE("kept streams: one unused for too long is given back to be closed, not taken") {
    KeptStreams<Stream> kept(2, 6, 30s);
    const auto t = std::chrono::steady_clock::time_point{} + 1h;
    std::vector<std::unique_ptr<Stream>> expired;
    kept.keep(stream(1), k8bit, t);
    kept.keep(stream(2), k16bit, t + 20s);
    kept.keep(stream(3), k8bit, t + 25s);
    // At t + 31 s only the first has waited more than 30 s.
    CHECK(idOf(kept.take(k8bit, t + 31s, expired)) == 3);
    REQUIRE(expired.size() == 1);
    CHECK(expired[0]->id == 1);
    CHECK(kept.take(k8bit, t + 31s, expired) == nullptr);
    CHECK(kept.size() == 1);
    std::vector<std::unique_ptr<Stream>> all = kept.takeAll();
    REQUIRE(all.size() == 1);
    CHECK(all[0]->id == 2);
    CHECK(kept.size() == 0);
}
