#include "practice/practice_window_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "media/assets.h"
#include "practice/progress_file_win32.h"
#include "shell/input_method_win32.h"
#include "text/texts.h"
#include "ui/colour_win32.h"
#include "ui/gif_decoder.h"

namespace pelomar {
namespace {

// What the portable rules restate of the platform.
static_assert(kKeyReturn == VK_RETURN && kKeySpace == VK_SPACE && kKeyNumpad1 == VK_NUMPAD1);

const wchar_t kPracticeClass[] = L"PelomarPracticeWindow";
constexpr UINT_PTR kTimer = 1;
constexpr UINT_PTR kMeterTimer = 2;
constexpr UINT kMeterMs = 40;
constexpr UINT kRecorderChanged = WM_APP + 1;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kNormalFont = -14, kHeadingFont = -16, kWordFont = -30;
constexpr int kUnderline = 2;

std::int64_t now() { return static_cast<std::int64_t>(GetTickCount64()); }

const WordBank& wordBank() {
    static const WordBank bank = embeddedWordBank();
    return bank;
}

RECT rectOf(const Box& b) { return {b.left, b.top, b.right, b.bottom}; }

// 0x00RRGGBB pixels, top row first, onto the device context.
void putPixels(HDC dc, int x, int y, int width, int height, const std::uint32_t* pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                      static_cast<UINT>(height), pixels, &info, DIB_RGB_COLORS);
}

HFONT makeFont(int height, int weight, DWORD charset, const wchar_t* face) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

// The time-dependent seed of the practice's chance.
std::uint64_t seed() {
    LARGE_INTEGER t{};
    QueryPerformanceCounter(&t);
    return static_cast<std::uint64_t>(t.QuadPart) ^ (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32);
}

// The practice's microphone: the program's recorder.
class RecorderMicrophone final : public PracticeMicrophone {
public:
    explicit RecorderMicrophone(SoundRecorder& recorder) : recorder_(recorder) {}
    bool record() override { return recorder_.record(); }
    void finish() override { recorder_.finish(); }
    void cancel() override { recorder_.cancel(); }

private:
    SoundRecorder& recorder_;
};

}  // namespace

struct PracticeWindow::Practice {
    Practice(PracticeSound& sound, SoundRecorder& recorder)
        : microphone(recorder), session(wordBank(), book, store, sound, microphone, random) {}
    ProgramProgressFile file;
    ProgressBook book;
    ProgressStore store{file};
    RecorderMicrophone microphone;
    Random random{seed()};
    PracticeSession session;
};

PracticeWindow::PracticeWindow(PracticeSound& sound, SoundRecorder& recorder) : sound_(sound), recorder_(recorder) {
    recorder_.setOnChange([this] { recorderChanged(); });
}

PracticeWindow::~PracticeWindow() {
    recorder_.setOnChange(nullptr);
    close();
    releaseFonts();
    releaseBackBuffer();
}

void PracticeWindow::releaseBackBuffer() {
    if (back_) {
        SelectObject(back_, backOld_);
        DeleteDC(back_);
    }
    if (backBitmap_) DeleteObject(backBitmap_);
    back_ = nullptr;
    backBitmap_ = nullptr;
}

const PracticeSession* PracticeWindow::session() const { return practice_ ? &practice_->session : nullptr; }

