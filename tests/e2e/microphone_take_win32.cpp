// Test helper: one take from the default microphone through the program's
// own recorder (its worker, the waveIn device, the speech detector), as the
// practice window makes it. Usage: microphone_take OUTPUT.raw
// Writes the recording as raw 16-bit mono samples at 22050 Hz and exits with
// how the take ended: 0 recorded, 1 no device, 2 refused, 3 silent, 4 other.
// It prints the time from the start of the take to the first block of
// samples in ms, then how long it heard and its loudest frame.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "media/sound_recorder.h"
#include "media/wave_in_win32.h"
#include "media/worker_threads_win32.h"

using namespace pelomar;

int main(int argc, char** argv) {
    if (argc < 2) return 4;
    WaveInDevice device;
    SystemClock clock;
    Win32WorkerThreads threads;
    const HANDLE changed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    SoundRecorder recorder(device, clock, threads);
    recorder.setOnChange([changed] { SetEvent(changed); });
    LARGE_INTEGER frequency, began, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&began);
    if (!recorder.record()) return 4;
    bool reported = false;
    float loudest = -90.0f;
    int heard = 0;
    for (;;) {
        WaitForSingleObject(changed, 5);
        const RecorderState state = recorder.state();
        loudest = std::max(loudest, state.levelDb);
        heard = std::max(heard, state.heardMs);
        if (!reported && state.heardMs > 0) {
            QueryPerformanceCounter(&now);
            std::printf("%.1f\n", (now.QuadPart - began.QuadPart) * 1000.0 / frequency.QuadPart);
            reported = true;
        }
        if (state.phase != RecordingPhase::Opening && state.phase != RecordingPhase::Recording) break;
    }
    recorder.waitForIdle(std::chrono::seconds(20));
    std::printf("%d ms heard, loudest frame %.1f dB\n", heard, loudest);
    const std::vector<std::int16_t> samples = recorder.takeRecording().samples;
    if (FILE* out = std::fopen(argv[1], "wb")) {
        std::fwrite(samples.data(), sizeof(std::int16_t), samples.size(), out);
        std::fclose(out);
    }
    switch (recorder.state().phase) {
    case RecordingPhase::Recorded:
        return 0;
    case RecordingPhase::NoDevice:
        return 1;
    case RecordingPhase::Refused:
        return 2;
    case RecordingPhase::Silent:
        return 3;
    default:
        return 4;
    }
}
