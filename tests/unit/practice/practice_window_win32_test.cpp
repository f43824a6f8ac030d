// The practice window with a real window: its frame and place, one window
// at a time, no input context, and the keys it takes.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

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