void PracticeWindow::open(HINSTANCE instance, HWND mainWindow) {
    if (exists()) {
        ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(hwnd_);
        return;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, kPracticeClass, &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &routeMessages<PracticeWindow>;
        wc.hInstance = instance;
        wc.hIcon = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                 GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
        wc.hIconSm = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                   LR_DEFAULTCOLOR));
        wc.lpszClassName = kPracticeClass;
        RegisterClassExW(&wc);
    }
    RECT outer{0, 0, kPracticeClientWidth, kPracticeClientHeight};
    AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    RECT main{};
    GetWindowRect(mainWindow, &main);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(mainWindow, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const Placement at = placeBeside({main.left, main.top, main.right, main.bottom}, width, height,
                                     {work.left, work.top, work.right, work.bottom});
    practice_ = std::make_unique<Practice>(sound_, recorder_);
    CreateWindowExW(0, kPracticeClass, std::wstring(text::wide::kPracticeTitle).c_str(), kStyle, at.left, at.top,
                    width, height, nullptr, nullptr, instance, this);
    if (!hwnd_) {
        practice_.reset();
        return;
    }
    // The first question before the first paint: the window shows it, and
    // its word plays, as soon as it is there.
    practice_->session.open(now());
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    refresh();
    UpdateWindow(hwnd_);
}

void PracticeWindow::close() {
    if (exists()) DestroyWindow(hwnd_);
}

bool PracticeWindow::forwardKey(unsigned virtualKey, bool repeat) {
    if (!practice_ || !exists() || practiceKeyFor(virtualKey) == PracticeKey::None) return false;
    onKeyDown(virtualKey, repeat ? (1u << 30) : 0);
    return true;
}

void PracticeWindow::chartSoundStarted() {
    if (practice_) practice_->session.chartSoundStarted();
}

void PracticeWindow::recorderChanged() {
    if (const HWND told = told_.load()) PostMessageW(told, kRecorderChanged, 0, 0);
}

// The take records, or has ended: the session hears of it, and the meter
// runs while it records.
void PracticeWindow::onRecorderChanged() {
    if (!practice_) return;
    PracticeSession& session = practice_->session;
    const RecorderState state = recorder_.state();
    switch (state.phase) {
    case RecordingPhase::Opening:
        return;
    case RecordingPhase::Recording:
        if (session.take() == TakeState::Preparing) {
            session.takeStarted();
            SetTimer(hwnd_, kMeterTimer, kMeterMs, nullptr);
        }
        break;
    default:
        KillTimer(hwnd_, kMeterTimer);
        if (session.take() == TakeState::None) return;
        session.takeEnded(state.phase, recorder_.takeRecording(), now());
        break;
    }
    refresh();
}

void PracticeWindow::onMeter() {
    if (!practice_ || practice_->session.take() != TakeState::Recording) {
        KillTimer(hwnd_, kMeterTimer);
        return;
    }
    practice_->session.takeLevel(recorder_.state().levelDb);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void PracticeWindow::createFonts() {
    const std::wstring face(text::wide::kPracticeFontFace);
    normal_ = makeFont(kNormalFont, FW_NORMAL, GB2312_CHARSET, face.c_str());
    heading_ = makeFont(kHeadingFont, FW_BOLD, GB2312_CHARSET, face.c_str());
    word_ = makeFont(kWordFont, FW_BOLD, ANSI_CHARSET, L"Arial");
}

void PracticeWindow::releaseFonts() {
    for (HFONT* f : {&normal_, &heading_, &word_}) {
        if (*f) DeleteObject(*f);
        *f = nullptr;
    }
}

HFONT PracticeWindow::font(TextSize size) const {
    switch (size) {
    case TextSize::Heading:
        return heading_;
    case TextSize::Word:
        return word_;
    case TextSize::Normal:
        break;
    }
    return normal_;
}

// The chart's cells, cut once; the glyphs the candidates and the progress
// page show.
void PracticeWindow::onCreate() {
    switchOffInputMethod(hwnd_);
    told_.store(hwnd_);
    if (!normal_) createFonts();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kPracticeClientWidth;
    info.bmiHeader.biHeight = -kPracticeClientHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    back_ = CreateCompatibleDC(nullptr);
    backBitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    backOld_ = SelectObject(back_, backBitmap_);
    SetBkMode(back_, TRANSPARENT);
    if (!cells_[0].empty()) return;
    const AssetView chart = chartPicture();
    const std::optional<GifPicture> picture = decodeGif(chart.data, chart.size);
    if (!picture) return;
    for (int n = 1; n <= kSymbolCount; ++n) {
        const Box b = chartCellBox(n);
        std::vector<std::uint32_t>& pixels = cells_[n - 1];
        pixels.clear();
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x) {
                const bool inside = x < picture->width && y < picture->height;
                pixels.push_back(inside ? picture->palette[picture->indices[static_cast<std::size_t>(y) * picture->width + x]] & 0xFFFFFF
                                        : 0xFFFFFF);
            }
    }
}

