// Saying it yourself in the practice window: how soon a take records after
// R, how soon the comparison is drawn after the recording ends, how long the
// user-interface thread keeps a message waiting while a take records, and
// the memory over many takes.
//
// 1. R sent to the window after an answer, then again and again in the
//    comparison (each take of the same symbol replaces the last). Timed from
//    the key's dispatch to the microphone recording (waveInStart returned)
//    and to its first block taken; the first take also opens the device for
//    the first time in the process, with 准备中 shown meanwhile.
// 2. From the end of the recording (the take stopping the microphone, 600 ms
//    after the speech) to the comparison painted.
// 3. A second thread posts a stamped message every 2 ms during the takes.
// 4. The committed memory every 10 takes.
//
// It needs a microphone that hears speech now and then: bench/say_it_bench.py
// runs it with a private PulseAudio server whose microphone says a word
// every second. Usage: say_it_win32_bench.exe [takes]. Each goal is printed
// with "met" or "NOT MET"; figures go to bench/README.md.
#include <windows.h>

#include <mmsystem.h>

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

std::atomic<long long> gRecording{0};   // waveInStart returned
std::atomic<long long> gFirstBlock{0};  // the first block taken back
std::atomic<long long> gStopped{0};     // the take stopped the microphone
std::atomic<long long> gOpenStarted{0};
std::atomic<long long> gOpened{0};

class TimedCaptureStream final : public CaptureStream {
public:
    explicit TimedCaptureStream(std::unique_ptr<CaptureStream> inner) : inner_(std::move(inner)) {}
    bool queueBlock(int index, std::int16_t* samples, std::size_t count) override {
        return inner_->queueBlock(index, samples, count);
    }
    bool start() override {
        const bool started = inner_->start();
        gRecording.store(now());
        return started;
    }
    std::size_t takeBlock(int index) override {
        const std::size_t n = inner_->takeBlock(index);
        if (gFirstBlock.load() == 0) gFirstBlock.store(now());
        return n;
    }
    void stop() override {
        gStopped.store(now());
        inner_->stop();
    }

private:
    std::unique_ptr<CaptureStream> inner_;
};

class TimedMicrophone final : public CaptureDevice {
public:
    CaptureOpening open(int rate, CaptureListener& listener, std::unique_ptr<CaptureStream>& stream) override {
        gOpenStarted.store(now());
        std::unique_ptr<CaptureStream> inner;
        const CaptureOpening opening = real_.open(rate, listener, inner);
        gOpened.store(now());
        if (inner) stream = std::make_unique<TimedCaptureStream>(std::move(inner));
        return opening;
    }

private:
    WaveInDevice real_;
};

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
    SoundRecorder& recorder() { return recorder_; }

private:
    WaveOutDevice device_;
    SystemClock clock_;
    Win32WorkerThreads threads_;
    SoundPlayer sound_;
    SymbolChart chart_;
    MainWindow main_;
    MessagePump pump_{main_};
    GroupReader reader_{chart_, main_.panel(), pump_, sound_, pump_};
    PracticeSoundOutput practiceSound_{sound_, reader_};
    TimedMicrophone microphone_;
    SoundRecorder recorder_{microphone_, clock_, threads_};
    PracticeWindow practice_{practiceSound_, recorder_};
};

// Dispatches what is queued; notes when a paint of the practice window has
// shown a new comparison.
const Attempt* gShown = nullptr;
long long gDrawn = 0;
// The longest dispatch of each message, to show where a long wait came from.
std::vector<std::pair<UINT, double>> gLongest;

void drain(const PracticeWindow& practice) {
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
        if (msg.message != WM_PAINT || msg.hwnd != practice.hwnd() || !practice.session()) continue;
        const PracticeSession& s = *practice.session();
        if (s.page() == PracticePage::Compare && s.compared() && s.compared() != gShown) {
            gShown = s.compared();
            gDrawn = now();
        }
    }
}

std::string figure(const char* format, double value) {
    char text[128];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::wstring progressFile() {
    wchar_t exe[MAX_PATH];
    std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    return path.substr(0, path.rfind(L'\\') + 1) + std::wstring(kProgressFileName);
}

}  // namespace

