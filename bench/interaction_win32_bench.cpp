// How fast the chart answers the pointer, and how long the user-interface
// thread can be kept from its messages.
//
// 1. Hover: a pointer move reaches the chart panel's window procedure, and we
//    time until the hovered symbol's first sound block is queued on the
//    device and its card is shown (painted). Hovers alternate between symbols
//    1 and 2, so each one is onto a new cell. The plain floor is the same
//    path with the hover sound and card options off: hit test and frame
//    only. The pop-up floor adds what showing any card costs under Wine: an
//    empty pop-up of the card window's size and styles, placed, shown and
//    painted by the same calls as the card. Runs with only the card and
//    only the sound on show where the time goes.
// 2. Cards: decoding one card picture, the cost the card window pays once per
//    symbol because it keeps what it decoded.
// 3. Responsiveness: while a caption press reads a group, a second thread
//    posts a stamped message every 2 ms; the longest wait of one of them
//    before it is dispatched is the longest the thread was kept busy.
// 4. Memory under a pointer storm: moves sweep over every cell for a while
//    (two minutes by default), each onto a new cell with its sound and card,
//    and the committed memory is sampled every second.
//
// Run: cmake/wine-run.sh build/<win64>/bench/interaction_win32_bench.exe
// [hovers] [storm seconds] [both|sound|card] with an X display (Xvfb); the
// third argument keeps only the hover sound or only the card on in the storm. Each goal is printed with "met" or "NOT MET";
// figures go to bench/README.md.
#include <windows.h>

#include <mmsystem.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "bench/bench_support_win32.h"
#include "media/assets.h"
#include "media/sound_player.h"
#include "media/wave_out_win32.h"
#include "media/worker_threads_win32.h"
#include "app/pointer_binding.h"
#include "settings/context_menu.h"
#include "ui/card_placement.h"  // the card window's size
#include "ui/card_window_win32.h"
#include "ui/group_reader.h"
#include "ui/main_window_win32.h"
#include "ui/message_pump_win32.h"
#include "ui/picture_win32.h"
#include "ui/pointer_tracker.h"

using namespace pelomar;
using namespace bench;

namespace {

std::mutex opensMutex;
std::vector<double> gOpens;  // how long each stream took to open, on the workers
std::atomic<bool> gTiming{true};  // timings kept; off for the storm

class TimedDevice final : public WaveDevice {
public:
    std::unique_ptr<WaveStream> open(std::span<const unsigned char> format, BlockListener& listener) override {
        const long long t = now();
        std::unique_ptr<WaveStream> stream = real_.open(format, listener);
        if (gTiming) {
            std::lock_guard lock(opensMutex);
            gOpens.push_back(ms(now() - t));
        }
        if (!stream) return nullptr;
        return std::make_unique<TimedStream>(std::move(stream));
    }
    bool prepare(std::span<const std::vector<unsigned char>> formats) override { return real_.prepare(formats); }
    bool ready() override { return real_.ready(); }

private:
    WaveOutDevice real_;
};

// The card window, noting when a card has been shown.
class TimedCard final : public CardActions {
public:
    explicit TimedCard(CardWindow& card) : card_(card) {}
    void showCard(int n) override {
        card_.showCard(n);
        shown = now();
    }
    void hideCard() override { card_.hideCard(); }
    void setKeepCardOnce(bool keep) override { card_.setKeepCardOnce(keep); }
    long long shown = 0;

private:
    CardWindow& card_;
};

// The pop-up floor's window: the card window's size, styles and owner,
// shown by the card's own showBesidePointer, with nothing drawn.
class EmptyPopup {
public:
    bool create(HWND owner) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_SIZEALL);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"PelomarBenchEmptyPopup";
        RegisterClassExW(&wc);
        hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, wc.lpszClassName, L"", WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN,
                                0, 0, kCardWindowWidth, kCardWindowHeight, owner, nullptr, wc.hInstance, nullptr);
        return hwnd_ != nullptr;
    }
    void show() { showBesidePointer(hwnd_); }
    void hide() { ShowWindow(hwnd_, SW_HIDE); }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        if (msg == WM_ERASEBKGND) return 1;  // as the card, whose picture covers it
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    HWND hwnd_ = nullptr;
};

