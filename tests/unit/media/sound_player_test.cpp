#include <doctest/doctest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <thread>

#include "media/assets.h"
#include "media/sound_player.h"
#include "media/sound_test_support.h"

using namespace pelomar;
using namespace pelomar::test;

namespace {

struct Rig {
    FakeDevice device;
    FakeClock clock;
    TestThreads threads;
    SoundPlayer player{device, clock, threads};

    bool waitForBlocks(std::size_t stream, std::size_t count) {
        return device.waitFor(
            [&](const FakeDevice& d) { return d.streamCount() > stream && d.streamAt(stream).blocks.size() >= count; });
    }
    bool waitForClose(std::size_t stream) {
        return device.waitFor([&](const FakeDevice& d) { return d.streamAt(stream).closed; });
    }
    bool waitForNoVoice() { return player.waitForSilence(kPatience) && player.activeVoices() == 0; }
};

Bytes samplesOf(int n) {
    const AssetView image = soundFor(n);
    const auto wav = walkWavChunks(image.data, image.size);
    REQUIRE(wav);
    return Bytes(wav->samples.begin(), wav->samples.end());
}

// Every block the stream was given came back and was released before it closed.
void checkReleased(const StreamLog& log) {
    CHECK(log.closed);
    CHECK(log.faults == 0);
    CHECK(log.preparedAtClose == 0);
    CHECK(log.onDeviceAtClose == 0);
    CHECK(log.lockedCalls == 0);
}

}  // namespace

TEST_CASE("a sound is queued in blocks of 15360 bytes and ends when every block is back") {
    Rig rig;
    SUBCASE("the longest sound: seven blocks at once") {
        REQUIRE(rig.player.playSymbol(2));
        REQUIRE(rig.waitForBlocks(0, 7));
        StreamLog log = rig.device.log(0);
        CHECK(log.blocks.size() == 7);
        for (int i = 0; i < 6; ++i) CHECK(log.blocks[i].size() == kBlockBytes);
        CHECK(log.blocks[6].size() == 95998 - 6 * kBlockBytes);
        CHECK(log.samplesQueued() == samplesOf(2));

        // The format goes over as it is in the image.
        const AssetView image = soundFor(2);
        Bytes format(image.data + 20, image.data + 36);
        format.insert(format.end(), {0, 0});
        CHECK(log.format == format);

        rig.device.complete(0, 6);
        CHECK(rig.player.activeVoices() == 1);
        rig.device.complete(0, 1);
        REQUIRE(rig.waitForClose(0));
        REQUIRE(rig.waitForNoVoice());
        log = rig.device.log(0);
        checkReleased(log);
        CHECK(log.breakOffs == 0);
        CHECK(log.blocks.size() == 7);
    }
    SUBCASE("8-bit sounds need one or two blocks") {
        REQUIRE(rig.player.playSymbol(24));  // 21512 sample bytes
        REQUIRE(rig.waitForBlocks(0, 2));
        REQUIRE(rig.player.playSymbol(1));  // 11784
        REQUIRE(rig.waitForBlocks(1, 1));
        rig.device.complete(0, 2);
        rig.device.complete(1, 1);
        REQUIRE(rig.waitForNoVoice());
        for (std::size_t s : {0u, 1u}) checkReleased(rig.device.log(s));
        CHECK(rig.device.log(0).blocks.size() == 2);
        CHECK(rig.device.log(1).blocks.size() == 1);
        CHECK(rig.device.log(1).samplesQueued() == samplesOf(1));
    }
}

TEST_CASE("odd-sized sounds send exactly their samples, from a copy of their own") {
    for (int n : {20, 41}) {
        CAPTURE(n);
        Rig rig;
        const AssetView image = soundFor(n);
        {
            // The caller's bytes are gone before the worker reads a sample.
            Bytes image_copy(image.data, image.data + image.size);
            REQUIRE(rig.player.playSound(image_copy.data(), image_copy.size(), false));
            std::fill(image_copy.begin(), image_copy.end(), 0xEE);
        }
        REQUIRE(rig.waitForBlocks(0, 1));
        rig.device.complete(0, 1);
        REQUIRE(rig.waitForNoVoice());
        const StreamLog log = rig.device.log(0);
        const std::size_t expected = n == 20 ? 11309 : 11807;
        CHECK(log.bytesQueued() == expected);  // no pad byte, no LIST chunk
        CHECK(log.samplesQueued() == Bytes(image.data + 44, image.data + 44 + expected));
        checkReleased(log);
    }
}

