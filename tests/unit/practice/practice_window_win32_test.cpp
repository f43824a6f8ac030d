// The practice window with a real window: its frame and place, one window
// at a time, no input context, and the keys it takes.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "media/capture_test_support.h"
#include "practice/practice_window_win32.h"
#include "practice_fakes.h"
#include "ui/main_window_win32.h"

using namespace pelomar;
using pelomar::testing::LoggedSound;
using namespace pelomar::test;

namespace {

struct Handler : MainWindowHandler {
    void onMainWindowCreated() override {}
    bool onMainWindowCloseQuery() override { return true; }
    void onCommand(int) override {}
    void onChartPointer(PointerEventKind, int, int, int) override {}
    void onChartRightPress() override {}
};

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Dispatches messages until `done` holds; false after kPatience.
template <class Done>
bool pumpUntil(Done done) {
    const ULONGLONG end = GetTickCount64() + 1000 * kPatience.count();
    while (!done()) {
        if (GetTickCount64() > end) return false;
        pump();
        Sleep(1);
    }
    return true;
}

bool hasInputContext(HWND hwnd) {
    const HMODULE imm = LoadLibraryW(L"imm32.dll");
    REQUIRE(imm);
    using GetContext = void*(WINAPI*)(HWND);
    using ReleaseContext = BOOL(WINAPI*)(HWND, void*);
    const auto get = reinterpret_cast<GetContext>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmGetContext")));
    const auto release =
        reinterpret_cast<ReleaseContext>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmReleaseContext")));
    void* context = get(hwnd);
    if (context) release(hwnd, context);
    return context != nullptr;
}

}  // namespace