// The program's composition, as far as the chart needs it.
class Bench final : public MainWindowHandler, public SoundActions {
public:
    Bench() : sound_(device_, clock_, threads_) {}

    void onMainWindowCreated() override {
        main_.fitToChart();
        chart_.buildChart();
        card_.create(main_.hwnd());
        popup_.create(main_.hwnd());
    }
    // As the program: streams prepared once the window is shown and at
    // every pointer event on the chart.
    void onMainWindowShown() override { sound_.prepareStreams(); }
    bool onMainWindowCloseQuery() override { return true; }
    void onCommand(int) override {}
    void onChartPointer(PointerEventKind kind, int x, int y, int keys) override {
        reached = now();
        sound_.prepareStreams();
        const PointerBinding bound = bindPointerEvent(kind, keys, menu);
        tracker_.handlePointer(x, y, kind, bound.keys, bound.options);
        if (withPopup) {
            popup_.show();
            popupShown = now();
        }
        handled = now();
    }
    void onChartRightPress() override {}

    void stopAllSounds() override {
        const long long t = now();
        sound_.stopAllSounds();
        if (gTiming) soundCalls.push_back(ms(now() - t));
    }
    bool playSymbol(int n) override {
        const long long t = now();
        const bool started = sound_.playSymbol(n);
        if (gTiming) soundCalls.push_back(ms(now() - t));
        return started;
    }

    bool create() { return main_.create(GetModuleHandleW(nullptr), this); }
    MainWindow& main() { return main_; }
    CardWindow& card() { return card_; }
    TimedCard& timedCard() { return timedCard_; }
    SoundPlayer& sound() { return sound_; }
    MessagePump& pump() { return pump_; }

    EmptyPopup& popup() { return popup_; }

    ContextMenu menu;
    std::vector<double> soundCalls;  // how long stopAllSounds and playSymbol kept the thread
    long long reached = 0;
    long long handled = 0;
    bool withPopup = false;  // the pop-up floor: every hover also shows the empty pop-up
    long long popupShown = 0;

private:
    TimedDevice device_;
    SystemClock clock_;
    Win32WorkerThreads threads_;
    SoundPlayer sound_;
    SymbolChart chart_;
    MainWindow main_;
    CardWindow card_;
    EmptyPopup popup_;
    TimedCard timedCard_{card_};
    MessagePump pump_{main_};
    GroupReader reader_{chart_, main_.panel(), pump_, *this, pump_};
    PointerTracker tracker_{{chart_, main_.panel(), main_.panel(), pump_, *this, timedCard_, reader_, pump_}};
};

void drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

struct HoverTimes {
    std::vector<double> handler;  // the event reached the panel .. the handler returned
    std::vector<double> popup;    // .. the pop-up floor's empty pop-up was shown and painted
    std::vector<double> card;     // .. the card was shown and painted
    std::vector<double> block;    // .. the sound's first block was queued
    std::vector<double> both;     // .. both of the above
};

