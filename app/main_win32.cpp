// Program entry: creates the program-wide objects, brings the windows up in
// order, runs the main loop and ends the program.
#include <windows.h>

#include "app/command_line.h"
#include "app/pointer_binding.h"
#include "app/program_end_win32.h"
#include "chart/symbol_chart.h"
#include "media/sound_player.h"
#include "media/sound_recorder.h"
#include "media/wave_in_win32.h"
#include "media/wave_out_win32.h"
#include "media/worker_threads_win32.h"
#include "practice/practice_sound_win32.h"
#include "practice/practice_window_win32.h"
#include "settings/context_menu.h"
#include "settings/context_menu_win32.h"
#include "settings/settings_file_win32.h"
#include "settings/settings_store.h"
#include "shell/autostart_win32.h"
#include "shell/com_apartment_win32.h"
#include "shell/input_method_win32.h"
#include "shell/system_library_win32.h"
#include "shell/tray_icon.h"
#include "shell/tray_icon_win32.h"
#include "text/gbk_win32.h"
#include "text/texts.h"
#include "ui/card_window_win32.h"
#include "ui/group_reader.h"
#include "ui/help_window_win32.h"
#include "ui/main_window_rules.h"
#include "ui/main_window_win32.h"
#include "ui/message_pump_win32.h"
#include "ui/pointer_tracker.h"

namespace pelomar {
namespace {

// The sounds the chart starts (hovers, clicks, group readings): each one
// also ends what the practice plays after a wrong answer.
class ChartSound final : public SoundActions {
public:
    ChartSound(SoundPlayer& player, PracticeWindow& practice) : player_(player), practice_(practice) {}
    void stopAllSounds() override { player_.stopAllSounds(); }
    bool playSymbol(int n) override {
        practice_.chartSoundStarted();
        return player_.playSymbol(n);
    }

private:
    SoundPlayer& player_;
    PracticeWindow& practice_;
};

class Program final : public MainWindowHandler, public TrayMouseHandler {
public:
    // Ends the process: it never returns.
    [[noreturn]] void run(HINSTANCE instance);

    // MainWindowHandler
    void onMainWindowCreated() override;
    void onMainWindowShown() override { sound_.prepareStreams(); }
    bool onMainWindowCloseQuery() override;
    void onCommand(int command) override;
    void onChartPointer(PointerEventKind kind, int x, int y, int keys) override;
    void onChartRightPress() override;
    void onChartPressActivates(int x, int y) override { tracker_.activatedByPress(x, y); }
    void onMenuKey() override;

    // TrayMouseHandler
    void onTrayMouse(unsigned mouseMessage) override;
    // Without its icon a hidden window could never be reached: it is shown.
    void trayIconUnavailable() override { mainWindow_.setVisible(true); }

    bool preTranslate(MSG& msg);

private:
    // Options: the check marks of the menu are their values.
    void loadSettings();
    void saveSettings();
    void toggleOption(Option option);
    void applyOption(Option option);
    void applyAlwaysOnTop();
    void applyEscCloses();
    void applyAutostart();

    // Menu actions.
    void showContextMenu();
    void openPractice();
    void showHelpText();
    void openHelpWindow();
    void exitProgram();

    void installTrayIcon();
    [[noreturn]] void endProgram(int code);

    HINSTANCE instance_ = nullptr;
    SymbolChart chart_;
    ContextMenu menu_;
    MainWindow mainWindow_;
    HelpWindow helpWindow_;
    TrayIcon trayIcon_;  // the tray record, valid until the main window is gone

