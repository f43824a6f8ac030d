// The card window and the chart's event wiring with real windows.
#include <doctest/doctest.h>

#include <windows.h>

#include <vector>

#include "ui/card_window_win32.h"
#include "ui/group_reader.h"
#include "ui/main_window_win32.h"
#include "ui/message_pump_win32.h"

using namespace pelomar;

namespace {


struct PointerEvent {
    PointerEventKind kind;
    int x, y;
};

struct Handler : MainWindowHandler {
    std::vector<PointerEvent> events;
    std::vector<POINT> activatingPresses;
    int rightPresses = 0;
    int menuKeys = 0;
    void onMainWindowCreated() override {}
    bool onMainWindowCloseQuery() override { return true; }
    void onCommand(int) override {}
    void onChartPointer(PointerEventKind kind, int x, int y, int) override { events.push_back({kind, x, y}); }
    void onChartRightPress() override { ++rightPresses; }
    void onChartPressActivates(int x, int y) override { activatingPresses.push_back({x, y}); }
    void onMenuKey() override { ++menuKeys; }
};

RECT outerRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

TEST_CASE("the card window is created hidden with its frame, size and pointer") {
    Handler handler;
    MainWindow main;
    REQUIRE(main.create(GetModuleHandleW(nullptr), &handler));
    CardWindow card;
    REQUIRE(card.create(main.hwnd()));
    CHECK_FALSE(card.visible());
    CHECK(card.card() == 0);
    CHECK(GetWindow(card.hwnd(), GW_OWNER) == main.hwnd());
    const LONG style = GetWindowLongW(card.hwnd(), GWL_STYLE);
    CHECK((style & (WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN)) == (WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN));
    CHECK((style & (WS_BORDER | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0);
    const LONG exStyle = GetWindowLongW(card.hwnd(), GWL_EXSTYLE);
    CHECK((exStyle & WS_EX_CLIENTEDGE) != 0);
    CHECK((exStyle & WS_EX_TOPMOST) == 0);
    CHECK(GetWindowTextLengthW(card.hwnd()) == 0);
    const RECT r = outerRect(card.hwnd());
    CHECK(r.right - r.left == 309);
    CHECK(r.bottom - r.top == 314);
    CHECK(reinterpret_cast<HCURSOR>(GetClassLongPtrW(card.hwnd(), GCLP_HCURSOR)) ==
          LoadCursorW(nullptr, IDC_SIZEALL));

    // Destroying the main window takes the card window with it; later calls do nothing.
    main.destroy();
    CHECK(card.hwnd() == nullptr);
    card.showCard(1);
    card.hideCard();
    pump();
}

TEST_CASE("showCard puts the card beside the pointer and flips it at the screen's edges") {
    Handler handler;
    MainWindow main;
    REQUIRE(main.create(GetModuleHandleW(nullptr), &handler));
    CardWindow card;
    REQUIRE(card.create(main.hwnd()));
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    REQUIRE(screenW >= 800);
    REQUIRE(screenH >= 600);

    struct Case {
        int x, y, left, top;
    };
    const Case cases[] = {
        {100, 100, 150, 150},
        {screenW - 359, 100, screenW - 309, 150},  // right edge exactly on the screen's edge
        {screenW - 358, 100, screenW - 358 - 359, 150},
        {100, screenH - 364, 150, screenH - 314},  // bottom edge exactly on the screen's edge
        {screenW - 124, screenH - 68, screenW - 124 - 359, screenH - 68 - 364},
    };
    int n = 1;
    for (const Case& c : cases) {
        CAPTURE(c.x);
        CAPTURE(c.y);
        REQUIRE(SetCursorPos(c.x, c.y));
        POINT at{};
        GetCursorPos(&at);
        REQUIRE((at.x == c.x && at.y == c.y));
        card.showCard(n);
        const RECT r = outerRect(card.hwnd());
        CHECK(r.left == c.left);
        CHECK(r.top == c.top);
        CHECK(r.right - r.left == 309);  // the size never changes
        CHECK(card.visible());
        CHECK(card.card() == n);
        ++n;
    }
    SetCursorPos(2, 2);
    main.destroy();
    pump();
}

TEST_CASE("the card window's own events hide it, and it stays alive") {
    Handler handler;
    MainWindow main;
    REQUIRE(main.create(GetModuleHandleW(nullptr), &handler));
    CardWindow card;
    REQUIRE(card.create(main.hwnd()));
    const HWND hwnd = card.hwnd();

    card.showCard(5);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);  // refused: hidden instead
    CHECK(IsWindow(hwnd));
    CHECK_FALSE(card.visible());

    card.showCard(6);
    SendMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    CHECK(IsWindow(hwnd));
    CHECK_FALSE(card.visible());
    card.showCard(7);  // shown again with the new card
    CHECK(card.visible());
    CHECK(card.card() == 7);

    SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    CHECK_FALSE(card.visible());

    CHECK(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, 0) == TRUE);

    // A loss of focus hides the card unless it is to be kept once.
    card.showCard(8);
    card.setKeepCardOnce(true);
    SendMessageW(hwnd, WM_KILLFOCUS, 0, 0);
    CHECK(card.visible());
    CHECK(card.keepCardOnce == 0);
    SendMessageW(hwnd, WM_KILLFOCUS, 0, 0);
    CHECK_FALSE(card.visible());
    main.destroy();
    pump();
}

TEST_CASE("a card kept up through a loss of focus becomes the active window again when shown") {
    Handler handler;
    MainWindow main;
    REQUIRE(main.create(GetModuleHandleW(nullptr), &handler));
    main.setVisible(true);
    CardWindow card;
    REQUIRE(card.create(main.hwnd()));
    card.showCard(3);
    REQUIRE(GetActiveWindow() == card.hwnd());
    card.setKeepCardOnce(true);
    SetActiveWindow(main.hwnd());  // as a press on the chart does
    REQUIRE(GetActiveWindow() == main.hwnd());
    CHECK(card.visible());
    card.showCard(3);
    CHECK(GetActiveWindow() == card.hwnd());
    SetActiveWindow(main.hwnd());  // the flag was used: this loss of focus hides the card
    CHECK_FALSE(card.visible());
    main.destroy();
    pump();
}

TEST_CASE("the chart panel reports moves, presses and releases; a double click and the right button are not") {
    Handler handler;
    MainWindow main;
    REQUIRE(main.create(GetModuleHandleW(nullptr), &handler));
    const HWND panel = main.panel().hwnd();
    SendMessageW(panel, WM_MOUSEMOVE, 0, MAKELPARAM(160, 120));
    SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(161, 121));
    SendMessageW(panel, WM_LBUTTONUP, 0, MAKELPARAM(162, 122));
    SendMessageW(panel, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(163, 123));
    SendMessageW(panel, WM_LBUTTONUP, 0, MAKELPARAM(164, 124));
    SendMessageW(panel, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(165, 125));
    SendMessageW(panel, WM_RBUTTONUP, 0, MAKELPARAM(165, 125));
    REQUIRE(handler.events.size() == 4);
    CHECK(handler.events[0].kind == PointerEventKind::Move);
    CHECK(handler.events[1].kind == PointerEventKind::Press);
    CHECK(handler.events[2].kind == PointerEventKind::Release);
    CHECK(handler.events[3].kind == PointerEventKind::Release);
    CHECK((handler.events[3].x == 164 && handler.events[3].y == 124));
    CHECK(handler.rightPresses == 1);

