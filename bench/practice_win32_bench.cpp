// How the listening practice answers the learner.
//
// 1. Opening: from the menu's command to the window shown and painted with
//    its first question (the first opening also builds the word table and
//    cuts the chart's cells), then each later opening.
// 2. A key's word: Space sent to the window, timed from its dispatch to the
//    word handed to the sound player (decoded, its voice started) and to the
//    word's first block queued on the device.
// 3. Responsiveness: while rounds are answered through posted keys (answers,
//    Enter, the sounds after wrong answers, the saves), a second thread posts
//    a stamped message every 2 ms; the longest wait of one before it is
//    dispatched is the longest the thread was kept busy.
// 4. Memory over 1,000 answers: the committed memory sampled every 100.
//
// Run: cmake/wine-run.sh build/<win64>/bench/practice_win32_bench.exe
// [answers] with an X display (Xvfb). Each goal is printed with "met" or
// "NOT MET"; figures go to bench/README.md.
#include <windows.h>

#include <mmsystem.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support_win32.h"
#include "media/sound_player.h"
#include "media/sound_recorder.h"
#include "media/wave_in_win32.h"
#include "media/wave_out_win32.h"
#include "media/worker_threads_win32.h"
#include "practice/practice_sound_win32.h"
#include "practice/practice_window_win32.h"
#include "settings/context_menu.h"
#include "ui/group_reader.h"
#include "ui/main_window_win32.h"
#include "ui/message_pump_win32.h"

using namespace pelomar;
using namespace bench;

namespace {

class TimedDevice final : public WaveDevice {
public:
    std::unique_ptr<WaveStream> open(std::span<const unsigned char> format, BlockListener& listener) override {
        std::unique_ptr<WaveStream> stream = real_.open(format, listener);
        return stream ? std::make_unique<TimedStream>(std::move(stream)) : nullptr;
    }
    void closeIdleStreams() override { real_.closeIdleStreams(); }

private:
    WaveOutDevice real_;
};

// The practice's sound calls, timed: how long each keeps the thread, and
// when the last word was handed to the player.
std::vector<double> gStops, gWords, gSymbols;
std::atomic<long long> gWordHanded{0};

class TimedPracticeSound final : public PracticeSound {
public:
    explicit TimedPracticeSound(PracticeSound& inner) : inner_(inner) {}
    void stopEverything() override {
        const long long t = now();
        inner_.stopEverything();
        gStops.push_back(ms(now() - t));
    }
    bool outputAvailable() override { return inner_.outputAvailable(); }
    int playWord(int word, int voice) override {
        const long long t = now();
        const int length = inner_.playWord(word, voice);
        gWordHanded.store(now());
        gWords.push_back(ms(now() - t));
        return length;
    }
    int playSlowWord(int word) override { return inner_.playSlowWord(word); }
    int playSymbol(int n) override {
        const long long t = now();
        const int length = inner_.playSymbol(n);
        gSymbols.push_back(ms(now() - t));
        return length;
    }
    int playSamples(std::span<const std::int16_t> samples, int rate) override {
        return inner_.playSamples(samples, rate);
    }

private:
    PracticeSound& inner_;
};

// The program's composition, as far as the practice needs it; the menu's
// command opens the practice as the program's does.
class Bench final : public MainWindowHandler {
public:
    Bench() : sound_(device_, clock_, threads_) {}
    void onMainWindowCreated() override {
        main_.fitToChart();
        chart_.buildChart();
    }
    bool onMainWindowCloseQuery() override { return true; }
    void onCommand(int) override { practice_.open(GetModuleHandleW(nullptr), main_.hwnd()); }
    void onChartPointer(PointerEventKind, int, int, int) override {}
    void onChartRightPress() override {}
    bool create() { return main_.create(GetModuleHandleW(nullptr), this); }
    MainWindow& main() { return main_; }
    PracticeWindow& practice() { return practice_; }
    SoundPlayer& sound() { return sound_; }

private:
    TimedDevice device_;
    SystemClock clock_;
    Win32WorkerThreads threads_;
    SoundPlayer sound_;
    SymbolChart chart_;
    MainWindow main_;
    MessagePump pump_{main_};
    GroupReader reader_{chart_, main_.panel(), pump_, sound_, pump_};
    PracticeSoundOutput practiceSound_{sound_, reader_};
    TimedPracticeSound timedSound_{practiceSound_};
    WaveInDevice waveIn_;
    SoundRecorder recorder_{waveIn_, clock_, threads_};
    PracticeWindow practice_{timedSound_, recorder_};
};

// The longest dispatch of each message, to show where a long wait came from.
std::vector<std::pair<UINT, double>> gLongest;

void drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        const long long t = now();
        DispatchMessageW(&msg);
        const double taken = ms(now() - t);
        auto it = std::find_if(gLongest.begin(), gLongest.end(), [&](const auto& p) { return p.first == msg.message; });
        if (it == gLongest.end())
            gLongest.push_back({msg.message, taken});
        else
            it->second = std::max(it->second, taken);
    }
}

