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

using Streams = KeptStreams<Stream>::Streams;
using Format = KeptStreams<Stream>::Format;

std::vector<int> ids(const Streams& streams) {
    std::vector<int> out;
    for (const auto& s : streams) out.push_back(idOf(s));
    return out;
}

}  // namespace

TEST_CASE("kept streams: the newest of the format first, a limit per format and in all") {
    KeptStreams<Stream> kept(2, 3, 30s);
    const auto t = std::chrono::steady_clock::time_point{} + 1h;
    Streams closing;
    CHECK(kept.take(k8bit, t) == nullptr);

    kept.keep(stream(1), k8bit, t, closing);
    kept.keep(stream(2), k8bit, t + 1s, closing);
    CHECK(closing.empty());
    kept.keep(stream(3), k8bit, t + 2s, closing);  // two of that format are kept already
    CHECK(ids(closing) == std::vector<int>{3});
    kept.keep(stream(4), k16bit, t + 3s, closing);
    kept.keep(stream(5), k16bit, t + 4s, closing);  // full: the oldest goes
    CHECK(ids(closing) == std::vector<int>{3, 1});
    CHECK(kept.size() == 3);

    CHECK(idOf(kept.take(k8bit, t + 5s)) == 2);
    CHECK(kept.take(k8bit, t + 5s) == nullptr);
    CHECK(idOf(kept.take(k16bit, t + 5s)) == 5);
    CHECK(kept.size() == 1);
}

TEST_CASE("kept streams: one unused for too long is never taken, and goes at the next keep") {
    KeptStreams<Stream> kept(2, 6, 30s);
    const auto t = std::chrono::steady_clock::time_point{} + 1h;
    Streams closing;
    kept.keep(stream(1), k8bit, t, closing);
    kept.keep(stream(2), k16bit, t + 20s, closing);
    kept.keep(stream(3), k8bit, t + 25s, closing);
    // At t + 31 s only the first has waited more than 30 s; taking leaves it where it is.
    CHECK(idOf(kept.take(k8bit, t + 31s)) == 3);
    CHECK(kept.take(k8bit, t + 31s) == nullptr);
    CHECK(kept.size() == 2);

    kept.keep(stream(4), k8bit, t + 31s, closing);
    CHECK(ids(closing) == std::vector<int>{1});
    kept.keep(stream(5), k8bit, t + 32s, closing);

    // Two expired streams of a format do not hold its places: a fresh one is kept.
    kept.keep(stream(6), k8bit, t + 70s, closing);
    CHECK(ids(closing) == std::vector<int>{1, 2, 4, 5});
    CHECK(idOf(kept.take(k8bit, t + 70s)) == 6);
    CHECK(kept.size() == 0);

    kept.keep(stream(7), k16bit, t + 80s, closing);
    CHECK(ids(kept.takeAll()) == std::vector<int>{7});
    CHECK(kept.size() == 0);
}

TEST_CASE("kept streams: a preparation finds the formats without a stream and the expired ones") {
    KeptStreams<Stream> kept(2, 6, 30s);
    const auto t = std::chrono::steady_clock::time_point{} + 1h;
    const std::vector<Format> both{Format(std::begin(k8bit), std::end(k8bit)),
                                   Format(std::begin(k16bit), std::end(k16bit))};
    Streams closing;
    CHECK(kept.readyUntil(both) == KeptStreams<Stream>::Time::min());
    CHECK(kept.missing(both, t, closing) == both);

    kept.keep(stream(1), k8bit, t, closing);
    CHECK(kept.readyUntil(both) == KeptStreams<Stream>::Time::min());  // no 16-bit stream yet
    kept.keep(stream(2), k16bit, t + 10s, closing);
    kept.keep(stream(3), k8bit, t + 20s, closing);
    CHECK(kept.readyUntil(both) == t + 30s);  // the first expires right after
    CHECK(kept.missing(both, t + 30s, closing).empty());
    CHECK(closing.empty());

    // The first has expired: with the other 8-bit stream fresh, the work is
    // the closing of the expired one.
    CHECK(kept.missing(both, t + 31s, closing).empty());
    CHECK(ids(closing) == std::vector<int>{1});
    CHECK(kept.readyUntil(both) == t + 40s);

    // All expired: both formats are missing again.
    closing.clear();
    CHECK(kept.missing(both, t + 51s, closing) == both);
    CHECK(ids(closing) == std::vector<int>{2, 3});
    CHECK(kept.size() == 0);
}