    // A left press that activates the window is reported first, where the pointer is.
    main.setVisible(true);
    POINT origin{0, 0};
    ClientToScreen(panel, &origin);
    REQUIRE(SetCursorPos(origin.x + 160, origin.y + 120));
    SendMessageW(panel, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(main.hwnd()), MAKELPARAM(HTCLIENT, WM_RBUTTONDOWN));
    CHECK(handler.activatingPresses.empty());
    SendMessageW(panel, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(main.hwnd()), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
    REQUIRE(handler.activatingPresses.size() == 1);
    CHECK((handler.activatingPresses[0].x == 160 && handler.activatingPresses[0].y == 120));
    SetCursorPos(2, 2);
    main.destroy();
    pump();
}

TEST_CASE("the keyboard's menu request reaches the program from the main window and from the card") {
    Handler handler;
    MainWindow main;
    REQUIRE(main.create(GetModuleHandleW(nullptr), &handler));
    CardWindow card;
    REQUIRE(card.create(main.hwnd()));
    const LPARAM keyboard = MAKELPARAM(-1, -1);
    const LPARAM pointer = MAKELPARAM(300, 200);  // after a right-button release
    SendMessageW(main.hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(main.hwnd()), keyboard);
    CHECK(handler.menuKeys == 1);
    SendMessageW(main.hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(main.panel().hwnd()), pointer);
    SendMessageW(main.panel().hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    CHECK(handler.menuKeys == 1);
    card.showCard(4);
    SendMessageW(card.hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(card.hwnd()), keyboard);
    CHECK(handler.menuKeys == 2);
    SendMessageW(card.hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(card.hwnd()), pointer);
    CHECK(handler.menuKeys == 2);
    main.destroy();
    pump();
}

namespace {

// A reading over the real message queue; drawing and sound are left out.
struct RealPump : EventPump, ChartCanvas, Sleeper, SoundActions {
    HWND window = nullptr;
    std::vector<int> played;
    void processPendingEvents() override { pelomar::processPendingEvents(); }
    bool mainWindowExists() override { return IsWindow(window) != FALSE; }
    void erase() override {}
    void setPenColour(Colour) override {}
    void drawRectangle(int, int, int, int) override {}
    void sleepMs(int ms) override { Sleep(static_cast<DWORD>(ms)); }
    void fineTimer(bool) override {}
    void stopAllSounds() override {}
    bool playSymbol(int n) override {
        played.push_back(n);
        return true;
    }
};

int gPosted = 0;

LRESULT CALLBACK quittingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) {
        ++gPosted;
        DestroyWindow(hwnd);  // the main window closes during the reading
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(7);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

TEST_CASE("closing the main window during a reading ends it and leaves the quit for the main loop") {
    WNDCLASSW wc{};
    wc.lpfnWndProc = quittingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PelomarReadingTest";
    RegisterClassW(&wc);
    RealPump real;
    real.window = CreateWindowW(L"PelomarReadingTest", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
    REQUIRE(real.window);
    SymbolChart chart;
    chart.buildChart();
    GroupReader reader(chart, real, real, real, real);
    PostMessageW(real.window, WM_APP, 0, 0);
    reader.readGroup("29 30 31");
    CHECK(gPosted == 1);
    CHECK(real.played == std::vector<int>{29});
    CHECK(reader.stopReading == 1);
    MSG msg;
    REQUIRE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    CHECK(msg.message == WM_QUIT);
    CHECK(msg.wParam == 7);
}
