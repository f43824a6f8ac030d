// Program entry: creates the program-wide objects, brings the windows up in
// order, runs the main loop and ends the program.
#include <windows.h>
#include <objbase.h>

#include "app/command_line.h"
#include "chart/symbol_chart.h"
#include "settings/context_menu.h"
#include "ui/main_window_rules.h"
#include "ui/main_window_win32.h"
#include "ui/message_pump_win32.h"
#include "ui/text_win32.h"

namespace pelomar {
namespace {

class Program final : public MainWindowHandler, public Sleeper {
public:
    int run(HINSTANCE instance);

    // MainWindowHandler
    void onMainWindowCreated() override;
    bool onMainWindowCloseQuery() override;
    void onCommand(int command) override;
    void onChartPointer(PointerEventKind kind, int x, int y, int keys) override;
    void onChartRightPress() override;

    // Sleeper: the plain wait of the press animation.
    void sleepMs(int ms) override { Sleep(static_cast<DWORD>(ms)); }

    bool preTranslate(MSG& msg);

private:
    void endProgram();

    SymbolChart chart_;
    ContextMenu menu_;
    MainWindow mainWindow_;
    bool escCloses_ = true;  // on until the settings say otherwise
    UINT taskbarCreatedMessage_ = 0;
};

Program* gProgram = nullptr;

bool filterMessage(MSG& msg) { return gProgram && gProgram->preTranslate(msg); }

int Program::run(HINSTANCE instance) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    taskbarCreatedMessage_ = RegisterWindowMessageA("TaskbarCreated");
    setMessageFilter(&filterMessage);
    mainWindow_.create(instance, this);
    runMainLoop();
    endProgram();
    return 0;
}

void Program::onMainWindowCreated() {
    // The command line arrives as UTF-16 and is split as GBK bytes, so the
    // hidden argument is recognised whatever the system's code page is.
    const std::vector<std::string> arguments = splitCommandLine(wideToGbk(GetCommandLineW()));
    mainWindow_.fitToChart();
    chart_.buildChart();
    if (startsVisible(arguments)) mainWindow_.setVisible(true);
}

bool Program::onMainWindowCloseQuery() { return true; }

void Program::onCommand(int) {}

void Program::onChartPointer(PointerEventKind, int, int, int) {}

void Program::onChartRightPress() {}

bool Program::preTranslate(MSG& msg) {
    const HWND main = mainWindow_.hwnd();
    if (!main) return false;
    const bool forMain = msg.hwnd == main || IsChild(main, msg.hwnd);
    if (!escapeClosesMainWindow(escCloses_, msg.message, static_cast<unsigned>(msg.wParam), currentKeyState(),
                                forMain))
        return false;
    SendMessageW(main, WM_CLOSE, 0, 0);
    return true;
}

void Program::endProgram() {
    mainWindow_.destroy();
    CoUninitialize();
}

}  // namespace
}  // namespace pelomar

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    static pelomar::Program program;
    pelomar::gProgram = &program;
    return program.run(instance);
}
