// The listening practice window. Supports: a top-level window of its own
// (its own taskbar button, no owner) of fixed size, placed beside the main
// window, minimisable, closed by Esc; its buttons and candidates drawn and
// hit-tested by itself, so that none ever takes the focus; the keyboard's
// input method switched off; the keys of the practice passed on from the
// card; saves on closing and at the end of the session; the microphone's
// news about a take, posted by the recorder's worker, and its level read
// every 40 ms while it records. What it shows, what a key or a click does
// and when things happen are the session's (practice_session.h) and the
// view's (practice_view.h); this only draws their list and reports the
// events with the time.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "media/sound_recorder.h"

#include "practice/practice_session.h"
#include "practice/practice_view.h"
#include "ui/window_proc_win32.h"

namespace pelomar {

class PracticeWindow {
public:
    // Takes the recorder's news for as long as it lives.
    PracticeWindow(PracticeSound& sound, SoundRecorder& recorder);
    ~PracticeWindow();
    PracticeWindow(const PracticeWindow&) = delete;
    PracticeWindow& operator=(const PracticeWindow&) = delete;

    // Opens the window beside the main window and starts a round; an open
    // one is restored and brought to the front.
    void open(HINSTANCE instance, HWND mainWindow);
    void close();
    HWND hwnd() const { return hwnd_; }
    bool exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }

    // A key-down of another window of the program, passed on while the
    // practice is open: true when it was one of the practice's keys.
    bool forwardKey(unsigned virtualKey, bool repeat);
    // The chart started a sound of its own.
    void chartSoundStarted();

    // For the tests and the benchmark.
    const PracticeSession* session() const;
    // The font a text of this size is drawn in.
    HFONT font(TextSize size) const;

private:
    template <class Window>
    friend LRESULT CALLBACK routeMessages(HWND, UINT, WPARAM, LPARAM);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);

    void onCreate();
    void onPaint();
    void onKeyDown(WPARAM key, LPARAM flags);
    void onPress(int x, int y);
    void onPointerMove(int x, int y);
    void onPointerLeave();
    bool onSetCursor();
    void onTimer();
    void onDestroy();
    void onEndSession();
    // The recorder's news, on its worker's thread: passed on to the window.
    void recorderChanged();
    void onRecorderChanged();
    void onMeter();

    // After every event: repaint and set the timer for what is due next.
    void refresh();
    void draw(HDC dc, const DrawItem& item);
    void drawCell(HDC dc, const DrawItem& item);
    void drawMarkedWord(HDC dc, const DrawItem& item);
    void drawPixels(HDC dc, const DrawItem& item);
    void createFonts();
    void releaseFonts();
    void releaseBackBuffer();

    struct Practice;  // the session and what it works on, while the window is open

    PracticeSound& sound_;
    SoundRecorder& recorder_;
    HWND hwnd_ = nullptr;
    std::atomic<HWND> told_{nullptr};  // where the recorder's news goes, while the window is there
    std::unique_ptr<Practice> practice_;
    HFONT normal_ = nullptr;
    HFONT heading_ = nullptr;
    HFONT word_ = nullptr;
    HDC back_ = nullptr;  // the client area drawn off the screen, kept while the window is open
    HBITMAP backBitmap_ = nullptr;
    HGDIOBJ backOld_ = nullptr;
    bool tracking_ = false;  // asked for WM_MOUSELEAVE
    std::array<std::vector<std::uint32_t>, kSymbolCount> cells_;  // the chart's cells, 0x00RRGGBB, top down
};

}  // namespace pelomar