void PracticeWindow::refresh() {
    if (!hwnd_ || !practice_) return;
    InvalidateRect(hwnd_, nullptr, FALSE);
    KillTimer(hwnd_, kTimer);
    if (const auto due = practice_->session.deadline()) {
        const std::int64_t wait = *due - now();
        SetTimer(hwnd_, kTimer, static_cast<UINT>(wait > 0 ? wait : 0), nullptr);
    }
}

void PracticeWindow::onPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (practice_ && back_) {
        // Drawn off the screen first: no flicker between the layers.
        for (const DrawItem& item : practiceScene(practice_->session)) draw(back_, item);
        BitBlt(dc, 0, 0, kPracticeClientWidth, kPracticeClientHeight, back_, 0, 0, SRCCOPY);
    }
    EndPaint(hwnd_, &ps);
}

void PracticeWindow::draw(HDC dc, const DrawItem& item) {
    RECT r = rectOf(item.box);
    switch (item.kind) {
    case DrawItem::Kind::Fill: {
        HBRUSH brush = CreateSolidBrush(toColorRef(item.colour));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        break;
    }
    case DrawItem::Kind::Frame: {
        HBRUSH brush = CreateSolidBrush(toColorRef(item.colour));
        FrameRect(dc, &r, brush);
        DeleteObject(brush);
        break;
    }
    case DrawItem::Kind::Text: {
        const HGDIOBJ old = SelectObject(dc, font(item.size));
        SetTextColor(dc, toColorRef(item.colour));
        UINT format = DT_NOPREFIX | (item.align == Align::Centre ? DT_CENTER : DT_LEFT);
        format |= item.wrap ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
        DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &r, format);
        SelectObject(dc, old);
        break;
    }
    case DrawItem::Kind::Cell:
        drawCell(dc, item);
        break;
    case DrawItem::Kind::MarkedWord:
        drawMarkedWord(dc, item);
        break;
    case DrawItem::Kind::Pixels:
        drawPixels(dc, item);
        break;
    }
}

void PracticeWindow::drawPixels(HDC dc, const DrawItem& item) {
    const int width = item.box.width(), height = item.box.height();
    if (width <= 0 || height <= 0 || item.pixels.size() != static_cast<std::size_t>(width) * height) return;
    putPixels(dc, item.box.left, item.box.top, width, height, item.pixels.data());
}

void PracticeWindow::drawCell(HDC dc, const DrawItem& item) {
    if (item.symbol < 1 || item.symbol > kSymbolCount) return;
    const std::vector<std::uint32_t>& source = cells_[item.symbol - 1];
    const Box cell = chartCellBox(item.symbol);
    if (source.size() != static_cast<std::size_t>(cell.width()) * cell.height()) return;
    std::vector<std::uint32_t> shaded;
    const std::uint32_t* pixels = source.data();
    if (item.shaded) {
        shaded.reserve(source.size());
        for (std::uint32_t p : source) shaded.push_back(shadedPixel(p, item.shade));
        pixels = shaded.data();
    }
    putPixels(dc, item.box.left, item.box.top, cell.width(), cell.height(), pixels);
}