TEST_CASE("the practice window: its own top-level window beside the chart, one at a time, no input method") {
    Handler handler;
    MainWindow main;
    REQUIRE(main.create(GetModuleHandleW(nullptr), &handler));
    SetWindowPos(main.hwnd(), nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    LoggedSound sound;
    FakeMicrophone microphone;
    FakeClock clock;
    TestThreads threads;
    SoundRecorder recorder(microphone, clock, threads);
    PracticeWindow practice(sound, recorder);
    practice.open(GetModuleHandleW(nullptr), main.hwnd());
    REQUIRE(practice.exists());
    const HWND first = practice.hwnd();
    CHECK(GetWindow(first, GW_OWNER) == nullptr);
    const LONG style = GetWindowLongW(first, GWL_STYLE);
    CHECK((style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)) == (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    CHECK((style & (WS_THICKFRAME | WS_MAXIMIZEBOX)) == 0);
    RECT client{}, outer{}, chart{};
    GetClientRect(first, &client);
    CHECK(client.right == kPracticeClientWidth);
    CHECK(client.bottom == kPracticeClientHeight);
    GetWindowRect(first, &outer);
    GetWindowRect(main.hwnd(), &chart);
    RECT overlap{};
    CHECK_FALSE(IntersectRect(&overlap, &outer, &chart));
    CHECK(outer.left == chart.right);  // room on the right of a chart at the screen's left
    CHECK_FALSE(hasInputContext(first));
    REQUIRE(practice.session() != nullptr);
    CHECK(practice.session()->state() == QuestionState::Asking);
    CHECK(sound.log.front() == "stop");

    // Opening again brings the same window back, even minimised.
    ShowWindow(first, SW_MINIMIZE);
    practice.open(GetModuleHandleW(nullptr), main.hwnd());
    CHECK(practice.hwnd() == first);
    CHECK_FALSE(IsIconic(first));

    // The keys passed on from the card: the practice's own, never Esc.
    CHECK(practice.forwardKey('S', false));
    CHECK(sound.log.back().rfind("slow ", 0) == 0);
    CHECK(practice.forwardKey(VK_NUMPAD1, false));
    CHECK(practice.session()->roundAsked() == 1);
    CHECK_FALSE(practice.forwardKey(VK_ESCAPE, false));
    CHECK_FALSE(practice.forwardKey('X', false));

    // Esc in the window closes it.
    SendMessageW(first, WM_KEYDOWN, VK_ESCAPE, 0);
    pump();
    CHECK_FALSE(practice.exists());
    CHECK(practice.session() == nullptr);
    // The answer was saved beside the tests, where the program keeps it.
    wchar_t exe[MAX_PATH];
    std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    path = path.substr(0, path.rfind(L'\\') + 1) + std::wstring(kProgressFileName);
    CHECK(GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
    DeleteFileW(path.c_str());
}

TEST_CASE("the practice window hears the microphone: R after an answer records, the comparison follows, Esc drops a take") {
    Handler handler;
    MainWindow main;
    REQUIRE(main.create(GetModuleHandleW(nullptr), &handler));
    LoggedSound sound;
    FakeMicrophone microphone;
    FakeClock clock;
    TestThreads threads;
    SoundRecorder recorder(microphone, clock, threads);
    PracticeWindow practice(sound, recorder);
    practice.open(GetModuleHandleW(nullptr), main.hwnd());
    REQUIRE(practice.exists());
    const HWND window = practice.hwnd();
    SendMessageW(window, WM_KEYDOWN, '1', 0);
    REQUIRE(practice.session()->state() != QuestionState::Asking);
    CHECK(microphone.opens() == 0);

    SendMessageW(window, WM_KEYDOWN, 'R', 0);
    CHECK(practice.session()->take() == TakeState::Preparing);
    REQUIRE(pumpUntil([&] { return practice.session()->take() == TakeState::Recording; }));
    CHECK(microphone.opens() == 1);
    microphone.deliver(joined({noise(300, -60), tone(400, 180, -18), noise(1000, -60)}));
    REQUIRE(pumpUntil([&] { return practice.session()->page() == PracticePage::Compare; }));
    CHECK(practice.session()->compared()->learner.durationMs() == doctest::Approx(400).epsilon(0.05));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // the pictures drawn

    // A take the window closes on is dropped with it.
    SendMessageW(window, WM_KEYDOWN, 'R', 0);
    REQUIRE(pumpUntil([&] { return practice.session()->take() == TakeState::Recording; }));
    SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    pump();
    CHECK_FALSE(practice.exists());
    REQUIRE(recorder.waitForIdle(kPatience));
    CHECK(recorder.state().phase == RecordingPhase::Cancelled);
    CHECK(microphone.log().closed);
    wchar_t exe[MAX_PATH];
    std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    DeleteFileW((path.substr(0, path.rfind(L'\\') + 1) + std::wstring(kProgressFileName)).c_str());
}

namespace {

// The single-line texts of the window's scene now that are wider than their
// boxes in the window's own fonts, each as "text (width > box)".
std::vector<std::string> textsCutOff(const PracticeWindow& practice) {
    std::vector<std::string> cut;
    const HDC dc = GetDC(practice.hwnd());
    for (const DrawItem& item : practiceScene(*practice.session())) {
        if (item.kind != DrawItem::Kind::Text || item.wrap) continue;
        const HGDIOBJ old = SelectObject(dc, practice.font(item.size));
        SIZE size{};
        GetTextExtentPoint32W(dc, item.text.c_str(), static_cast<int>(item.text.size()), &size);
        SelectObject(dc, old);
        if (size.cx > item.box.width()) {
            const int n = WideCharToMultiByte(CP_UTF8, 0, item.text.c_str(), -1, nullptr, 0, nullptr, nullptr);
            std::string utf8(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
            WideCharToMultiByte(CP_UTF8, 0, item.text.c_str(), -1, utf8.data(), n, nullptr, nullptr);
            cut.push_back(utf8 + " (" + std::to_string(size.cx) + " > " + std::to_string(item.box.width()) + ")");
        }
    }
    ReleaseDC(practice.hwnd(), dc);
    return cut;
}

LPARAM at(const Box& b) { return MAKELPARAM((b.left + b.right) / 2, (b.top + b.bottom) / 2); }

}  // namespace

TEST_CASE("every single-line text of the practice window fits its box: a whole round, its end, the progress page") {
    Handler handler;
    MainWindow main;
    REQUIRE(main.create(GetModuleHandleW(nullptr), &handler));
    LoggedSound sound;
    FakeMicrophone microphone;
    FakeClock clock;
    TestThreads threads;
    SoundRecorder recorder(microphone, clock, threads);
    PracticeWindow practice(sound, recorder);
    practice.open(GetModuleHandleW(nullptr), main.hwnd());
    REQUIRE(practice.exists());
    const HWND window = practice.hwnd();
    std::vector<std::string> cut;
    const auto look = [&] {
        for (std::string& line : textsCutOff(practice)) cut.push_back(std::move(line));
    };
    // Answers 1 and 2 by turns, so that both right and wrong answers are
    // seen, through the round's end and into the next round.
    for (int i = 0; i < 22; ++i) {
        look();
        SendMessageW(window, WM_KEYDOWN, i % 2 ? '2' : '1', 0);
        look();
        SendMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
    }
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at(progressBox()));
    SendMessageW(window, WM_LBUTTONUP, 0, at(progressBox()));
    REQUIRE(practice.session()->page() == PracticePage::Progress);
    look();
    for (int n = 1; n <= kSymbolCount; ++n) {
        SendMessageW(window, WM_MOUSEMOVE, 0, at(progressCellBox(n)));
        look();
    }
    std::sort(cut.begin(), cut.end());
    cut.erase(std::unique(cut.begin(), cut.end()), cut.end());
    CHECK(cut.empty());
    for (const std::string& line : cut) MESSAGE("cut off: " << line);

    SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    pump();
    wchar_t exe[MAX_PATH];
    std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    DeleteFileW((path.substr(0, path.rfind(L'\\') + 1) + std::wstring(kProgressFileName)).c_str());
}
