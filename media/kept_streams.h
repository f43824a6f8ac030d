// Which output streams are kept open between sounds, and which one a new
// sound takes: a portable shelf of streams by format. Up to `perFormat`
// streams of one format and `total` in all are kept; a stream kept for
// longer than `keepIdle` is given back to be closed instead of reused. The
// newest stream of a format is taken first, so the oldest are the ones that
// expire. Not locked: its owner serialises the calls.
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

    KeptStreams(int perFormat, int total, std::chrono::milliseconds keepIdle)
        : perFormat_(perFormat), total_(total), keepIdle_(keepIdle) {}

    // The newest kept stream of this format, or null. Streams that have
    // expired by `now` are moved to `expired`, for the caller to close.
    std::unique_ptr<Stream> take(std::span<const unsigned char> format, Time now,
                                 std::vector<std::unique_ptr<Stream>>& expired) {
        for (auto it = kept_.begin(); it != kept_.end();) {
            if (now - it->since > keepIdle_) {
                expired.push_back(std::move(it->stream));
                it = kept_.erase(it);
            } else {
                ++it;
            }
        }
        const auto it = std::find_if(kept_.rbegin(), kept_.rend(),
                                     [&](const Entry& e) { return std::ranges::equal(e.format, format); });
        if (it == kept_.rend()) return nullptr;
        std::unique_ptr<Stream> taken = std::move(it->stream);
        kept_.erase(std::next(it).base());
        return taken;
    }

    // Keeps the stream from `now` on. Returns the stream to close instead,
    // if any: this one when its format has all the places it may have, or
    // the oldest kept one when the shelf is full.
    std::unique_ptr<Stream> keep(std::unique_ptr<Stream> stream, std::span<const unsigned char> format, Time now) {
        const auto sameFormat =
            std::ranges::count_if(kept_, [&](const Entry& e) { return std::ranges::equal(e.format, format); });
        if (sameFormat >= perFormat_) return stream;
        std::unique_ptr<Stream> evicted;
        if (static_cast<int>(kept_.size()) >= total_) {
            evicted = std::move(kept_.front().stream);
            kept_.erase(kept_.begin());
        }
        kept_.push_back(Entry{std::vector<unsigned char>(format.begin(), format.end()), now, std::move(stream)});
        return evicted;
    }

    // Every kept stream, for the caller to close.
    std::vector<std::unique_ptr<Stream>> takeAll() {
        std::vector<std::unique_ptr<Stream>> all;
        for (Entry& e : kept_) all.push_back(std::move(e.stream));
        kept_.clear();
        return all;
    }

    int size() const { return static_cast<int>(kept_.size()); }

private:
    struct Entry {
        std::vector<unsigned char> format;
        Time since;
        std::unique_ptr<Stream> stream;
    };

    const int perFormat_;
    const int total_;
    const std::chrono::milliseconds keepIdle_;
    std::vector<Entry> kept_;  // the oldest first
};

}  // namespace pelomar
