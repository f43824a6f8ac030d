// The main window and chart panel with real windows and GDI.
#include <doctest/doctest.h>

#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "media/assets.h"
#include "pelomar_version.h"
#include "settings/context_menu.h"
#include "ui/main_window_win32.h"
#include "ui/picture_win32.h"
#include "text/gbk_win32.h"

using namespace pelomar;

namespace {

struct RecordingHandler : MainWindowHandler {
    int created = 0;
    int closeQueries = 0;
    bool allowClose = true;
    int lastCommand = 0;
    HWND hwndAtCreation = nullptr;
    MainWindow* window = nullptr;
    void onMainWindowCreated() override {
        ++created;
        hwndAtCreation = window->hwnd();
        window->fitToChart();
    }
    bool onMainWindowCloseQuery() override {
        ++closeQueries;
        return allowClose;
    }
    void onCommand(int command) override { lastCommand = command; }
    void onChartPointer(PointerEventKind, int, int, int) override {}
    void onChartRightPress() override {}
};

unsigned backPixel(ChartPanel& panel, int x, int y) {
    const COLORREF c = GetPixel(panel.backBuffer(), x, y);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

}  // namespace

TEST_CASE("every embedded picture decodes to a picture of its size") {
    const Picture chart = decodePicture(chartPicture());
    CHECK(chart.width() == 530);
    CHECK(chart.height() == 459);
    CHECK(decodePicture(logoPicture()).width() == 350);
    CHECK(decodePicture(portraitPicture()).height() == 150);
    for (int n = 1; n <= 48; ++n) {
        const Picture card = decodePicture(cardFor(n));
        CHECK(card.width() == 300);
        CHECK(card.height() == 304);
    }
    const unsigned char garbage[] = {'G', 'I', 'F', '8', '7', 'a', 0, 0};
    CHECK(decodePicture(AssetView{garbage, sizeof garbage}).empty());
    CHECK(decodePicture(AssetView{}).empty());
}

TEST_CASE("the main window: title, frame, fit, icon and close") {
    RecordingHandler handler;
    MainWindow window;
    handler.window = &window;
    REQUIRE(window.create(GetModuleHandleW(nullptr), &handler));
    CHECK(handler.created == 1);
    CHECK(handler.hwndAtCreation == window.hwnd());
    CHECK_FALSE(window.visible());

    wchar_t title[128] = {};
    GetWindowTextW(window.hwnd(), title, 128);
    CHECK(std::wstring(title) == L"Pelomar(Vok) " + gbkToWide(PELOMAR_VERSION) + L" - \u53F3\u952E\u8BBE\u7F6E");  // 右键设置

    const LONG style = GetWindowLongW(window.hwnd(), GWL_STYLE);
    CHECK((style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN)) ==
          (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN));
    CHECK((style & (WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0);
    CHECK((GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) == 0);
    CHECK(GetWindow(window.hwnd(), GW_OWNER) == nullptr);

    RECT client;
    GetClientRect(window.hwnd(), &client);
    CHECK(client.right == 530);
    CHECK(client.bottom == 459);
    RECT outer;
    GetWindowRect(window.hwnd(), &outer);
    CHECK(outer.left == (GetSystemMetrics(SM_CXSCREEN) - 536) / 2);
    CHECK(outer.top == (GetSystemMetrics(SM_CYSCREEN) - 488) / 2);

    CHECK(SendMessageW(window.hwnd(), WM_GETICON, ICON_SMALL, 0) != 0);
    CHECK(SendMessageW(window.hwnd(), WM_GETICON, ICON_BIG, 0) != 0);

    window.setAlwaysOnTop(true);
    CHECK((GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    window.setAlwaysOnTop(false);
    CHECK((GetWindowLongW(window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) == 0);

    SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(1005, 0), 0);
    CHECK(handler.lastCommand == 1005);

    handler.allowClose = false;
    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    CHECK(handler.closeQueries == 1);
    CHECK(window.exists());
    CHECK(SendMessageW(window.hwnd(), WM_QUERYENDSESSION, 0, 0) == FALSE);
    handler.allowClose = true;
    CHECK(SendMessageW(window.hwnd(), WM_QUERYENDSESSION, 0, 0) == TRUE);
    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    CHECK_FALSE(window.exists());
    MSG msg;
    CHECK(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // the loop would end now
}

TEST_CASE("retained drawing: frames go into the copy and an erase brings back the bare picture") {
    RecordingHandler handler;
    MainWindow window;
    handler.window = &window;
    REQUIRE(window.create(GetModuleHandleW(nullptr), &handler));
    ChartPanel& panel = window.panel();
    const Picture chart = decodePicture(chartPicture());
    REQUIRE_FALSE(chart.empty());
    // The panel shows the chart from its creation.
    int differingAtStart = 0;
    for (int y = 0; y < 459; y += 3)
        for (int x = 0; x < 530; x += 3) differingAtStart += backPixel(panel, x, y) != chart.pixel(x, y);
    CHECK(differingAtStart == 0);
    panel.setPenColour(kFrameRed);
    panel.drawRectangle(157, 116, 194, 149);
    // The 5-pixel pen is centred on the outline: two pixels either side are red.
    for (auto [x, y] : {std::pair{157, 116}, {155, 130}, {159, 130}, {175, 114}, {175, 118}, {192, 130}})
        CHECK(backPixel(panel, x, y) == 0xFF0000);
    // The hollow brush leaves the inside alone, and nothing far outside is touched.
    CHECK(backPixel(panel, 175, 132) == chart.pixel(175, 132));
    CHECK(backPixel(panel, 150, 132) == chart.pixel(150, 132));

    panel.setPenColour(kFrameYellow);
    panel.drawRectangle(56, 140, 144, 164);
    CHECK(backPixel(panel, 56, 150) == 0xFFFF00);
    CHECK(backPixel(panel, 157, 116) == 0xFF0000);  // both stay until an erase

    panel.erase();
    int differing = 0;
    for (int y = 0; y < 459; y += 3)
        for (int x = 0; x < 530; x += 3) differing += backPixel(panel, x, y) != chart.pixel(x, y);
    CHECK(differing == 0);

    CHECK_FALSE(panel.pointerIsHand());
    panel.setPointerHand(true);
    CHECK(panel.pointerIsHand());
    window.destroy();
}

