#include "tools/browser_frame/frame_window.h"

#include <commctrl.h>

#include <utility>

#include "core/display_scale.h"
#include "tools/browser_frame/toolbar_list.h"

namespace frame {

namespace {

const wchar_t kClassName[] = L"VeltraneBrowserFrame";
const wchar_t kTitle[] = L"Browser frame";
constexpr UINT_PTR kExitTimer = 1;
constexpr UINT_PTR kTypeTimer = 2;
constexpr UINT kTypeDelayMs = 800;
constexpr UINT kAddressBandId = 1;
// Posted by ShowToolbar: wParam is the band's index in bands_, lParam 1 to show.
constexpr UINT kShowToolbarMessage = WM_APP + 1;
constexpr UINT kFirstToolbarId = 100;
// The frame's design at 96 DPI; it scales as the browser does.
constexpr int kFrameWidth = 1000;
constexpr int kFrameHeight = 380;
constexpr int kAddressHeight = 22;
constexpr int kAddressMinWidth = 200;
constexpr int kAddressFontHeight = 11;
constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED

// The window's DPI where the system can tell, else the screen's.
int FrameDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    const auto dpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (window && dpiForWindow) return vtb::ValidDpi(static_cast<int>(dpiForWindow(window)));
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return vtb::ValidDpi(dpi);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[64] = {};
    StringFromGUID2(clsid, text, ARRAYSIZE(text));
    return text;
}

std::wstring HexResult(HRESULT hr) {
    wchar_t text[16];
    wsprintfW(text, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// The edit field of the first combo box inside a window: the search box.
BOOL CALLBACK FindSearchEdit(HWND child, LPARAM param) {
    wchar_t cls[32] = {}, parentCls[32] = {};
    GetClassNameW(child, cls, ARRAYSIZE(cls));
    GetClassNameW(GetParent(child), parentCls, ARRAYSIZE(parentCls));
    if (lstrcmpiW(cls, L"Edit") == 0 && lstrcmpiW(parentCls, L"ComboBox") == 0) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

FrameWindow::FrameWindow(FrameOptions options) : options_(std::move(options)) {
    // Binary: lines end with a bare line feed for the scripts that read the log.
    if (!options_.logPath.empty()) log_.open(options_.logPath.c_str(), std::ios::binary | std::ios::trunc);
}

FrameWindow::~FrameWindow() { Shutdown(); }

bool FrameWindow::Create(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) return false;
    dpi_ = FrameDpi(nullptr);
    const int width = std::min(vtb::ScaleToDpi(kFrameWidth, dpi_), GetSystemMetrics(SM_CXSCREEN));
    const int height = std::min(vtb::ScaleToDpi(kFrameHeight, dpi_), GetSystemMetrics(SM_CYSCREEN));
    window_ = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, width, height,
                              nullptr, nullptr, instance, this);
    if (!window_) return false;
    OpenBrowser();
    OpenBands();
    Layout();
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    if (options_.exitAfterSeconds > 0)
        SetTimer(window_, kExitTimer, static_cast<UINT>(options_.exitAfterSeconds) * 1000, nullptr);
    if (!options_.typeText.empty() || !options_.clicks.empty() || !options_.hovers.empty() || !options_.keys.empty())
        SetTimer(window_, kTypeTimer, kTypeDelayMs, nullptr);
    return true;
}

LRESULT CALLBACK FrameWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FrameWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FrameWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT FrameWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateChildren();
        return 0;
    case WM_SIZE:
        Layout();
        return 0;
    case WM_SETFOCUS:
        // Handed on, as a browser hands the focus to its page: a toolbar
        // that is hidden gives it back to the frame.
        if (address_) SetFocus(address_);
        return 0;
    case kDpiChanged: {
        // Moved to a monitor of another DPI: the system's suggested place and
        // size; each toolbar hears of it from the system and tells its size.
        dpi_ = vtb::ValidDpi(HIWORD(wParam));
        const RECT* to = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, to->left, to->top, to->right - to->left, to->bottom - to->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ScaleAddressField();
        return 0;
    }
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == RBN_HEIGHTCHANGE) Layout();
        return 0;
    case WM_COMMAND:
        // The user went to the address field: the toolbar loses the focus.
        if (reinterpret_cast<HWND>(lParam) == address_ && HIWORD(wParam) == EN_SETFOCUS)
            for (const auto& band : bands_) band->Deactivate();
        return 0;
    case WM_TIMER:
        KillTimer(window_, wParam);
        if (wParam == kExitTimer) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (wParam == kTypeTimer) TypeQuery();
        return 0;
    case kShowToolbarMessage:
        if (wParam < bands_.size()) bands_[wParam]->SetVisible(lParam != 0);
        return 0;
    case WM_CLOSE:
        Shutdown();
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void FrameWindow::CreateChildren() {
    dpi_ = FrameDpi(window_);
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
    rebar_ = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                 RBS_BANDBORDERS | CCS_NODIVIDER | CCS_TOP,
                             0, 0, 0, 0, window_, nullptr, instance, nullptr);
    address_ =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"about:blank", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                        0, 0, 0, vtb::ScaleToDpi(kAddressHeight, dpi_), rebar_, nullptr, instance, nullptr);
    wchar_t label[] = L"Address";
    REBARBANDINFOW band = {};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD | RBBIM_TEXT | RBBIM_ID | RBBIM_STYLE;
    band.fStyle = RBBS_CHILDEDGE;
    band.lpText = label;
    band.hwndChild = address_;
    band.wID = kAddressBandId;
    SendMessageW(rebar_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
    ScaleAddressField();
    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"Ready", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                              window_, nullptr, instance, nullptr);
}

