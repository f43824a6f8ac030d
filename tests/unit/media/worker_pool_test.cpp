#include <doctest/doctest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "media/worker_pool.h"

using namespace pelomar;

namespace {

// Real threads on the standard library; making a thread can be refused.
class StdPlatform final : public WorkerPlatform {
public:
    static constexpr int kParked = 2;

    WorkerPool pool{*this, kParked};
    std::atomic<bool> refuseStarter{false};
    std::atomic<bool> refuseWorkers{false};
    std::atomic<int> workersMade{0};
    std::atomic<std::function<void()>*> beforeMaking{nullptr};  // runs in startWorker

    ~StdPlatform() override { finish(); }

    // Ends the pool as its owner does: quit, wait for the starter, then for
    // the workers. Joins every thread made.
    void finish() {
        pool.quit();
        for (;;) {
            std::thread t;
            {
                std::lock_guard held(threadsLock_);
                if (threads_.empty()) break;
                t = std::move(threads_.front());
                threads_.pop_front();
            }
            t.join();
        }
        pool.waitForWorkers();
    }

    void lock() override { mutex_.lock(); }
    void unlock() override { mutex_.unlock(); }
    void wait(Signal s) override { variables_[static_cast<int>(s)].wait(mutex_); }
    void wakeOne(Signal s) override { variables_[static_cast<int>(s)].notify_one(); }
    void wakeAll(Signal s) override { variables_[static_cast<int>(s)].notify_all(); }
    bool startStarter() override {
        if (refuseStarter) return false;
        spawn([this] { pool.starterLoop(); });
        return true;
    }
    bool startWorker() override {
        if (auto* hold = beforeMaking.load()) (*hold)();
        if (refuseWorkers) return false;
        ++workersMade;
        spawn([this] { pool.workerLoop(); });
        return true;
    }

private:
    template <class F>
    void spawn(F body) {
        std::lock_guard held(threadsLock_);
        threads_.emplace_back(body);
    }

    std::mutex mutex_;
    std::condition_variable_any variables_[3];
    std::mutex threadsLock_;
    std::deque<std::thread> threads_;
};

// Work that says it has started and then holds its thread until released.
class Gate {
public:
    std::function<void()> work() {
        return [this] {
            std::unique_lock held(mutex_);
            ++started_;
            changed_.notify_all();
            changed_.wait(held, [this] { return open_; });
        };
    }
    bool waitStarted(int n) {
        std::unique_lock held(mutex_);
        return changed_.wait_for(held, std::chrono::seconds(10), [&] { return started_ >= n; });
    }
    void open() {
        std::lock_guard held(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int started_ = 0;
    bool open_ = false;
};

template <class Predicate>
bool eventually(Predicate done) {
    for (int i = 0; i < 10000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

}  // namespace

TEST_CASE("work runs side by side on threads of its own; a few of them wait for the next") {
    Gate gate, second;  // outlive the threads, which end with the platform
    std::atomic<int> done{0};
    StdPlatform p;
    for (int i = 0; i < 4; ++i) REQUIRE(p.pool.start(gate.work()));
    REQUIRE(gate.waitStarted(4));  // all four at once: each on a thread of its own
    CHECK(p.workersMade == 4);
    CHECK(p.pool.threads() == 4);

    gate.open();
    CHECK(eventually([&] { return p.pool.threads() == StdPlatform::kParked; }));
    CHECK(eventually([&] { return p.pool.waiting() == StdPlatform::kParked; }));

    // The next pieces of work take the waiting threads; a third needs a new one.
    for (int i = 0; i < 2; ++i) REQUIRE(p.pool.start([&] { ++done; }));
    CHECK(eventually([&] { return done == 2; }));
    CHECK(p.workersMade == 4);
    for (int i = 0; i < 3; ++i) REQUIRE(p.pool.start(second.work()));
    REQUIRE(second.waitStarted(3));
    CHECK(p.workersMade == 5);
    second.open();
}

TEST_CASE("when no thread can be made the work is still done") {
    SUBCASE("no worker thread: the starter does the work itself") {
        std::mutex mutex;
        std::vector<std::thread::id> ran;
        StdPlatform p;
        p.refuseWorkers = true;
        for (int i = 0; i < 3; ++i) REQUIRE(p.pool.start([&] {
            std::lock_guard held(mutex);
            ran.push_back(std::this_thread::get_id());
        }));
        p.finish();
        REQUIRE(ran.size() == 3);
        CHECK(ran[0] != std::this_thread::get_id());
        CHECK(ran[1] == ran[0]);
        CHECK(ran[2] == ran[0]);
        CHECK(p.workersMade == 0);
        CHECK(p.pool.threads() == 0);
    }
    SUBCASE("no starter thread: the call fails, queues nothing, and the next one tries again") {
        std::atomic<int> done{0};
        StdPlatform p;
        p.refuseStarter = true;
        CHECK_FALSE(p.pool.start([&] { done += 1; }));
        p.refuseStarter = false;
        REQUIRE(p.pool.start([&] { done += 10; }));
        p.finish();
        CHECK(done == 10);
    }
}

TEST_CASE("ending lets queued work run first, then every thread ends; later work is refused") {
    Gate busy, making;
    std::atomic<int> done{0};
    std::function<void()> holdMaking = making.work();
    StdPlatform p;
    REQUIRE(p.pool.start(busy.work()));
    REQUIRE(busy.waitStarted(1));
    // The one thread is busy and the starter is held while making the next,
    // so all six pieces are still queued when the pool is told to end.
    p.beforeMaking = &holdMaking;
    for (int i = 0; i < 6; ++i) REQUIRE(p.pool.start([&] { ++done; }));
    REQUIRE(making.waitStarted(1));
    p.pool.quit();
    CHECK_FALSE(p.pool.start([&] { done += 100; }));
    CHECK(done == 0);
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        making.open();
        busy.open();
    });
    p.finish();
    opener.join();
    CHECK(done == 6);
    CHECK(p.pool.threads() == 0);
    CHECK(p.pool.waiting() == 0);
}