std::string figure(const char* format, double value) {
    char text[128];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// One answer as a learner gives it: a digit, a moment, then Enter to go on
// (or to start the next round), a moment.
void answerOnce(HWND window, int i, int pauseMs) {
    PostMessageW(window, WM_KEYDOWN, '1' + i % 2, 0);
    const long long until = now() + static_cast<long long>(pauseMs * gTicksPerMs);
    do {
        drain();
        Sleep(1);
    } while (now() < until);
    PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
    drain();
}

std::wstring progressFile() {
    wchar_t exe[MAX_PATH];
    std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    return path.substr(0, path.rfind(L'\\') + 1) + std::wstring(kProgressFileName);
}

}  // namespace

int main(int argc, char** argv) {
    startClock();
    const int answers = argc > 1 ? std::max(200, std::atoi(argv[1])) : 1000;
    DeleteFileW(progressFile().c_str());
    std::printf("wave-output devices: %u\n", waveOutGetNumDevs());
    Bench bench;
    if (!bench.create()) {
        std::printf("no main window\n");
        return 1;
    }
    bench.main().setVisible(true);
    drain();
    PracticeWindow& practice = bench.practice();

    // 1. Opening, from the menu's command to the first question painted.
    std::vector<double> opens;
    double firstOpen = 0;
    for (int i = 0; i < 21; ++i) {
        const long long t = now();
        SendMessageW(bench.main().hwnd(), WM_COMMAND, commandForRow(17), 0);
        const double taken = ms(now() - t);
        if (!practice.exists() || !IsWindowVisible(practice.hwnd())) std::printf("opening %d: no window\n", i);
        if (i == 0)
            firstOpen = taken;
        else
            opens.push_back(taken);
        drain();
        practice.close();
        bench.sound().stopAllSounds();
        drain();
        Sleep(20);
    }
    std::printf("first opening (word table and cells made): %.3f ms\n", firstOpen);
    print("opening again", summarise(opens));

    // 2. A key's word: Space plays the question's word in another voice.
    SendMessageW(bench.main().hwnd(), WM_COMMAND, commandForRow(17), 0);
    drain();
    const HWND window = practice.hwnd();
    std::vector<double> keys;
    std::vector<double> handed;
    std::vector<double> handlers;
    for (int i = 0; i < 110; ++i) {
        Sleep(30);
        drain();
        gFirstBlockQueued.store(0);
        // Sent, so that the time starts with the key's own dispatch.
        const long long t = now();
        SendMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
        drain();
        const long long handled = now();
        const long long deadline = now() + static_cast<long long>(2000 * gTicksPerMs);
        while (gFirstBlockQueued.load() == 0 && now() < deadline) Sleep(0);
        if (i >= 10 && gFirstBlockQueued.load() != 0) {
            keys.push_back(ms(gFirstBlockQueued.load() - t));
            handed.push_back(ms(gWordHanded.load() - t));
            handlers.push_back(ms(handled - t));
        }
    }
    print("Space: the key and the repaint handled", summarise(handlers));
    print("Space: the word handed to the player", summarise(handed));
    print("stopEverything", summarise(gStops));
    print("playWord (decode and start)", summarise(gWords));
    std::vector<double> paints;
    for (int i = 0; i < 50; ++i) {
        InvalidateRect(window, nullptr, FALSE);
        const long long t = now();
        UpdateWindow(window);
        paints.push_back(ms(now() - t));
    }
    print("painting the question", summarise(paints));
    print("Space: the word's first block queued", summarise(keys));

    // 3 and 4. Rounds answered through the window's keys, with the stamper.
    WNDCLASSW wc{};
    wc.lpfnWndProc = stampProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PracticeBenchStamps";
    RegisterClassW(&wc);
    const HWND stamps = CreateWindowW(L"PracticeBenchStamps", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      wc.hInstance, nullptr);
    gDelays.reserve(1 << 20);
    std::vector<double> memory;
    gStamping = true;
    HANDLE thread = CreateThread(nullptr, 0, stamper, stamps, 0, nullptr);
    gLongest.clear();
    const long long roundStart = now();
    for (int i = 0; i < answers; ++i) {
        if (i % 100 == 0) memory.push_back(static_cast<double>(committedBytes()) / (1024.0 * 1024.0));
        answerOnce(window, i, 15);
    }
    memory.push_back(static_cast<double>(committedBytes()) / (1024.0 * 1024.0));
    const double seconds = ms(now() - roundStart) / 1000.0;
    gStamping = false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    drain();
    const PracticeSession* session = practice.session();
    std::printf("%d answers in %.1f s; the round now at %d asked\n", answers, seconds,
                session ? session->roundAsked() : -1);
    print("a stamped message's wait during the rounds", summarise(gDelays));
    std::sort(gLongest.begin(), gLongest.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::printf("longest dispatch by message:");
    for (std::size_t i = 0; i < gLongest.size() && i < 5; ++i)
        std::printf(" 0x%04X %.1f ms;", gLongest[i].first, gLongest[i].second);
    std::printf("\n");
    std::printf("committed memory every 100 answers (MiB):");
    for (double m : memory) std::printf(" %.2f", m);
    std::printf("\n");
    const std::size_t half = memory.size() / 2;
    const double firstHalf = memory[half] - memory[1];
    const double secondHalf = memory.back() - memory[half];

    practice.close();
    bench.sound().shutdownSounds();
    DeleteFileW(progressFile().c_str());

    std::printf("\n");
    verdict("the window shown within 100 ms of the menu choice (first, and p90 after)",
            summarise(opens).p90 < 100.0 && firstOpen < 100.0,
            figure("first %.1f ms, ", firstOpen) + figure("then p90 %.1f ms, ", summarise(opens).p90) +
                figure("worst %.1f ms", summarise(opens).worst));
    verdict("a key's word queued within 1 ms (median, handed to the player)", summarise(handed).median < 1.0,
            figure("median %.3f ms, ", summarise(handed).median) + figure("p90 %.3f ms; ", summarise(handed).p90) +
                figure("first block on the device: median %.3f ms", summarise(keys).median));
    verdict("no message waits over 70 ms during a round", summarise(gDelays).worst < 70.0,
            figure("worst %.1f ms", summarise(gDelays).worst));
    verdict("memory flat over 1,000 answers (second half grows no more than the first)",
            secondHalf <= std::max(firstHalf, 0.0) + 0.25,
            figure("first half %+.2f MiB, ", firstHalf) + figure("second half %+.2f MiB", secondHalf));
    return 0;
}