// Hovers alternately onto symbols 1 and 2 through the panel's own messages,
// with the hover sound and card options as given, and for the pop-up floor
// the empty pop-up shown at each.
HoverTimes hovers(Bench& bench, int count, bool sound, bool card, bool popup = false) {
    bench.menu.setOption(Option::HoverSound, sound);
    bench.menu.setOption(Option::HoverCard, card);
    bench.withPopup = popup;
    const HWND panel = bench.main().panel().hwnd();
    HoverTimes times;
    for (int i = 0; i < count + 10; ++i) {
        const int x = i % 2 ? 200 : 170;
        gFirstBlockQueued.store(0);
        bench.timedCard().shown = 0;
        PostMessageW(panel, WM_MOUSEMOVE, 0, MAKELPARAM(x, 130));
        drain();
        if (sound) {
            const long long deadline = now() + static_cast<long long>(2000 * gTicksPerMs);
            while (gFirstBlockQueued.load() == 0 && now() < deadline) Sleep(0);
        }
        const long long block = gFirstBlockQueued.load();
        const long long shown = bench.timedCard().shown;
        if ((sound && block == 0) || (card && shown == 0)) {
            std::printf("hover %d: no block queued or no card shown\n", i);
            continue;
        }
        if (i >= 10) {  // the first ten warm up
            times.handler.push_back(ms(bench.handled - bench.reached));
            if (popup) times.popup.push_back(ms(bench.popupShown - bench.reached));
            if (card) times.card.push_back(ms(shown - bench.reached));
            if (sound) times.block.push_back(ms(block - bench.reached));
            if (sound && card) times.both.push_back(ms(std::max(block, shown) - bench.reached));
        }
        Sleep(5);
    }
    bench.sound().stopAllSounds();
    if (popup) bench.popup().hide();
    bench.withPopup = false;
    drain();
    return times;
}

// --- responsiveness during a reading ---------------------------------------

// --- memory under a pointer storm ------------------------------------------

double medianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Sweeps the pointer over the centre of every cell, row by row, a move every
// 4 ms, for `seconds`; returns the committed memory (MiB) sampled every second.
std::vector<double> storm(Bench& bench, int seconds, bool sound, bool card) {
    bench.menu.setOption(Option::HoverSound, sound);
    bench.menu.setOption(Option::HoverCard, card);
    gTiming = false;  // the timings kept would be memory the storm measures
    const HWND panel = bench.main().panel().hwnd();
    SymbolChart chart;
    chart.buildChart();
    std::vector<double> samples;
    const long long end = now() + static_cast<long long>(seconds * 1000.0 * gTicksPerMs);
    long long nextSample = now();
    int moves = 0;
    for (int n = 0; now() < end; n = n % 48 + 1) {
        const HitRegion cell = chart.symbolRegion(n == 0 ? 1 : n);
        PostMessageW(panel, WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + cell.width / 2, cell.top + cell.height / 2));
        drain();
        ++moves;
        Sleep(4);
        if (now() >= nextSample) {
            samples.push_back(static_cast<double>(committedBytes()) / (1024.0 * 1024.0));
            nextSample += static_cast<long long>(1000 * gTicksPerMs);
        }
    }
    bench.sound().stopAllSounds();
    drain();
    std::printf("pointer storm: %d moves over %d s\n", moves, seconds);
    return samples;
}

}  // namespace