void FrameWindow::ScaleAddressField() {
    LOGFONTW font = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = -vtb::ScaleToDpi(kAddressFontHeight, dpi_);
    font.lfWidth = 0;
    vtb::UniqueFont scaled(CreateFontIndirectW(&font));
    SendMessageW(address_, WM_SETFONT, reinterpret_cast<WPARAM>(scaled.get()), TRUE);
    addressFont_ = std::move(scaled);  // the old one only once the field lets go of it
    REBARBANDINFOW band = {};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILDSIZE;
    band.cyMinChild = vtb::ScaleToDpi(kAddressHeight, dpi_);
    band.cxMinChild = vtb::ScaleToDpi(kAddressMinWidth, dpi_);
    const LRESULT index = SendMessageW(rebar_, RB_IDTOINDEX, kAddressBandId, 0);
    if (index >= 0) SendMessageW(rebar_, RB_SETBANDINFOW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&band));
}

void FrameWindow::OpenBrowser() {
    site_ = vtb::ComPtr<BandSite>(std::make_unique<BandSite>(this).release());
    events_ = vtb::ComPtr<BrowserEvents>(std::make_unique<BrowserEvents>(this).release());
    browser_ = vtb::ComPtr<BrowserHost>(std::make_unique<BrowserHost>(this).release());
    const HRESULT hr = browser_->Open(events_.get());
    Log(L"browser: " + std::wstring(SUCCEEDED(hr) ? L"WebBrowser control" : L"none, " + HexResult(hr)));
    if (SUCCEEDED(hr))
        shell_ = vtb::ComPtr<BrowserShell>(std::make_unique<BrowserShell>(this, browser_->Browser()).release());
}

void FrameWindow::OpenBands() {
    const std::vector<CLSID> toolbars = RegisteredToolbars();
    if (toolbars.empty()) SetStatus(L"No toolbar is registered.");
    UINT id = kFirstToolbarId;
    for (const CLSID& clsid : toolbars) {
        auto band = std::make_unique<HostedBand>(clsid, id++);
        const HRESULT hr = band->Open(static_cast<IInputObjectSite*>(site_.get()), rebar_);
        if (FAILED(hr)) {
            Log(L"band: " + ClsidText(clsid) + L" failed, " + HexResult(hr));
            continue;
        }
        band->Show(true);
        const SIZE size = band->ActualSize();
        Log(L"band: " + ClsidText(clsid) + L" shown, " + std::to_wstring(size.cx) + L"x" + std::to_wstring(size.cy));
        bands_.push_back(std::move(band));
    }
}