TEST_CASE("sounds started together play together; only a stop request breaks them off") {
    Rig rig;
    rig.player.stopAllSounds();  // nothing playing: nothing happens
    CHECK(rig.device.opens() == 0);

    REQUIRE(rig.player.playSymbol(1));
    REQUIRE(rig.player.playSymbol(2));
    REQUIRE(rig.waitForBlocks(0, 1));
    REQUIRE(rig.waitForBlocks(1, 1));
    CHECK(rig.player.activeVoices() == 2);
    CHECK(rig.device.breakOffsEntered() == 0);

    SUBCASE("stopAllSounds returns while the voices are still breaking off") {
        rig.device.holdBreakOffs(true);
        rig.player.stopAllSounds();
        // Both workers are stuck in their break-off, so nothing waited for them.
        REQUIRE(rig.device.waitFor([](const FakeDevice& d) { return d.breakOffsEntered() == 2; }));
        CHECK(rig.player.activeVoices() == 2);
        rig.device.holdBreakOffs(false);
        REQUIRE(rig.waitForNoVoice());
        for (std::size_t s : {0u, 1u}) {
            const StreamLog log = rig.device.log(s);
            CHECK(log.breakOffs == 1);
            checkReleased(log);
        }
    }
    SUBCASE("shutdownSounds returns only once every worker has released its voice") {
        rig.device.holdBreakOffs(true);
        std::atomic<bool> returned{false};
        std::atomic<int> closedAtReturn{-1};
        std::thread shutdown([&] {
            rig.player.shutdownSounds();
            closedAtReturn = int(rig.device.log(0).closed) + int(rig.device.log(1).closed);
            returned = true;
        });
        REQUIRE(rig.device.waitFor([](const FakeDevice& d) { return d.breakOffsEntered() == 2; }));
        CHECK_FALSE(returned.load());
        rig.device.holdBreakOffs(false);
        shutdown.join();
        CHECK(closedAtReturn.load() == 2);
        CHECK(rig.player.activeVoices() == 0);
        for (std::size_t s : {0u, 1u}) checkReleased(rig.device.log(s));
    }
}

TEST_CASE("a voice whose device gives nothing back for 8888 ms is broken off") {
    Rig rig;
    SUBCASE("a device that never plays") {
        REQUIRE(rig.player.playSymbol(2));
        REQUIRE(rig.waitForBlocks(0, 7));
        REQUIRE(rig.clock.waitForDeadline(8888));
        rig.clock.advance(5000);
        rig.device.complete(0, 1);  // news: the limit counts from here
        REQUIRE(rig.clock.waitForDeadline(5000 + 8888));
        CHECK(rig.player.activeVoices() == 1);
        rig.clock.advance(8888);
        REQUIRE(rig.waitForNoVoice());
        const StreamLog log = rig.device.log(0);
        CHECK(log.breakOffs == 1);
        checkReleased(log);
    }
    SUBCASE("a device that cannot be opened: the voice still starts and ends by the same limit") {
        rig.device.refuseOpen = true;
        REQUIRE(rig.player.playSymbol(2));
        REQUIRE(rig.clock.waitForDeadline(8888));
        CHECK(rig.player.activeVoices() == 1);
        CHECK(rig.device.streamCount() == 0);
        rig.clock.advance(8888);
        REQUIRE(rig.waitForNoVoice());

        // A stop request ends such a voice at once.
        REQUIRE(rig.player.playSymbol(3));
        REQUIRE(rig.clock.waitForDeadline(8888 + 8888));
        rig.player.stopAllSounds();
        REQUIRE(rig.waitForNoVoice());
    }
    SUBCASE("a device that refuses blocks") {
        rig.device.refuseBlocks = true;
        REQUIRE(rig.player.playSymbol(2));
        REQUIRE(rig.waitForNoVoice());
        const StreamLog log = rig.device.log(0);
        CHECK(log.blocks.empty());
        checkReleased(log);
    }
}