    bool escCloses_ = true;  // on until the settings say otherwise
    bool autostartAllowed_ = true;  // not from the temporary folder
    UINT taskbarCreatedMessage_ = 0;
    CardWindow card_;
    WaveOutDevice waveOut_;
    SystemClock soundClock_;
    Win32WorkerThreads soundThreads_;
    SoundPlayer sound_{waveOut_, soundClock_, soundThreads_};
    ChartSound chartSound_{sound_, practice_};
    MessagePump pump_{mainWindow_};
    GroupReader reader_{chart_, mainWindow_.panel(), pump_, chartSound_, pump_};
    PointerTracker tracker_{{chart_, mainWindow_.panel(), mainWindow_.panel(), pump_, chartSound_, card_, reader_, pump_}};
    PracticeSoundOutput practiceSound_{sound_, reader_};
    // The microphone, opened only for a take the learner asks for; its
    // worker is one of the sound workers.
    WaveInDevice waveIn_;
    SoundRecorder recorder_{waveIn_, soundClock_, soundThreads_};
    PracticeWindow practice_{practiceSound_, recorder_};
};

Program* gProgram = nullptr;

// The exit code when the main window could not be created.
constexpr int kExitNoMainWindow = 1;

bool filterMessage(MSG& msg) { return gProgram && gProgram->preTranslate(msg); }

void Program::run(HINSTANCE instance) {
    instance_ = instance;
    taskbarCreatedMessage_ = RegisterWindowMessageA("TaskbarCreated");
    setMessageFilter(&filterMessage);
    if (!mainWindow_.create(instance, this)) {
        // No window, no tray icon: nothing would ever end the loop. The one
        // failure a user must be able to see ends the program at once.
        endProgram(kExitNoMainWindow);
    }
    // COM for the links (the shell), once for the whole run; made now that
    // the window is up, so that start-up does not wait for OLE32. The
    // process ends without leaving it.
    const ComApartment com;
    runMainLoop();
    endProgram(0);
}

void Program::onMainWindowCreated() {
    // The command line arrives as UTF-16 and is split as GBK bytes, so the
    // hidden argument is recognised whatever the system's code page is.
    const std::vector<std::string> arguments = splitCommandLine(wideToGbk(GetCommandLineW()));
    mainWindow_.fitToChart();
    chart_.buildChart();
    // A copy run from the temporary folder leaves the start-up entry alone
    // and shows its option greyed; the stored value is kept as it is.
    autostartAllowed_ = startupEntryAllowedForThisProgram();
    menu_.setEnabled(rowOfOption(Option::StartWithSystem), autostartAllowed_);
    loadSettings();
    if (!card_.hwnd()) card_.create(mainWindow_.hwnd());
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
    case MenuAction::Practice:
        openPractice();
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
    case MenuAction::Separator:
    case MenuAction::Cancel:
        break;
    }
}

// The options are the menu's check marks at the moment of the event. The
// pointer on the chart may be about to play a sound: the sound output opens
// again ahead whatever it has closed since it was last used, before the
// event's own sound asks for it.
void Program::onChartPointer(PointerEventKind kind, int x, int y, int keys) {
    sound_.prepareStreams();
    const PointerBinding bound = bindPointerEvent(kind, keys, menu_);
    tracker_.handlePointer(x, y, kind, bound.keys, bound.options);
}

void Program::onChartRightPress() { showContextMenu(); }

// From the keyboard the menu opens at the chart's top-left corner.
void Program::onMenuKey() {
    const POINT at = mainWindow_.chartOrigin();
    pelomar::showContextMenuAt(mainWindow_.hwnd(), menu_, {at.x, at.y});
}

bool Program::preTranslate(MSG& msg) {
    const HWND main = mainWindow_.hwnd();
    if (!main) return false;
    // After a hover the card has the focus: the practice's keys pressed
    // there are the practice's (Esc stays the card's).
    if (msg.message == WM_KEYDOWN && msg.hwnd == card_.hwnd() && practice_.exists() &&
        practice_.forwardKey(static_cast<unsigned>(msg.wParam), (msg.lParam & (1 << 30)) != 0))
        return true;
    const bool forMain = msg.hwnd == main || IsChild(main, msg.hwnd);
    if (!escapeClosesMainWindow(escCloses_, msg.message, static_cast<unsigned>(msg.wParam), currentKeyState(),
                                forMain))
        return false;
    SendMessageW(main, WM_CLOSE, 0, 0);
    return true;
}

// The settings file's place is found anew for every load and save.
void Program::loadSettings() {
    ProgramFile settings(kSettingsFileName);
    pelomar::loadSettings(menu_, settings.file(), [this](Option option) { applyOption(option); });
}

void Program::saveSettings() {
    ProgramFile settings(kSettingsFileName);
    pelomar::saveSettings(menu_, settings.file());
}

void Program::toggleOption(Option option) {
    menu_.setOption(option, !menu_.option(option));
    applyOption(option);
}

// The options that act on the system do so as soon as their value is known;
// the option table says which they are.
void Program::applyOption(Option option) {
    switch (optionInfo(option).effect) {
    case SystemEffect::AlwaysOnTop:
        applyAlwaysOnTop();
        break;
    case SystemEffect::EscCloses:
        applyEscCloses();
        break;
    case SystemEffect::Autostart:
        applyAutostart();
        break;
    case SystemEffect::None:
        break;  // read at each pointer event
    }
}

void Program::applyAlwaysOnTop() { mainWindow_.setAlwaysOnTop(menu_.option(Option::KeepInFront)); }

void Program::applyEscCloses() { escCloses_ = menu_.option(Option::EscCloses); }

void Program::applyAutostart() {
    if (autostartAllowed_) applyAutostartForThisProgram(menu_.option(Option::StartWithSystem));
}

void Program::showContextMenu() { pelomar::showContextMenu(mainWindow_.hwnd(), menu_); }

void Program::openPractice() {
    // The card passes the practice's keys on; no input method may take them first.
    switchOffInputMethod(card_.hwnd());
    practice_.open(instance_, mainWindow_.hwnd());
}

void Program::showHelpText() { pelomar::showHelpText(); }

void Program::openHelpWindow() { helpWindow_.open(instance_, mainWindow_.hwnd()); }

// Saves, then ends the program: destroying the main window ends the main
// loop, after which endProgram runs as for every other ending.
void Program::exitProgram() {
    saveSettings();
    mainWindow_.destroy();
}

void Program::installTrayIcon() {
    trayIcon_.install(mainWindow_.hwnd(), text::kTrayTip, taskbarCreatedMessage_, this);
}

void Program::onTrayMouse(unsigned mouseMessage) {
    switch (pelomar::onTrayMouse(mouseMessage)) {
    case TrayAction::ToggleWindow:
        if (toggleWindow(mainWindow_.visible(), mainWindow_.minimised()) == WindowToggle::Hide)
            mainWindow_.setVisible(false);
        else
            mainWindow_.restore();
        break;
    case TrayAction::ShowMenu:
        showContextMenu();
        break;
    case TrayAction::None:
        break;
    }
}

// Destroys what is left of the windows (the main window takes its owned
// windows and the tray icon with it); last, stops every sound, waits a short
// while for the sound workers and ends the process.
void Program::endProgram(int code) {
    practice_.close();  // not owned by the main window; it saves as it closes
    mainWindow_.destroy();
    endProcess(sound_, recorder_, code);
}

}  // namespace
}  // namespace pelomar

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    pelomar::restrictDllSearchToSystem();
    static pelomar::Program program;
    pelomar::gProgram = &program;
    program.run(instance);
}