int main(int argc, char** argv) {
    startClock();
    const int takes = argc > 1 ? std::max(20, std::atoi(argv[1])) : 100;
    DeleteFileW(progressFile().c_str());
    std::printf("wave-input devices: %u\n", waveInGetNumDevs());
    Bench bench;
    if (!bench.create()) {
        std::printf("no main window\n");
        return 1;
    }
    bench.main().setVisible(true);
    PracticeWindow& practice = bench.practice();
    SendMessageW(bench.main().hwnd(), WM_COMMAND, commandForRow(17), 0);
    drain(practice);
    const HWND window = practice.hwnd();
    SendMessageW(window, WM_KEYDOWN, '1', 0);  // answered: R may follow
    drain(practice);

    WNDCLASSW wc{};
    wc.lpfnWndProc = stampProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SayItBenchStamps";
    RegisterClassW(&wc);
    const HWND stamps =
        CreateWindowW(L"SayItBenchStamps", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    gDelays.reserve(1 << 20);

    double firstStart = -1, firstBlock = -1, firstOpen = -1;
    bool preparingShown = true;
    std::vector<double> starts, blocks, drawn, memory;
    int compared = 0, failed = 0;
    gStamping = true;
    HANDLE thread = CreateThread(nullptr, 0, stamper, stamps, 0, nullptr);
    for (int i = 0; i <= takes; ++i) {
        if (i % 10 == 0) memory.push_back(static_cast<double>(committedBytes()) / (1024.0 * 1024.0));
        gRecording.store(0);
        gFirstBlock.store(0);
        gStopped.store(0);
        gDrawn = 0;
        const Attempt* before = gShown;
        const long long t = now();
        SendMessageW(window, WM_KEYDOWN, 'R', 0);
        const PracticeSession* s = practice.session();
        if (!s || s->take() != TakeState::Preparing) {
            std::printf("take %d: R began nothing\n", i);
            preparingShown = false;
        }
        // 准备中 until the microphone records: painted at once.
        UpdateWindow(window);
        const long long deadline = t + static_cast<long long>(8000 * gTicksPerMs);
        while (now() < deadline && (s = practice.session()) != nullptr &&
               (s->take() != TakeState::None || (gShown == before && s->trouble() == TakeTrouble::None))) {
            drain(practice);
            Sleep(1);
        }
        drain(practice);
        if (gRecording.load() == 0) {
            std::printf("take %d: the microphone never recorded\n", i);
            continue;
        }
        const double started = ms(gRecording.load() - t);
        const double block = gFirstBlock.load() ? ms(gFirstBlock.load() - t) : -1;
        if (i == 0) {
            firstStart = started;
            firstBlock = block;
            firstOpen = ms(gOpened.load() - gOpenStarted.load());
        } else {
            starts.push_back(started);
            if (block >= 0) blocks.push_back(block);
        }
        if (gShown != before && gDrawn && gStopped.load()) {
            drawn.push_back(ms(gDrawn - gStopped.load()));
            ++compared;
        } else {
            ++failed;
        }
        // The comparison starts playing; the learner listens a moment.
        const long long until = now() + static_cast<long long>(150 * gTicksPerMs);
        while (now() < until) {
            drain(practice);
            Sleep(1);
        }
    }
    memory.push_back(static_cast<double>(committedBytes()) / (1024.0 * 1024.0));
    gStamping = false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    drain(practice);

    std::printf("%d takes compared, %d without speech heard\n", compared, failed);
    std::printf("first take: recording %.1f ms after R (the device opened in %.1f ms), first block %.1f ms\n",
                firstStart, firstOpen, firstBlock);
    print("later takes: recording after R", summarise(starts));
    print("later takes: first block taken after R", summarise(blocks));
    print("end of recording to the comparison painted", summarise(drawn));
    print("a stamped message's wait during the takes", summarise(gDelays));
    std::sort(gLongest.begin(), gLongest.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::printf("longest dispatch by message:");
    for (std::size_t i = 0; i < gLongest.size() && i < 5; ++i)
        std::printf(" 0x%04X %.1f ms;", gLongest[i].first, gLongest[i].second);
    std::printf("\n");
    std::printf("committed memory every 10 takes (MiB):");
    for (double m : memory) std::printf(" %.2f", m);
    std::printf("\n");
    const std::size_t half = memory.size() / 2;
    const double firstHalf = memory.size() > 2 ? memory[half] - memory[1] : 0;
    const double secondHalf = memory.back() - memory[half];

    practice.close();
    bench.recorder().shutdown(std::chrono::seconds(10));
    bench.sound().shutdownSounds();
    DeleteFileW(progressFile().c_str());

    std::printf("\n");
    verdict("the first take records within 300 ms of R, 准备中 shown meanwhile",
            firstStart >= 0 && firstStart < 300.0 && preparingShown, figure("%.1f ms", firstStart));
    verdict("later takes record within 50 ms of R (p90)", !starts.empty() && summarise(starts).p90 < 50.0,
            figure("median %.1f ms, ", summarise(starts).median) + figure("p90 %.1f ms, ", summarise(starts).p90) +
                figure("worst %.1f ms", summarise(starts).worst));
    verdict("the comparison drawn within 100 ms of the end of the recording (p90)",
            !drawn.empty() && summarise(drawn).p90 < 100.0,
            figure("median %.1f ms, ", summarise(drawn).median) + figure("p90 %.1f ms, ", summarise(drawn).p90) +
                figure("worst %.1f ms", summarise(drawn).worst));
    verdict("no message waits over 70 ms while recording", summarise(gDelays).worst < 70.0,
            figure("worst %.1f ms", summarise(gDelays).worst));
    verdict("memory flat over the takes (second half grows no more than the first)",
            secondHalf <= std::max(firstHalf, 0.0) + 0.25,
            figure("first half %+.2f MiB, ", firstHalf) + figure("second half %+.2f MiB", secondHalf));
    return 0;
}
