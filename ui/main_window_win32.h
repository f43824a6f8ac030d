// The main window and its chart panel.
//
// MainWindow: fixed frame (caption, system menu, minimise box), centred at
// creation, created hidden, title bar kept in the active colours, the
// program icon. ChartPanel: its only child, 530 x 459, showing the chart
// picture unscaled with retained drawing on top (a 5-pixel solid pen and a
// hollow brush), and forwarding pointer events. Decisions about what the
// events do live with the handler, not here.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/highlight.h"
#include "ui/gif_decoder.h"
#include "ui/pointer_tracker.h"
#include "ui/window_proc_win32.h"

namespace pelomar {

inline constexpr int kMainWindowWidth = 536;
inline constexpr int kMainWindowHeight = 488;
inline constexpr int kChartWidth = 530;
inline constexpr int kChartHeight = 459;

// What the windows report to the program.
class MainWindowHandler {
public:
    virtual ~MainWindowHandler() = default;
    // The main window and its panel exist; runs before creation returns.
    virtual void onMainWindowCreated() = 0;
    // The main window has been shown (from hidden); runs once the showing
    // is over, from the message loop.
    virtual void onMainWindowShown() {}
    // Close button, Alt+F4, Esc, end of session: true lets the window close.
    virtual bool onMainWindowCloseQuery() = 0;
    virtual void onCommand(int command) = 0;
    // Pointer events on the chart panel in panel coordinates; keys is the
    // modifier bit set (1 Ctrl, 2 Shift, 4 Alt).
    virtual void onChartPointer(PointerEventKind kind, int x, int y, int keys) = 0;
    virtual void onChartRightPress() = 0;
    // A left press at (x, y) on the chart panel is activating the main
    // window; the press itself follows once the activation is done.
    virtual void onChartPressActivates(int /*x*/, int /*y*/) {}
    // Shift+F10 or the Menu key in the main window or the card.
    virtual void onMenuKey() {}
};

// The modifier keys held now, as a bit set: 1 Ctrl, 2 Shift, 4 Alt.
int currentKeyState();

class ChartPanel final : public ChartCanvas, public PointerShape {
public:
    ChartPanel() = default;
    ~ChartPanel() override;
    ChartPanel(const ChartPanel&) = delete;
    ChartPanel& operator=(const ChartPanel&) = delete;

    bool create(HWND parent, MainWindowHandler* handler);
    HWND hwnd() const { return hwnd_; }

    // The picture drawn unscaled at the top-left corner: the chart, from the
    // panel's creation on. Replacing it removes every drawing.
    void setPicture(GifPicture picture);

    void erase() override;
    void setPenColour(Colour colour) override;
    void drawRectangle(int left, int top, int right, int bottom) override;

    // Pointer shape over the panel: the hand over a region, else the arrow.
    bool pointerIsHand() override { return hand_; }
    void setPointerHand(bool hand) override;

    // The retained copy: the picture with every drawing since the last erase.
    // For the tests.
    HDC backBuffer() const { return back_; }

private:
    template <class Window>
    friend LRESULT CALLBACK routeMessages(HWND, UINT, WPARAM, LPARAM);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void onPaint();
    void restore(const RECT& area);
    void present(const RECT& area);
    void showPointer() const;

    HWND hwnd_ = nullptr;
    MainWindowHandler* handler_ = nullptr;
    GifPicture picture_;  // palette indices and colours: only its pixels are copied, never the picture drawn
    HDC back_ = nullptr;
    HBITMAP backBitmap_ = nullptr;
    std::uint32_t* backBits_ = nullptr;  // the copy's pixels, 0x00RRGGBB, rows top down
    HGDIOBJ backOld_ = nullptr;
    HPEN pen_ = nullptr;
    Colour penColour_ = kFrameRed;
    RECT dirty_{};  // area drawn on since the last erase
    bool hand_ = false;
};

class MainWindow {
public:
    MainWindow() = default;
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window hidden; onMainWindowCreated runs before this returns.
    bool create(HINSTANCE instance, MainWindowHandler* handler);
    HWND hwnd() const { return hwnd_; }
    bool exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }
    ChartPanel& panel() { return panel_; }

    // Makes the client area exactly 530 x 459, keeping the left and top edges.
    void fitToChart();
    // The chart's top-left corner in screen coordinates.
    POINT chartOrigin() const;
    void setVisible(bool visible);
    bool visible() const;
    bool minimised() const;
    // Shown, restored if minimised, and made the foreground window.
    void restore();
    void setAlwaysOnTop(bool onTop);
    void destroy();

private:
    template <class Window>
    friend LRESULT CALLBACK routeMessages(HWND, UINT, WPARAM, LPARAM);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    MainWindowHandler* handler_ = nullptr;
    ChartPanel panel_;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
};

}  // namespace pelomar