namespace {

// The program's end, on a thread of its own so that a wait that never ends
// shows as a failed check rather than a test that hangs.
class Ending {
public:
    Ending(SoundPlayer& player, std::chrono::milliseconds patience)
        : thread_([this, &player, patience] { done_.set_value(player.shutdownSounds(patience)); }) {}
    ~Ending() { thread_.join(); }
    Ending(const Ending&) = delete;
    Ending& operator=(const Ending&) = delete;

    // What the end reported, or nothing when it had not returned within the
    // test's safety net (kPatience).
    std::optional<bool> answer() {
        if (result_.wait_for(kPatience) != std::future_status::ready) return std::nullopt;
        return result_.get();
    }

private:
    std::promise<bool> done_;
    std::future<bool> result_ = done_.get_future();
    std::thread thread_;
};

constexpr std::chrono::milliseconds kEndPatience{100};

}  // namespace

TEST_CASE("the end waits for the sounds only so long, then gives up on them") {
    Rig rig;
    REQUIRE(rig.player.playSymbol(2));
    REQUIRE(rig.waitForBlocks(0, 7));
    SUBCASE("a device that ignores the reset keeps its blocks") {
        rig.device.ignoreBreakOffs = true;
        Ending end(rig.player, kEndPatience);
        CHECK(end.answer() == std::optional<bool>(false));
        CHECK(rig.device.idleCloses() == 0);  // the streams go with the process
        CHECK(rig.player.activeVoices() == 1);
        // The worker waits out the silence limit for its blocks, and gives up.
        REQUIRE(rig.clock.waitForDeadline(kSilenceLimitMs));
        rig.clock.advance(kSilenceLimitMs);
    }
    SUBCASE("a reset that never returns") {
        rig.device.holdBreakOffs(true);
        Ending end(rig.player, kEndPatience);
        CHECK(end.answer() == std::optional<bool>(false));
        CHECK(rig.player.activeVoices() == 1);
        rig.device.holdBreakOffs(false);
    }
    SUBCASE("a closing that never returns") {
        rig.device.complete(0, 7);
        REQUIRE(rig.waitForNoVoice());
        rig.device.holdCloses(true);
        Ending end(rig.player, kEndPatience);
        CHECK(end.answer() == std::optional<bool>(false));
        CHECK(rig.device.idleCloses() == 1);
        rig.device.holdCloses(false);
    }
    SUBCASE("a device that answers: every voice ended and the idle streams closed") {
        Ending end(rig.player, kPatience);
        CHECK(end.answer() == std::optional<bool>(true));
        CHECK(rig.player.activeVoices() == 0);
        CHECK(rig.device.idleCloses() == 1);
        checkReleased(rig.device.log(0));
    }
}

TEST_CASE("streams are prepared ahead on a worker, one preparation at a time") {
    Rig rig;
    rig.player.prepareStreams();  // the device has what it needs: nothing to do
    CHECK(rig.player.waitForSilence(kPatience));
    CHECK(rig.device.prepares() == 0);

    rig.device.isReady = false;
    rig.device.holdPrepares(true);
    rig.player.prepareStreams();
    REQUIRE(rig.device.waitFor([](const FakeDevice& d) { return d.prepares() == 1; }));
    rig.player.prepareStreams();  // one is under way
    CHECK(rig.device.prepareThread() != std::this_thread::get_id());
    // The formats of the sounds, each once, as a voice opens its stream with them.
    std::vector<Bytes> formats;
    for (int n : {1, 2}) {
        const AssetView image = soundFor(n);
        formats.emplace_back(image.data + 20, image.data + 36);
        formats.back().insert(formats.back().end(), {0, 0});
    }
    CHECK(rig.device.preparedFormats() == formats);

    SUBCASE("the end waits for a preparation as for a voice") {
        {
            Ending end(rig.player, kEndPatience);
            CHECK(end.answer() == std::optional<bool>(false));
        }
        rig.device.holdPrepares(false);
        Ending end(rig.player, kPatience);
        CHECK(end.answer() == std::optional<bool>(true));
        CHECK(rig.device.prepares() == 1);
    }
    SUBCASE("after one that found no device, the next waits") {
        rig.device.prepareSucceeds = false;
        rig.device.holdPrepares(false);
        REQUIRE(rig.player.waitForSilence(kPatience));
        rig.clock.advance(SoundPlayer::kPrepareAgainMs - 1);
        rig.player.prepareStreams();
        REQUIRE(rig.player.waitForSilence(kPatience));
        CHECK(rig.device.prepares() == 1);
        rig.clock.advance(1);
        rig.player.prepareStreams();
        REQUIRE(rig.player.waitForSilence(kPatience));
        CHECK(rig.device.prepares() == 2);
    }
    SUBCASE("after one that succeeded, the next goes when the device asks for it") {
        rig.device.holdPrepares(false);
        REQUIRE(rig.player.waitForSilence(kPatience));
        rig.player.prepareStreams();
        REQUIRE(rig.player.waitForSilence(kPatience));
        CHECK(rig.device.prepares() == 2);
    }
}

