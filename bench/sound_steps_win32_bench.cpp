// The steps between a first play call and the first sample at the device, one
// at a time, for bench/first_sound_bench.py: it stamps each line this program
// writes as it arrives, and each chunk the device receives, on its own clock.
// Every step is announced ("begin NAME") just before and reported ("end NAME")
// just after; a step that puts a sound on the device is followed by the wait
// for its last block. As in the program, the steps run on a thread of their
// own while the main thread has a window shown and dispatches its messages.
//
//   bench/first_sound_bench.py BUILD_DIR steps
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "media/assets.h"
#include "media/wav_chunks.h"
#include "media/winmm_win32.h"

using namespace pelomar;

namespace {

void say(const char* what, const char* name) {
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%s %s\n", what, name);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(n), &written, nullptr);
}

struct Sound {
    std::vector<unsigned char> format;
    std::vector<unsigned char> samples;
};

Sound soundOf(int n) {
    const AssetView v = soundFor(n);
    const auto wav = walkWavChunks(v.data, v.size);
    return {deviceFormat(wav->format), {wav->samples.begin(), wav->samples.end()}};
}

HANDLE gDone = nullptr;

void CALLBACK onDone(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (message == WOM_DONE) SetEvent(gDone);
}

HWAVEOUT open(const Sound& sound) {
    HWAVEOUT handle = nullptr;
    winmm()->waveOutOpen(&handle, WAVE_MAPPER, reinterpret_cast<const WAVEFORMATEX*>(sound.format.data()),
                         reinterpret_cast<DWORD_PTR>(&onDone), 0, CALLBACK_FUNCTION);
    return handle;
}

// Queues the bytes as one block and waits until the device has played them.
void play(HWAVEOUT handle, const unsigned char* bytes, std::size_t size, const char* name) {
    WAVEHDR header{};
    header.lpData = reinterpret_cast<LPSTR>(const_cast<unsigned char*>(bytes));
    header.dwBufferLength = static_cast<DWORD>(size);
    ResetEvent(gDone);
    say("begin", name);
    winmm()->waveOutPrepareHeader(handle, &header, sizeof header);
    winmm()->waveOutWrite(handle, &header, sizeof header);
    say("end", name);
    WaitForSingleObject(gDone, 5000);
    winmm()->waveOutUnprepareHeader(handle, &header, sizeof header);
}

template <class Step>
void step(const char* name, Step&& run) {
    say("begin", name);
    run();
    say("end", name);
}

void settle() { Sleep(400); }

DWORD WINAPI doNothing(LPVOID) { return 0; }

DWORD WINAPI runSteps(LPVOID mainThread) {
    gDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const Sound eight = soundOf(1);    // 8-bit, 11025 Hz
    const Sound sixteen = soundOf(10);  // 16-bit, 22050 Hz
    const std::vector<unsigned char> silence(110, 0x80);  // 10 ms of 8-bit silence

    settle();
    step("thread", [] {
        const HANDLE t = CreateThread(nullptr, 0, &doNothing, nullptr, 0, nullptr);
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    });
    settle();
    step("load", [] { winmm(); });
    if (!winmm()) return 1;  // no figures: the script reports none
    settle();
    step("count", [] { winmm()->waveOutGetNumDevs(); });
    settle();
    HWAVEOUT first = nullptr;
    step("open-8", [&] { first = open(eight); });
    settle();
    play(first, eight.samples.data(), eight.samples.size(), "play-8-first");
    settle();
    // A stream kept from a voice that played to its end, and one kept from a
    // voice that was broken off (paused, reset, restarted).
    play(first, eight.samples.data(), eight.samples.size(), "play-8-kept");
    settle();
    winmm()->waveOutPause(first);
    winmm()->waveOutReset(first);
    winmm()->waveOutRestart(first);
    settle();
    play(first, eight.samples.data(), eight.samples.size(), "play-8-kept-reset");
    settle();
    winmm()->waveOutReset(first);
    settle();
    play(first, eight.samples.data(), eight.samples.size(), "play-8-kept-reset-only");
    settle();
    HWAVEOUT other = nullptr;
    step("open-16", [&] { other = open(sixteen); });
    settle();
    play(other, sixteen.samples.data(), sixteen.samples.size(), "play-16-first");
    settle();
    HWAVEOUT primed = nullptr;
    step("open-8-second", [&] { primed = open(eight); });
    play(primed, silence.data(), silence.size(), "silent-block");
    settle();
    play(primed, eight.samples.data(), eight.samples.size(), "play-8-primed");
    settle();
    step("close-all", [&] {
        winmm()->waveOutClose(first);
        winmm()->waveOutClose(other);
        winmm()->waveOutClose(primed);
    });
    Sleep(2000);
    HWAVEOUT again = nullptr;
    step("open-8-after-close", [&] { again = open(eight); });
    settle();
    play(again, eight.samples.data(), eight.samples.size(), "play-8-after-close");
    settle();
    step("close", [&] { winmm()->waveOutClose(again); });
    PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(mainThread)), WM_QUIT, 0, 0);
    return 0;
}

}  // namespace

int main() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SoundSteps";
    RegisterClassW(&wc);
    const HWND window = CreateWindowW(L"SoundSteps", L"Sound steps", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                      nullptr, wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOW);
    const HANDLE steps = CreateThread(nullptr, 0, &runSteps,
                                      reinterpret_cast<LPVOID>(static_cast<DWORD_PTR>(GetCurrentThreadId())), 0,
                                      nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    WaitForSingleObject(steps, INFINITE);
    return 0;
}