// The word centred, the letters that carry the sound in the item's colour
// and underlined.
void PracticeWindow::drawMarkedWord(HDC dc, const DrawItem& item) {
    const std::wstring& text = item.text;
    const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(std::max(item.markAt, 0)), text.size());
    const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(std::max(item.markLength, 0)), text.size() - at);
    const HGDIOBJ old = SelectObject(dc, word_);
    SIZE whole{}, before{}, marked{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &whole);
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(at), &before);
    GetTextExtentPoint32W(dc, text.c_str() + at, static_cast<int>(length), &marked);
    const int x = item.box.left + (item.box.width() - whole.cx) / 2;
    const int y = item.box.top + (item.box.height() - whole.cy) / 2;
    SetTextColor(dc, toColorRef(kPracticeInk));
    TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
    SetTextColor(dc, toColorRef(item.colour));
    TextOutW(dc, x + before.cx, y, text.c_str() + at, static_cast<int>(length));
    RECT line{x + before.cx, y + whole.cy - kUnderline, x + before.cx + marked.cx, y + whole.cy};
    HBRUSH brush = CreateSolidBrush(toColorRef(item.colour));
    FillRect(dc, &line, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
}

void PracticeWindow::onKeyDown(WPARAM key, LPARAM flags) {
    if (!practice_) return;
    if (key == VK_ESCAPE) {
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        return;
    }
    // A key held down repeats; an answer or a replay is one press.
    if (flags & (1u << 30)) return;
    const PracticeKey k = practiceKeyFor(static_cast<unsigned>(key));
    if (k == PracticeKey::None) return;
    practice_->session.key(k, now());
    refresh();
}

void PracticeWindow::onPress(int x, int y) {
    if (!practice_) return;
    PracticeSession& session = practice_->session;
    if (session.click(hitTest(session, x, y), now())) {
        const std::wstring question(text::wide::kPracticeClearQuestion);
        const std::wstring title(text::wide::kPracticeTitle);
        if (MessageBoxW(hwnd_, question.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
            session.clearRecords(now());
    }
    refresh();
}

void PracticeWindow::onPointerMove(int x, int y) {
    if (!practice_) return;
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
    }
    if (practice_->session.hover(hitTest(practice_->session, x, y))) InvalidateRect(hwnd_, nullptr, FALSE);
}

void PracticeWindow::onPointerLeave() {
    tracking_ = false;
    if (practice_ && practice_->session.hover({})) InvalidateRect(hwnd_, nullptr, FALSE);
}

// The hand over what a click acts on.
bool PracticeWindow::onSetCursor() {
    if (!practice_) return false;
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(hwnd_, &p);
    const Target t = hitTest(practice_->session, p.x, p.y).target;
    SetCursor(LoadCursorW(nullptr, t != Target::None && t != Target::Cell ? IDC_HAND : IDC_ARROW));
    return true;
}

void PracticeWindow::onTimer() {
    KillTimer(hwnd_, kTimer);
    if (!practice_) return;
    practice_->session.tick(now());
    refresh();
}

void PracticeWindow::onDestroy() {
    told_.store(nullptr);
    KillTimer(hwnd_, kTimer);
    KillTimer(hwnd_, kMeterTimer);
    if (practice_) practice_->session.close(now());
}

void PracticeWindow::onEndSession() {
    if (practice_) practice_->session.close(now());
}

LRESULT PracticeWindow::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    switch (msg) {
    case WM_CREATE:
        onCreate();
        return 0;
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_KEYDOWN:
        onKeyDown(wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        onPress(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSEMOVE:
        onPointerMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSELEAVE:
        onPointerLeave();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && onSetCursor()) return TRUE;
        break;
    case WM_TIMER:
        if (wParam == kTimer) onTimer();
        if (wParam == kMeterTimer) onMeter();
        return 0;
    case kRecorderChanged:
        onRecorderChanged();
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd_);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam) onEndSession();
        return 0;
    case WM_DESTROY:
        onDestroy();
        return 0;
    case WM_NCDESTROY:
        hwnd_ = nullptr;
        practice_.reset();
        releaseBackBuffer();
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace pelomar