TEST_CASE("refused images start nothing") {
    Rig rig;
    const AssetView image = soundFor(1);
    CHECK_FALSE(rig.player.playSound(image.data, 35, false));
    CHECK_FALSE(rig.player.playSound(nullptr, 0, false));
    const Bytes noData = makeWav({fmtChunk(), dataChunk(0)});
    CHECK_FALSE(rig.player.playSound(noData.data(), noData.size(), false));
    CHECK_FALSE(rig.player.playSymbol(0));
    CHECK_FALSE(rig.player.playSymbol(49));
    rig.threads.refuse = true;  // no thread for the worker: the voice is dropped again
    CHECK_FALSE(rig.player.playSymbol(1));
    rig.threads.refuse = false;
    CHECK(rig.player.activeVoices() == 0);
    CHECK(rig.player.waitForSilence(kPatience));
    CHECK(rig.device.opens() == 0);

    // Data before format plays like any other image.
    const Bytes reordered = makeWav({dataChunk(20000), Chunk{"LIST", Bytes(65, 'x')}, fmtChunk(22050, 16)});
    REQUIRE(rig.player.playSound(reordered.data(), reordered.size(), false));
    REQUIRE(rig.waitForBlocks(0, 2));
    rig.device.complete(0, 2);
    REQUIRE(rig.waitForNoVoice());
    CHECK(rig.device.log(0).samplesQueued() == dataChunk(20000).body);
    CHECK(rig.device.log(0).format.size() == 18);
}

TEST_CASE("a looping voice starts again from its first sample until stopped") {
    Rig rig;
    const AssetView image = soundFor(1);
    REQUIRE(rig.player.playSound(image.data, image.size, true));
    REQUIRE(rig.waitForBlocks(0, 1));
    rig.device.complete(0, 1);
    REQUIRE(rig.waitForBlocks(0, 2));
    const StreamLog log = rig.device.log(0);
    CHECK(log.blocks[0] == log.blocks[1]);
    CHECK(rig.player.activeVoices() == 1);
    rig.player.stopAllSounds();
    REQUIRE(rig.waitForNoVoice());
    checkReleased(rig.device.log(0));
}

TEST_CASE("a stream whose blocks never come back is neither closed nor freed") {
    FakeDevice device;
    FakeClock clock;
    TestThreads threads;
    std::optional<SoundPlayer> player(std::in_place, device, clock, threads);
    device.ignoreBreakOffs = true;
    REQUIRE(player->playSymbol(2));
    REQUIRE(device.waitFor([](const FakeDevice& d) { return d.streamCount() == 1 && d.streamAt(0).blocks.size() == 7; }));
    device.complete(0, 2);
    // Both seen at time 0: the silence limit runs to 8888.
    REQUIRE(device.waitFor([](const FakeDevice& d) { return d.streamAt(0).prepared.size() == 5; }));
    REQUIRE(clock.waitForDeadline(8888));
    clock.advance(1000);
    player->stopAllSounds();
    // The break-off gives nothing back: the worker waits for the five blocks
    // still out, then gives up.
    REQUIRE(clock.waitForDeadline(1000 + 8888));
    clock.advance(8888);
    REQUIRE(player->waitForSilence(kPatience));
    CHECK(player->activeVoices() == 0);
    CHECK(player->abandonedVoices() == 1);
    StreamLog log = device.log(0);
    CHECK(log.breakOffs == 1);
    CHECK_FALSE(log.closed);
    CHECK(log.faults == 0);
    CHECK(log.prepared.size() == 5);  // only the two that came back were released

    // The device may still give the blocks back, even once the player is gone.
    player.reset();
    device.complete(0, 5);
    log = device.log(0);
    CHECK_FALSE(log.closed);
    CHECK(log.faults == 0);
}