void FrameWindow::Layout() {
    if (!rebar_ || !status_) return;
    RECT client;
    GetClientRect(window_, &client);
    // Status bar and rebar place themselves at the bottom and the top.
    SendMessageW(status_, WM_SIZE, 0, 0);
    MoveWindow(rebar_, 0, 0, client.right, 0, TRUE);
    if (browser_) browser_->Resize(BrowserArea());
}

RECT FrameWindow::BrowserArea() const {
    RECT client = {}, bar = {}, status = {};
    GetClientRect(window_, &client);
    if (rebar_) GetWindowRect(rebar_, &bar);
    if (status_) GetWindowRect(status_, &status);
    client.top = bar.bottom - bar.top;
    client.bottom -= status.bottom - status.top;
    if (client.bottom < client.top) client.bottom = client.top;
    return client;
}

IWebBrowser2* FrameWindow::Browser() const { return shell_.get(); }

void FrameWindow::OnNavigate(const std::wstring& url) {
    SetWindowTextW(address_, url.c_str());
    SetStatus(L"The toolbar asked the browser to open " + url);
    Log(L"navigate: " + url);
}

void FrameWindow::OnNewWindow(const std::wstring& url) {
    SetStatus(L"new window: " + url);
    Log(L"new window: " + url);
}

void FrameWindow::SetStatus(const std::wstring& text) {
    if (status_) SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool FrameWindow::ShowToolbar(const std::wstring& clsidText, bool show) {
    CLSID clsid;
    if (FAILED(CLSIDFromString(clsidText.c_str(), &clsid))) return false;
    for (size_t i = 0; i < bands_.size(); ++i) {
        if (!bands_[i]->Matches(clsid)) continue;
        // Later, not inside the toolbar's own command that asked for it.
        PostMessageW(window_, kShowToolbarMessage, i, show ? 1 : 0);
        Log(std::wstring(show ? L"show toolbar: " : L"hide toolbar: ") + clsidText);
        return true;
    }
    return false;
}

void FrameWindow::OnBandInfoChanged() {
    for (const auto& band : bands_) band->UpdateSize();
    Log(L"band sizes changed");
}

void FrameWindow::OnBandFocus(IUnknown* band, bool focused) {
    if (focused)
        for (const auto& other : bands_)
            if (!other->Is(band)) other->Deactivate();
}

// Types the query into the first toolbar's search box through the message
// queue, so that it takes the same way as a user's keystrokes.
void FrameWindow::TypeQuery() {
    if (bands_.empty()) return;
    for (const POINT& at : options_.hovers) Hover(at);
    for (const POINT& at : options_.clicks) Click(at);
    PressKeys();
    if (options_.typeText.empty()) return;
    HWND edit = nullptr;
    EnumChildWindows(bands_.front()->Window(), FindSearchEdit, reinterpret_cast<LPARAM>(&edit));
    if (!edit) {
        Log(L"type: no search box");
        return;
    }
    SetFocus(edit);
    for (wchar_t ch : options_.typeText) PostMessageW(edit, WM_CHAR, ch, 1);
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
    Log(L"type: " + options_.typeText);
}

// A left click at a point of the first toolbar's window, through the queue.
void FrameWindow::Click(POINT at) {
    const HWND band = bands_.front()->Window();
    const LPARAM where = MAKELPARAM(at.x, at.y);
    PostMessageW(band, WM_MOUSEMOVE, 0, where);
    PostMessageW(band, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageW(band, WM_LBUTTONUP, 0, where);
    Log(L"click: " + std::to_wstring(at.x) + L"," + std::to_wstring(at.y));
}

// The mouse pointer moved onto a point of the first toolbar's window.
void FrameWindow::Hover(POINT at) {
    POINT screen = at;
    ClientToScreen(bands_.front()->Window(), &screen);
    SetForegroundWindow(window_);
    SetCursorPos(screen.x, screen.y);
    PostMessageW(bands_.front()->Window(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    Log(L"hover: " + std::to_wstring(at.x) + L"," + std::to_wstring(at.y));
}

// Presses the keys of --keys with real input, once the frame is in front.
void FrameWindow::PressKeys() {
    if (options_.keys.empty()) return;
    SetForegroundWindow(window_);
    std::vector<INPUT> inputs;
    const auto key = [&inputs](WORD vk, DWORD flags) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = flags;
        inputs.push_back(in);
    };
    for (const std::vector<WORD>& chord : options_.keys) {
        for (WORD vk : chord) key(vk, 0);
        for (auto it = chord.rbegin(); it != chord.rend(); ++it) key(*it, KEYEVENTF_KEYUP);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Log(L"keys: " + std::to_wstring(options_.keys.size()));
}

int FrameWindow::FocusedBand() const {
    const HWND focus = GetFocus();
    for (size_t i = 0; i < bands_.size(); ++i) {
        const HWND band = bands_[i]->Window();
        if (bands_[i]->HasFocus() && focus && (focus == band || IsChild(band, focus))) return static_cast<int>(i);
    }
    return -1;
}

void FrameWindow::MoveFocus(int step, MSG* key) {
    // Stop 0 is the address field, stop i the toolbar i - 1.
    const int stops = static_cast<int>(bands_.size()) + 1;
    const int from = FocusedBand() + 1;
    // A hidden toolbar is no stop.
    int to = from;
    for (int tries = 0; tries < stops; ++tries) {
        to = ((to + step) % stops + stops) % stops;
        if (to == 0 || IsWindowVisible(bands_[static_cast<size_t>(to - 1)]->Window())) break;
    }
    if (from > 0) bands_[static_cast<size_t>(from - 1)]->Deactivate();
    if (to == 0) {
        SetFocus(address_);
        Log(L"focus: address field");
        return;
    }
    bands_[static_cast<size_t>(to - 1)]->Activate(key);
    Log(L"focus: toolbar " + std::to_wstring(to));
}

bool FrameWindow::RouteKey(MSG* msg) {
    const bool keyDown = msg->message == WM_KEYDOWN;
    const int step = GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    // F6 goes from the address field to each toolbar and back, wherever the focus is.
    if (keyDown && msg->wParam == VK_F6) {
        MoveFocus(step, msg);
        return true;
    }
    const int focused = FocusedBand();
    if (focused >= 0) {
        // Every key goes to the toolbar first.
        if (bands_[static_cast<size_t>(focused)]->TranslateKey(msg)) return true;
        // Refused (Tab): the browser moves the focus on.
        if (keyDown && msg->wParam == VK_TAB) {
            MoveFocus(step, msg);
            return true;
        }
        return false;
    }
    // Tab in the address field goes on into the toolbars.
    if (keyDown && msg->wParam == VK_TAB && msg->hwnd == address_) {
        MoveFocus(step, msg);
        return true;
    }
    return false;
}

int FrameWindow::RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && RouteKey(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void FrameWindow::Shutdown() {
    if (closing_) return;
    closing_ = true;
    for (auto& band : bands_) band->Close();
    if (!bands_.empty()) Log(L"bands closed");
    bands_.clear();
    if (shell_) shell_->Detach();
    shell_.reset();
    if (browser_) browser_->Close();
    browser_.reset();
    if (site_) site_->Detach();
    if (events_) events_->Detach();
    site_.reset();
    events_.reset();
}

void FrameWindow::Log(const std::wstring& line) {
    if (!log_.is_open()) return;
    log_ << Utf8(line) << '\n';
    log_.flush();
}

}  // namespace frame