int main(int argc, char** argv) {
    startClock();
    const int count = argc > 1 ? std::max(20, std::atoi(argv[1])) : 300;
    const int stormSeconds = argc > 2 ? std::max(20, std::atoi(argv[2])) : 120;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    std::printf("wave-output devices: %u\n", waveOutGetNumDevs());
    Bench bench;
    if (!bench.create()) {
        std::printf("no main window\n");
        return 1;
    }
    bench.main().setVisible(true);
    drain();

    // Card pictures: one decode per symbol, paid on its first showing only.
    std::vector<double> decodes;
    for (int n = 1; n <= 48; ++n) {
        const long long t = now();
        const Picture p = decodePicture(cardFor(n));
        decodes.push_back(ms(now() - t));
        if (p.empty()) std::printf("card %d did not decode\n", n);
    }
    const long long coldStart = now();
    bench.card().showCard(17);
    const double coldShow = ms(now() - coldStart);
    const long long warmStart = now();
    bench.card().showCard(17);
    const double warmShow = ms(now() - warmStart);
    bench.card().hideCard();
    drain();

    std::printf("\n%d hovers each, alternating between two cells:\n", count);
    const HoverTimes floor = hovers(bench, count, false, false);
    const HoverTimes popupFloor = hovers(bench, count, false, false, true);
    const HoverTimes cardOnly = hovers(bench, count, false, true);
    const HoverTimes soundOnly = hovers(bench, count, true, false);
    const HoverTimes full = hovers(bench, count, true, true);
    const HoverTimes floorAgain = hovers(bench, count, false, false);
    const HoverTimes popupFloorAgain = hovers(bench, count, false, false, true);
    print("floor (sound and card off): handler", summarise(floor.handler));
    print("pop-up floor: empty pop-up shown", summarise(popupFloor.popup));
    print("card only: card shown", summarise(cardOnly.card));
    print("sound only: handler", summarise(soundOnly.handler));
    print("sound only: first block queued", summarise(soundOnly.block));
    print("sound and card: handler", summarise(full.handler));
    print("sound and card: card shown", summarise(full.card));
    print("sound and card: first block queued", summarise(full.block));
    print("sound and card: both done", summarise(full.both));
    print("floor again: handler", summarise(floorAgain.handler));
    print("pop-up floor again: empty pop-up shown", summarise(popupFloorAgain.popup));
    print("one stopAllSounds or playSymbol call", summarise(bench.soundCalls));
    {
        std::lock_guard lock(opensMutex);
        print("opening a wave-output stream (worker)", summarise(gOpens));
    }
    // Each floor is the median of its two runs together, one before the runs
    // with the card and sound and one after, so that a machine that grows
    // busier or quieter meanwhile moves both sides alike.
    std::vector<double> plainFloor = floor.handler;
    plainFloor.insert(plainFloor.end(), floorAgain.handler.begin(), floorAgain.handler.end());
    std::vector<double> shownFloor = popupFloor.popup;
    shownFloor.insert(shownFloor.end(), popupFloorAgain.popup.begin(), popupFloorAgain.popup.end());
    const double plainMedian = summarise(plainFloor).median;
    const double popupMedian = summarise(shownFloor).median;
    std::printf("floors, both runs: plain %.3f ms, pop-up %.3f ms\n", plainMedian, popupMedian);
    std::printf("medians above the plain floor: both done %.3f ms, card shown %.3f ms; "
                "above the pop-up floor: both done %.3f ms, card shown %.3f ms\n\n",
                summarise(full.both).median - plainMedian, summarise(full.card).median - plainMedian,
                summarise(full.both).median - popupMedian, summarise(full.card).median - popupMedian);
    print("decoding one card picture (48 cards)", summarise(decodes));
    std::printf("showCard of a card not yet decoded: %.3f ms; of a decoded one: %.3f ms\n", coldShow, warmShow);
    // showCard alone, the pointer moving between two places or staying put.
    for (const bool moving : {true, false}) {
        std::vector<double> shows;
        for (int i = 0; i < count; ++i) {
            if (moving) SetCursorPos(i % 2 ? 420 : 460, 300);
            const long long t = now();
            bench.card().showCard(1 + i % 2);
            shows.push_back(ms(now() - t));
            drain();
        }
        print(moving ? "showCard, pointer moved" : "showCard, pointer still", summarise(shows));
    }
    bench.card().hideCard();
    drain();
    std::printf("\n");

    bench.sound().stopAllSounds();
    drain();

    // The press animation on the real panel: six 10 ms sleeps and seven frames.
    std::vector<double> animations, sleeps;
    for (int i = 0; i < 30; ++i) {
        long long t = now();
        drawHighlight(bench.main().panel(), bench.pump(), HitRegion{327, 157, 37, 37}, PointerEventKind::Press);
        animations.push_back(ms(now() - t));
        t = now();
        Sleep(10);
        sleeps.push_back(ms(now() - t));
    }
    drain();
    print("press animation on the panel", summarise(animations));
    print("Sleep(10)", summarise(sleeps));
    // A reading's wait: 10 ms sleeps with the timer fine for the whole run
    // (at Windows' default 15.6 ms timer ten of them would take 156 ms).
    std::vector<double> tens;
    for (int i = 0; i < 20; ++i) {
        fineTimer(true);
        const long long t = now();
        for (int k = 0; k < 10; ++k) Sleep(10);
        tens.push_back(ms(now() - t));
        fineTimer(false);
    }
    print("ten Sleep(10), timer fine", summarise(tens));
    std::printf("\n");

    // A caption press reads the long vowels (5 members, about 5 s) while
    // stamped messages arrive every 2 ms.
    WNDCLASSW wc{};
    wc.lpfnWndProc = stampProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelomarBenchStamps";
    RegisterClassW(&wc);
    const HWND stamps = CreateWindowW(L"PelomarBenchStamps", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      wc.hInstance, nullptr);
    gDelays.reserve(kStamps);
    gStamping.store(true);
    const HANDLE thread = CreateThread(nullptr, 0, stamper, stamps, 0, nullptr);
    Sleep(100);
    drain();
    gDelays.clear();  // those waited for the sleep above
    const long long readingStart = now();
    PostMessageW(bench.main().panel().hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 340));
    drain();
    const double readingMs = ms(now() - readingStart);
    gStamping.store(false);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    drain();
    const Summary d = summarise(gDelays);
    std::printf("reading the long vowels took %.0f ms; %zu stamped messages\n", readingMs, gDelays.size());
    print("wait of a message for dispatch", d);
    std::vector<double> sorted = gDelays;
    std::sort(sorted.begin(), sorted.end());
    const auto over = [&](double limit) { return sorted.end() - std::upper_bound(sorted.begin(), sorted.end(), limit); };
    std::printf("p99 %.3f ms; messages that waited over 60 ms: %td, over 70 ms: %td, over 80 ms: %td\n",
                sorted[sorted.size() * 99 / 100], over(60), over(70), over(80));
    std::printf("\n");

    // Memory under the storm: flat once every card has been decoded and
    // the kept streams and threads are there (the first 20 s).
    const char* stormKind = argc > 3 ? argv[3] : "both";
    const std::vector<double> samples =
        storm(bench, stormSeconds, std::strcmp(stormKind, "card") != 0, std::strcmp(stormKind, "sound") != 0);
    for (std::size_t i = 0; i < samples.size(); i += 10) std::printf("  after %3zu s  %7.1f MiB\n", i, samples[i]);
    const std::vector<double> early(samples.begin() + std::min<std::size_t>(20, samples.size()),
                                    samples.begin() + std::min<std::size_t>(50, samples.size()));
    const std::vector<double> late(samples.end() - std::min<std::size_t>(30, samples.size()), samples.end());
    const double growth = medianOf(late) - medianOf(early);
    std::printf("median of 20-50 s: %.1f MiB; of the last 30 s: %.1f MiB\n\n", medianOf(early), medianOf(late));

    char figure[128];
    const double hover = summarise(full.both).median - popupMedian;
    std::snprintf(figure, sizeof figure, "%.3f ms", hover);
    verdict("hover: card shown and block queued within 0.5 ms of the pop-up floor", hover <= 0.5, figure);
    const double plainHover = summarise(full.both).median - plainMedian;
    std::snprintf(figure, sizeof figure, "%.3f ms", plainHover);
    verdict("former: card shown and block queued within 1 ms of the plain floor", plainHover <= 1.0, figure);
    std::snprintf(figure, sizeof figure, "worst %.1f ms", d.worst);
    verdict("reading: no message waits more than 70 ms", d.worst <= 70.0, figure);
    std::snprintf(figure, sizeof figure, "%+.2f MiB", growth);
    verdict("memory flat under the pointer storm (under 1 MiB growth)", growth < 1.0, figure);

    bench.sound().shutdownSounds();
    bench.main().destroy();
    drain();
    CoUninitialize();
    return 0;
}