TEST_CASE("a device may call back from inside its own calls, and the voice outlives every callback") {
    Rig rig;
    SUBCASE("every block comes back from inside queueBlock") {
        rig.device.playAtOnce = true;
        REQUIRE(rig.player.playSymbol(2));
        REQUIRE(rig.waitForNoVoice());
        const StreamLog log = rig.device.log(0);
        CHECK(log.samplesQueued() == samplesOf(2));
        CHECK(log.breakOffs == 0);
        checkReleased(log);  // no voice lock was held at any device call
    }
    SUBCASE("the blocks still out come back from inside the break-off") {
        REQUIRE(rig.player.playSymbol(2));
        REQUIRE(rig.waitForBlocks(0, 7));
        rig.device.complete(0, 3);
        rig.player.stopAllSounds();
        REQUIRE(rig.waitForNoVoice());
        const StreamLog log = rig.device.log(0);
        CHECK(log.breakOffs == 1);
        checkReleased(log);
    }
    SUBCASE("a callback still inside the voice holds off its end") {
        REQUIRE(rig.player.playSymbol(1));
        REQUIRE(rig.waitForBlocks(0, 1));
        {
            rig.clock.holdWakes(true);
            struct Callback {
                FakeClock& clock;
                std::thread thread;
                ~Callback() {
                    clock.holdWakes(false);
                    thread.join();
                }
            } callback{rig.clock, std::thread([&] { rig.device.complete(0, 1); })};
            // The last block is back, and its callback is held as it wakes the worker.
            REQUIRE(rig.clock.waitForHeldWakes(1));
            rig.clock.advance(kSilenceLimitMs);  // the worker looks again: it must wait for the callback
            CHECK(rig.clock.waitForLockWaits(1));
            CHECK(rig.player.activeVoices() == 1);
            CHECK_FALSE(rig.device.log(0).closed);
        }
        REQUIRE(rig.waitForNoVoice());
        const StreamLog log = rig.device.log(0);
        CHECK(log.breakOffs == 0);  // the block's news counts before the silence limit
        checkReleased(log);
    }
}

TEST_CASE("a word is decoded and played as 16-bit 22050 Hz samples, the wide sounds' format") {
    Rig rig;
    const CodedWord ship = wordSound(findWord("ship"), 0);
    const std::vector<std::int16_t> decoded = decodeWord(ship);
    REQUIRE(!decoded.empty());
    REQUIRE(rig.player.playWord(ship));
    REQUIRE(rig.waitForBlocks(0, 1));
    const std::size_t blocks = (decoded.size() * 2 + kBlockBytes - 1) / kBlockBytes;
    REQUIRE(rig.waitForBlocks(0, blocks));
    rig.device.complete(0, static_cast<int>(blocks));
    REQUIRE(rig.waitForNoVoice());
    const Bytes queued = rig.device.log(0).samplesQueued();
    REQUIRE(queued.size() == decoded.size() * 2);
    CHECK(std::equal(queued.begin(), queued.end(), reinterpret_cast<const unsigned char*>(decoded.data())));
    // The same format block as symbol 2's, so the device's kept stream serves both.
    REQUIRE(rig.player.playSymbol(2));
    REQUIRE(rig.waitForBlocks(1, 1));
    CHECK(rig.device.log(0).format == rig.device.log(1).format);
    rig.player.stopAllSounds();
    REQUIRE(rig.waitForNoVoice());

    CHECK_FALSE(rig.player.playWord(CodedWord{}));
    const unsigned char noStep[] = {89, 0, 0};
    CHECK_FALSE(rig.player.playWord(CodedWord{AssetView{noStep, sizeof noStep}, 4}));
    CHECK(rig.device.opens() == 2);
}
