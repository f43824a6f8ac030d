// Which output streams are kept open between sounds, and which one a new
// sound takes: a portable shelf of streams by format. Up to `perFormat`
// streams of one format and `total` in all are kept; a stream kept for
// longer than `keepIdle` has expired: it is never handed out again, and goes
// to be closed at the next keep or preparation, so that after a pause sounds
// go to whatever the default output is by then. The newest stream of a
// format is taken first, so the oldest are the ones that expire. Not
// locked: its owner serialises the calls.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace pelomar {

template <class Stream>
class KeptStreams {
public:
    using Time = std::chrono::steady_clock::time_point;
    using Format = std::vector<unsigned char>;
    using Streams = std::vector<std::unique_ptr<Stream>>;

    KeptStreams(int perFormat, int total, std::chrono::milliseconds keepIdle)
        : perFormat_(perFormat), total_(total), keepIdle_(keepIdle) {}

    // The newest kept stream of this format, or null when there is none that
    // has not expired by `now`. Expired streams stay on the shelf: closing
    // one takes milliseconds that a sound about to start must not wait for.
    std::unique_ptr<Stream> take(std::span<const unsigned char> format, Time now) {
        const auto it = std::find_if(kept_.rbegin(), kept_.rend(),
                                     [&](const Entry& e) { return std::ranges::equal(e.format, format); });
        if (it == kept_.rend() || expired(*it, now)) return nullptr;  // the older ones expired before it
        std::unique_ptr<Stream> taken = std::move(it->stream);
        kept_.erase(std::next(it).base());
        return taken;
    }

    // Keeps the stream from `now` on. Moves to `closing` the streams that
    // have expired by `now`, then this one when its format has all the
    // places it may have, or else the oldest kept one when the shelf is full.
    void keep(std::unique_ptr<Stream> stream, std::span<const unsigned char> format, Time now, Streams& closing) {
        dropExpired(now, closing);
        const auto sameFormat =
            std::ranges::count_if(kept_, [&](const Entry& e) { return std::ranges::equal(e.format, format); });
        if (sameFormat >= perFormat_) {
            closing.push_back(std::move(stream));
            return;
        }
        if (static_cast<int>(kept_.size()) >= total_) {
            closing.push_back(std::move(kept_.front().stream));
            kept_.erase(kept_.begin());
        }
        kept_.push_back(Entry{Format(format.begin(), format.end()), now, std::move(stream)});
    }

    // For a preparation: moves the streams that have expired by `now` to
    // `closing`, and returns the formats of `wanted` that have no stream kept.
    std::vector<Format> missing(std::span<const Format> wanted, Time now, Streams& closing) {
        dropExpired(now, closing);
        std::vector<Format> lacking;
        for (const Format& format : wanted)
            if (!has(format)) lacking.push_back(format);
        return lacking;
    }

    // Until when a preparation has nothing to do (every format of `wanted`
    // has a stream kept, and none has expired): the last moment before the
    // first kept stream expires; Time::min() when a format has none now.
    Time readyUntil(std::span<const Format> wanted) const {
        if (!std::ranges::all_of(wanted, [&](const Format& format) { return has(format); })) return Time::min();
        Time until = Time::max();
        for (const Entry& e : kept_) until = std::min(until, e.since + keepIdle_);
        return until;
    }

    // Every kept stream, for the caller to close.
    Streams takeAll() {
        Streams all;
        for (Entry& e : kept_) all.push_back(std::move(e.stream));
        kept_.clear();
        return all;
    }

    int size() const { return static_cast<int>(kept_.size()); }

private:
    struct Entry {
        Format format;
        Time since;
        std::unique_ptr<Stream> stream;
    };

    bool expired(const Entry& e, Time now) const { return now - e.since > keepIdle_; }

    bool has(std::span<const unsigned char> format) const {
        return std::ranges::any_of(kept_, [&](const Entry& e) { return std::ranges::equal(e.format, format); });
    }

    void dropExpired(Time now, Streams& closing) {
        for (auto it = kept_.begin(); it != kept_.end();) {
            if (expired(*it, now)) {
                closing.push_back(std::move(it->stream));
                it = kept_.erase(it);
            } else {
                ++it;
            }
        }
    }

    const int perFormat_;
    const int total_;
    const std::chrono::milliseconds keepIdle_;
    std::vector<Entry> kept_;  // the oldest first
};

}  // namespace pelomar
