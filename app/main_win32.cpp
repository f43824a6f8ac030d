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
    // Options: the check marks of the menu are their values.
    void loadSettings();
    void saveSettings();
    void toggleOption(int option);
    void applyAlwaysOnTop();
    void applyEscCloses();
    void applyAutostart();

    // Menu actions.
    void showContextMenu();
    void showHelpText();
    void openHelpWindow();
    void exitProgram();

    void installTrayIcon();
    void endProgram();

    HINSTANCE instance_ = nullptr;
    SymbolChart chart_;
    ContextMenu menu_;
    MainWindow mainWindow_;
    bool escCloses_ = true;  // on until the settings say otherwise
    UINT taskbarCreatedMessage_ = 0;
};

Program* gProgram = nullptr;

bool filterMessage(MSG& msg) { return gProgram && gProgram->preTranslate(msg); }

int Program::run(HINSTANCE instance) {
    instance_ = instance;
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
    loadSettings();
    installTrayIcon();
    if (startsVisible(arguments)) mainWindow_.setVisible(true);
}

bool Program::onMainWindowCloseQuery() {
    saveSettings();
    return true;
}

void Program::onCommand(int command) {
    const int row = rowForCommand(command);
    if (row == 0) return;
    const MenuRow& item = menuRows()[row - 1];
    switch (item.action) {
    case MenuAction::ToggleOption:
        toggleOption(item.option);
        break;
    case MenuAction::Help:
        showHelpText();
        break;
    case MenuAction::About:
        openHelpWindow();
        break;
    case MenuAction::Exit:
        exitProgram();
        break;
    case MenuAction::None:
        break;
    }
}

void Program::onChartPointer(PointerEventKind, int, int, int) {}

void Program::onChartRightPress() { showContextMenu(); }

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

void Program::loadSettings() {}

void Program::saveSettings() {}

void Program::toggleOption(int option) {
    menu_.setOption(option, !menu_.option(option));
    if (option == 9) applyAlwaysOnTop();
    if (option == 10) applyEscCloses();
    if (option == 11) applyAutostart();
}

void Program::applyAlwaysOnTop() { mainWindow_.setAlwaysOnTop(menu_.option(9)); }

void Program::applyEscCloses() { escCloses_ = menu_.option(10); }

void Program::applyAutostart() {}

void Program::showContextMenu() {}

void Program::showHelpText() {}

void Program::openHelpWindow() {}

// Saves, then ends the program: destroying the main window ends the main
// loop, after which endProgram runs as for every other ending.
void Program::exitProgram() {
    saveSettings();
    mainWindow_.destroy();
}

void Program::installTrayIcon() {}

// Destroys what is left of the windows (the main window takes its owned
// windows and the tray icon with it), then releases the rest.
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
